// The application object: start-up roads, the process's roles on its repository, the help map,
// and the wiring of the repository to the main window.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fw/File.h"
#include "app/StandardOutput.h"
#include "fw/win/ShellPrompt.h"
#include "fw/win/WinApp.h"
#include "store/QuillonBridge.h"
#include "store/Repository.h"
#include "store/ShellLink.h"
#include "store/TempDirectory.h"

class CMainFrame;

class CBrennaApp : public fw::CWinApp {
public:
    CBrennaApp();
    ~CBrennaApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    // The message loop with the frame's accelerators and idle-time command states.
    int Run() override;

    // The help topic of a WinHelp-style id: false when the id has none.
    bool MapHelpId(DWORD data, DWORD& topic) const;
    void WinHelp(DWORD data, UINT command);
    // Opens the help file at topic.
    void HelpTopic(DWORD topic);

    // Creates the folder, replacing a plain file of that name.
    static BOOL EnsureDirectory(const char* path);

    // Start-up pieces, also used by the tests.
    // A missing INI file is looked for on the other drives; ini then names the one found.
    BOOL ChooseRepository(std::string& ini);
    void BuildObjectNames(const std::string& ini);
    void FillHelpMap();
    // Makes the command-line paths full. Each one that is empty or does not fit is reported with
    // "Failed to save file" and dropped, so the others still go through.
    void PreparePaths();
    // Evacuates m_aFiles under the repository mutex and saves; the road of a start with paths
    // that has no window to hand them to.
    BOOL EvacuateCommandLinePaths();
    // "SetupCommit" (commit) and "Uninstall": writes the program's shortcut, named after the
    // application title, again where it is (else on the all users' desktop), or removes it.
    // False when the shortcut could not be removed or written.
    BOOL SetupShortcut(BOOL commit);
    // Writes <name>.lnk through m_shellLink (see store::CreateShortcut).
    BOOL CreateShortcut(const std::string& folder, const std::string& name, int folderId);
    // store::kUserDesktop or store::kCommonDesktop when <name>.lnk is there, else 0.
    static int FindShortcutFolder(const std::string& name);
    // Opens the main window and starts the watcher: the start of a primary without paths.
    BOOL StartInteractive();
    // Hands m_aFiles to the running instance's window; false when there is none.
    bool HandOff();
    // "Check": checks the repository named by ini (the standard one when empty), neither
    // creating nor searching for it; writes the report to standard output and, unless quiet,
    // shows it in the report window. The process's exit code becomes 0 when the repository is
    // clean, 1 when problems were found, 2 when the check could not run.
    BOOL CheckFromCommandLine(const std::string& ini, bool quiet);

    // The exit code ExitInstance returns.
    int m_exitCode = 0;

    std::vector<std::string> m_aFiles;
    // The command line named paths (even if none of them could be used).
    bool m_bHadPaths = false;
    std::string m_strRepository;
    CRepository m_repository;
    store::CShellLink m_shellLink;
    fw::CHandle m_hEvent;
    fw::CHandle m_hMutex;
    BOOL m_bSecondary = FALSE;
    volatile BOOL m_bQuitting = FALSE;
    std::vector<uint8_t> m_pHandOff;
    std::map<UINT, DWORD> m_helpMap;
    std::string m_strMutexName;
    std::string m_strEventName;
    std::string m_strTitle;
    std::string m_strHelpPath;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    // Made only when the main window opens.
    std::unique_ptr<CBrnTempDirectory> m_pTempDirectory;
    // The sibling product's extension, when the main window opened and it loaded; the frame
    // uses it, so it goes after the frame.
    std::unique_ptr<CQuillonWrapper> m_pQuillon;

private:
    static DWORD WINAPI WatchThread(void* param);

    fw::CShellPrompt m_shellPrompt;
    // /Quiet: no window and no message box; messages go to standard output.
    CStandardOutputPrompt m_quietPrompt;
    // Paths of the command line that failed: refused before dispatch, or failed by it.
    size_t m_nFailedPaths = 0;
    fw::IPrompt* m_previousPrompt = nullptr;
    bool m_bOleInitialized = false;
    fw::CHandle m_hWatcher;
};

// Builds "<prefix><ini path with every backslash turned into '_'>" so that it fits in size
// bytes with its terminator; a path too long for that is replaced by a hash of it and its tail.
std::string MakeObjectName(const char* prefix, const std::string& ini, size_t size);
