// The application object: start-up roads, the repository, the settings and evacuation.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fw/WinApp.h"
#include "store/DataFile.h"
#include "store/TempDirectory.h"

class CBrennaCommandLineInfo;
class CMainFrame;

// What a list of the catalogue must do when items were appended to it.
class IItemListView {
public:
    virtual ~IItemListView() = default;
    virtual void AddNewRows() = 0;
    // The window the property dialog tells of a changed description.
    virtual HWND NotifyWindow() const = 0;
};

class CBrennaApp : public fw::CWinApp {
public:
    CBrennaApp();
    ~CBrennaApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    // The message loop with the frame's accelerators and idle-time command states.
    int Run() override;

    // Evacuation and the dispatcher every incoming path goes through.
    int Dispatch(const char* path, IItemListView* view);
    BOOL Evacuate(const char* path, IItemListView* view);
    BOOL EvacuateWithInfo(const char* source, const char* path, const char* description,
                          FILETIME time, IItemListView* view);
    BOOL CopyDirectory(const char* source, const char* target);
    BOOL AllocateHistoryPath(const char* definitionPath, std::string& out);
    // Runs a backup definition file: copies what is new or changed and records one run.
    BOOL RunBackupDefinition(const char* path, IItemListView* view);

    BOOL SaveCatalogue(BOOL force) { return m_dataFile.Save(force); }
    CBrennaItem* GetItem(size_t index) const { return m_dataFile.GetItem(index); }
    BOOL RemoveItem(CBrennaItem* item) { return m_dataFile.RemoveItem(item); }

    // The help topic of a WinHelp-style id: false when the id has none.
    bool MapHelpId(DWORD data, DWORD& topic) const;
    void WinHelp(DWORD data, UINT command);

    // Creates the folder, replacing a plain file of that name.
    static BOOL EnsureDirectory(const char* path);

    // Start-up pieces, also used by the tests.
    BOOL CreateShellLinkObject();
    BOOL ChooseRepository(const std::string& ini);
    void BuildObjectNames(const std::string& ini);
    void ReadSettings();
    void FillHelpMap();
    // Evacuates m_aFiles under the repository mutex and saves; the road of a start with paths
    // that has no window to hand them to.
    BOOL EvacuateCommandLinePaths();
    // "SetupCommit" (commit) and "Uninstall".
    BOOL SetupShortcut(BOOL commit);
    // Opens the main window and starts the watcher: the start of a primary without paths.
    BOOL StartInteractive();
    // Hands m_aFiles to the running instance's window; false when there is none.
    bool HandOff();
    // The document's open handler: evacuates path under the repository mutex and saves.
    void OpenDocument(const char* path, IItemListView* view);
    // Opens the help file at topic.
    void HelpTopic(DWORD topic);
    // The settings command: the settings dialog, then only the changed keys are written.
    // Returns true when "sortany" changed, so that the list sorts again.
    bool OnSetting();
    void OnAppAbout();
    // With "askalways" on: the property dialog on the newest item after an evacuation or run.
    void AskProperties(IItemListView* view);

    std::vector<std::string> m_aFiles;
    char m_szRepository[MAX_PATH] = {};
    CDataFile m_dataFile;
    HANDLE m_hEvent = nullptr;
    HANDLE m_hMutex = nullptr;
    BOOL m_bSecondary = FALSE;
    volatile BOOL m_bQuitting = FALSE;
    IShellLinkA* m_pShellLink = nullptr;
    IPersistFile* m_pPersistFile = nullptr;
    std::vector<char> m_pHandOff;
    BOOL m_bAskAlways = FALSE;
    std::map<UINT, DWORD> m_helpMap;
    BOOL m_bSortAny = FALSE;
    BOOL m_bBrnFile = FALSE;
    char m_szMutexName[256] = {};
    std::string m_strEventName;
    std::string m_strTitle;
    char m_szHelpPath[MAX_PATH] = {};
    std::unique_ptr<CMainFrame> m_pMainFrame;
    // Made only when the main window opens.
    std::unique_ptr<CBrnTempDirectory> m_pTempDirectory;

private:
    static DWORD WINAPI WatchThread(void* param);

    bool m_bOleInitialized = false;
    HANDLE m_hWatcher = nullptr;
};

// The application object of this process.
CBrennaApp* GetBrennaApp();

// Builds "<prefix><ini path with every backslash turned into '_'>" so that it fits in size
// bytes with its terminator; a path too long for that is replaced by a hash of it and its tail.
std::string MakeObjectName(const char* prefix, const std::string& ini, size_t size);

// The full path of path against the current folder; false when it would not fit in MAX_PATH.
bool MakeFullPath(const std::string& path, std::string& out);
