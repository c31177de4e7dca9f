// A catalogue item's record: writing it and reading it back with every length checked. Nothing
// here touches the disk, so that the reader also builds natively for fuzzing.
#include <cstring>
#include <new>

#include "fw/Archive.h"
#include "fw/Exceptions.h"
#include "store/BrennaItem.h"

namespace {

// Stored records hold paths of at most MAX_PATH bytes with their zero; anything longer was not
// written by this program and counts as damage.
constexpr uint32_t kMaxPathLen = MAX_PATH;
constexpr uint32_t kMaxDescriptionLen = 0x7FFFFFFF;

// A path holds no zero byte before its end: one would make the program act on a shorter path
// than the record names.
std::string ReadPath(fw::CArchive& ar, uint32_t len) {
    std::string s = ar.ReadCountedString(len, kMaxPathLen);
    if (s.find('\0') != std::string::npos)
        throw fw::CArchiveException(fw::CArchiveException::damaged);
    return s;
}

BOOL SetString(std::string& field, const char* text) {
    try {
        field = text ? text : "";
    } catch (const std::bad_alloc&) {
        field.clear();
        return FALSE;
    }
    return TRUE;
}

// The reader refuses a path that does not fit in kMaxPathLen with its zero, so it is never
// taken in the first place.
BOOL SetPath(std::string& field, const char* text) {
    if (text && strlen(text) >= kMaxPathLen) return FALSE;
    return SetString(field, text);
}

}  // namespace

BOOL CBrennaItem::SetSource(const char* text) { return SetPath(m_source, text); }
BOOL CBrennaItem::SetStored(const char* text) { return SetPath(m_stored, text); }
BOOL CBrennaItem::SetDescription(const char* text) { return SetString(m_description, text); }

void CBrennaItem::Serialize(fw::CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteFileTime(m_evacuationTime);
        ar.WriteU32(m_fileFlag);
        ar.WriteU32(static_cast<uint32_t>(m_source.size() + 1));
        ar.WriteU32(static_cast<uint32_t>(m_stored.size() + 1));
        ar.WriteU32(static_cast<uint32_t>(m_description.size() + 1));
        ar.WriteU32(m_generation);
        ar.WriteStringZ(m_source);
        ar.WriteStringZ(m_stored);
        ar.WriteStringZ(m_description);
    } else {
        ReadRecord(ar, true);
    }
}

void CBrennaItem::LoadVersion1(fw::CArchive& ar) { ReadRecord(ar, false); }

void CBrennaItem::ReadRecord(fw::CArchive& ar, bool hasGeneration) {
    FILETIME time = ar.ReadFileTime();
    DWORD fileFlag = ar.ReadU32();
    uint32_t l1 = ar.ReadU32(), l2 = ar.ReadU32(), l3 = ar.ReadU32();
    DWORD generation = hasGeneration ? ar.ReadU32() : 0;
    // Every length is checked against the data before anything is allocated.
    std::string source = ReadPath(ar, l1);
    std::string stored = ReadPath(ar, l2);
    std::string description = ar.ReadCountedString(l3, kMaxDescriptionLen);
    m_evacuationTime = time;
    m_fileFlag = fileFlag;
    m_generation = generation;
    m_source = std::move(source);
    m_stored = std::move(stored);
    m_description = std::move(description);
    if (m_driveOverride && !m_stored.empty()) m_stored[0] = m_driveOverride;
    // The values read from the copy come later: the catalogue refreshes what it keeps.
}
