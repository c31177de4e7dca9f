// The framework-style errors raised while a whole file is read or written, and their user texts.
#pragma once

#include "fw/WinTypes.h"

namespace fw {

// Raised where the program's own byte formats are read and written; caught where a whole file
// is processed, never inside a window procedure.
class CException {
public:
    virtual ~CException() = default;
    // String table id of the standard message for this error.
    virtual UINT MessageId() const = 0;
};

class CMemoryException : public CException {
public:
    UINT MessageId() const override;
};

class CArchiveException : public CException {
public:
    enum Cause { endOfFile, badFormat, damaged };
    explicit CArchiveException(Cause c) : m_cause(c) {}
    UINT MessageId() const override;
    Cause m_cause;
};

class CFileException : public CException {
public:
    enum Cause { generic, fileNotFound, diskFull, accessDenied };
    explicit CFileException(Cause c) : m_cause(c) {}
    // The cause of a system error code (defined with the file layer).
    static CFileException FromLastError(DWORD err);
    UINT MessageId() const override;
    Cause m_cause;
};

}  // namespace fw
