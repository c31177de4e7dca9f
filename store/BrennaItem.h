// One catalogue row: an evacuated file or folder, or one run of a backup definition.
#pragma once

#include "fw/WinTypes.h"

#include <cstdint>
#include <string>

#include "fw/Object.h"

class CBrnDataFile;

namespace util {
class CProgressMeter;
}

class CBrennaItem : public fw::CObject {
public:
    CBrennaItem() = default;
    ~CBrennaItem() override = default;
    CBrennaItem(const CBrennaItem&) = delete;
    CBrennaItem& operator=(const CBrennaItem&) = delete;

    // The paths must fit in MAX_PATH with their terminator, as the catalogue reader demands;
    // FALSE leaves the field unchanged.
    BOOL SetSource(const char* text);
    BOOL SetStored(const char* text);
    BOOL SetDescription(const char* text);

    // A new evacuation: the current UTC time, then Refresh().
    BOOL InitNew(const char* source, const char* stored, DWORD fileFlag);
    // A backup run: the run's time, then Refresh().
    BOOL InitWithTime(const char* source, const char* stored, DWORD fileFlag, FILETIME time);
    // Reads attributes (and, for files, the three times) of the current copy.
    BOOL Refresh();
    // Refresh for a backup-run item whose history's packs are already in memory.
    BOOL RefreshFromLoadedPacks();
    // Size of the current copy at the last refresh, low 32 bits; 0 for folders and missing
    // copies. The list paints and sorts by it, so it never reads the disk.
    DWORD GetSize() const { return m_size; }
    // Makes this item a copy of other for the repository newFolder (other lives in oldFolder).
    // False, with this item unchanged, when a path would not fit in MAX_PATH.
    bool CopyRebased(const CBrennaItem& other, const std::string& oldFolder,
                     const std::string& newFolder);

    // Writes the item's copy to target (a backup run: rebuilds the backed-up files there). With a
    // meter, its files are added to the totals and reported, and a cancel stops the writing: the
    // files written so far stay, and the call fails.
    BOOL WriteOut(const char* target, util::CProgressMeter* meter = nullptr);
    BOOL WriteOutRun(const char* target, util::CProgressMeter* meter = nullptr);
    // Deletes the item's copy from the repository (a backup run: its pack and the copies only
    // that pack owns). The numbered folder stays. A copy that is already gone counts as removed.
    BOOL RemoveStoredCopy();

    void Serialize(fw::CArchive& ar) override;
    void LoadVersion1(fw::CArchive& ar);

    // The path the displayed values come from: the stored copy, or for a backup-run item the
    // copy its pack points at; empty when there is none.
    std::string CurrentCopy() const;
    bool IsBackupRun() const { return m_generation > 0; }
    bool IsFile() const { return m_fileFlag != 0; }
    // True when the last Refresh found no copy.
    bool IsCopyMissing() const { return m_attributes == INVALID_FILE_ATTRIBUTES; }

    // Stored fields.
    FILETIME m_evacuationTime{};
    DWORD m_fileFlag = 0;
    DWORD m_generation = 0;
    std::string m_source;
    std::string m_stored;
    std::string m_description;

    // Read from the copy, never stored.
    FILETIME m_creationTime{};
    FILETIME m_lastWriteTime{};
    FILETIME m_lastAccessTime{};
    std::string m_typeText;
    DWORD m_attributes = 0;
    DWORD m_size = 0;

    // Written over the first byte of the stored path when a record is read (external
    // repositories whose drive letter changed).
    char m_driveOverride = 0;
    // The history data file of a backup-run item; not owned.
    CBrnDataFile* m_pHistory = nullptr;

private:
    void ReadRecord(fw::CArchive& ar, bool hasGeneration);
    // The copy a backup-run item's pack points at.
    std::string CurrentCopyOfRun() const;
    // The same from the packs in memory, without reading the history again.
    std::string CopyInLoadedPacks() const;
    // Reads attributes and times of copy.
    BOOL RefreshFrom(const std::string& copy);
};
