// Start-up, shut-down, settings and the help map of the application object.
#include "app/BrennaApp.h"

#include <htmlhelp.h>

#include "app/CommandLine.h"
#include "frame/MainFrame.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "string_ids.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

namespace {

constexpr char kEventPrefix[] = "BrennaholdEventNotification";
constexpr char kMutexPrefix[] = "BrennaholdMutexNotification";
constexpr size_t kObjectNameSize = 256;

CBrennaApp* g_brennaApp = nullptr;

}  // namespace

CBrennaApp* GetBrennaApp() { return g_brennaApp; }

CBrennaApp::CBrennaApp() { g_brennaApp = this; }

CBrennaApp::~CBrennaApp() {
    if (m_pPersistFile) m_pPersistFile->Release();
    if (m_pShellLink) m_pShellLink->Release();
    if (m_hEvent) CloseHandle(m_hEvent);
    if (m_hMutex) CloseHandle(m_hMutex);
    if (m_hWatcher) CloseHandle(m_hWatcher);
    if (m_bOleInitialized) OleUninitialize();
    if (g_brennaApp == this) g_brennaApp = nullptr;
}

bool MakeFullPath(const std::string& path, std::string& out) {
    char buf[MAX_PATH];
    char* file = nullptr;
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buf, &file);
    if (n == 0 || n >= MAX_PATH) return false;
    out = buf;
    return true;
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
    return CreateDirectoryA(path, nullptr);
}

BOOL CBrennaApp::CreateShellLinkObject() {
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&m_pShellLink)))) {
        m_pShellLink = nullptr;
        return FALSE;
    }
    if (FAILED(m_pShellLink->QueryInterface(IID_IPersistFile,
                                            reinterpret_cast<void**>(&m_pPersistFile)))) {
        m_pPersistFile = nullptr;
        return FALSE;
    }
    return TRUE;
}

BOOL CBrennaApp::ChooseRepository(const std::string& ini) {
    std::string folder;
    if (!ini.empty()) {
        // Looking for an INI file whose drive letter changed is not available in this version.
        if (GetFileAttributesA(ini.c_str()) == INVALID_FILE_ATTRIBUTES) {
            fw::MessageText(fw::FormatStr(IDS_INI_NOT_FOUND, ini.c_str()), MB_OK | MB_ICONSTOP);
            return FALSE;
        }
        size_t slash = util::MbsRFind(ini, '\\');
        if (slash == std::string::npos) return FALSE;
        folder = ini.substr(0, slash);
        m_dataFile.m_driveOverride = folder.empty() ? 0 : folder[0];
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
    lstrcpynA(m_szRepository, folder.c_str(), MAX_PATH);
    return TRUE;
}

void CBrennaApp::BuildObjectNames(const std::string& ini) {
    m_strEventName = MakeObjectName(kEventPrefix, ini, kObjectNameSize);
    std::string mutex = MakeObjectName(kMutexPrefix, ini, kObjectNameSize);
    lstrcpynA(m_szMutexName, mutex.c_str(), sizeof m_szMutexName);
}

void CBrennaApp::ReadSettings() {
    std::string section = fw::LoadStr(IDS_SETTINGS_SECTION);
    m_bAskAlways = GetProfileInt(section.c_str(), "askalways", 0) != 0;
    m_bSortAny = GetProfileInt(section.c_str(), "sortany", 0) != 0;
    m_bBrnFile = GetProfileInt(section.c_str(), "brnfile", 0) != 0;
}

BOOL CBrennaApp::InitInstance() {
    if (FAILED(OleInitialize(nullptr))) return FALSE;
    m_bOleInitialized = true;
    m_profile.UseRegistry("Orvane", "Brenna");
    m_strTitle = fw::LoadStr(IDS_APP_TITLE);

    CBrennaCommandLineInfo cmd(&m_aFiles);
    fw::ParseCommandLine(cmd, __argc, __argv);
    // Paths travel to other processes and into the catalogue, so they are made full against
    // this process's current folder now. One that would not fit is dropped to an empty path,
    // which then fails like a missing file.
    for (auto& f : m_aFiles) {
        std::string full;
        f = MakeFullPath(f, full) ? full : std::string();
    }
    std::string ini = cmd.m_strIni;
    if (!ini.empty()) {
        std::string full;
        if (!MakeFullPath(ini, full)) {
            fw::MessageText(fw::FormatStr(IDS_INI_NOT_FOUND, ini.c_str()), MB_OK | MB_ICONSTOP);
            return FALSE;
        }
        ini = full;
    }

    if (!CreateShellLinkObject()) return FALSE;
    if (!ChooseRepository(ini)) return FALSE;
    if (!m_dataFile.SetFolder(m_szRepository)) return FALSE;
    m_dataFile.Load();

    BuildObjectNames(ini);
    if (!ini.empty()) {
        m_profile.UseIniFile(ini);
        std::string title = m_strTitle + " - " + ini;
        m_strTitle = title.substr(0, util::MbsRFind(title, '\\'));
    }
    ReadSettings();

    // Creating the event and looking at whether it already existed decides the role in one
    // step, so two processes started together cannot both become primary.
    m_hEvent = CreateEventA(nullptr, TRUE, FALSE, m_strEventName.c_str());
    if (!m_hEvent) return FALSE;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        m_bSecondary = TRUE;
    } else {
        m_bSecondary = FALSE;
        m_hMutex = CreateMutexA(nullptr, FALSE, m_szMutexName);
    }

    if (cmd.m_bSetupCommit) return SetupShortcut(TRUE);
    if (cmd.m_bUninstall) return SetupShortcut(FALSE);

    if (m_bSecondary) {
        if (m_aFiles.empty()) {
            SetEvent(m_hEvent);
            return TRUE;
        }
        if (HandOff()) return TRUE;
        // The running instance has no window to take the paths (it is evacuating its own
        // command line): wait for it and evacuate them here, so no process is left behind.
        return EvacuateCommandLinePaths();
    }
    if (!m_aFiles.empty()) return EvacuateCommandLinePaths();

    return StartInteractive();
}

