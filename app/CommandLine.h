// Command-line parsing: paths to evacuate, "-c" with an INI path, the setup flags, the check and
// the flag that keeps a command-line operation from showing any window.
#pragma once

#include <string>
#include <vector>

namespace fw {

// What the framework itself takes from a command line: the first plain argument.
class CCommandLineInfo {
public:
    enum ShellCommand { FileNew, FileOpen };
    virtual ~CCommandLineInfo() = default;
    virtual void ParseParam(const char* param, bool isFlag, bool isLast);

    std::string m_strFileName;
    ShellCommand m_nShellCommand = FileNew;
};

// Feeds every argument after the program name to info, "-" or "/" flags without that character.
void ParseCommandLine(CCommandLineInfo& info, int argc, char** argv);

}  // namespace fw

class CBrennaCommandLineInfo : public fw::CCommandLineInfo {
public:
    explicit CBrennaCommandLineInfo(std::vector<std::string>* files) : m_paFiles(files) {}
    void ParseParam(const char* param, bool isFlag, bool isLast) override;

    std::vector<std::string>* m_paFiles;
    bool m_bIniNext = false;
    std::string m_strIni;
    bool m_bSetupCommit = false;
    bool m_bUninstall = false;
    // "Check": check the repository, report on standard output and in a window, and end.
    bool m_bCheck = false;
    // "Quiet": a command-line operation shows no window at all (for scripts and scheduled tasks).
    bool m_bQuiet = false;
};
