// The repository check: what the catalogue and the backup histories say, compared with what the
// repository folder holds; and the recording of unreferenced copies as items.
#include "store/RepositoryCheck.h"

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <set>

#include "fw/Exceptions.h"
#include "fw/File.h"
#include "fw/Strings.h"
#include "store/BrnDataFile.h"
#include "store/DataFile.h"
#include "store/Repository.h"
#include "string_ids.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

namespace store {
namespace {

// Paths are compared ignoring case, as the file system does.
std::string Key(const std::string& path) { return util::MbsUpper(path); }

ULONGLONG Ticks(const FILETIME& t) {
    return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// Written later than recorded: the program never writes a stored copy again.
bool WrittenAfter(const FILETIME& lastWrite, const FILETIME& recorded) {
    return Ticks(lastWrite) > Ticks(recorded) + kChangedTolerance;
}

// "br" followed by at least six digits and nothing else: a numbered folder's name.
bool IsNumberedName(const std::string& name) {
    if (name.size() < 8 || (name[0] != 'b' && name[0] != 'B') || (name[1] != 'r' && name[1] != 'R'))
        return false;
    return std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A pack entry's stored name: <numbered folder>\<file name>, nothing above or below that.
bool IsStoredName(const std::string& name) {
    const char* slash = util::MbsChr(name.c_str(), '\\');
    if (!slash || !IsNumberedName(name.substr(0, slash - name.c_str()))) return false;
    std::string file = slash + 1;
    return !file.empty() && file != "." && file != ".." && !util::MbsChr(file.c_str(), '\\') &&
           !util::MbsChr(file.c_str(), '/') && !util::MbsChr(file.c_str(), ':');
}

// What one history file holds, read once however many items refer to it.
struct HistoryContent {
    struct Entry {
        std::string storedName;
        bool owned;
    };
    struct Pack {
        FILETIME runTime;
        std::vector<Entry> entries;
    };
    bool exists = false;
    bool headerOk = false;
    bool readable = false;
    std::vector<Pack> packs;
};

HistoryContent ReadHistory(const std::string& repository, const std::string& path) {
    HistoryContent content;
    content.exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!content.exists) return content;
    // The history object finds its file through a linked item; this one is the check's own, so
    // the catalogue's items and histories are never touched.
    CBrennaItem link;
    CBrnDataFile file(repository);
    link.m_stored = path;
    file.LinkItem(&link);
    content.headerOk = file.CheckHeader();
    if (!content.headerOk) return content;
    try {
        content.readable = file.LoadAllEntries();
    } catch (const fw::CException&) {
        content.readable = false;
    } catch (const std::bad_alloc&) {
        content.readable = false;
    }
    if (!content.readable) return content;
    for (const auto& p : file.Packs()) {
        HistoryContent::Pack pack{p->RunTime(), {}};
        for (const auto& e : p->Entries()) pack.entries.push_back({e->StoredName(), e->IsOwned()});
        content.packs.push_back(std::move(pack));
    }
    return content;
}

class Checker {
public:
    explicit Checker(const std::string& folder) : m_folder(folder), m_folderKey(Key(folder)) {}

    // An item of the catalogue in memory: its copies are checked and count as references.
    void CheckItem(const CBrennaItem& item) {
        if (item.IsBackupRun()) {
            m_runTimes[Key(item.m_stored)].push_back(item.m_evacuationTime);
            History(item.m_stored);
            Refer(item.m_stored);
            Refer(item.m_stored + kAppendJournalSuffix);
            Refer(item.m_stored + kPackIndexSuffix);
            return;
        }
        Refer(item.m_stored);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(item.m_stored.c_str(), GetFileExInfoStandard, &data)) {
            Add(CheckKind::MissingCopy, item.m_stored);
        } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CheckTree(item.m_stored, item.m_evacuationTime);
        } else if (WrittenAfter(data.ftLastWriteTime, item.m_evacuationTime)) {
            Add(CheckKind::ChangedCopy, item.m_stored);
        }
    }

