// The backup run: lists a definition's target, copies what is new or changed since the newest pack
// into the repository, and records a pack in the history and an item in the catalogue.
#include "backup/BackupRun.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "fw/Exceptions.h"
#include "fw/Faults.h"
#include "fw/File.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "store/DataFile.h"
#include "store/Repository.h"
#include "store/StoredPath.h"
#include "string_ids.h"
#include "util/CaseFold.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"
#include "util/Parallel.h"

namespace backup {
namespace {

bool IsExcluded(const std::vector<std::string>& patterns, const std::string& name) {
    if (patterns.empty()) return false;
    std::string upper = util::CCaseFold::Get().Upper(name);
    for (const std::string& p : patterns)
        if (util::MatchWildcard(p.c_str(), upper.c_str())) return true;
    return false;
}

void AddMilliseconds(FILETIME& t, unsigned ms) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    v.QuadPart += static_cast<ULONGLONG>(ms) * 10000;
    t.dwLowDateTime = v.LowPart;
    t.dwHighDateTime = v.HighPart;
}

// A pack is found by its run time, so a new one must not share an earlier pack's time, not even
// when two runs fall in one millisecond or the clock was set back.
FILETIME DistinctRunTime(const CBrnDataFile& history, FILETIME time) {
    for (const auto& p : history.Packs())
        if (util::CompareFileTimeValues(p->RunTime(), time) >= 0) {
            time = p->RunTime();
            AddMilliseconds(time, 1);
        }
    return time;
}

// The display values of a new run item, read from the copy its pack points at, so that the
// history is not read a second time for them.
void ReadCopyValues(CBrennaItem& item, const std::string& copy) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (copy.empty() || !GetFileAttributesExA(copy.c_str(), GetFileExInfoStandard, &data)) {
        item.m_attributes = INVALID_FILE_ATTRIBUTES;
        return;
    }
    item.m_attributes = data.dwFileAttributes;
    if (!item.IsFile() || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    item.m_size = data.nFileSizeLow;
    item.m_creationTime = data.ftCreationTime;
    item.m_lastAccessTime = data.ftLastAccessTime;
    item.m_lastWriteTime = data.ftLastWriteTime;
}

}  // namespace

void ScanDirectory(const std::vector<std::string>& patterns, const std::string& repository,
                   const std::string& folder, std::vector<ListedFile>& files) {
    struct Entry {
        // The name, and for a folder the name followed by a backslash: its files' paths go on
        // that way, so ordering by this key keeps the whole list ascending.
        std::string key;
        bool isFolder;
        ListedFile file;
    };
    std::string pattern = folder + "\\*";
    if (pattern.size() >= MAX_PATH) return;
    std::vector<Entry> entries;
    {
        fw::CFindFile find(pattern.c_str());
        if (!find.IsOpen()) return;
        do {
            if (find.IsDots()) continue;
            const WIN32_FIND_DATAA& d = find.Data();
            Entry e;
            e.file.path = util::JoinPath(folder, d.cFileName);
            // A path that does not fit is left out, never cut.
            if (e.file.path.size() >= MAX_PATH || IsExcluded(patterns, d.cFileName)) continue;
            e.isFolder = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            e.key = d.cFileName;
            if (e.isFolder) e.key += '\\';
            e.file.size = (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
            e.file.lastWrite = d.ftLastWriteTime;
            entries.push_back(std::move(e));
        } while (find.Next());
    }
    // The listing comes in the file system's own order; the comparison with the last pack needs
    // both sides ascending under its rule, or every unchanged file out of order would be copied
    // again and counted. Names equal but for case (possible under Wine) keep a fixed order.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        int c = util::CCaseFold::Get().Compare(a.key.c_str(), b.key.c_str());
        return c != 0 ? c < 0 : strcmp(a.key.c_str(), b.key.c_str()) < 0;
    });
    for (Entry& e : entries) {
        if (!e.isFolder) {
            files.push_back(std::move(e.file));
        } else if (util::CCaseFold::Get().Compare(e.file.path.c_str(), repository.c_str()) != 0) {
            // A target that holds the repository must not back up the repository's own copies.
            ScanDirectory(patterns, repository, e.file.path, files);
        }
    }
}

