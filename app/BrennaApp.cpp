// Start-up, shut-down, the help map and the roads of the application object.
#include "app/BrennaApp.h"
#include "app/StandardOutput.h"

#include "app/CommandLine.h"
#include "app/HelpFile.h"
#include "backup/BackupRun.h"
#include "frame/CheckDialog.h"
#include "frame/FindIniDialog.h"
#include "frame/MainFrame.h"
#include "fw/Faults.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "resource.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"
#include "view/LongOperation.h"
#include "view/PropertyDialog.h"

namespace {

constexpr char kEventPrefix[] = "BrennaholdEventNotification";
constexpr char kMutexPrefix[] = "BrennaholdMutexNotification";
constexpr size_t kObjectNameSize = 256;
// How long the check waits for another process to finish with the repository.
constexpr DWORD kCheckLockTimeoutMs = 10000;

}  // namespace

CBrennaApp::CBrennaApp() = default;

CBrennaApp::~CBrennaApp() {
    m_pMainFrame.reset();
    m_pQuillon.reset();
    m_repository.SetShellLink(nullptr);
    m_shellLink.Release();
    if (m_bOleInitialized) OleUninitialize();
    if (&fw::Prompt() == &m_shellPrompt || &fw::Prompt() == &m_quietPrompt)
        fw::SetPrompt(m_previousPrompt);
}

std::string MakeObjectName(const char* prefix, const std::string& ini, size_t size) {
    std::string name = prefix + ini;
    util::MbsReplace(name, '\\', '_');
    if (name.size() < size) return name;
    // Cutting alone could give two repositories one name; a hash of the whole path keeps the
    // names apart, and the path's end keeps them readable.
    DWORD hash = 2166136261u;
    for (unsigned char c : ini) hash = (hash ^ c) * 16777619u;
    char hex[16];
    wsprintfA(hex, "#%08lX_", hash);
    std::string head = std::string(prefix) + hex;
    std::string tail = name.substr(lstrlenA(prefix));
    size_t room = size - 1 - head.size();
    // Start the kept tail on a character boundary.
    size_t start = 0;
    while (tail.size() - start > room)
        start += (IsDBCSLeadByte(static_cast<BYTE>(tail[start])) && start + 1 < tail.size()) ? 2 : 1;
    return head + tail.substr(start);
}

BOOL CBrennaApp::EnsureDirectory(const char* path) {
    DWORD attr = GetFileAttributesA(path);
    if (attr != INVALID_FILE_ATTRIBUTES) {
        if (attr & FILE_ATTRIBUTE_DIRECTORY) return TRUE;
        if (!util::ForceDeleteFile(path)) return FALSE;
    }
    return fw::CreateDirectoryChecked(path);
}

BOOL CBrennaApp::ChooseRepository(std::string& ini) {
    std::string folder;
    if (!ini.empty()) {
        if (GetFileAttributesA(ini.c_str()) == INVALID_FILE_ATTRIBUTES && !FindIniFile(ini))
            return FALSE;
        size_t slash = util::MbsRFind(ini, '\\');
        if (slash == std::string::npos) return FALSE;
        folder = ini.substr(0, slash);
    } else {
        char appData[MAX_PATH];
        if (!util::GetAppDataFolder(appData) || !appData[0]) return FALSE;
        folder = appData;
        if (util::MbsRFind(folder, '\\') != folder.size() - 1) folder += '\\';
        folder += "Orvane";
        if (folder.size() >= MAX_PATH || !EnsureDirectory(folder.c_str())) return FALSE;
        folder += "\\Brenna";
        if (folder.size() >= MAX_PATH || !EnsureDirectory(folder.c_str())) return FALSE;
    }
    if (folder.size() >= MAX_PATH) return FALSE;
    m_strRepository = folder;
    return TRUE;
}

void CBrennaApp::BuildObjectNames(const std::string& ini) {
    m_strEventName = MakeObjectName(kEventPrefix, ini, kObjectNameSize);
    m_strMutexName = MakeObjectName(kMutexPrefix, ini, kObjectNameSize);
    m_repository.SetMutexName(m_strMutexName);
}

