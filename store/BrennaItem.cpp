// Catalogue item: its record bytes and the values read from its stored copy.
#include "store/BrennaItem.h"

#include <algorithm>
#include <cstring>

namespace {

FILETIME NowUtc() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

}  // namespace

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
    if (stored.size() >= MAX_PATH || other.m_source.size() >= MAX_PATH) return false;
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

std::string CBrennaItem::CurrentCopy() const {
    if (m_generation == 0) return m_stored;
    return CurrentCopyOfRun();
}
