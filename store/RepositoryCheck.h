// A check of a repository against its catalogue: copies that are missing or were changed after
// they were stored, backup histories that cannot be read or name missing copies, and whatever
// lies in the numbered folders that no item or pack refers to. The check only reads; recording
// the unreferenced copies as items is a separate operation.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CRepository;

namespace store {

enum class CheckKind {
    // An ordinary item's copy, or a backup-run item's history file, is not there.
    MissingCopy,
    // A stored file was written after its item or pack was recorded (path: the file).
    ChangedCopy,
    // A history file fails its header check or its packs cannot be read.
    DamagedHistory,
    // A backup-run item whose run has no pack in its history (path: the history).
    MissingRun,
    // A pack entry names a copy that is not there (path: the copy; history: the history file).
    HistoryMissingCopy,
    // A numbered folder that nothing refers to, with all it holds.
    OrphanFolder,
    // A file or folder inside a numbered folder that nothing refers to.
    OrphanEntry,
};

struct CheckFinding {
    CheckKind kind;
    std::string path;
    // The history file of a HistoryMissingCopy finding; empty for the others.
    std::string history;
};

enum class CheckStatus {
    Ran,
    // The repository folder does not exist.
    NoRepository,
    // "brenna.dat" is there but cannot be read whole.
    CatalogueUnreadable,
    // The repository mutex could not be had in time.
    LockUnavailable,
};

struct CheckResult {
    CheckStatus status = CheckStatus::Ran;
    std::vector<CheckFinding> findings;
    bool Clean() const { return status == CheckStatus::Ran && findings.empty(); }
    // How many findings RecoverOrphans would record.
    size_t OrphanCount() const;
};

// A stored copy counts as changed when its last-write time is later than its item's or pack's
// time by more than this (100-ns ticks): FAT keeps write times to two seconds.
constexpr ULONGLONG kChangedTolerance = 2 * 10000000ull;

// Checks repository under its mutex (waiting at most lockTimeoutMs). The items of the
// repository's catalogue in memory are checked; the records of "brenna.dat" on disk also count as
// references, so that items another process saved, or this one has not saved yet, are never
// taken for orphans. Changes nothing, on disk or in memory.
CheckResult CheckRepository(const CRepository& repository, DWORD lockTimeoutMs = 30000);

// The report of a check as text lines (CR LF), in the language of the string table: a title line
// naming folder, one line per finding, and the summary.
std::string FormatCheckReport(const CheckResult& result, const std::string& folder);

// The description given to the items that RecoverOrphans records.
inline constexpr char kRecoveredDescription[] = "recovered";

// Records every orphan of result as a new ordinary item of repository: source and stored path
// are the copy's own path, the description is kRecoveredDescription. An orphan numbered folder
// gives one item per file or folder it holds. Entries that are gone, or that an item refers to by
// now, are left out. The observer hears of the new rows (as not evacuated: no property dialog),
// and the catalogue is saved. Returns how many items were recorded; saved tells whether the save
// succeeded.
size_t RecoverOrphans(CRepository& repository, const CheckResult& result, bool& saved);

}  // namespace store
