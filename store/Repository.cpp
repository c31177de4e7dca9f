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
#include "util/Parallel.h"

namespace {

// Files copied at the same time by an evacuation.
constexpr unsigned kCopyThreads = 2;

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

CRepository::CRepository() {
    m_progress.SetSink([this](const util::ProgressReport& report) {
        if (m_observer) m_observer->OnProgress(report);
    });
}

int CRepository::Dispatch(const char* path) { return ExecuteDispatch(PlanDispatch(path)); }

CRepository::DispatchPlan CRepository::PlanDispatch(const char* path) {
    DispatchPlan plan;
    if (!path || strlen(path) >= MAX_PATH) return plan;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return plan;
    // A shortcut stands for its target, also when deciding whether it is a backup definition.
    std::string target = path;
    if (store::IsShortcutPath(target) &&
        (!m_shellLink || !m_shellLink->Resolve(path, target) ||
         GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES))
        return plan;
    if (m_settings.brnFile && m_runDefinition) {
        const char* dot = util::MbsRChr(target.c_str(), '.');
        if (dot && lstrcmpiA(dot, ".brn") == 0) {
            plan.kind = DispatchPlan::runDefinition;
            plan.target = target;
            return plan;
        }
    }
    // "C:\Docs\" names the folder Docs; a bare drive has no name to store it under.
    while (target.size() > 1 && util::MbsRFind(target, '\\') == target.size() - 1)
        target.pop_back();
    ListSource(target, plan);
    return plan;
}

bool CRepository::ListSource(const std::string& copyFrom, DispatchPlan& plan) {
    plan.target = copyFrom;
    if (IsInsideFolder(copyFrom, m_folder)) {
        plan.kind = DispatchPlan::inside;
        return true;
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(copyFrom.c_str(), GetFileExInfoStandard, &data)) return false;
    plan.attributes = data.dwFileAttributes;
    if (plan.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // A folder that holds the repository must not copy the repository into itself.
        if (!util::ListTree(copyFrom, m_folder, plan.tree)) return false;
        m_progress.AddTotal(plan.tree.files.size(), plan.tree.bytes);
    } else {
        plan.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        m_progress.AddTotal(1, plan.size);
    }
    plan.kind = DispatchPlan::evacuate;
    return true;
}

int CRepository::ExecuteDispatch(const DispatchPlan& plan) {
    switch (plan.kind) {
        case DispatchPlan::inside: return TRUE;
        case DispatchPlan::runDefinition: return m_runDefinition(*this, plan.target);
        case DispatchPlan::evacuate: return RecordCopy(plan.target, plan, nullptr, nullptr);
        default: return 0;
    }
}

BOOL CRepository::Evacuate(const char* path) {
    if (!path || strlen(path) >= MAX_PATH) return FALSE;
    std::string source = path;
    if (store::IsShortcutPath(source) && (!m_shellLink || !m_shellLink->Resolve(path, source)))
        return FALSE;
    while (source.size() > 1 && util::MbsRFind(source, '\\') == source.size() - 1)
        source.pop_back();
    DispatchPlan plan;
    if (!ListSource(source, plan)) return FALSE;
    return RecordCopy(source, plan, nullptr, nullptr);
}

BOOL CRepository::EvacuateWithInfo(const char* source, const char* path, const char* description,
                                   FILETIME time) {
    if (!source || !path || strlen(path) >= MAX_PATH) return FALSE;
    DispatchPlan plan;
    if (!ListSource(path, plan)) return FALSE;
    return RecordCopy(source, plan, description ? description : "", &time);
}

BOOL CRepository::RecordCopy(const std::string& source, const DispatchPlan& plan,
                             const char* description, const FILETIME* time) {
    if (plan.kind == DispatchPlan::inside) return TRUE;
    if (plan.kind != DispatchPlan::evacuate) return FALSE;
    const std::string& copyFrom = plan.target;
    size_t slash = util::MbsRFind(copyFrom, '\\');
    if (slash == std::string::npos || slash + 1 == copyFrom.size()) return FALSE;
    std::string tail = copyFrom.substr(slash);
    const DWORD fileFlag = (plan.attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    // A tree whose deepest path could not sit below any numbered folder fails before anything
    // is copied.
    if (!fileFlag && store::NumberedFolder(m_folder, 0).size() + tail.size() + plan.tree.longest >= MAX_PATH)
        return FALSE;
    if (util::Cancelled(&m_progress)) return FALSE;
    std::string stored;
    if (!store::AllocateStoredPath(m_folder, tail, stored)) return FALSE;
    BOOL copied;
    if (fileFlag) {
        util::CFileProgress file(&m_progress, copyFrom, plan.size);
        copied = file.Going() &&
                 fw::CopyFileReporting(copyFrom.c_str(), stored.c_str(), FALSE, plan.size,
                                       [&file](uint64_t done) { return file.Bytes(done); });
    } else {
        copied = CopyListedTree(copyFrom, stored, plan.tree);
    }
    if (copied && util::Cancelled(&m_progress)) copied = FALSE;
    if (!copied) {
        // Neither a failed nor a cancelled copy may stay behind unrecorded, where nobody sees it.
        DWORD error = GetLastError();
        if (fileFlag)
            util::ForceDeleteFile(stored.c_str());
        else
            util::DeleteFolderTree(stored.c_str());
        RemoveDirectoryA(stored.substr(0, stored.size() - tail.size()).c_str());
        SetLastError(error);
        return FALSE;
    }
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
    util::TreeListing tree;
    if (!util::ListTree(source, m_folder, tree)) return FALSE;
    return CopyListedTree(source, target, tree);
}

BOOL CRepository::CopyListedTree(const std::string& source, const std::string& target,
                                 const util::TreeListing& tree) {
    if (target.size() + tree.longest >= MAX_PATH) return FALSE;
    if (!fw::CreateDirectoryChecked(target.c_str())) return FALSE;
    FILETIME rootTimes[3] = {};
    FolderTimes(source.c_str(), rootTimes, false);
    for (const util::TreeEntry& folder : tree.folders)
        if (!fw::CreateDirectoryChecked((target + folder.relative).c_str())) return FALSE;
    // Two files at a time: most of a small file's cost is waiting on the file system, which
    // a second copy in flight overlaps.
    bool copied = util::ForEachInParallel(
        tree.files.size(), fw::FaultsArmed() ? 1 : kCopyThreads, [&](size_t i) {
            const util::TreeEntry& file = tree.files[i];
            std::string from = source + file.relative;
            util::CFileProgress progress(&m_progress, from, file.size);
            return progress.Going() &&
                   fw::CopyFileReporting(from.c_str(), (target + file.relative).c_str(), TRUE,
                                         file.size,
                                         [&progress](uint64_t done) { return progress.Bytes(done); });
        });
    if (!copied) return FALSE;
    // The folders' times last: copying into a folder changes them.
    for (const util::TreeEntry& folder : tree.folders) {
        FILETIME times[3] = {folder.creation, folder.lastAccess, folder.lastWrite};
        FolderTimes((target + folder.relative).c_str(), times, true);
    }
    FolderTimes(target.c_str(), rootTimes, true);
    return TRUE;
}

size_t CRepository::DispatchPaths(const std::vector<std::string>& paths, bool underMutex) {
    fw::CWaitCursor wait;
    std::optional<CRepositoryLock> lock;
    if (underMutex) lock.emplace(*this);
    // Everything is listed first, so that the totals are known before the first copy.
    std::vector<DispatchPlan> plans;
    plans.reserve(paths.size());
    for (const auto& path : paths) {
        if (m_progress.IsCancelled()) break;
        plans.push_back(PlanDispatch(path.c_str()));
    }
    size_t failed = paths.size() - plans.size();
    for (auto& plan : plans) {
        if (m_progress.IsCancelled()) {
            ++failed;
            continue;
        }
        if (ExecuteDispatch(plan) == 0) {
            if (!m_progress.IsCancelled()) fw::MessageId(IDS_FAILED_SAVE_FILE);
            ++failed;
        }
        plan.tree = util::TreeListing();
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