void CollectFiles(const CBrnFile& definition, const std::string& repository,
                  std::vector<ListedFile>& files) {
    std::vector<std::string> patterns;
    for (const std::string& p : definition.Exclusions()) patterns.push_back(util::CCaseFold::Get().Upper(p));
    const std::string& target = definition.Folder();
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (util::CCaseFold::Get().Compare(target.c_str(), repository.c_str()) != 0)
            ScanDirectory(patterns, repository, target, files);
        return;
    }
    if (IsExcluded(patterns, util::NameOf(target))) return;
    ListedFile f;
    f.path = target;
    f.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    f.lastWrite = data.ftLastWriteTime;
    files.push_back(std::move(f));
}

CBackupStore::CBackupStore(std::string repository) : m_repository(std::move(repository)) {}

unsigned CBackupStore::FirstCandidate(const std::string& name) const {
    auto it = m_nextByName.find(util::CCaseFold::Get().Upper(name));
    return it == m_nextByName.end() ? 0 : it->second;
}

CBackupStore::Slot CBackupStore::Folder(unsigned n, const std::string& path) {
    if (n >= m_folders.size()) m_folders.resize(n + 1, unknown);
    FolderState& state = m_folders[n];
    if (state == unknown) {
        DWORD attr = GetFileAttributesA(path.c_str());
        state = attr == INVALID_FILE_ATTRIBUTES          ? absent
                : (attr & FILE_ATTRIBUTE_DIRECTORY) != 0 ? present
                                                         : file;
    }
    if (state == file) return blocked;  // a stray file of that name cannot hold copies
    if (state == absent) {
        if (!fw::CreateDirectoryChecked(path.c_str())) return failed;
        state = present;
    }
    return ready;
}

void CBackupStore::Taken(const std::string& name, unsigned n) {
    m_nextByName[util::CCaseFold::Get().Upper(name)] = n + 1;
}