BOOL CBrennaApp::EvacuateCommandLinePaths() {
    HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, TRUE, m_szMutexName);
    // A secondary may outlive the primary that made the mutex; it then makes its own.
    if (!mutex && m_bSecondary) mutex = CreateMutexA(nullptr, FALSE, m_szMutexName);
    if (!mutex) return TRUE;
    WaitForSingleObject(mutex, INFINITE);
    // Another process may have saved items since start-up; saving what was read then would
    // drop them.
    m_dataFile.Reload();
    {
        fw::CWaitCursor wait;
        for (const auto& path : m_aFiles)
            if (Dispatch(path.c_str(), nullptr) == 0) fw::MessageId(IDS_FAILED_SAVE_FILE);
        // Copies that the catalogue does not record would be invisible; say so.
        if (!SaveCatalogue(FALSE)) fw::MessageId(IDS_FAILED_SAVE_FILE);
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return TRUE;
}

BOOL CBrennaApp::SetupShortcut(BOOL) {
    // Desktop shortcuts are not written by this version.
    return FALSE;
}

int CBrennaApp::ExitInstance() {
    m_bQuitting = TRUE;
    m_pMainFrame.reset();
    m_pTempDirectory.reset();
    if (!m_bSecondary && m_hEvent) SetEvent(m_hEvent);
    if (m_hEvent) CloseHandle(m_hEvent);
    if (m_hMutex) CloseHandle(m_hMutex);
    m_hEvent = m_hMutex = nullptr;
    {
        fw::CWaitCursor wait;
        m_dataFile.Save(FALSE);
    }
    if (m_pPersistFile) m_pPersistFile->Release();
    if (m_pShellLink) m_pShellLink->Release();
    m_pPersistFile = nullptr;
    m_pShellLink = nullptr;
    m_pHandOff.clear();
    if (m_hWatcher) CloseHandle(m_hWatcher);
    m_hWatcher = nullptr;
    return fw::CWinApp::ExitInstance();
}

void CBrennaApp::FillHelpMap() {
    static const struct {
        DWORD topic;
        UINT keys[8];
    } kTopics[] = {
        {0x10017, {32775, 32772, 32773, 32771, 57665, 131}},
        {0x10018, {57634, 57637, 32776}},
        {0x10019, {32774, 133}},
        {0x10020, {59409, 59408, 59410, 59411, 32778, 32780}},
        {0x10016, {59392, 59393}},
        {0x10026, {57667, 32781, 57664}},
        {0x10021, {135}},
        {0x10022, {32785, 32786, 32787, 136}},
    };
    for (const auto& t : kTopics)
        for (UINT key : t.keys)
            if (key) m_helpMap[key] = t.topic;
}

bool CBrennaApp::MapHelpId(DWORD data, DWORD& topic) const {
    if (data < 0x10000 || data > 0x5FFFF) return false;
    switch (data >> 16) {
        case 1: {
            auto it = m_helpMap.find(data & 0xFFFF);
            topic = it != m_helpMap.end() ? it->second : 0x10013;
            return true;
        }
        case 2: topic = 0x10014; return true;
        case 4: topic = 0x10015; return true;
        case 5: topic = 0x10016; return true;
        default: return false;
    }
}

void CBrennaApp::WinHelp(DWORD data, UINT command) {
    DWORD topic = 0x10013;
    DWORD mapped;
    if (command == HELP_CONTEXT && MapHelpId(data, mapped)) topic = mapped;
    HelpTopic(topic);
}

void CBrennaApp::HelpTopic(DWORD topic) {
    HtmlHelpA(m_hMainWnd, m_szHelpPath, HH_HELP_CONTEXT, topic);
}
