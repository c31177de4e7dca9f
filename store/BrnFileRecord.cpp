// The ".brn" definition record and the GUID layout shared with the history file: writing them and
// reading them back with every length checked. Nothing here touches the disk.
#include <cstring>
#include <new>

#include "store/BrnFile.h"

namespace {

constexpr char kMagic[4] = {'B', 'B', 'D', 'F'};
constexpr uint32_t kVersion = 0x00010000;
// An exclusion entry is its u32 length and at least the terminating zero.
constexpr uint32_t kMinExclusionEntry = 5;

uint32_t LoadU32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

void RaiseDamaged() { throw fw::CArchiveException(fw::CArchiveException::damaged); }

// The patterns of an exclusion block; an entry that runs past the block, lacks its zero or
// leaves bytes of the block unaccounted for makes the whole record damaged.
std::vector<std::string> SplitExclusionBlock(const std::vector<char>& block, uint32_t count) {
    std::vector<std::string> patterns;
    patterns.reserve(count);
    size_t pos = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (block.size() - pos < 4) RaiseDamaged();
        uint32_t len = LoadU32(block.data() + pos);
        pos += 4;
        if (len == 0 || len > block.size() - pos) RaiseDamaged();
        const char* text = block.data() + pos;
        if (memchr(text, 0, len) != text + len - 1) RaiseDamaged();
        patterns.emplace_back(text, len - 1);
        pos += len;
    }
    if (pos != block.size()) RaiseDamaged();
    return patterns;
}

}  // namespace

namespace store {

void WriteGuid(fw::CArchive& ar, const GUID& id) {
    ar.WriteU32(id.Data1);
    unsigned char mid[4] = {
        static_cast<unsigned char>(id.Data2), static_cast<unsigned char>(id.Data2 >> 8),
        static_cast<unsigned char>(id.Data3), static_cast<unsigned char>(id.Data3 >> 8)};
    ar.Write(mid, sizeof mid);
    ar.Write(id.Data4, sizeof id.Data4);
}

GUID ReadGuid(fw::CArchive& ar) {
    GUID id;
    id.Data1 = ar.ReadU32();
    unsigned char mid[4];
    ar.Read(mid, sizeof mid);
    id.Data2 = static_cast<unsigned short>(mid[0] | (mid[1] << 8));
    id.Data3 = static_cast<unsigned short>(mid[2] | (mid[3] << 8));
    ar.Read(id.Data4, sizeof id.Data4);
    return id;
}

void ReadMagicAndVersion(fw::CArchive& ar, const char (&magic)[4], uint32_t version) {
    char read[4];
    ar.Read(read, sizeof read);
    if (memcmp(read, magic, sizeof read) != 0 || ar.ReadU32() != version)
        throw fw::CArchiveException(fw::CArchiveException::badFormat);
}

}  // namespace store

CBrnFile::CBrnFile(const CBrnFile& other)
    : fw::CObject(),
      m_folder(other.m_folder),
      m_exclusions(other.m_exclusions),
      m_identifierKnown(other.m_identifierKnown),
      m_identifier(other.m_identifier) {}

void CBrnFile::Serialize(fw::CArchive& ar) {
    if (ar.IsStoring()) {
        GUID id = m_identifier;
        // An identifier not read from a definition file is made afresh for every write, so a
        // new definition gets its own only when it is first written.
        if (!m_identifierKnown && !store::NewIdentifier(id))
            throw fw::CFileException(fw::CFileException::generic);
        uint32_t blockSize = 0;
        for (const std::string& p : m_exclusions)
            blockSize += static_cast<uint32_t>(p.size()) + kMinExclusionEntry;
        ar.Write(kMagic, sizeof kMagic);
        ar.WriteU32(kVersion);
        store::WriteGuid(ar, id);
        ar.WriteU32(static_cast<uint32_t>(m_folder.size() + 1));
        ar.WriteU32(static_cast<uint32_t>(m_exclusions.size()));
        ar.WriteU32(blockSize);
        ar.WriteStringZ(m_folder);
        for (const std::string& p : m_exclusions) {
            ar.WriteU32(static_cast<uint32_t>(p.size() + 1));
            ar.WriteStringZ(p);
        }
        return;
    }

    try {
        store::ReadMagicAndVersion(ar, kMagic, kVersion);
        GUID id = store::ReadGuid(ar);
        uint32_t folderLen = ar.ReadU32();
        uint32_t count = ar.ReadU32();
        uint32_t blockSize = ar.ReadU32();
        std::string folder = ar.ReadCountedString(folderLen, MAX_PATH);
        if (folder.find('\0') != std::string::npos) RaiseDamaged();
        // The writer gives an empty list a block size of 0 and every entry at least 5 bytes.
        if ((count == 0) != (blockSize == 0) || blockSize > ar.Remaining() ||
            count > blockSize / kMinExclusionEntry)
            RaiseDamaged();
        std::vector<std::string> exclusions = m_exclusions;
        if (count > 0) {
            std::vector<char> block(blockSize);
            ar.Read(block.data(), blockSize);
            std::vector<std::string> patterns = SplitExclusionBlock(block, count);
            exclusions.insert(exclusions.end(), patterns.begin(), patterns.end());
        }
        // Nothing is taken into the object until the whole record has been read.
        m_identifier = id;
        m_folder.swap(folder);
        m_exclusions.swap(exclusions);
    } catch (const std::bad_alloc&) {
        throw fw::CMemoryException();
    }
}
