// The records of a backup history: one entry per backed-up file, one pack per recorded run, and
// the history file's header. Reading and writing only, so that the reader also builds natively.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fw/Archive.h"
#include "fw/Object.h"
#include "fw/WinTypes.h"
#include "store/BrnFile.h"

// One file of one pack: where the source was and which copy in the repository holds it.
class CBrnBackupItem : public fw::CObject {
public:
    CBrnBackupItem() = default;

    // Copies both strings. False when memory runs out or either would not fit in MAX_PATH with
    // its terminator; the entry is then unchanged.
    bool Set(const std::string& source, const std::string& storedName);
    void SetOwned(bool owned) { m_owned = owned ? 1 : 0; }

    // Full path of the source file at the time of the run.
    const std::string& Source() const { return m_source; }
    // The copy relative to the repository folder: br<NNNNNN>\<file name>.
    const std::string& StoredName() const { return m_storedName; }
    uint32_t SourceLength() const { return static_cast<uint32_t>(m_source.size() + 1); }
    uint32_t StoredLength() const { return static_cast<uint32_t>(m_storedName.size() + 1); }
    // True when this pack's run made the copy; false when it refers to an earlier pack's copy.
    bool IsOwned() const { return m_owned != 0; }

    // Reading raises fw::CArchiveException for lengths the data do not hold.
    void Serialize(fw::CArchive& ar) override;

private:
    std::string m_storedName;
    std::string m_source;
    int32_t m_owned = 0;
};

// One recorded run: its time, the definition as it was run, and its entries. A pack read from a
// history through its index holds only its head (time, definition, entry count and the first
// entry's stored name) until CBrnDataFile::LoadEntries reads the rest.
class CBrnBackupItemPack : public fw::CObject {
public:
    CBrnBackupItemPack();
    CBrnBackupItemPack(const FILETIME& runTime, const CBrnFile& definition);

    // Appends the entry; the entry count follows the entries.
    void AddItem(std::unique_ptr<CBrnBackupItem> entry);

    const FILETIME& RunTime() const { return m_runTime; }
    int32_t EntryCount() const;
    // The first entry's stored name, empty when the pack has none; known from the head alone.
    std::string FirstStoredName() const;
    bool EntriesLoaded() const { return m_entriesLoaded; }
    // The entries. A pack whose entries were not read raises fw::CArchiveException rather than
    // show none, so that nothing can take it for an empty pack and write it out so.
    const std::vector<std::unique_ptr<CBrnBackupItem>>& Entries() const;
    std::vector<std::unique_ptr<CBrnBackupItem>>& Entries();
    const CBrnFile& Definition() const { return *m_pDefinition; }

    // Where the pack lies in the history it was last read from or written to, and where its
    // entries begin; Relocate moves all three by the bytes that came before it.
    uint64_t Offset() const { return m_offset; }
    uint64_t End() const { return m_end; }
    uint64_t EntriesOffset() const { return m_entriesOffset; }
    void Relocate(uint64_t by);

    // Reading raises fw::CArchiveException for lengths or counts the data do not hold.
    void Serialize(fw::CArchive& ar) override;
    // Reads the head of the pack that lies at offset..end of its history, ar standing at its
    // start: the rest of the entries stay in the file. Raises like Serialize.
    void ReadHead(fw::CArchive& ar, uint64_t offset, uint64_t end);
    // Reads the entries of a pack read by ReadHead, ar holding exactly the bytes from
    // EntriesOffset to End. Raises like Serialize, and for bytes left over.
    void ReadEntries(fw::CArchive& ar);

private:
    FILETIME m_runTime{};
    std::vector<std::unique_ptr<CBrnBackupItem>> m_entries;
    std::unique_ptr<CBrnFile> m_pDefinition;
    bool m_entriesLoaded = true;
    int32_t m_entryCount = 0;
    std::string m_firstStored;
    uint64_t m_offset = 0, m_end = 0, m_entriesOffset = 0;
};

namespace store {

// The history file's bytes: magic "BRND", version, the definition's identifier, the pack count
// and the packs. Reading raises fw::CArchiveException for a foreign magic or version, for
// lengths or counts the data do not hold and for bytes left after the last pack, and then
// leaves id and packs unchanged.
// The 28-byte header alone: false when it is short or foreign.
bool ReadHistoryHeader(fw::CArchive& ar, GUID& id, int32_t& packCount);
void ReadHistory(fw::CArchive& ar, GUID& id,
                 std::vector<std::unique_ptr<CBrnBackupItemPack>>& packs);
void WriteHistory(fw::CArchive& ar, const GUID& id,
                  const std::vector<std::unique_ptr<CBrnBackupItemPack>>& packs);

// The index kept beside a history so that it can be opened without reading every pack: where
// each pack begins, and the size, times and newest run time of the history file it describes.
// Anything else on disk (another file, a history changed since) makes it worthless, never wrong:
// readers check it against the history and read the history whole instead.
struct HistoryIndex {
    uint64_t size = 0;
    FILETIME creation{}, lastWrite{}, lastRunTime{};
    std::vector<uint64_t> offsets;
};
void WriteHistoryIndex(fw::CArchive& ar, const HistoryIndex& index);
// False, with index unchanged, for anything but a whole index of the right magic and version
// whose offsets begin after the history's header, rise and stay inside its size.
bool ReadHistoryIndex(fw::CArchive& ar, HistoryIndex& index);

}  // namespace store
