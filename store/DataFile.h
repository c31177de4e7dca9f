// The catalogue of one repository: its items, their history files, and "brenna.dat".
#pragma once

#include <windows.h>

#include <functional>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fw/Object.h"
#include "store/BrennaItem.h"

class CBrnDataFile;

class CDataFile : public fw::CObject {
public:
    CDataFile();
    ~CDataFile() override;
    CDataFile(const CDataFile&) = delete;
    CDataFile& operator=(const CDataFile&) = delete;

    // Data file = folder + "\brenna.dat"; false when that does not fit in MAX_PATH.
    bool SetFolder(const std::string& folder);
    const std::string& Folder() const { return m_folder; }
    const std::string& DataFilePath() const { return m_path; }

    // Reads the data file and appends its items. False (quietly) when there is no file; a file
    // that cannot be read whole is reported, and the items read before the fault stay.
    BOOL Load();
    // Drops everything in memory and loads again, without repeating messages already shown
    // for the same file (another process may have saved meanwhile).
    BOOL Reload();
    // Writes the data file when force is set or the catalogue changed. With merge, records that
    // another process saved since this catalogue last read or wrote the file are appended first
    // (the caller holds the repository mutex), and records this catalogue removed stay removed.
    BOOL Save(BOOL force, bool merge = false);

    BOOL AddItem(const char* source, const char* stored, DWORD fileFlag);
    BOOL AddItemWithInfo(const char* source, const char* stored, const char* description,
                         DWORD fileFlag, FILETIME time);
    // Deletes the item's copy, then takes it out of the catalogue; leaving, when set, is called
    // just before the object is deleted. False (item kept) when the copy could not be removed.
    BOOL RemoveItem(CBrennaItem* item, const std::function<void(CBrennaItem&)>& leaving = {});
    // Takes the item out of the list (index receives its place), still linked to its history, so
    // that a save leaves it out while its copy stays; ReinsertItem puts it back, ReleaseDetached
    // finishes its removal once the copy is gone. Both mark the catalogue changed.
    std::unique_ptr<CBrennaItem> DetachItem(CBrennaItem* item, size_t& index);
    void ReinsertItem(std::unique_ptr<CBrennaItem> item, size_t index);
    void ReleaseDetached(CBrennaItem& item);
    CBrnDataFile* FindHistory(const GUID& identifier) const;
    // The run times of the items that record a pack of history: those in memory and those of the
    // file on disk (another process may have recorded one since this catalogue read it). False,
    // with times unchanged, when the file cannot be read whole: then nobody can tell.
    bool RecordedRunTimes(const CBrnDataFile& history, std::vector<FILETIME>& times) const;
    BOOL ImportItem(const CBrennaItem& other, const std::string& oldFolder);

    size_t GetCount() const { return m_items.size(); }
    CBrennaItem* GetItem(size_t i) const { return m_items[i].get(); }
    // Takes a backup run's item linked to history, and created (when set) as a history new to
    // the catalogue; marks the catalogue changed. False, with nothing taken or changed, when
    // memory runs out.
    bool AppendRunItem(std::unique_ptr<CBrennaItem>& item, CBrnDataFile& history,
                       std::unique_ptr<CBrnDataFile>& created);
    // The paths of history files whose header could not be read at the last load.
    const std::vector<std::string>& DamagedHistories() const { return m_damagedHistories; }
    size_t GetHistoryCount() const { return m_histories.size(); }

    bool IsChanged() const { return m_changed; }
    void SetChanged() { m_changed = true; }

    // 0, or the drive letter written over every stored path that is read.
    char m_driveOverride = 0;
    // Last header read or written.
    char m_magic[4] = {};
    DWORD m_version = 0;
    int32_t m_count = 0;

private:
    // What a file held: its records in order, and the error that ended reading early (0: none).
    struct FileContent {
        std::vector<std::unique_ptr<CBrennaItem>> records;
        UINT faultId = 0;
    };
    // Reads the data file; false when it does not exist. Never shows anything.
    bool ReadRecords(FileContent& content) const;
    // Appends one record read from the file: a backup-run item is linked to its history (read
    // once per history), whose header is checked on first sight. Missing copies and damaged
    // histories are noted for the caller to report.
    void Adopt(std::unique_ptr<CBrennaItem> item, std::vector<const CBrennaItem*>& missing,
               std::vector<const CBrennaItem*>& damaged);
    // Appends the records of the file this catalogue has not seen; returns how many.
    size_t MergeFromFile();
    // m_known from the items in memory.
    void RememberItems();
    void Clear();
    void RefreshBackupRuns();
    // Where the damaged data file will be kept when the catalogue is next saved.
    std::string KeepNameForDamaged() const;
    void ReportLoadFault(UINT causeId);
    void ReportItems(UINT textId, const std::vector<const CBrennaItem*>& items);

    std::string m_folder;
    std::string m_path;
    bool m_changed = false;
    std::vector<std::unique_ptr<CBrennaItem>> m_items;
    std::vector<std::unique_ptr<CBrnDataFile>> m_histories;
    std::vector<std::string> m_damagedHistories;
    // The file on disk holds more than memory does: keep it before the next save overwrites it.
    bool m_keepDamaged = false;
    // The records of the file as this catalogue last read or wrote it, as sorted hashes of what
    // identifies each (8 bytes a record), so that a save can tell another process's new
    // records from those removed here.
    std::vector<uint64_t> m_known;
    bool m_knownValid = true;
    bool m_quiet = false;
};
