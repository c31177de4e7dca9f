// The repository's operations: the dispatcher every incoming path goes through, evacuation into
// the numbered folders, removal, saving under the repository mutex, and the settings.
#include "store/Repository.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "fw/Faults.h"
#include "fw/File.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "store/StoredPath.h"
#include "string_ids.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

namespace {

// True when path is the folder itself or lies below it; C:\R2 is not inside C:\R.
bool IsInsideFolder(const std::string& path, const std::string& folder) {
    size_t n = folder.size();
    if (n == 0 || path.size() < n) return false;
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path.c_str(), static_cast<int>(n),
                       folder.c_str(), static_cast<int>(n)) != CSTR_EQUAL)
        return false;
    return path.size() == n || path[n] == '\\';
}

// Reads or writes the creation, last access and last write times of a folder.
void FolderTimes(const char* folder, FILETIME times[3], bool write) {
    fw::CHandle h(CreateFileA(folder, write ? FILE_WRITE_ATTRIBUTES : GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) return;
    if (write)
        SetFileTime(h.Get(), &times[0], &times[1], &times[2]);
    else
        GetFileTime(h.Get(), &times[0], &times[1], &times[2]);
}

}  // namespace

void RepositorySettings::Read(const fw::CProfile& profile) {
    std::string section = fw::LoadStr(IDS_SETTINGS_SECTION);
    askAlways = profile.GetInt(section.c_str(), "askalways", 0) != 0;
    sortAny = profile.GetInt(section.c_str(), "sortany", 0) != 0;
    brnFile = profile.GetInt(section.c_str(), "brnfile", 0) != 0;
}

void RepositorySettings::WriteChanged(const fw::CProfile& profile,
                                      const RepositorySettings& before) const {
    std::string section = fw::LoadStr(IDS_SETTINGS_SECTION);
    const struct {
        bool now, was;
        const char* key;
    } keys[] = {{askAlways, before.askAlways, "askalways"},
                {sortAny, before.sortAny, "sortany"},
                {brnFile, before.brnFile, "brnfile"}};
    for (const auto& k : keys)
        if (k.now != k.was) profile.WriteInt(section.c_str(), k.key, k.now ? 1 : 0);
}

bool CRepository::SetFolder(const std::string& folder, char driveOverride) {
    if (!m_catalogue.SetFolder(folder)) return false;
    m_folder = folder;
    m_catalogue.m_driveOverride = driveOverride;
    return true;
}

BOOL CRepository::Save(BOOL force) {
    // Nothing to write: the mutex is not waited for, so that a process with nothing to save
    // never hangs at its end behind another that holds the repository.
    if (!force && !m_catalogue.IsChanged()) return TRUE;
    CRepositoryLock lock(*this);
    size_t before = m_catalogue.GetCount();
    // Another process may have saved its own evacuations since this one read the file; they are
    // taken in rather than overwritten.
    BOOL saved = m_catalogue.Save(force, true);
    size_t count = m_catalogue.GetCount();
    if (m_observer && count > before) m_observer->OnItemsAdded(before, count - before, false);
    return saved;
}

BOOL CRepository::SaveOrTell(BOOL force) {
    if (Save(force)) return TRUE;
    fw::MessageId(IDS_FAILED_SAVE_FILE);
    return FALSE;
}

int CRepository::Dispatch(const char* path) {
    if (!path || strlen(path) >= MAX_PATH) return 0;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return 0;
    // A shortcut stands for its target, also when deciding whether it is a backup definition.
    std::string target = path;
    if (store::IsShortcutPath(target) &&
        (!m_shellLink || !m_shellLink->Resolve(path, target) ||
         GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES))
        return 0;
    if (m_settings.brnFile && m_runDefinition) {
        const char* dot = util::MbsRChr(target.c_str(), '.');
        if (dot && lstrcmpiA(dot, ".brn") == 0) return m_runDefinition(*this, target);
    }
    return EvacuateResolved(target);
}

BOOL CRepository::Evacuate(const char* path) {
    if (!path || strlen(path) >= MAX_PATH) return FALSE;
    std::string source = path;
    if (store::IsShortcutPath(source) && (!m_shellLink || !m_shellLink->Resolve(path, source)))
        return FALSE;
    return EvacuateResolved(source);
}

BOOL CRepository::EvacuateResolved(const std::string& path) {
    // "C:\Docs\" names the folder Docs; a bare drive has no name to store it under.
    std::string source = path;
    while (source.size() > 1 && util::MbsRFind(source, '\\') == source.size() - 1)
        source.pop_back();
    return RecordCopy(source, source, nullptr, nullptr);
}

BOOL CRepository::EvacuateWithInfo(const char* source, const char* path, const char* description,
                                   FILETIME time) {
    if (!source || !path || strlen(path) >= MAX_PATH) return FALSE;
    return RecordCopy(source, path, description ? description : "", &time);
}

