// One repository: its folder, catalogue, settings and mutex, and the operations that put items
// into it or take them out. It never touches a window; a user interface follows its changes
// through IRepositoryObserver.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "fw/File.h"
#include "fw/Profile.h"
#include "store/DataFile.h"
#include "store/ShellLink.h"
#include "util/FileUtil.h"
#include "util/Progress.h"

// What a view of the catalogue hears from the repository.
class IRepositoryObserver {
public:
    virtual ~IRepositoryObserver() = default;
    // Catalogue items [first, first + count) were appended. evacuated: this process put them in
    // (an evacuation or a backup run); false when a save found them recorded by another process.
    virtual void OnItemsAdded(size_t first, size_t count, bool evacuated) = 0;
    // An item's stored description or its display values changed.
    virtual void OnItemChanged(CBrennaItem& item) = 0;
    // The item leaves the catalogue; its object is deleted as soon as this returns.
    virtual void OnItemRemoved(CBrennaItem& item) = 0;
    // A long operation's counts changed. Called on the thread that runs the operation, often:
    // whoever shows them keeps the latest and draws it in its own time.
    virtual void OnProgress(const util::ProgressReport&) {}
};

// The user's three options, keys "askalways", "sortany" and "brnfile" of section "Settings".
struct RepositorySettings {
    bool askAlways = false;
    bool sortAny = false;
    bool brnFile = false;

    // Reads the keys (default 0; any nonzero value is on).
    void Read(const fw::CProfile& profile);
    // Writes, as 1 or 0, only the keys whose value differs from before.
    void WriteChanged(const fw::CProfile& profile, const RepositorySettings& before) const;
};

class CRepository {
public:
    // Runs a backup definition file on the repository; its result is the dispatch's.
    using DefinitionRunner = std::function<BOOL(CRepository&, const std::string& path)>;

    // What dispatching one path does, worked out before anything is copied, so that a long
    // operation knows its totals first.
    struct DispatchPlan {
        enum Kind { refused, inside, runDefinition, evacuate } kind = refused;
        // The path that is run or evacuated: a shortcut's target, without trailing backslashes.
        std::string target;
        DWORD attributes = INVALID_FILE_ATTRIBUTES;
        uint64_t size = 0;
        util::TreeListing tree;
    };

    CRepository();
    CRepository(const CRepository&) = delete;
    CRepository& operator=(const CRepository&) = delete;

    // The repository folder (no trailing backslash) and the drive letter written over every
    // stored path read (0: none). False when folder + "\brenna.dat" would not fit in MAX_PATH.
    bool SetFolder(const std::string& folder, char driveOverride = 0);
    const std::string& Folder() const { return m_folder; }
    // The named mutex that processes of this repository hold while they evacuate and save.
    void SetMutexName(std::string name) { m_mutexName = std::move(name); }
    const std::string& MutexName() const { return m_mutexName; }
    // Shortcut files are read through this object (not owned; null: shortcuts fail).
    void SetShellLink(const store::CShellLink* link) { m_shellLink = link; }
    const store::CShellLink* ShellLink() const { return m_shellLink; }
    void SetDefinitionRunner(DefinitionRunner runner) { m_runDefinition = std::move(runner); }
    void SetObserver(IRepositoryObserver* observer) { m_observer = observer; }
    IRepositoryObserver* Observer() const { return m_observer; }

    RepositorySettings& Settings() { return m_settings; }
    const RepositorySettings& Settings() const { return m_settings; }

    CDataFile& Catalogue() { return m_catalogue; }
    const CDataFile& Catalogue() const { return m_catalogue; }
    size_t Count() const { return m_catalogue.GetCount(); }
    CBrennaItem* Item(size_t index) const { return m_catalogue.GetItem(index); }

    // Reads "brenna.dat" (see CDataFile::Load).
    BOOL Load() { return m_catalogue.Load(); }
    // Reads it again from scratch, quietly (another process may have saved meanwhile).
    BOOL Reload() { return m_catalogue.Reload(); }
    // Writes "brenna.dat" when force is set or the catalogue changed, holding the mutex. Items
    // that another process recorded meanwhile are kept (and appended here, for the observer).
    BOOL Save(BOOL force);
    // Save, telling the user "Failed to save file" when it fails.
    BOOL SaveOrTell(BOOL force);

