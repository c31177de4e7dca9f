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

// One recorded run: its time, the definition as it was run, and its entries.
class CBrnBackupItemPack : public fw::CObject {
public:
    CBrnBackupItemPack();
    CBrnBackupItemPack(const FILETIME& runTime, const CBrnFile& definition);

    // Appends the entry; the entry count follows the entries.
    void AddItem(std::unique_ptr<CBrnBackupItem> entry);

    const FILETIME& RunTime() const { return m_runTime; }
    int32_t EntryCount() const { return static_cast<int32_t>(m_entries.size()); }
    const std::vector<std::unique_ptr<CBrnBackupItem>>& Entries() const { return m_entries; }
    std::vector<std::unique_ptr<CBrnBackupItem>>& Entries() { return m_entries; }
    const CBrnFile& Definition() const { return *m_pDefinition; }

    // Reading raises fw::CArchiveException for lengths or counts the data do not hold.
    void Serialize(fw::CArchive& ar) override;

private:
    FILETIME m_runTime{};
    std::vector<std::unique_ptr<CBrnBackupItem>> m_entries;
    std::unique_ptr<CBrnFile> m_pDefinition;
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

}  // namespace store
