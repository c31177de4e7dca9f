// Standard texts of the framework-style errors.
#include "fw/Exceptions.h"

#include "string_ids.h"

namespace fw {

UINT CMemoryException::MessageId() const { return IDS_ERR_NO_MEMORY; }

UINT CArchiveException::MessageId() const {
    switch (m_cause) {
        case endOfFile: return IDS_ERR_END_OF_FILE;
        case badFormat: return IDS_ERR_BAD_FORMAT;
        default: return IDS_ERR_DAMAGED;
    }
}

CFileException CFileException::FromLastError(DWORD err) {
    switch (err) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return CFileException(fileNotFound);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return CFileException(diskFull);
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return CFileException(accessDenied);
        default: return CFileException(generic);
    }
}

UINT CFileException::MessageId() const {
    switch (m_cause) {
        case fileNotFound: return IDS_ERR_FILE_NOT_FOUND;
        case diskFull: return IDS_ERR_DISK_FULL;
        case accessDenied: return IDS_ERR_ACCESS_DENIED;
        default: return IDS_ERR_FILE_GENERIC;
    }
}

}  // namespace fw