bool CBackupStore::Reserve(const std::string& name, std::string& storedName) {
    if (name.empty()) return false;
    const std::string upper = util::CCaseFold::Get().Upper(name);
    for (unsigned n = FirstCandidate(name);; ++n) {
        std::string folder = store::NumberedFolder(m_repository, n);
        std::string path = util::JoinPath(folder, name);
        if (path.size() >= MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        // Whether the folder was there before this run decides whether it must be listed.
        bool existed = n < m_folders.size() && m_folders[n] == present;
        if (n >= m_folders.size() || m_folders[n] == unknown) {
            DWORD attr = GetFileAttributesA(folder.c_str());
            existed = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
        }
        Slot slot = Folder(n, folder);
        if (slot == blocked) continue;
        if (slot == failed) return false;
        // Names reserved by this run; in a folder that was there before, the disk is asked for
        // this one name (cheaper than listing a folder that may hold thousands).
        auto& reserved = m_names[n];
        if (reserved.count(upper)) continue;
        if (existed && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        reserved.insert(upper);
        Taken(name, n);
        storedName = path.substr(m_repository.size() + 1);
        return true;
    }
}

bool CopyIntoBackupStore(CBackupStore& store, const std::string& source, std::string& storedName,
                         uint64_t size, util::CFileProgress* file) {
    std::string name = util::NameOf(source);
    if (name.empty()) return false;
    for (unsigned n = store.FirstCandidate(name);; ++n) {
        std::string folder = store::NumberedFolder(store.Repository(), n);
        std::string path = util::JoinPath(folder, name);
        if (path.size() >= MAX_PATH) return false;
        CBackupStore::Slot slot = store.Folder(n, folder);
        if (slot == CBackupStore::blocked) continue;
        if (slot == CBackupStore::failed) return false;
        // The copy itself finds out whether the name is taken, and never replaces a copy that is
        // there. Looking first would cost a second search of the folder, which under Wine reads
        // the whole folder for every name that is not there yet.
        fw::CopyProgress progress;
        if (file) progress = [file](uint64_t done) { return file->Bytes(done); };
        if (fw::CopyFileReporting(source.c_str(), path.c_str(), TRUE, size, progress)) {
            store.Taken(name, n);
            storedName = path.substr(store.Repository().size() + 1);
            return true;
        }
        // Only a copy already there moves the search on. Anything else (a full disk) would
        // otherwise leave an empty file behind at every number on the way.
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            SetLastError(error);
            return false;
        }
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    }
}

bool IsFileChanged(const std::string& repository, const ListedFile& source,
                   const std::string& storedName) {
    std::string copy = util::JoinPath(repository, storedName);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (copy.size() >= MAX_PATH ||
        !GetFileAttributesExA(copy.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return size != source.size ||
           util::CompareFileTimeValues(data.ftLastWriteTime, source.lastWrite) != 0;
}

namespace {

// Files copied at the same time by a run.
constexpr unsigned kCopyThreads = 2;

// Errors that say the repository cannot be written, not that one source cannot be read.
bool IsRepositoryFault(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ||
           error == ERROR_WRITE_FAULT || error == ERROR_WRITE_PROTECT;
}

// A source that cannot be read (in use, gone) is left out of the pack; a repository that cannot be
// written must fail the run rather than record a pack that silently lacks the changes.
bool CopyOrLeaveOut(CBackupStore& store, const ListedFile& source, std::string& storedName,
                    util::CProgressMeter* meter) {
    bool copied;
    DWORD error;
    {
        util::CFileProgress file(meter, source.path, source.size);
        if (!file.Going()) throw util::CancelledError();
        copied = CopyIntoBackupStore(store, source.path, storedName, source.size, meter ? &file : nullptr);
        error = GetLastError();
    }
    if (util::Cancelled(meter)) {
        // Finished or not, the copy of the moment is this run's to remove.
        if (copied) util::ForceDeleteFile(util::JoinPath(store.Repository(), storedName).c_str());
        throw util::CancelledError();
    }
    if (copied) return true;
    if (IsRepositoryFault(error)) throw fw::CFileException::FromLastError(error);
    return false;
}

}  // namespace

int CompareWithLastPack(CBackupStore& store, const std::vector<ListedFile>& files,
                        const CBrnBackupItemPack* last,
                        std::vector<std::unique_ptr<CBrnBackupItem>>& entries,
                        util::CProgressMeter* meter) {
    static const std::vector<std::unique_ptr<CBrnBackupItem>> kNone;
    const auto& history = last ? last->Entries() : kNone;
    auto add = [&entries](const std::string& source, const std::string& stored, bool owned) {
        auto e = std::make_unique<CBrnBackupItem>();
        // Both fit in MAX_PATH here, so only memory can fail.
        if (!e->Set(source, stored)) throw std::bad_alloc();
        e->SetOwned(owned);
        entries.push_back(std::move(e));
    };
    // First what each listed file needs: its earlier entry, if any, and whether it is copied.
    // Decided before the first copy, so that the totals are known.
    struct Step {
        const ListedFile* file;
        const CBrnBackupItem* earlier;
        bool copy;
    };
    std::vector<Step> steps;
    steps.reserve(files.size());
    int changes = 0;
    uint64_t copyFiles = 0, copyBytes = 0;
    size_t j = 0;
    for (size_t i = 0; i < files.size();) {
        const ListedFile& f = files[i];
        int c =
            j < history.size() ? util::CCaseFold::Get().Compare(f.path.c_str(), history[j]->Source().c_str()) : -1;
        if (c > 0) {
            // Gone from the target (or excluded now): not carried into the new pack.
            ++changes;
            ++j;
            continue;
        }
        Step step{&f, nullptr, true};
        if (c == 0) {
            step.earlier = history[j].get();
            step.copy = IsFileChanged(store.Repository(), f, step.earlier->StoredName());
            ++j;
        }
        if (step.copy) {
            ++copyFiles;
            copyBytes += f.size;
        }
        steps.push_back(step);
        ++i;
    }
    // Entries after the last listed file were deleted like any other. A target that lists
    // nothing at all may only be away for a moment, so it records nothing.
    if (!files.empty()) changes += static_cast<int>(history.size() - j);
    if (meter) meter->AddTotal(copyFiles, copyBytes);

    // Each copy's place is chosen in order, so that the numbers are those a run copying one
    // file after the other would take; then the copies are made two at a time. A copy whose
    // place was not to be had, or was taken meanwhile, is made afterwards the one-by-one way.
    enum Outcome : unsigned char { none, copied, leftOut, again };
    std::vector<std::string> places(steps.size());
    std::vector<Outcome> outcome(steps.size(), none);
    std::vector<size_t> copies;
    for (size_t k = 0; k < steps.size(); ++k) {
        if (!steps[k].copy) continue;
        if (store.Reserve(util::NameOf(steps[k].file->path), places[k])) {
            copies.push_back(k);
            continue;
        }
        // A numbered folder that cannot be made fails the run, as the copy into it would.
        DWORD error = GetLastError();
        if (IsRepositoryFault(error)) throw fw::CFileException::FromLastError(error);
        places[k].clear();
        outcome[k] = again;
    }
    std::atomic<DWORD> fatal{0};
    bool stopped = !util::ForEachInParallel(
        copies.size(), fw::FaultsArmed() ? 1 : kCopyThreads, [&](size_t c) {
            const size_t k = copies[c];
            const ListedFile& f = *steps[k].file;
            util::CFileProgress file(meter, f.path, f.size);
            if (!file.Going()) return false;
            std::string path = util::JoinPath(store.Repository(), places[k]);
            fw::CopyProgress progress;
            if (meter) progress = [&file](uint64_t done) { return file.Bytes(done); };
            if (fw::CopyFileReporting(f.path.c_str(), path.c_str(), TRUE, f.size, progress)) {
                outcome[k] = copied;
                return true;
            }
            DWORD error = GetLastError();
            if (util::Cancelled(meter)) return false;
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
                outcome[k] = again;
                return true;
            }
            if (IsRepositoryFault(error)) {
                fatal = error;
                return false;
            }
            outcome[k] = leftOut;
            return true;
        });
    // The entries in the listing's order; the copies made so far are in them before anything
    // below can raise, so that a failed or cancelled run finds them to remove.
    for (size_t k = 0; k < steps.size(); ++k) {
        const Step& step = steps[k];
        if (outcome[k] == copied) {
            add(step.file->path, places[k], true);
            ++changes;
        } else if (step.earlier) {
            add(step.file->path, step.earlier->StoredName(), false);
        }
    }
    if (util::Cancelled(meter)) throw util::CancelledError();
    if (stopped) throw fw::CFileException::FromLastError(fatal.load() ? fatal.load() : DWORD(ERROR_WRITE_FAULT));
    for (size_t k = 0, at = 0; k < steps.size(); ++k) {
        const Step& step = steps[k];
        if (outcome[k] == copied || step.earlier) ++at;
        if (outcome[k] != again) continue;
        std::string stored;
        // A copy tried above has been counted already.
        if (!CopyOrLeaveOut(store, *step.file, stored, places[k].empty() ? meter : nullptr)) continue;
        ++changes;
        auto e = std::make_unique<CBrnBackupItem>();
        if (!e->Set(step.file->path, stored)) throw std::bad_alloc();
        e->SetOwned(true);
        if (step.earlier) {
            entries[at - 1] = std::move(e);
        } else {
            entries.insert(entries.begin() + at, std::move(e));
            ++at;
        }
    }
    return changes;
}

namespace {

// The history data file name a new history of the definition takes: x.brn gives x.dat.
std::string HistoryNameOf(const std::string& definitionPath) {
    std::string name = util::NameOf(definitionPath);
    return name.size() < 3 ? std::string() : name.substr(0, name.size() - 3) + "dat";
}

// A damaged history in the catalogue that this definition's runs would have continued: its header
// could not be read, so only its file name still tells which definition it belongs to.
std::string DamagedHistoryOf(const CDataFile& catalogue, const std::string& definitionPath) {
    std::string name = HistoryNameOf(definitionPath);
    for (const std::string& path : catalogue.DamagedHistories())
        if (!name.empty() && lstrcmpiA(util::NameOf(path).c_str(), name.c_str()) == 0) return path;
    return {};
}

// The newest pack that an item of the catalogue records. A pack that none records (its run ended
// between writing the history and saving the catalogue) is no backup the user can see: comparing
// with it would find its files unchanged and record nothing, hiding them for good.
CBrnBackupItemPack* LastRecordedPack(const CBrnDataFile& history) {
    const auto& packs = history.Packs();
    for (auto p = packs.rbegin(); p != packs.rend(); ++p)
        for (const CBrennaItem* item : history.LinkedItems())
            if (util::CompareFileTimeValues((*p)->RunTime(), item->m_evacuationTime) == 0)
                return p->get();
    return nullptr;
}

bool HasTime(const std::vector<FILETIME>& times, const FILETIME& t) {
    for (const FILETIME& x : times)
        if (util::CompareFileTimeValues(x, t) == 0) return true;
    return false;
}

// Takes out the packs that no item records, in memory or on disk, with the copies only they own:
// left by a run that ended between writing the history and saving the catalogue, or by a deletion
// that ended between saving the catalogue and rewriting the history. Nobody can see or restore
// them, and later deletions would pass copies on to them for good. When the catalogue on disk
// cannot be read whole, or every pack would go, nothing is taken out. Raises like LoadPacks.
void DropUnrecordedPacks(const CDataFile& catalogue, CBrnDataFile& history) {
    if (!history.LoadPacks()) return;
    std::vector<FILETIME> inMemory, unrecorded;
    for (const CBrennaItem* item : history.LinkedItems()) inMemory.push_back(item->m_evacuationTime);
    for (const auto& p : history.Packs())
        if (!HasTime(inMemory, p->RunTime())) unrecorded.push_back(p->RunTime());
    if (unrecorded.empty()) return;
    std::vector<FILETIME> recorded;
    if (!catalogue.RecordedRunTimes(history, recorded)) return;
    size_t left = history.Packs().size();
    for (const FILETIME& t : unrecorded)
        if (!HasTime(recorded, t) && left > 1 && history.DeletePack(t)) --left;
}

}  // namespace

BOOL RecordRun(CDataFile& catalogue, const CBrnFile& definition, const std::string& definitionPath,
               FILETIME runTime, int& changeCount, const AppendRunItem& append,
               util::CProgressMeter* meter) {
    changeCount = 0;
    const std::string& repository = catalogue.Folder();
    if (repository.empty()) return FALSE;
    CBrnDataFile* history = catalogue.FindHistory(definition.Identifier());
    if (!history) {
        std::string damaged = DamagedHistoryOf(catalogue, definitionPath);
        if (!damaged.empty()) {
            // Starting a second history beside it would hide the damage; the user decides.
            fw::MessageText(fw::FormatStr(IDS_RUN_HISTORY_DAMAGED, damaged.c_str()));
            return FALSE;
        }
    }
    std::unique_ptr<CBrnDataFile> created;
    // A history that no item refers to any more has no pack a run could be compared with, and
    // perhaps no file: it starts afresh, like one that was never there.
    const bool fresh = !history || history->LinkedItems().empty();
    std::string createdPath;
    // Copies made by this run, removed again when its pack cannot be recorded.
    std::vector<std::string> made;
    bool recorded = false;
    auto fail = [&]() {
        if (recorded && !fresh) {
            // The pack is in the history already: take it out again with the copies it owns.
            history->DeletePack(runTime);
            return FALSE;
        }
        if (history) history->AbandonUpdate();
        if (!createdPath.empty()) {
            fw::DeleteFileRetrying(createdPath.c_str());
            DeleteFileA((createdPath + kPackIndexSuffix).c_str());
        }
        for (const std::string& name : made)
            util::ForceDeleteFile(util::JoinPath(repository, name).c_str());
        return FALSE;
    };

    DWORD targetAttr = GetFileAttributesA(definition.Folder().c_str());
    const bool singleFile =
        targetAttr != INVALID_FILE_ATTRIBUTES && !(targetAttr & FILE_ATTRIBUTE_DIRECTORY);
    try {
        if (!history) {
            created = std::make_unique<CBrnDataFile>(repository);
            history = created.get();
        }
        if (fresh) {
            if (!history->CreateForDefinition(definitionPath, definition.Identifier()))
                return fail();
            createdPath = history->Path();
        } else {
            DropUnrecordedPacks(catalogue, *history);
            // Read only when it changed since it was last read or written; the new pack is
            // appended to the file in place.
            if (!history->LoadPacks()) return fail();
        }
        runTime = DistinctRunTime(*history, runTime);

        if (meter) meter->SetStage(util::ProgressReport::listing);
        std::vector<ListedFile> files;
        CollectFiles(definition, repository, files);
        CBackupStore store(repository);
        std::vector<std::unique_ptr<CBrnBackupItem>> entries;
        // Of the earlier packs only the one compared with is read whole.
        CBrnBackupItemPack* last = fresh ? nullptr : LastRecordedPack(*history);
        if (last && !history->LoadEntries(*last)) return fail();
        try {
            changeCount = CompareWithLastPack(store, files, last, entries, meter);
        } catch (...) {
            for (const auto& e : entries)
                if (e->IsOwned()) made.push_back(e->StoredName());
            throw;
        }
        for (const auto& e : entries)
            if (e->IsOwned()) made.push_back(e->StoredName());
        if (util::Cancelled(meter)) return fail();

        if (changeCount == 0) {
            // Nothing to record: the history file stays exactly as it was, and a first run
            // leaves none behind.
            history->AbandonUpdate();
            if (!createdPath.empty()) fw::DeleteFileRetrying(createdPath.c_str());
            fw::MessageId(IDS_NO_FILES_ADDED, MB_OK | MB_ICONINFORMATION);
            return TRUE;
        }
        if (meter) meter->SetStage(util::ProgressReport::recording);
        const bool saved = fresh ? history->AddPack(definition, std::move(entries), runTime) &&
                                       history->SavePacks()
                                 : history->AppendPack(definition, std::move(entries), runTime);
        if (!saved) return fail();
        recorded = true;
        // A cancel that came while the history was written takes the pack out again.
        if (util::Cancelled(meter)) return fail();

        const DWORD generation = history->LastGeneration() + 1;
        std::string copy;
        if (!singleFile) {
            copy = definition.Folder();
        } else if (!history->LastPack()->Entries().empty()) {
            copy = util::JoinPath(repository, history->LastPack()->Entries().front()->StoredName());
        }
        auto item = std::make_unique<CBrennaItem>();
        if (!item->SetSource(definition.Folder().c_str()) ||
            !item->SetStored(history->Path().c_str()))
            return fail();
        item->m_fileFlag = singleFile ? 1 : 0;
        item->m_evacuationTime = runTime;
        item->m_generation = generation;
        ReadCopyValues(*item, copy);
        if (!append(item, *history, created)) return fail();
    } catch (const fw::CException& e) {
        // A damaged history file ends the run; the user is told which file.
        store::ReportFault(e, history ? history->Path() : std::string());
        return fail();
    } catch (const std::bad_alloc&) {
        return fail();
    } catch (const util::CancelledError&) {
        return fail();
    }
    return TRUE;
}

BOOL RecordRun(CDataFile& catalogue, const CBrnFile& definition, const std::string& definitionPath,
               FILETIME runTime, int& changeCount, util::CProgressMeter* meter) {
    return RecordRun(
        catalogue, definition, definitionPath, runTime, changeCount,
        [&catalogue](std::unique_ptr<CBrennaItem>& item, CBrnDataFile& history,
                     std::unique_ptr<CBrnDataFile>& created) {
            return catalogue.AppendRunItem(item, history, created);
        },
        meter);
}

BOOL RunDefinition(CRepository& repository, const std::string& path) {
    if (path.size() >= MAX_PATH) return FALSE;
    CBrnFile definition;
    // A reading error has been reported by Load; a definition that cannot be opened, or whose
    // target is gone, simply fails the dispatch.
    if (!definition.Load(path)) return FALSE;
    if (definition.Folder().empty() ||
        GetFileAttributesA(definition.Folder().c_str()) == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME runTime;
    SystemTimeToFileTime(&now, &runTime);
    size_t before = repository.Count();
    int changeCount = 0;
    if (!RecordRun(repository.Catalogue(), definition, path, runTime, changeCount,
                   &repository.Progress()))
        return FALSE;
    if (repository.Count() == before) return TRUE;
    repository.ItemsAppended(before);
    // The pack is in the history now. A catalogue on disk without its item would hide it for
    // good (the next run finds nothing new), so the catalogue is saved at once, and when it
    // cannot be, the pack and the copies it owns are taken out again.
    if (repository.Save(FALSE)) return TRUE;
    for (size_t i = repository.Count(); i-- > before;)
        if (repository.Item(i)->m_generation > 0 &&
            CompareFileTime(&repository.Item(i)->m_evacuationTime, &runTime) >= 0) {
            repository.RemoveItem(repository.Item(i));
            break;
        }
    return FALSE;
}

}  // namespace backup