    // The entry of every path: a shortcut stands for its target; a ".brn" file is run as a
    // backup definition when "brnfile" is on; anything else is evacuated. 0 on failure.
    int Dispatch(const char* path);
    // Dispatch in two steps: the plan lists what an evacuation will copy and adds it to the
    // progress totals; executing it copies and records.
    DispatchPlan PlanDispatch(const char* path);
    int ExecuteDispatch(const DispatchPlan& plan);
    // Copies a file or folder into the lowest free numbered folder and records it.
    BOOL Evacuate(const char* path);
    // As Evacuate for the copy at path, recorded with the given source, description and time.
    BOOL EvacuateWithInfo(const char* source, const char* path, const char* description,
                          FILETIME time);
    // Copies a folder tree with its folders' times; never copies the repository into itself.
    BOOL CopyDirectory(const char* source, const char* target);
    // Dispatches each path, showing "Failed to save file" for each one that fails, then saves.
    // A cancel request leaves the paths not yet done (counted as failed, without a message).
    // With underMutex the repository mutex is held throughout.
    // Returns how many paths failed, the save at the end counting as one more when it fails.
    size_t DispatchPaths(const std::vector<std::string>& paths, bool underMutex);

    // The items whose stored path, moved from this folder into folder, would not fit in MAX_PATH:
    // no catalogue in folder can hold them.
    std::vector<CBrennaItem*> ItemsNotFitting(const std::string& folder) const;
    // Writes folder\brenna.dat with a copy of every item but those of ItemsNotFitting, in
    // order, each stored path moved from this folder into folder. The copies themselves are the
    // caller's. False when the catalogue could not be written whole.
    BOOL CopyCatalogueTo(const std::string& folder) const;

    // Deletes the item's copy and takes it out of the catalogue; false keeps it.
    BOOL RemoveItem(CBrennaItem* item);
    // RemoveItem for good: the catalogue without the item is saved first, then the copy is
    // deleted. False keeps the item, in memory and, unless the failure was the save's, on disk.
    BOOL DeleteItem(CBrennaItem* item);
    // Tells the observer that catalogue items from first on were appended by this process.
    void ItemsAppended(size_t first);
    void ItemChanged(CBrennaItem& item);

    // The counts and cancel request of the long operation in hand; its reports go to the
    // observer. A caller that runs one calls Start on it first.
    util::CProgressMeter& Progress() { return m_progress; }

private:
    // Fills the evacuation part of plan for copyFrom and adds it to the totals; false when the
    // tree cannot be listed whole.
    bool ListSource(const std::string& copyFrom, DispatchPlan& plan);
    BOOL RecordCopy(const std::string& source, const DispatchPlan& plan, const char* description,
                    const FILETIME* time);
    BOOL CopyListedTree(const std::string& source, const std::string& target,
                        const util::TreeListing& tree);

    std::string m_folder;
    std::string m_mutexName;
    CDataFile m_catalogue;
    RepositorySettings m_settings;
    const store::CShellLink* m_shellLink = nullptr;
    DefinitionRunner m_runDefinition;
    IRepositoryObserver* m_observer = nullptr;
    util::CProgressMeter m_progress;
};

// Owns the repository's mutex while it lives. The mutex is opened, or made when no process holds
// it yet, so that an evacuation never goes ahead unprotected nor is silently dropped. A caller
// that would rather give up than wait gives a timeout; IsHeld then tells whether it was had.
class CRepositoryLock {
public:
    explicit CRepositoryLock(const CRepository& repository, DWORD timeoutMs = INFINITE);
    ~CRepositoryLock();
    CRepositoryLock(const CRepositoryLock&) = delete;
    CRepositoryLock& operator=(const CRepositoryLock&) = delete;
    // True when the mutex is owned, or when the repository names none (nothing to guard).
    bool IsHeld() const { return m_owned || m_unnamed; }

private:
    fw::CHandle m_mutex;
    bool m_owned = false;
    bool m_unnamed = false;
};
