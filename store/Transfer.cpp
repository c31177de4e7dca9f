// Transfer paths, backup runs assembled for the clipboard or a drag, and pasted or dropped items
// and files taken into the repository.
#include "store/Transfer.h"

#include <cstdio>
#include <new>

#include "fw/Faults.h"
#include "fw/File.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "string_ids.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

namespace store {

namespace {

// Copies every entry of a folder run's pack below folder; single copies that fail are left out,
// as a paste elsewhere is still worth more than nothing.
void AssembleRun(const CBrnBackupItemPack& pack, const std::string& repository,
                 const std::string& folder) {
    const std::string& root = pack.Definition().Folder();
    fw::CreateDirectoryChecked(folder.c_str());
    for (const auto& e : pack.Entries()) {
        std::string source = util::JoinPath(repository, e->StoredName());
        std::string rest = RelativeToRoot(e->Source(), root);
        std::string dest = folder + rest;
        if (rest.empty() || source.size() >= MAX_PATH || dest.size() >= MAX_PATH) continue;
        util::CopyFileMakePath(source.c_str(), dest.c_str(), FALSE);
    }
}

}  // namespace

std::string PrepareTransferPath(const CBrennaItem& item, const std::string& tempDir,
                                unsigned& counter) {
    if (!item.IsBackupRun()) return item.m_stored;
    CBrnDataFile* history = item.m_pHistory;
    if (!history) return {};
    const CBrnBackupItemPack* pack = nullptr;
    if (!ReportingFaults(history->Path(), [&] {
            pack = history->FindPack(item.m_evacuationTime);
            return pack != nullptr;
        }))
        return {};
    // A pack without entries has no copy to name.
    if (pack->Entries().empty()) return {};
    const std::string& repository = history->Repository();
    if (item.IsFile()) {
        std::string path = util::JoinPath(repository, pack->Entries().front()->StoredName());
        return path.size() < MAX_PATH ? path : std::string();
    }
    if (tempDir.empty()) return {};
    const std::string& root = pack->Definition().Folder();
    size_t slash = util::MbsRFind(root, '\\');
    if (slash == std::string::npos || slash + 1 == root.size()) return {};
    char number[16];
    snprintf(number, sizeof number, "%04u", counter);
    std::string numbered = util::JoinPath(tempDir, number);
    std::string folder = numbered + root.substr(slash);
    if (folder.size() >= MAX_PATH) return {};
    ++counter;
    fw::CreateDirectoryChecked(numbered.c_str());
    AssembleRun(*pack, repository, folder);
    return folder;
}

void CollectTransfers(const std::vector<CBrennaItem*>& items, const std::string& tempDir,
                      std::vector<std::string>& paths, std::vector<TransferRecord>& records) {
    unsigned counter = 0;
    for (const CBrennaItem* item : items) {
        std::string path = PrepareTransferPath(*item, tempDir, counter);
        if (path.empty()) continue;
        TransferRecord r;
        r.timeLow = item->m_evacuationTime.dwLowDateTime;
        r.timeHigh = item->m_evacuationTime.dwHighDateTime;
        r.source = item->m_source;
        // The path the file list names, so that another repository records the backed-up files
        // rather than a copy of a history data file.
        r.copy = path;
        r.description = item->m_description;
        paths.push_back(std::move(path));
        records.push_back(std::move(r));
    }
}

BOOL AddTransferredItems(CRepository& repository, const uint8_t* block, size_t size) {
    std::vector<TransferRecord> records;
    bool whole;
    try {
        whole = ReadItemBlock(block, size, records);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    CRepositoryLock lock(repository);
    if (!lock.IsHeld()) return FALSE;
    BOOL result = whole ? TRUE : FALSE;
    for (const TransferRecord& r : records) {
        FILETIME time{r.timeLow, r.timeHigh};
        if (!repository.EvacuateWithInfo(r.source.c_str(), r.copy.c_str(), r.description.c_str(),
                                         time)) {
            result = FALSE;
            break;
        }
    }
    if (!repository.Save(FALSE)) result = FALSE;
    return result;
}

void PastePaths(CRepository& repository, const std::vector<std::string>& paths, bool move) {
    std::vector<std::string> recorded;
    // Everything is listed first, so that the totals are known before the first copy.
    std::vector<CRepository::DispatchPlan> plans;
    for (const std::string& path : paths) {
        if (repository.Progress().IsCancelled()) break;
        plans.push_back(path.empty() ? CRepository::DispatchPlan()
                                     : repository.PlanDispatch(path.c_str()));
    }
    for (size_t i = 0; i < plans.size(); ++i) {
        const std::string& path = paths[i];
        // A cancel leaves the rest where they are, also when they were to be moved.
        if (path.empty() || repository.Progress().IsCancelled()) continue;
        size_t before = repository.Count();
        if (repository.ExecuteDispatch(plans[i]) == 0) {
            if (!repository.Progress().IsCancelled()) fw::MessageId(IDS_FAILED_SAVE_FILE);
            continue;
        }
        plans[i].tree = util::TreeListing();
        // A path inside the repository succeeds without a record; its copy must not go.
        if (repository.Count() > before) recorded.push_back(path);
    }
    // Sources go only once the catalogue on disk holds their copies, so that no crash can leave
    // a deleted source whose copy nobody knows of.
    if (!repository.Save(FALSE)) {
        fw::MessageId(IDS_FAILED_SAVE_FILE);
        return;
    }
    if (!move) return;
    for (const std::string& path : recorded) {
        DWORD attr = GetFileAttributesA(path.c_str());
        // DeleteFileA keeps a read-only file, which the user protected; the shell's own move
        // would ask before removing it.
        BOOL deleted = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)
                           ? util::DeleteFolderTree(path.c_str())
                           : fw::DeleteFileRetrying(path.c_str());
        if (!deleted) {
            fw::MessageText(fw::FormatStr(IDS_PASTE_SOURCE_KEPT, path.c_str()));
            return;
        }
    }
}

}  // namespace store
