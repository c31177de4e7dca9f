// Buffered little-endian byte stream over a file or memory, the way the program's data files are
// written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fw/ByteStream.h"
#include "fw/WinTypes.h"

namespace fw {

class CArchive {
public:
    enum Mode { load, store };
    static constexpr DWORD kBufferSize = 4096;

    CArchive(CByteStream& file, Mode mode);
    // A store archive that was neither flushed nor closed drops its buffer.
    ~CArchive() = default;
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }

    // Reading. Every read that cannot be satisfied from the file raises
    // CArchiveException(endOfFile); nothing is ever taken from beyond the data.
    void Read(void* buf, DWORD n);
    // Reads up to n bytes and returns how many arrived (a header probe).
    DWORD ReadSome(void* buf, DWORD n);
    uint32_t ReadU32();
    int32_t ReadI32() { return static_cast<int32_t>(ReadU32()); }
    FILETIME ReadFileTime();
    // Bytes not yet consumed; lengths announced by a record are checked against it first.
    uint64_t Remaining() const { return m_remaining; }
    // Reads a string stored with a length that counts its terminating zero byte. A length of 0,
    // one past the data, over maxLen, or a string whose last byte is not zero raises
    // CArchiveException(damaged).
    std::string ReadCountedString(uint32_t len, uint32_t maxLen);

    // Writing; file errors raise CFileException.
    void Write(const void* buf, DWORD n);
    void WriteU32(uint32_t v);
    void WriteI32(int32_t v) { WriteU32(static_cast<uint32_t>(v)); }
    void WriteFileTime(const FILETIME& ft);
    // Writes the bytes of s and its terminating zero.
    void WriteStringZ(const std::string& s);
    // Writes the buffer to the file.
    void Flush();
    // Where the next byte is read from or written to, counted from the stream's start.
    uint64_t GetPosition() const;

private:
    void Fill();

    CByteStream& m_file;
    Mode m_mode;
    std::vector<char> m_buf;
    DWORD m_pos = 0;
    DWORD m_len = 0;
    uint64_t m_remaining = 0;
};

}  // namespace fw