void CBrennaApp::PreparePaths() {
    // Paths travel to other processes and into the catalogue, so they are made full against this
    // process's current folder now. An empty one would end the hand-off block early and drop
    // every path after it.
    std::vector<std::string> usable;
    for (const auto& f : m_aFiles) {
        std::string full;
        if (!f.empty() && util::MakeFullPath(f, full)) {
            usable.push_back(full);
        } else {
            fw::MessageId(IDS_FAILED_SAVE_FILE);
            ++m_nFailedPaths;
        }
    }
    m_aFiles.swap(usable);
}

BOOL CBrennaApp::InitInstance() {
    m_previousPrompt = fw::SetPrompt(&m_shellPrompt);
    if (FAILED(OleInitialize(nullptr))) return FALSE;
    m_bOleInitialized = true;
    m_profile.UseRegistry("Orvane", "Brenna");
    m_strTitle = fw::LoadStr(IDS_APP_TITLE);
    // The help file lies beside the executable, in the language of the string table.
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    m_strHelpPath = ChooseHelpFile(std::string(exe, n < MAX_PATH ? n : 0),
                                   fw::LoadStr(IDS_HELP_LANGUAGE));

    CBrennaCommandLineInfo cmd(&m_aFiles);
    fw::ParseCommandLine(cmd, __argc, __argv);
    if (cmd.m_bCheck) return CheckFromCommandLine(cmd.m_strIni, cmd.m_bQuiet);
    if (cmd.m_bQuiet) fw::SetPrompt(&m_quietPrompt);
    m_bHadPaths = !m_aFiles.empty();
    // Until the repository is open, a failure means it could not be.
    m_exitCode = 2;
    std::string ini = cmd.m_strIni;
    if (!ini.empty()) {
        std::string full;
        if (!util::MakeFullPath(ini, full)) {
            fw::MessageText(fw::FormatStr(IDS_INI_NOT_FOUND, ini.c_str()), MB_OK | MB_ICONSTOP);
            return FALSE;
        }
        ini = full;
    }

    if (!m_shellLink.Create()) return FALSE;
    if (!ChooseRepository(ini)) return FALSE;
    const char driveOverride = ini.empty() ? 0 : m_strRepository[0];
    if (!m_repository.SetFolder(m_strRepository, driveOverride)) return FALSE;
    m_repository.SetShellLink(&m_shellLink);
    m_repository.SetDefinitionRunner(backup::RunDefinition);
    m_repository.Load();

    BuildObjectNames(ini);
    if (!ini.empty()) {
        m_profile.UseIniFile(ini);
        std::string title = m_strTitle + " - " + ini;
        m_strTitle = title.substr(0, util::MbsRFind(title, '\\'));
    }
    m_repository.Settings().Read(m_profile);

    // Creating the event and looking at whether it already existed decides the role in one
    // step, so two processes started together cannot both become primary.
    m_hEvent.Reset(CreateEventA(nullptr, TRUE, FALSE, m_strEventName.c_str()));
    if (!m_hEvent) return FALSE;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        m_bSecondary = TRUE;
    } else {
        m_bSecondary = FALSE;
        m_hMutex.Reset(CreateMutexA(nullptr, FALSE, m_strMutexName.c_str()));
    }

    m_exitCode = 0;
    if (cmd.m_bSetupCommit) return SetupShortcut(TRUE);
    if (cmd.m_bUninstall) return SetupShortcut(FALSE);

    PreparePaths();
    if (m_nFailedPaths) m_exitCode = 1;
    if (m_bSecondary) {
        if (!m_bHadPaths) {
            SetEvent(m_hEvent.Get());
            return TRUE;
        }
        if (m_aFiles.empty() || HandOff()) return TRUE;
        // The running instance has no window to take the paths (it is evacuating its own
        // command line): wait for it and evacuate them here, so no process is left behind.
        return EvacuateCommandLinePaths();
    }
    if (m_bHadPaths) return EvacuateCommandLinePaths();
    // Scripts never get a window: with nothing to evacuate there is nothing to do.
    if (cmd.m_bQuiet) return TRUE;

    return StartInteractive();
}