    // A record of "brenna.dat" on disk: a reference only.
    void ReferTo(const CBrennaItem& item) {
        Refer(item.m_stored);
        if (!item.IsBackupRun()) return;
        Refer(item.m_stored + kAppendJournalSuffix);
        Refer(item.m_stored + kPackIndexSuffix);
        for (const auto& pack : History(item.m_stored).packs)
            for (const auto& e : pack.entries)
                if (IsStoredName(e.storedName)) Refer(util::JoinPath(m_folder, e.storedName));
    }

    // The histories that the items in memory refer to, each once.
    void CheckHistories() {
        for (const auto& [key, times] : m_runTimes) {
            const HistoryContent& h = m_histories[key];
            const std::string& path = m_historyPaths[key];
            if (!h.exists) {
                Add(CheckKind::MissingCopy, path);
                continue;
            }
            if (!h.headerOk || !h.readable) {
                Add(CheckKind::DamagedHistory, path);
                continue;
            }
            bool allRuns = std::all_of(times.begin(), times.end(), [&](const FILETIME& t) {
                return std::any_of(h.packs.begin(), h.packs.end(), [&](const auto& p) {
                    return util::CompareFileTimeValues(p.runTime, t) == 0;
                });
            });
            if (!allRuns) Add(CheckKind::MissingRun, path);
            CheckPackCopies(h, path);
        }
    }

    // Everything in the numbered folders that nothing refers to.
    void FindOrphans() {
        struct Folder {
            std::string name;
            std::vector<std::string> entries;
        };
        std::vector<Folder> folders;
        std::string pattern = util::JoinPath(m_folder, "*.*");
        if (pattern.size() >= MAX_PATH) return;
        fw::CFindFile find(pattern.c_str());
        if (!find.IsOpen()) return;
        do {
            const WIN32_FIND_DATAA& d = find.Data();
            if (!(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsNumberedName(d.cFileName))
                continue;
            Folder folder{d.cFileName, {}};
            std::string inner = util::JoinPath(util::JoinPath(m_folder, d.cFileName), "*.*");
            if (inner.size() >= MAX_PATH) continue;
            fw::CFindFile entries(inner.c_str());
            if (!entries.IsOpen()) continue;
            do {
                if (!entries.IsDots()) folder.entries.push_back(entries.Data().cFileName);
            } while (entries.Next());
            folders.push_back(std::move(folder));
        } while (find.Next());

        // A history file that lost its item still refers to the copies of its packs; one that
        // never had a pack is what a first run that found nothing leaves, not a fault.
        for (const Folder& f : folders)
            for (const std::string& e : f.entries) {
                std::string path = util::JoinPath(util::JoinPath(m_folder, f.name), e);
                if (IsReferenced(f.name, e) || path.size() >= MAX_PATH) continue;
                if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) continue;
                const HistoryContent& h = History(path);
                if (!h.headerOk) continue;
                if (h.readable && h.packs.empty()) {
                    Refer(path);
                    continue;
                }
                for (const auto& pack : h.packs)
                    for (const auto& entry : pack.entries)
                        if (IsStoredName(entry.storedName))
                            Refer(util::JoinPath(m_folder, entry.storedName));
            }

        std::vector<CheckFinding> orphans;
        for (const Folder& f : folders) {
            std::string folderPath = util::JoinPath(m_folder, f.name);
            std::vector<std::string> loose;
            for (const std::string& e : f.entries)
                if (!IsReferenced(f.name, e)) loose.push_back(util::JoinPath(folderPath, e));
            // A numbered folder left empty by a deletion is normal: deletions keep the folder.
            if (loose.empty()) continue;
            if (loose.size() == f.entries.size() && !m_refs.count(Key(f.name))) {
                orphans.push_back({CheckKind::OrphanFolder, folderPath, {}});
                continue;
            }
            for (std::string& path : loose) orphans.push_back({CheckKind::OrphanEntry, path, {}});
        }
        // Listings come in the file system's own order; the report is sorted.
        std::sort(orphans.begin(), orphans.end(), [](const CheckFinding& a, const CheckFinding& b) {
            return lstrcmpiA(a.path.c_str(), b.path.c_str()) < 0;
        });
        for (auto& o : orphans) m_findings.push_back(std::move(o));
    }