BOOL CRepository::RecordCopy(const std::string& source, const std::string& copyFrom,
                             const char* description, const FILETIME* time) {
    if (IsInsideFolder(copyFrom, m_folder)) return TRUE;
    DWORD attr = GetFileAttributesA(copyFrom.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return FALSE;
    size_t slash = util::MbsRFind(copyFrom, '\\');
    if (slash == std::string::npos || slash + 1 == copyFrom.size()) return FALSE;
    std::string stored;
    if (!store::AllocateStoredPath(m_folder, copyFrom.substr(slash), stored)) return FALSE;
    const DWORD fileFlag = (attr & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    BOOL copied = fileFlag ? fw::CopyFileRetrying(copyFrom.c_str(), stored.c_str(), FALSE)
                           : CopyDirectory(copyFrom.c_str(), stored.c_str());
    if (!copied) return FALSE;
    BOOL added = description ? m_catalogue.AddItemWithInfo(source.c_str(), stored.c_str(),
                                                           description, fileFlag, *time)
                             : m_catalogue.AddItem(source.c_str(), stored.c_str(), fileFlag);
    if (!added) {
        fw::MessageId(IDS_FAILED_SAVE_FILE);
        return FALSE;
    }
    ItemsAppended(m_catalogue.GetCount() - 1);
    return TRUE;
}

BOOL CRepository::CopyDirectory(const char* source, const char* target) {
    if (!fw::CreateDirectoryChecked(target)) return FALSE;
    FILETIME times[3] = {};
    FolderTimes(source, times, false);
    std::string pattern = std::string(source) + "\\*.*";
    if (pattern.size() >= MAX_PATH) return FALSE;
    fw::CFindFile find(pattern.c_str());
    if (!find.IsOpen()) return FALSE;
    do {
        if (find.IsDots()) continue;
        std::string from = util::JoinPath(source, find.Data().cFileName);
        std::string to = util::JoinPath(target, find.Data().cFileName);
        if (from.size() >= MAX_PATH || to.size() >= MAX_PATH) return FALSE;
        if (find.Data().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A folder that holds the repository must not copy the repository into itself.
            if (lstrcmpiA(from.c_str(), m_folder.c_str()) == 0) continue;
            if (!CopyDirectory(from.c_str(), to.c_str())) return FALSE;
        } else if (!fw::CopyFileRetrying(from.c_str(), to.c_str(), TRUE)) {
            return FALSE;
        }
    } while (find.Next());
    FolderTimes(target, times, true);
    return TRUE;
}

size_t CRepository::DispatchPaths(const std::vector<std::string>& paths, bool underMutex) {
    fw::CWaitCursor wait;
    std::optional<CRepositoryLock> lock;
    if (underMutex) lock.emplace(*this);
    size_t failed = 0;
    for (const auto& path : paths)
        if (Dispatch(path.c_str()) == 0) {
            fw::MessageId(IDS_FAILED_SAVE_FILE);
            ++failed;
        }
    // Copies that the catalogue does not record would be invisible; say so.
    if (!SaveOrTell(FALSE)) ++failed;
    return failed;
}

std::vector<CBrennaItem*> CRepository::ItemsNotFitting(const std::string& folder) const {
    std::vector<CBrennaItem*> items;
    for (size_t i = 0; i < Count(); ++i) {
        CBrennaItem* item = Item(i);
        size_t kept = item->m_stored.size() - std::min(m_folder.size(), item->m_stored.size());
        if (folder.size() + kept >= MAX_PATH) items.push_back(item);
    }
    return items;
}

BOOL CRepository::CopyCatalogueTo(const std::string& folder) const {
    CDataFile copy;
    if (!copy.SetFolder(folder)) return FALSE;
    std::vector<CBrennaItem*> left = ItemsNotFitting(folder);
    for (size_t i = 0; i < Count(); ++i) {
        CBrennaItem* item = Item(i);
        if (std::find(left.begin(), left.end(), item) != left.end()) continue;
        if (!copy.ImportItem(*item, m_folder)) return FALSE;
    }
    return copy.Save(TRUE);
}

BOOL CRepository::RemoveItem(CBrennaItem* item) {
    return m_catalogue.RemoveItem(item, [this](CBrennaItem& leaving) {
        if (m_observer) m_observer->OnItemRemoved(leaving);
    });
}

BOOL CRepository::DeleteItem(CBrennaItem* item) {
    CRepositoryLock lock(*this);
    // The catalogue on disk gives the record up before the copy goes: a failure or a crash in
    // between leaves a copy that nothing refers to, never a record whose copy is gone.
    size_t index = 0;
    std::unique_ptr<CBrennaItem> held = m_catalogue.DetachItem(item, index);
    if (!held) return FALSE;
    size_t before = m_catalogue.GetCount();
    bool removed = m_catalogue.Save(FALSE, true) && item->RemoveStoredCopy();
    if (removed) {
        m_catalogue.ReleaseDetached(*item);
        if (m_observer) m_observer->OnItemRemoved(*item);
    } else {
        // The copy stays (a run's history is rewritten whole or not at all), and so does its
        // record, on disk too once a save goes through.
        m_catalogue.ReinsertItem(std::move(held), index);
        m_catalogue.Save(FALSE, true);
    }
    // What another process recorded meanwhile has been appended by the saves.
    size_t count = m_catalogue.GetCount();
    size_t merged = count - before - (removed ? 0 : 1);
    if (m_observer && merged > 0) m_observer->OnItemsAdded(count - merged, merged, false);
    return removed ? TRUE : FALSE;
}

void CRepository::ItemsAppended(size_t first) {
    size_t count = m_catalogue.GetCount();
    if (m_observer && first < count) m_observer->OnItemsAdded(first, count - first, true);
}

void CRepository::ItemChanged(CBrennaItem& item) {
    if (m_observer) m_observer->OnItemChanged(item);
}

CRepositoryLock::CRepositoryLock(const CRepository& repository, DWORD timeoutMs) {
    m_unnamed = repository.MutexName().empty();
    if (m_unnamed) return;
    m_mutex.Reset(CreateMutexA(nullptr, FALSE, repository.MutexName().c_str()));
    if (!m_mutex) return;
    DWORD wait = WaitForSingleObject(m_mutex.Get(), timeoutMs);
    // A process that died holding the mutex left it abandoned; it is ours now all the same.
    m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

CRepositoryLock::~CRepositoryLock() {
    if (m_owned) ReleaseMutex(m_mutex.Get());
}