BOOL CBrennaApp::CheckFromCommandLine(const std::string& iniArgument, bool quiet) {
    // Nothing may open a window: the prompt answers every question with its default.
    if (quiet) fw::SetPrompt(nullptr);
    std::string ini, folder;
    bool located = true;
    if (!iniArgument.empty()) {
        located = util::MakeFullPath(iniArgument, ini) &&
                  GetFileAttributesA(ini.c_str()) != INVALID_FILE_ATTRIBUTES;
        size_t slash = util::MbsRFind(ini, '\\');
        folder = slash == std::string::npos ? std::string() : ini.substr(0, slash);
    } else {
        char appData[MAX_PATH];
        if (util::GetAppDataFolder(appData) && appData[0])
            folder = util::JoinPath(util::JoinPath(appData, "Orvane"), "Brenna");
    }
    // The folder is named in the report even when there is no repository in it.
    if (folder.empty() || !m_repository.SetFolder(folder, ini.empty() ? 0 : folder[0]))
        located = false;
    BuildObjectNames(ini);

    store::CheckResult result;
    bool otherInstance = false;
    if (!located) {
        result.status = store::CheckStatus::NoRepository;
    } else {
        // A process with the main window open keeps items in memory that it may not have saved.
        fw::CHandle running(OpenEventA(SYNCHRONIZE, FALSE, m_strEventName.c_str()));
        otherInstance = static_cast<bool>(running);
        CRepositoryLock lock(m_repository, kCheckLockTimeoutMs);
        if (!lock.IsHeld()) {
            result.status = store::CheckStatus::LockUnavailable;
        } else {
            // The catalogue is read quietly: the report says what is wrong.
            m_repository.Reload();
            result = store::CheckRepository(m_repository, kCheckLockTimeoutMs);
        }
    }
    const std::string note = otherInstance ? fw::LoadStr(IDS_CHECK_OTHER_INSTANCE) : std::string();
    WriteStandardOutput(CheckReportText(m_repository, result, note));
    if (!quiet) {
        // Recovering here would record copies that the other process may be about to save.
        CCheckDialog dlg(m_repository, result, !otherInstance, note);
        dlg.DoModal(nullptr);
        result = dlg.Result();
    }
    m_exitCode = result.status != store::CheckStatus::Ran ? 2 : result.findings.empty() ? 0 : 1;
    return TRUE;
}

BOOL CBrennaApp::EvacuateCommandLinePaths() {
    // Without a window, "askalways" opens the property dialog with no list to tell; the save at
    // the end writes the description.
    class AskWithoutWindow : public IRepositoryObserver {
    public:
        explicit AskWithoutWindow(CBrennaApp& app) : m_app(app) {}
        void OnItemsAdded(size_t first, size_t count, bool evacuated) override {
            CRepository& repo = m_app.m_repository;
            if (!evacuated || !repo.Settings().askAlways || count == 0) return;
            view::ShowItemProperties(*repo.Item(first + count - 1), nullptr, -1, nullptr,
                                     [this](DWORD topic) { m_app.HelpTopic(topic); });
        }
        void OnItemChanged(CBrennaItem&) override {}
        void OnItemRemoved(CBrennaItem&) override {}

    private:
        CBrennaApp& m_app;
    } observer(*this);
    m_repository.SetObserver(&observer);
    auto evacuate = [this] {
        CRepositoryLock lock(m_repository);
        // Another process may have saved items since start-up.
        m_repository.Reload();
        m_nFailedPaths += m_repository.DispatchPaths(m_aFiles, false);  // the lock above is held
    };
    // Scripts see no window at all; anyone else sees the progress of a long evacuation.
    if (&fw::Prompt() == &m_quietPrompt)
        evacuate();
    else
        view::RunLongOperation(nullptr, m_repository, IDS_PROGRESS_EVACUATING, evacuate);
    m_repository.SetObserver(nullptr);
    m_exitCode = m_nFailedPaths ? 1 : 0;
    return TRUE;
}

BOOL CBrennaApp::CreateShortcut(const std::string& folder, const std::string& name,
                                int folderId) {
    return store::CreateShortcut(m_shellLink, folder, name, folderId);
}

int CBrennaApp::FindShortcutFolder(const std::string& name) {
    return store::FindShortcutFolder(name);
}