    std::vector<CheckFinding> TakeFindings() { return std::move(m_findings); }

private:
    const HistoryContent& History(const std::string& path) {
        std::string key = Key(path);
        auto it = m_histories.find(key);
        if (it == m_histories.end()) {
            it = m_histories.emplace(key, ReadHistory(m_folder, path)).first;
            m_historyPaths.emplace(key, path);
        }
        return it->second;
    }

    void CheckPackCopies(const HistoryContent& h, const std::string& historyPath) {
        // Each copy is checked once, against the time of the oldest pack that owns it (the one
        // that made it, or the newer one it passed to when that pack was deleted); a copy that
        // no pack owns is held against the newest pack that names it.
        struct Copy {
            std::string path;
            FILETIME recorded;
            bool owned;
        };
        std::map<std::string, Copy> copies;
        bool damaged = false;
        for (const auto& pack : h.packs)
            for (const auto& e : pack.entries) {
                if (!IsStoredName(e.storedName)) {
                    damaged = true;
                    continue;
                }
                std::string path = util::JoinPath(m_folder, e.storedName);
                Refer(path);
                auto [it, added] = copies.emplace(Key(path), Copy{path, pack.runTime, e.owned});
                if (!added && !it->second.owned) it->second = Copy{path, pack.runTime, e.owned};
            }
        if (damaged) Add(CheckKind::DamagedHistory, historyPath);
        for (const auto& [key, copy] : copies) {
            WIN32_FILE_ATTRIBUTE_DATA data;
            if (copy.path.size() >= MAX_PATH ||
                !GetFileAttributesExA(copy.path.c_str(), GetFileExInfoStandard, &data)) {
                m_findings.push_back({CheckKind::HistoryMissingCopy, copy.path, historyPath});
            } else if (WrittenAfter(data.ftLastWriteTime, copy.recorded)) {
                Add(CheckKind::ChangedCopy, copy.path);
            }
        }
    }

