// What the buffered archive streams read from and write to: a file on disk or bytes in memory.
#pragma once

#include <cstdint>

#include "fw/WinTypes.h"

namespace fw {

class CByteStream {
public:
    virtual ~CByteStream() = default;
    // Reads up to n bytes; returns how many arrived. Raises CFileException on an I/O error.
    virtual DWORD Read(void* buf, DWORD n) = 0;
    // Writes all n bytes or raises CFileException.
    virtual void Write(const void* buf, DWORD n) = 0;
    virtual void SeekToBegin() = 0;
    virtual uint64_t GetLength() const = 0;
    virtual uint64_t GetPosition() const = 0;
    // Forces written data to their medium; raises CFileException on failure.
    virtual void Flush() = 0;
};

}  // namespace fw
