// The ".brn" definition record: writing it, reading it back with every length checked, and the
// file kept open while a definition is edited.
#include "store/BrnFile.h"

#include <objbase.h>

#include <cstring>
#include <new>

#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "string_ids.h"
#include "util/Mbcs.h"

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

void ReportFault(const fw::CException& e, const std::string& path) {
    std::string cause = fw::LoadStr(e.MessageId());
    fw::MessageText(path.empty() ? cause
                                 : fw::FormatStr(IDS_FAULT_IN_FILE, cause.c_str(), path.c_str()));
}

}  // namespace store

CBrnFile::CBrnFile(const CBrnFile& other)
    : fw::CObject(),
      m_folder(other.m_folder),
      m_exclusions(other.m_exclusions),
      m_identifierKnown(other.m_identifierKnown),
      m_identifier(other.m_identifier) {}

bool CBrnFile::SetFolder(const std::string& path) {
    try {
        std::string folder = path;
        // Only a whole backslash character goes: a double-byte character may end in 0x5C.
        while (!folder.empty() && util::MbsRFind(folder, '\\') == folder.size() - 1)
            folder.pop_back();
        if (folder.size() >= MAX_PATH) return false;
        m_folder.swap(folder);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CBrnFile::SetExclusions(const char* text) {
    try {
        std::vector<std::string> patterns;
        for (const char* p = text; p && *p;) {
            const char* sep = util::MbsChr(p, ';');
            size_t len = sep ? static_cast<size_t>(sep - p) : strlen(p);
            if (len > 0) patterns.emplace_back(p, len);
            p = sep ? sep + 1 : nullptr;
        }
        m_exclusions.swap(patterns);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CBrnFile::OpenForEdit(const std::string& path) {
    Close();
    return store::ReportingFaults(path, [&] {
        auto file = std::make_unique<fw::CFile>();
        if (!file->Open(path.c_str(), fw::CFile::modeReadWrite)) return false;
        {
            fw::CArchive ar(*file, fw::CArchive::load);
            Serialize(ar);
        }
        file->SeekToBegin();
        m_identifierKnown = 1;
        m_pFile = std::move(file);
        m_path = path;
        return true;
    });
}

bool CBrnFile::CreateNew(const std::string& path) {
    Close();
    try {
        auto file = std::make_unique<fw::CFile>();
        if (!file->Open(path.c_str(), fw::CFile::modeCreate)) return false;
        m_pFile = std::move(file);
        m_path = path;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CBrnFile::Load(const std::string& path) {
    fw::CFile file;
    if (!file.Open(path.c_str(), fw::CFile::modeRead)) return false;
    return store::ReportingFaults(path, [&] {
        fw::CArchive ar(file, fw::CArchive::load);
        Serialize(ar);
        m_identifierKnown = 1;
        return true;
    });
}

bool CBrnFile::Save() {
    if (!m_pFile) return false;
    return store::ReportingFaults(m_path, [&] {
        // No truncation: a shorter record leaves the tail of the old one, which readers skip.
        fw::CArchive ar(*m_pFile, fw::CArchive::store);
        Serialize(ar);
        ar.Flush();
        m_pFile->Flush();
        return true;
    });
}

void CBrnFile::Close() { m_pFile.reset(); }

void CBrnFile::Serialize(fw::CArchive& ar) {
    if (ar.IsStoring()) {
        GUID id = m_identifier;
        // An identifier not read from a definition file is made afresh for every write, so a
        // new definition gets its own only when it is first written.
        if (!m_identifierKnown && FAILED(CoCreateGuid(&id)))
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