    // Every file below a folder item's copy, against the item's time.
    void CheckTree(const std::string& folder, const FILETIME& recorded) {
        std::string pattern = util::JoinPath(folder, "*.*");
        if (pattern.size() >= MAX_PATH) return;
        fw::CFindFile find(pattern.c_str());
        if (!find.IsOpen()) return;
        do {
            if (find.IsDots()) continue;
            const WIN32_FIND_DATAA& d = find.Data();
            std::string path = util::JoinPath(folder, d.cFileName);
            if (path.size() >= MAX_PATH) continue;
            // A junction planted in a copy is not followed out of the repository.
            if (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                CheckTree(path, recorded);
            else if (WrittenAfter(d.ftLastWriteTime, recorded))
                Add(CheckKind::ChangedCopy, path);
        } while (find.Next());
    }

    // Notes the numbered folder and the entry in it that path lies in (or is), when it lies in
    // this repository.
    void Refer(const std::string& path) {
        std::string key = Key(path);
        if (key.size() <= m_folderKey.size() + 1 ||
            key.compare(0, m_folderKey.size(), m_folderKey) != 0 || key[m_folderKey.size()] != '\\')
            return;
        std::string rest = key.substr(m_folderKey.size() + 1);
        const char* slash = util::MbsChr(rest.c_str(), '\\');
        if (!slash) {
            // The numbered folder itself: everything in it is referred to.
            m_refs.insert(rest);
            m_refs.insert(rest + "\\");
            return;
        }
        std::string folder = rest.substr(0, slash - rest.c_str());
        std::string entry = slash + 1;
        if (const char* next = util::MbsChr(entry.c_str(), '\\'))
            entry.resize(next - entry.c_str());
        m_refs.insert(folder);
        m_refs.insert(folder + "\\" + entry);
    }

    bool IsReferenced(const std::string& folder, const std::string& entry) const {
        std::string f = Key(folder);
        return m_refs.count(f + "\\") || m_refs.count(f + "\\" + Key(entry));
    }

    void Add(CheckKind kind, const std::string& path) {
        if (m_reported.insert({kind, Key(path)}).second) m_findings.push_back({kind, path, {}});
    }

    std::string m_folder;
    std::string m_folderKey;
    // Upper-cased "BR000001" for a numbered folder something lies in, "BR000001\NAME" for an
    // entry of it referred to, "BR000001\" for a numbered folder referred to as a whole.
    std::set<std::string> m_refs;
    std::map<std::string, HistoryContent> m_histories;
    std::map<std::string, std::string> m_historyPaths;
    // Histories of the items in memory, with the run times of their items.
    std::map<std::string, std::vector<FILETIME>> m_runTimes;
    // Kind and upper-cased path of every finding so far, so that each is reported once.
    std::set<std::pair<CheckKind, std::string>> m_reported;
    std::vector<CheckFinding> m_findings;
};

}  // namespace

size_t CheckResult::OrphanCount() const {
    return std::count_if(findings.begin(), findings.end(), [](const CheckFinding& f) {
        return f.kind == CheckKind::OrphanFolder || f.kind == CheckKind::OrphanEntry;
    });
}

CheckResult CheckRepository(const CRepository& repository, DWORD lockTimeoutMs) {
    CheckResult result;
    const std::string& folder = repository.Folder();
    DWORD attr = folder.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(folder.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY)) {
        result.status = CheckStatus::NoRepository;
        return result;
    }
    // Under the mutex no other process is half-way through copying and recording.
    CRepositoryLock lock(repository, lockTimeoutMs);
    if (!lock.IsHeld()) {
        result.status = CheckStatus::LockUnavailable;
        return result;
    }
    try {
        CDataFile disk;
        disk.m_driveOverride = repository.Catalogue().m_driveOverride;
        if (!disk.SetFolder(folder)) {
            result.status = CheckStatus::NoRepository;
            return result;
        }
        const bool onDisk =
            GetFileAttributesA(disk.DataFilePath().c_str()) != INVALID_FILE_ATTRIBUTES;
        // Reload reads quietly: the check reports, it never shows a message of its own.
        if (!disk.Reload() && onDisk) {
            result.status = CheckStatus::CatalogueUnreadable;
            return result;
        }
        Checker checker(folder);
        const CDataFile& memory = repository.Catalogue();
        for (size_t i = 0; i < memory.GetCount(); ++i) checker.CheckItem(*memory.GetItem(i));
        for (size_t i = 0; i < disk.GetCount(); ++i) checker.ReferTo(*disk.GetItem(i));
        checker.CheckHistories();
        checker.FindOrphans();
        result.findings = checker.TakeFindings();
    } catch (const std::bad_alloc&) {
        result.status = CheckStatus::CatalogueUnreadable;
        result.findings.clear();
    }
    return result;
}

