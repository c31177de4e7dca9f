// History entries, packs and the history file's bytes, read with every count and length checked.
#include <cstring>
#include <new>

#include "fw/Exceptions.h"
#include "store/BrnPack.h"

namespace {

constexpr char kMagic[4] = {'B', 'R', 'N', 'D'};
constexpr uint32_t kVersion = 0x00010000;
constexpr uint64_t kHeaderSize = 28;
// The smallest pack: run time, entry count, a definition header and an empty folder.
constexpr uint64_t kMinPackSize = 8 + 4 + 36 + 1;
// The smallest entry: three u32 and two empty strings.
constexpr uint64_t kMinEntrySize = 12 + 1 + 1;

void RaiseDamaged() { throw fw::CArchiveException(fw::CArchiveException::damaged); }

// A path or stored name with its terminator, at most MAX_PATH bytes, zero only at its end.
std::string ReadPath(fw::CArchive& ar, uint32_t len) {
    std::string s = ar.ReadCountedString(len, MAX_PATH);
    if (s.find('\0') != std::string::npos) RaiseDamaged();
    return s;
}

}  // namespace

bool CBrnBackupItem::Set(const std::string& source, const std::string& storedName) {
    if (source.size() >= MAX_PATH || storedName.size() >= MAX_PATH) return false;
    try {
        std::string s = source, n = storedName;
        m_source.swap(s);
        m_storedName.swap(n);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CBrnBackupItem::Serialize(fw::CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(SourceLength());
        ar.WriteU32(StoredLength());
        ar.WriteI32(m_owned);
        ar.WriteStringZ(m_source);
        ar.WriteStringZ(m_storedName);
        return;
    }
    uint32_t sourceLen = ar.ReadU32();
    uint32_t storedLen = ar.ReadU32();
    int32_t owned = ar.ReadI32();
    std::string source = ReadPath(ar, sourceLen);
    std::string stored = ReadPath(ar, storedLen);
    m_source.swap(source);
    m_storedName.swap(stored);
    m_owned = owned;
}

CBrnBackupItemPack::CBrnBackupItemPack() : m_pDefinition(std::make_unique<CBrnFile>()) {}

CBrnBackupItemPack::CBrnBackupItemPack(const FILETIME& runTime, const CBrnFile& definition)
    : m_runTime(runTime), m_pDefinition(std::make_unique<CBrnFile>(definition)) {}

void CBrnBackupItemPack::AddItem(std::unique_ptr<CBrnBackupItem> entry) {
    m_entries.push_back(std::move(entry));
}

void CBrnBackupItemPack::Serialize(fw::CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteFileTime(m_runTime);
        ar.WriteI32(EntryCount());
        m_pDefinition->Serialize(ar);
        for (const auto& e : m_entries) e->Serialize(ar);
        return;
    }
    FILETIME runTime = ar.ReadFileTime();
    int32_t count = ar.ReadI32();
    auto definition = std::make_unique<CBrnFile>();
    definition->Serialize(ar);
    if (count < 0 || static_cast<uint64_t>(count) > ar.Remaining() / kMinEntrySize) RaiseDamaged();
    std::vector<std::unique_ptr<CBrnBackupItem>> entries;
    entries.reserve(count);
    for (int32_t i = 0; i < count; ++i) {
        auto e = std::make_unique<CBrnBackupItem>();
        e->Serialize(ar);
        entries.push_back(std::move(e));
    }
    m_runTime = runTime;
    m_pDefinition = std::move(definition);
    m_entries.swap(entries);
}

namespace store {

void WriteHistory(fw::CArchive& ar, const GUID& id,
                  const std::vector<std::unique_ptr<CBrnBackupItemPack>>& packs) {
    ar.Write(kMagic, sizeof kMagic);
    ar.WriteU32(kVersion);
    WriteGuid(ar, id);
    ar.WriteI32(static_cast<int32_t>(packs.size()));
    for (const auto& p : packs) p->Serialize(ar);
}

bool ReadHistoryHeader(fw::CArchive& ar, GUID& id, int32_t& packCount) {
    if (ar.Remaining() < kHeaderSize) return false;
    char magic[4];
    ar.Read(magic, sizeof magic);
    uint32_t version = ar.ReadU32();
    GUID readId = ReadGuid(ar);
    int32_t count = ar.ReadI32();
    if (memcmp(magic, kMagic, sizeof kMagic) != 0 || version != kVersion) return false;
    id = readId;
    packCount = count;
    return true;
}

void ReadHistory(fw::CArchive& ar, GUID& id,
                 std::vector<std::unique_ptr<CBrnBackupItemPack>>& packs) {
    try {
        ReadMagicAndVersion(ar, kMagic, kVersion);
        GUID readId = ReadGuid(ar);
        int32_t count = ar.ReadI32();
        if (count < 0 || static_cast<uint64_t>(count) > ar.Remaining() / kMinPackSize)
            RaiseDamaged();
        std::vector<std::unique_ptr<CBrnBackupItemPack>> read;
        read.reserve(count);
        for (int32_t i = 0; i < count; ++i) {
            auto p = std::make_unique<CBrnBackupItemPack>();
            p->Serialize(ar);
            read.push_back(std::move(p));
        }
        // Bytes after the last pack mean a count lower than what was written: rewriting the
        // file from what was read would drop the rest.
        if (ar.Remaining() != 0) RaiseDamaged();
        id = readId;
        packs.swap(read);
    } catch (const std::bad_alloc&) {
        throw fw::CMemoryException();
    }
}

}  // namespace store
