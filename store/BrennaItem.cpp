// Catalogue item: its record bytes and the values read from its stored copy.
#include "store/BrennaItem.h"

#include <algorithm>
#include <cstring>

#include "fw/Archive.h"
#include "fw/Exceptions.h"

namespace {

// Stored records hold paths of at most MAX_PATH bytes with their zero; anything longer was not
// written by this program and counts as damage.
constexpr uint32_t kMaxPathLen = MAX_PATH;
constexpr uint32_t kMaxDescriptionLen = 0x7FFFFFFF;

BOOL SetString(std::string& field, const char* text) {
    try {
        field = text ? text : "";
    } catch (const std::bad_alloc&) {
        field.clear();
        return FALSE;
    }
    return TRUE;
}

FILETIME NowUtc() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return ft;
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

BOOL CBrennaItem::InitNew(const char* source, const char* stored, DWORD fileFlag) {
    if (!SetSource(source) || !SetStored(stored)) return FALSE;
    m_fileFlag = fileFlag;
    m_evacuationTime = NowUtc();
    return Refresh();
}

BOOL CBrennaItem::InitWithTime(const char* source, const char* stored, DWORD fileFlag,
                               FILETIME time) {
    if (!SetSource(source) || !SetStored(stored)) return FALSE;
    m_evacuationTime = time;
    m_fileFlag = fileFlag;
    return Refresh();
}

BOOL CBrennaItem::Refresh() { return RefreshFrom(CurrentCopy()); }

BOOL CBrennaItem::RefreshFrom(const std::string& copy) {
    // One attribute query gives the attributes, the three times and the size that opening the
    // copy would: a catalogue of 100,000 items loads in a fraction of the time.
    WIN32_FILE_ATTRIBUTE_DATA data;
    m_size = 0;
    if (copy.empty() || !GetFileAttributesExA(copy.c_str(), GetFileExInfoStandard, &data)) {
        m_attributes = INVALID_FILE_ATTRIBUTES;
        return m_fileFlag == 0;
    }
    m_attributes = data.dwFileAttributes;
    if (m_fileFlag == 0) return TRUE;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FALSE;
    m_size = data.nFileSizeLow;
    m_creationTime = data.ftCreationTime;
    m_lastAccessTime = data.ftLastAccessTime;
    m_lastWriteTime = data.ftLastWriteTime;
    return TRUE;
}

bool CBrennaItem::CopyRebased(const CBrennaItem& other, const std::string& oldFolder,
                              const std::string& newFolder) {
    std::string stored =
        newFolder + other.m_stored.substr(std::min(oldFolder.size(), other.m_stored.size()));
    if (stored.size() >= kMaxPathLen || other.m_source.size() >= kMaxPathLen) return false;
    m_evacuationTime = other.m_evacuationTime;
    m_fileFlag = other.m_fileFlag;
    m_generation = other.m_generation;
    m_source = other.m_source;
    m_description = other.m_description;
    m_creationTime = other.m_creationTime;
    m_lastWriteTime = other.m_lastWriteTime;
    m_lastAccessTime = other.m_lastAccessTime;
    m_typeText = other.m_typeText;
    m_attributes = other.m_attributes;
    m_size = other.m_size;
    m_stored.swap(stored);
    return true;
}

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
    std::string source = ar.ReadCountedString(l1, kMaxPathLen);
    std::string stored = ar.ReadCountedString(l2, kMaxPathLen);
    std::string description = ar.ReadCountedString(l3, kMaxDescriptionLen);
    m_evacuationTime = time;
    m_fileFlag = fileFlag;
    m_generation = generation;
    m_source = std::move(source);
    m_stored = std::move(stored);
    m_description = std::move(description);
    if (m_driveOverride && !m_stored.empty()) m_stored[0] = m_driveOverride;
    // A backup-run item is refreshed once the catalogue has linked it to its history. A missing
    // copy of an ordinary item shows as attributes 0xFFFFFFFF; the catalogue reports it.
    if (m_generation == 0) Refresh();
}

std::string CBrennaItem::CurrentCopy() const {
    if (m_generation == 0) return m_stored;
    return CurrentCopyOfRun();
}