std::string FormatCheckReport(const CheckResult& result, const std::string& folder) {
    std::string text = fw::FormatStr(IDS_CHECK_TITLE, folder.c_str()) + "\r\n";
    switch (result.status) {
        case CheckStatus::NoRepository:
            return text + fw::LoadStr(IDS_CHECK_NO_REPOSITORY) + "\r\n";
        case CheckStatus::CatalogueUnreadable:
            return text + fw::LoadStr(IDS_CHECK_CATALOGUE_UNREADABLE) + "\r\n";
        case CheckStatus::LockUnavailable:
            return text + fw::LoadStr(IDS_CHECK_LOCK_UNAVAILABLE) + "\r\n";
        case CheckStatus::Ran:
            break;
    }
    for (const CheckFinding& f : result.findings) {
        switch (f.kind) {
            case CheckKind::MissingCopy:
                text += fw::FormatStr(IDS_CHECK_MISSING, f.path.c_str());
                break;
            case CheckKind::ChangedCopy:
                text += fw::FormatStr(IDS_CHECK_CHANGED, f.path.c_str());
                break;
            case CheckKind::DamagedHistory:
                text += fw::FormatStr(IDS_CHECK_HISTORY_DAMAGED, f.path.c_str());
                break;
            case CheckKind::MissingRun:
                text += fw::FormatStr(IDS_CHECK_RUN_MISSING, f.path.c_str());
                break;
            case CheckKind::HistoryMissingCopy:
                text += fw::FormatStr(IDS_CHECK_HISTORY_MISSING_COPY, f.path.c_str(),
                                      f.history.c_str());
                break;
            case CheckKind::OrphanFolder:
                text += fw::FormatStr(IDS_CHECK_ORPHAN_FOLDER, f.path.c_str());
                break;
            case CheckKind::OrphanEntry:
                text += fw::FormatStr(IDS_CHECK_ORPHAN_ENTRY, f.path.c_str());
                break;
        }
        text += "\r\n";
    }
    text += result.findings.empty()
                ? fw::LoadStr(IDS_CHECK_CLEAN)
                : fw::FormatStr(IDS_CHECK_PROBLEMS, static_cast<int>(result.findings.size()));
    return text + "\r\n";
}

size_t RecoverOrphans(CRepository& repository, const CheckResult& result, bool& saved) {
    saved = true;
    std::vector<std::string> paths;
    for (const CheckFinding& f : result.findings) {
        if (f.kind == CheckKind::OrphanEntry) {
            paths.push_back(f.path);
        } else if (f.kind == CheckKind::OrphanFolder) {
            std::vector<std::string> inside;
            std::string pattern = util::JoinPath(f.path, "*.*");
            if (pattern.size() >= MAX_PATH) continue;
            fw::CFindFile find(pattern.c_str());
            if (!find.IsOpen()) continue;
            do {
                if (!find.IsDots()) inside.push_back(util::JoinPath(f.path, find.Data().cFileName));
            } while (find.Next());
            std::sort(inside.begin(), inside.end(), [](const std::string& a, const std::string& b) {
                return lstrcmpiA(a.c_str(), b.c_str()) < 0;
            });
            paths.insert(paths.end(), inside.begin(), inside.end());
        }
    }
    if (paths.empty()) return 0;

    CRepositoryLock lock(repository);
    CDataFile& catalogue = repository.Catalogue();
    const size_t first = catalogue.GetCount();
    for (const std::string& path : paths) {
        DWORD attr = GetFileAttributesA(path.c_str());
        if (path.size() >= MAX_PATH || attr == INVALID_FILE_ATTRIBUTES) continue;
        // Recorded once: an item may refer to it by now (a second recovery, for one).
        bool known = false;
        for (size_t i = 0; i < catalogue.GetCount() && !known; ++i)
            known = lstrcmpiA(catalogue.GetItem(i)->m_stored.c_str(), path.c_str()) == 0;
        if (known) continue;
        const DWORD fileFlag = (attr & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
        if (!catalogue.AddItem(path.c_str(), path.c_str(), fileFlag)) continue;
        catalogue.GetItem(catalogue.GetCount() - 1)->SetDescription(kRecoveredDescription);
    }
    const size_t added = catalogue.GetCount() - first;
    // Not evacuated: the list shows the rows without opening the property dialog.
    if (added && repository.Observer()) repository.Observer()->OnItemsAdded(first, added, false);
    if (added) saved = repository.Save(FALSE) != FALSE;
    return added;
}

}  // namespace store
