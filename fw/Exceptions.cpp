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

UINT CFileException::MessageId() const {
    switch (m_cause) {
        case fileNotFound: return IDS_ERR_FILE_NOT_FOUND;
        case diskFull: return IDS_ERR_DISK_FULL;
        case accessDenied: return IDS_ERR_ACCESS_DENIED;
        default: return IDS_ERR_FILE_GENERIC;
    }
}

}  // namespace fw