BOOL CBrennaApp::SetupShortcut(BOOL commit) {
    const std::string name = fw::LoadStr(IDS_APP_TITLE);
    const int where = FindShortcutFolder(name);
    std::string desktop;
    if (!store::GetShellFolder(where ? where : store::kCommonDesktop, desktop)) return FALSE;
    if (where) {
        std::string link = util::JoinPath(desktop, name + ".lnk");
        if (link.size() >= MAX_PATH || !util::ForceDeleteFile(link.c_str())) return FALSE;
    }
    if (!commit) return TRUE;
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return FALSE;
    std::string folder(exe, n);
    folder.resize(util::MbsRFind(folder, '\\'));
    return CreateShortcut(folder, name, where ? where : store::kCommonDesktop);
}

int CBrennaApp::ExitInstance() {
    m_bQuitting = TRUE;
    m_pMainFrame.reset();
    m_pQuillon.reset();
    m_repository.SetObserver(nullptr);
    m_pTempDirectory.reset();
    if (!m_bSecondary && m_hEvent) SetEvent(m_hEvent.Get());
    m_hEvent.Reset();
    m_hMutex.Reset();
    {
        fw::CWaitCursor wait;
        // The last chance to keep what is only in memory: a failure is told, not swallowed.
        m_repository.SaveOrTell(FALSE);
    }
    m_repository.SetShellLink(nullptr);
    m_shellLink.Release();
    m_pHandOff.clear();
    m_hWatcher.Reset();
    fw::CWinApp::ExitInstance();
    return m_exitCode;
}

void CBrennaApp::FillHelpMap() {
    static const struct {
        DWORD topic;
        UINT keys[8];
    } kTopics[] = {
        {HELP_TOPIC_ITEMS,
         {ID_FILE_RESTORE, ID_FILE_WRITE, ID_FILE_DELETE, ID_FILE_PROPERTY, ID_APP_EXIT,
          IDD_PROPERTY}},
        {HELP_TOPIC_CLIPBOARD, {ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_SELECT_ALL}},
        {HELP_TOPIC_SETTINGS, {ID_EDIT_SETTING, IDD_SETTING}},
        {HELP_TOPIC_VIEW,
         {ID_VIEW_LARGEICON, ID_VIEW_SMALLICON, ID_VIEW_LIST, ID_VIEW_DETAILS, ID_SORT_ASCENDING,
          ID_SORT_DESCENDING}},
        {HELP_TOPIC_BARS, {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}},
        {HELP_TOPIC_ABOUT, {ID_HELP_FINDER, ID_HELP_ORVANE_HOMEPAGE, ID_APP_ABOUT}},
        {HELP_TOPIC_EXT_REPOSITORY, {IDD_EXT_REPOSITORY}},
        {HELP_TOPIC_BACKUP_DEFINITION, {ID_BRN_CREATE, ID_BRN_OPEN, ID_BRN_RESTORE, IDD_BRN_FILE}},
    };
    for (const auto& t : kTopics)
        for (UINT key : t.keys)
            if (key) m_helpMap[key] = t.topic;
}

bool CBrennaApp::MapHelpId(DWORD data, DWORD& topic) const {
    if (data < HID_BASE_COMMAND || data > HID_BASE_CONTROL + 0xFFFF) return false;
    switch (data & 0xFFFF0000) {
        case HID_BASE_COMMAND: {
            auto it = m_helpMap.find(data & 0xFFFF);
            topic = it != m_helpMap.end() ? it->second : HELP_TOPIC_CONTENTS;
            return true;
        }
        case HID_BASE_RESOURCE: topic = HELP_TOPIC_WINDOW; return true;
        case HID_BASE_NONCLIENT: topic = HELP_TOPIC_NONCLIENT; return true;
        case HID_BASE_CONTROL: topic = HELP_TOPIC_BARS; return true;
        default: return false;
    }
}

void CBrennaApp::WinHelp(DWORD data, UINT command) {
    DWORD topic = HELP_TOPIC_CONTENTS;
    DWORD mapped;
    if (command == HELP_CONTEXT && MapHelpId(data, mapped)) topic = mapped;
    HelpTopic(topic);
}

void CBrennaApp::HelpTopic(DWORD topic) {
    fw::Prompt().ShowHelp(m_hMainWnd, m_strHelpPath, topic);
}
