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

// The run time, entry count and definition that begin every pack.
struct PackHead {
    FILETIME runTime;
    int32_t count;
    std::unique_ptr<CBrnFile> definition;
};

PackHead ReadPackHead(fw::CArchive& ar) {
    PackHead head;
    head.runTime = ar.ReadFileTime();
    head.count = ar.ReadI32();
    head.definition = std::make_unique<CBrnFile>();
    head.definition->Serialize(ar);
    return head;
}

// count records (entries or packs), each read whole.
template <class Record>
std::vector<std::unique_ptr<Record>> ReadRecords(fw::CArchive& ar, int32_t count) {
    std::vector<std::unique_ptr<Record>> records;
    records.reserve(count);
    for (int32_t i = 0; i < count; ++i) {
        auto r = std::make_unique<Record>();
        r->Serialize(ar);
        records.push_back(std::move(r));
    }
    return records;
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

int32_t CBrnBackupItemPack::EntryCount() const {
    return m_entriesLoaded ? static_cast<int32_t>(m_entries.size()) : m_entryCount;
}

std::string CBrnBackupItemPack::FirstStoredName() const {
    if (!m_entriesLoaded) return m_firstStored;
    return m_entries.empty() ? std::string() : m_entries.front()->StoredName();
}

const std::vector<std::unique_ptr<CBrnBackupItem>>& CBrnBackupItemPack::Entries() const {
    if (!m_entriesLoaded) throw fw::CArchiveException(fw::CArchiveException::badFormat);
    return m_entries;
}

std::vector<std::unique_ptr<CBrnBackupItem>>& CBrnBackupItemPack::Entries() {
    if (!m_entriesLoaded) throw fw::CArchiveException(fw::CArchiveException::badFormat);
    return m_entries;
}

void CBrnBackupItemPack::Relocate(uint64_t by) {
    m_offset += by;
    m_end += by;
    m_entriesOffset += by;
}

void CBrnBackupItemPack::Serialize(fw::CArchive& ar) {
    const uint64_t offset = ar.GetPosition();
    if (ar.IsStoring()) {
        const auto& entries = Entries();
        ar.WriteFileTime(m_runTime);
        ar.WriteI32(EntryCount());
        m_pDefinition->Serialize(ar);
        m_entriesOffset = ar.GetPosition();
        for (const auto& e : entries) e->Serialize(ar);
        m_offset = offset;
        m_end = ar.GetPosition();
        return;
    }
    PackHead head = ReadPackHead(ar);
    const uint64_t entriesOffset = ar.GetPosition();
    if (head.count < 0 || static_cast<uint64_t>(head.count) > ar.Remaining() / kMinEntrySize)
        RaiseDamaged();
    std::vector<std::unique_ptr<CBrnBackupItem>> entries = ReadRecords<CBrnBackupItem>(ar, head.count);
    m_runTime = head.runTime;
    m_pDefinition = std::move(head.definition);
    m_entries.swap(entries);
    m_entriesLoaded = true;
    m_entryCount = head.count;
    m_firstStored.clear();
    m_offset = offset;
    m_entriesOffset = entriesOffset;
    m_end = ar.GetPosition();
}

void CBrnBackupItemPack::ReadHead(fw::CArchive& ar, uint64_t offset, uint64_t end) {
    const uint64_t start = ar.GetPosition();
    PackHead head = ReadPackHead(ar);
    const int32_t count = head.count;
    const uint64_t entriesOffset = offset + (ar.GetPosition() - start);
    if (entriesOffset > end || count < 0 ||
        static_cast<uint64_t>(count) > (end - entriesOffset) / kMinEntrySize)
        RaiseDamaged();
    std::string first;
    if (count > 0) {
        CBrnBackupItem e;
        e.Serialize(ar);
        first = e.StoredName();
    } else if (entriesOffset != end) {
        RaiseDamaged();
    }
    m_runTime = head.runTime;
    m_pDefinition = std::move(head.definition);
    m_entries.clear();
    m_entriesLoaded = false;
    m_entryCount = count;
    m_firstStored.swap(first);
    m_offset = offset;
    m_entriesOffset = entriesOffset;
    m_end = end;
}

void CBrnBackupItemPack::ReadEntries(fw::CArchive& ar) {
    if (m_entriesLoaded) return;
    std::vector<std::unique_ptr<CBrnBackupItem>> entries;
    try {
        entries = ReadRecords<CBrnBackupItem>(ar, m_entryCount);
    } catch (const std::bad_alloc&) {
        throw fw::CMemoryException();
    }
    // The head and the entries must tell the same: the first entry as the head read it, and
    // the pack ending where the next begins.
    if (ar.Remaining() != 0 || (!entries.empty() && entries.front()->StoredName() != m_firstStored))
        RaiseDamaged();
    m_entries.swap(entries);
    m_entriesLoaded = true;
    m_firstStored.clear();
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
        std::vector<std::unique_ptr<CBrnBackupItemPack>> read =
            ReadRecords<CBrnBackupItemPack>(ar, count);
        // Bytes after the last pack mean a count lower than what was written: rewriting the
        // file from what was read would drop the rest.
        if (ar.Remaining() != 0) RaiseDamaged();
        id = readId;
        packs.swap(read);
    } catch (const std::bad_alloc&) {
        throw fw::CMemoryException();
    }
}

constexpr char kIndexMagic[4] = {'B', 'R', 'N', 'X'};
constexpr uint32_t kIndexVersion = 1;

void WriteHistoryIndex(fw::CArchive& ar, const HistoryIndex& index) {
    ar.Write(kIndexMagic, sizeof kIndexMagic);
    ar.WriteU32(kIndexVersion);
    ar.WriteU32(static_cast<uint32_t>(index.size));
    ar.WriteU32(static_cast<uint32_t>(index.size >> 32));
    ar.WriteFileTime(index.creation);
    ar.WriteFileTime(index.lastWrite);
    ar.WriteFileTime(index.lastRunTime);
    ar.WriteU32(static_cast<uint32_t>(index.offsets.size()));
    for (uint64_t o : index.offsets) {
        ar.WriteU32(static_cast<uint32_t>(o));
        ar.WriteU32(static_cast<uint32_t>(o >> 32));
    }
}

bool ReadHistoryIndex(fw::CArchive& ar, HistoryIndex& index) {
    try {
        char magic[4];
        if (ar.Remaining() < 44) return false;
        ar.Read(magic, sizeof magic);
        if (memcmp(magic, kIndexMagic, sizeof kIndexMagic) != 0 || ar.ReadU32() != kIndexVersion)
            return false;
        HistoryIndex read;
        read.size = ar.ReadU32();
        read.size |= static_cast<uint64_t>(ar.ReadU32()) << 32;
        read.creation = ar.ReadFileTime();
        read.lastWrite = ar.ReadFileTime();
        read.lastRunTime = ar.ReadFileTime();
        uint32_t count = ar.ReadU32();
        if (count == 0 || count > ar.Remaining() / 8 || ar.Remaining() != uint64_t{count} * 8)
            return false;
        read.offsets.resize(count);
        uint64_t previous = 0;
        for (uint64_t& o : read.offsets) {
            o = ar.ReadU32();
            o |= static_cast<uint64_t>(ar.ReadU32()) << 32;
            // Each pack at least as long as the smallest pack, the first right after the header.
            if ((previous == 0 ? o != kHeaderSize : o < previous + kMinPackSize) ||
                o > read.size || read.size - o < kMinPackSize)
                return false;
            previous = o;
        }
        index = std::move(read);
        return true;
    } catch (const fw::CException&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace store
