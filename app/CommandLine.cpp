// Command-line parsing.
#include "app/CommandLine.h"

#include <windows.h>

#include <cstring>

namespace fw {

void CCommandLineInfo::ParseParam(const char* param, bool isFlag, bool) {
    if (!isFlag && m_strFileName.empty()) {
        m_strFileName = param;
        m_nShellCommand = FileOpen;
    }
}

void ParseCommandLine(CCommandLineInfo& info, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        bool isFlag = a[0] == '-' || a[0] == '/';
        info.ParseParam(isFlag ? a + 1 : a, isFlag, i + 1 == argc);
    }
}

}  // namespace fw

void CBrennaCommandLineInfo::ParseParam(const char* param, bool isFlag, bool isLast) {
    if (isFlag) {
        if (lstrcmpiA(param, "C") == 0) {
            m_bIniNext = true;
        } else {
            m_bIniNext = false;
            // These are exact: another spelling is an unknown flag.
            if (strcmp(param, "SetupCommit") == 0) m_bSetupCommit = true;
            if (strcmp(param, "Uninstall") == 0) m_bUninstall = true;
            if (strcmp(param, "Check") == 0) m_bCheck = true;
            if (strcmp(param, "Quiet") == 0) m_bQuiet = true;
        }
    } else if (m_bIniNext) {
        m_strIni = param;
        m_bIniNext = false;
    } else {
        m_paFiles->push_back(param);
    }
    fw::CCommandLineInfo::ParseParam(param, isFlag, isLast);
}
