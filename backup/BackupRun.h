// The pieces of a backup run: listing a definition's target in the run's path order, copying new
// and changed files into the repository's numbered folders, and comparing with the last pack.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "util/Progress.h"

class CBrnFile;
class CBrnBackupItem;
class CBrnBackupItemPack;
class CBrnDataFile;
class CBrennaItem;
class CDataFile;
class CRepository;

namespace backup {

// One file of the target as its folder listing showed it.
struct ListedFile {
    std::string path;
    uint64_t size = 0;
    FILETIME lastWrite{};
};

// The file list of a definition, ascending in the run's path order (util::CCaseFold::Compare:
// single-byte letters folded to lower case, double-byte characters by their upper-case form).
// Nothing below the repository folder is listed.
void CollectFiles(const CBrnFile& definition, const std::string& repository,
                  std::vector<ListedFile>& files);

// Appends the files below folder that no pattern (upper-cased) excludes, ascending in the run's
// path order; excluded folders are not entered.
void ScanDirectory(const std::vector<std::string>& patterns, const std::string& repository,
                   const std::string& folder, std::vector<ListedFile>& files);

// The numbered folders of one repository as one run uses them. It remembers, per file name, the
// number after the last copy it made, and which numbered folders exist, so that many files of
// one name do not search from br000000 again each time.
class CBackupStore {
public:
    enum Slot { ready, blocked, failed };

    explicit CBackupStore(std::string repository);

    const std::string& Repository() const { return m_repository; }
    // Where the search for a free number for this name goes on: every number below it held the
    // name when this run last looked, and nothing in a run removes copies.
    unsigned FirstCandidate(const std::string& name) const;
    // Makes sure the numbered folder n (at path) exists: ready, blocked by a plain file of that
    // name (the number is skipped), or failed when it cannot be created.
    Slot Folder(unsigned n, const std::string& path);
    // Records that a copy of this name now lies at number n.
    void Taken(const std::string& name, unsigned n);
    // Chooses where the next copy of name goes, without copying: the lowest number whose folder
    // is there or could be made and holds no such name. The name is taken there at once. False
    // (with the last error) when no place can be had.
    bool Reserve(const std::string& name, std::string& storedName);

private:
    enum FolderState : unsigned char { unknown, absent, present, file };

    std::string m_repository;
    std::unordered_map<std::string, unsigned> m_nextByName;
    std::vector<FolderState> m_folders;
    // The upper-cased names this run reserved, per numbered folder.
    std::unordered_map<unsigned, std::unordered_set<std::string>> m_names;
};

// Copies source to the lowest free <repository>\br<NNNNNN>\<name>, creating the numbered folder
// when missing; storedName receives the copy's path relative to the repository.
// With file progress, the copy of a file listed at size bytes reports its bytes and can be
// cancelled.
bool CopyIntoBackupStore(CBackupStore& store, const std::string& source, std::string& storedName,
                         uint64_t size = 0, util::CFileProgress* file = nullptr);

// True when the listed file differs in size or last-write time from its copy in the repository,
// or the copy cannot be read.
bool IsFileChanged(const std::string& repository, const ListedFile& source,
                   const std::string& storedName);

// Walks the file list beside the entries of the newest pack (null: none), copies what is new or
// changed, and fills entries with the new pack. Returns the change count. What is to be copied is
// decided first and added to the meter's totals; a cancel seen by the meter raises
// util::CancelledError, with the copies made so far in entries.
int CompareWithLastPack(CBackupStore& store, const std::vector<ListedFile>& files,
                        const CBrnBackupItemPack* last,
                        std::vector<std::unique_ptr<CBrnBackupItem>>& entries,
                        util::CProgressMeter* meter = nullptr);

// Appends a run's new item, linked to its history (created: a history new to the catalogue). It
// takes both objects only when it succeeds; false leaves them, and the catalogue, as they were.
using AppendRunItem = std::function<bool(std::unique_ptr<CBrennaItem>& item, CBrnDataFile& history,
                                         std::unique_ptr<CBrnDataFile>& created)>;

// The catalogue's share of a run: compares the target with the newest pack of the definition's
// history, copies what is new or changed, and records a pack and, through append, an item. A
// failure at any step leaves the history, the copies and the catalogue as they were. changeCount
// receives the number of changes (0: nothing recorded, which is a success). A cancel seen by the
// meter, up to the moment the history is written, fails the run in the same way.
BOOL RecordRun(CDataFile& catalogue, const CBrnFile& definition, const std::string& definitionPath,
               FILETIME runTime, int& changeCount, const AppendRunItem& append,
               util::CProgressMeter* meter = nullptr);
BOOL RecordRun(CDataFile& catalogue, const CBrnFile& definition, const std::string& definitionPath,
               FILETIME runTime, int& changeCount, util::CProgressMeter* meter = nullptr);

// Runs the backup definition file path on the repository: reads it, records a run at the current
// time, and tells the repository's observer of the new item.
BOOL RunDefinition(CRepository& repository, const std::string& path);

}  // namespace backup
