// The backup history of one definition: its packs (one per recorded run), their entries, and
// the history data file inside the repository that holds them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/BrnFile.h"
#include "store/BrnPack.h"
#include "fw/Archive.h"
#include "fw/AtomicFile.h"
#include "fw/Object.h"

class CBrennaItem;

// Beside a history whose newest pack is being appended in place: the history's length and pack
// count before it, so that an append cut short is never taken for damage and can be undone.
inline constexpr char kAppendJournalSuffix[] = ".grow";
// Beside a history: where each of its packs begins, so that opening it reads only the packs'
// heads. Rewritten with every write of the history; an index that does not match it is ignored.
inline constexpr char kPackIndexSuffix[] = ".idx";

// The history data file of one definition. Its path is the stored path of the first linked
// catalogue item (or, before one is linked, the path CreateForDefinition chose).
//
// Updates never destroy the previous file: ReloadForUpdate and CreateForDefinition open
// <path>.new for writing, SavePacks replaces the file with it only once it is complete, and
// AbandonUpdate (or the destructor) drops it and leaves the file as it was. Every operation
// that opens the file (CheckHeader, LoadPacks, FindPack, ...) first drops a pending write.
class CBrnDataFile : public fw::CObject {
public:
    explicit CBrnDataFile(std::string repository);
    ~CBrnDataFile() override;
    CBrnDataFile(const CBrnDataFile&) = delete;
    CBrnDataFile& operator=(const CBrnDataFile&) = delete;

    // Chooses <repository>\br<NNNNNN>\<definition name without "brn">dat, reserves it on disk,
    // opens the pending write and sets the header to the identifier and no packs. False when
    // the folder or the file cannot be created.
    bool CreateForDefinition(const std::string& definitionPath, const GUID& identifier);
    // Reads the 28-byte header; true when it is whole and has the right magic and version.
    bool CheckHeader();
    // Replaces the packs in memory by those of the file. False when the file cannot be opened;
    // a damaged file raises fw::CException (the caller reports it) and leaves no packs. Packs
    // read or written before are kept while the file is as it was then (same size, creation and
    // last-write time), so that a history is not read again and again as it grows. Through an
    // index that matches the file only the packs' heads are read; their entries are read when
    // wanted (LoadEntries), so that opening a long history costs little more than a short one.
    bool LoadPacks();
    // Reads the entries of a pack of this history read without them. False when the file is no
    // longer the one its head was read from; a damaged pack raises like LoadPacks.
    bool LoadEntries(CBrnBackupItemPack& pack);
    // LoadPacks, then every pack's entries. False and raises like LoadEntries.
    bool LoadAllEntries();
    // LoadAllEntries, then opens the pending write for SavePacks. False when either fails;
    // raises like LoadPacks.
    bool ReloadForUpdate();
    // LoadPacks, then the oldest pack with this run time with its entries, or null. Raises like
    // LoadPacks.
    CBrnBackupItemPack* FindPack(const FILETIME& time);
    // The newest pack in memory, or null.
    CBrnBackupItemPack* LastPack() const;
    // Appends a pack of the run time, a copy of the definition and the entries in order.
    // False when memory runs out.
    bool AddPack(const CBrnFile& definition, std::vector<std::unique_ptr<CBrnBackupItem>> entries,
                 const FILETIME& time);
    // Appends a pack (as AddPack) and writes it at the end of the file in place, then the new
    // pack count: the cost does not grow with the packs before it. A journal beside the file
    // names the length before, so that a write cut short (a failure, the process ended) leaves
    // the history as it was to every reader, and to every later update, which cuts it back. When
    // the file is not the one the packs in memory were read from, the whole file is rewritten as
    // SavePacks does. An error is reported like SavePacks's and leaves the history as it was.
    bool AppendPack(const CBrnFile& definition,
                    std::vector<std::unique_ptr<CBrnBackupItem>> entries, const FILETIME& time);
    // Writes the header and every pack through the pending write and puts the file in place.
    // An error is reported to the user and leaves the previous file untouched; the pending
    // write is closed either way.
    bool SavePacks();
    // Drops the pending write, if any; the file on disk stays as it was.
    void AbandonUpdate();
    // Removes the pack of this run time and the copies only it owned; deletes the history file
    // when no pack is left. True, with the file left as it was, when there is no such pack;
    // false when the history could not be read or written (a damaged file is reported to the
    // user).
    bool DeletePack(const FILETIME& time);

    void LinkItem(CBrennaItem* item);
    void UnlinkItem(CBrennaItem* item);
    // The generation number of the last linked item, 0 when none is linked.
    DWORD LastGeneration() const;

    std::string Path() const;
    const std::string& Repository() const { return m_repository; }
    const GUID& Identifier() const { return m_identifier; }
    int32_t PackCount() const { return m_packCount; }
    const std::vector<std::unique_ptr<CBrnBackupItemPack>>& Packs() const { return m_packs; }
    const std::vector<CBrennaItem*>& LinkedItems() const { return m_linkedItems; }

    // Writes or reads the header and every pack. Reading raises fw::CArchiveException for a
    // foreign magic or version, for lengths or counts the data do not hold and for bytes left
    // after the last pack, and then leaves the object unchanged.
    void Serialize(fw::CArchive& ar) override;

private:
    // What tells whether a file is still the one read or written.
    struct FileStamp {
        uint64_t size = 0;
        FILETIME creation{}, lastWrite{};
        bool operator==(const FileStamp& o) const;
    };
    static bool StampOf(const std::string& path, FileStamp& stamp);
    // True when a journal beside path tells of an append cut short: the header still counts
    // the packs before it and the file is longer; keep receives the length before.
    static bool AppendCutShort(const std::string& path, uint64_t& keep);
    // Under the repository mutex, before an update: cuts an append cut short back and drops the
    // journal. False when the history could not be cut back.
    bool RepairAppend();
    bool OpenPendingWrite(const std::string& target);
    // The packs' heads through the index beside the file at path as stamp found it; false,
    // leaving the packs as they were, when there is no index that matches the file.
    bool LoadHeads(const std::string& path, const FileStamp& stamp);
    // Writes the index of the packs in memory, which the file at Path() holds as m_stamp found
    // it; a failure only leaves the history to be read whole.
    void WriteIndex();

    std::string m_repository;
    GUID m_identifier{};
    int32_t m_packCount = 0;
    std::vector<CBrennaItem*> m_linkedItems;
    // The new content while an update is under way; replaces the file only on SavePacks.
    fw::CAtomicFile m_pending;
    std::unique_ptr<fw::CArchive> m_pStream;
    std::vector<std::unique_ptr<CBrnBackupItemPack>> m_packs;
    // Where CreateForDefinition put the file; Path() while no item is linked.
    std::string m_createdPath;
    // The packs in memory are those of the file at m_stampPath as m_stamp found it.
    bool m_current = false;
    FileStamp m_stamp;
    std::string m_stampPath;
};
