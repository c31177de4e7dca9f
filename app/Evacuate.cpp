// The dispatcher every incoming path goes through, and evacuation into the repository.
#include <cstring>

#include "app/BrennaApp.h"
#include "fw/Prompt.h"
#include "fw/File.h"
#include "store/StoredPath.h"
#include "string_ids.h"
#include "util/Mbcs.h"

namespace {

bool EndsWithIgnoringCase(const char* s, const char* suffix) {
    size_t n = strlen(s), m = strlen(suffix);
    return n >= m && lstrcmpiA(s + n - m, suffix) == 0;
}

// True when path is the folder itself or lies below it; C:\R2 is not inside C:\R.
bool IsInsideFolder(const std::string& path, const char* folder) {
    size_t n = strlen(folder);
    if (n == 0 || path.size() < n) return false;
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path.c_str(), static_cast<int>(n),
                       folder, static_cast<int>(n)) != CSTR_EQUAL)
        return false;
    return path.size() == n || path[n] == '\\';
}

// Reads or writes the creation, last access and last write times of a folder.
void FolderTimes(const char* folder, FILETIME times[3], bool write) {
    HANDLE h = CreateFileA(folder, write ? FILE_WRITE_ATTRIBUTES : GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    if (write)
        SetFileTime(h, &times[0], &times[1], &times[2]);
    else
        GetFileTime(h, &times[0], &times[1], &times[2]);
    CloseHandle(h);
}

}  // namespace

int CBrennaApp::Dispatch(const char* path, IItemListView* view) {
    if (!path || strlen(path) >= MAX_PATH) return 0;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return 0;
    if (m_bBrnFile) {
        const char* dot = util::MbsRChr(path, '.');
        if (dot && lstrcmpiA(dot, ".brn") == 0) return RunBackupDefinition(path, view);
    }
    return Evacuate(path, view);
}

BOOL CBrennaApp::Evacuate(const char* path, IItemListView* view) {
    if (!path || strlen(path) >= MAX_PATH) return FALSE;
    std::string source = path;
    if (source.size() > 3 && EndsWithIgnoringCase(path, ".lnk")) {
        // A shortcut stands for its target, which is what gets evacuated.
        wchar_t wide[MAX_PATH];
        if (!m_pPersistFile || !MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH))
            return FALSE;
        if (FAILED(m_pPersistFile->Load(wide, STGM_READ))) return FALSE;
        char target[MAX_PATH] = {};
        if (m_pShellLink->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY) != S_OK ||
            !target[0])
            return FALSE;
        source = target;
    }
    // "C:\Docs\" names the folder Docs; a bare drive has no name to store it under.
    while (source.size() > 1 && util::MbsRFind(source, '\\') == source.size() - 1)
        source.pop_back();
    if (IsInsideFolder(source, m_szRepository)) return TRUE;
    size_t slash = util::MbsRFind(source, '\\');
    if (slash == std::string::npos || slash + 1 == source.size()) return FALSE;

    std::string stored;
    if (!store::AllocateStoredPath(m_szRepository, source.substr(slash), stored)) return FALSE;
    DWORD attr = GetFileAttributesA(source.c_str());
    DWORD fileFlag;
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!CopyDirectory(source.c_str(), stored.c_str())) return FALSE;
        fileFlag = 0;
    } else {
        if (!CopyFileA(source.c_str(), stored.c_str(), FALSE)) return FALSE;
        fileFlag = 1;
    }
    if (!m_dataFile.AddItem(source.c_str(), stored.c_str(), fileFlag)) {
        fw::MessageId(IDS_FAILED_SAVE_FILE);
        return FALSE;
    }
    if (view) view->AddNewRows();
    AskProperties(view);
    return TRUE;
}

BOOL CBrennaApp::EvacuateWithInfo(const char* source, const char* path, const char* description,
                                  FILETIME time, IItemListView* view) {
    if (!path || strlen(path) >= MAX_PATH) return FALSE;
    std::string from = path;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return FALSE;
    if (IsInsideFolder(from, m_szRepository)) return TRUE;
    size_t slash = util::MbsRFind(from, '\\');
    if (slash == std::string::npos || slash + 1 == from.size()) return FALSE;
    std::string stored;
    if (!store::AllocateStoredPath(m_szRepository, from.substr(slash), stored)) return FALSE;
    DWORD attr = GetFileAttributesA(path);
    DWORD fileFlag = (attr & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    BOOL copied = fileFlag ? CopyFileA(path, stored.c_str(), FALSE) : CopyDirectory(path, stored.c_str());
    if (!copied) return FALSE;
    if (!m_dataFile.AddItemWithInfo(source, stored.c_str(), description, fileFlag, time)) {
        fw::MessageId(IDS_FAILED_SAVE_FILE);
        return FALSE;
    }
    if (view) view->AddNewRows();
    AskProperties(view);
    return TRUE;
}

BOOL CBrennaApp::CopyDirectory(const char* source, const char* target) {
    if (!CreateDirectoryA(target, nullptr)) return FALSE;
    FILETIME times[3] = {};
    FolderTimes(source, times, false);
    std::string pattern = std::string(source) + "\\*.*";
    if (pattern.size() >= MAX_PATH) return FALSE;
    fw::CFindFile find(pattern.c_str());
    if (!find.IsOpen()) return FALSE;
    do {
        if (find.IsDots()) continue;
        std::string from = std::string(source) + "\\" + find.Data().cFileName;
        std::string to = std::string(target) + "\\" + find.Data().cFileName;
        if (from.size() >= MAX_PATH || to.size() >= MAX_PATH) return FALSE;
        if (find.Data().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A folder that holds the repository must not copy the repository into itself.
            if (lstrcmpiA(from.c_str(), m_szRepository) == 0) continue;
            if (!CopyDirectory(from.c_str(), to.c_str())) return FALSE;
        } else if (!CopyFileA(from.c_str(), to.c_str(), TRUE)) {
            return FALSE;
        }
    } while (find.Next());
    FolderTimes(target, times, true);
    return TRUE;
}

BOOL CBrennaApp::AllocateHistoryPath(const char* definitionPath, std::string& out) {
    return store::AllocateHistoryPath(m_szRepository, definitionPath, out);
}
