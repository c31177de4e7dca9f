// Owning wrappers for kernel handles used by the file formats and the kernel objects.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <utility>

#include "fw/ByteStream.h"

namespace fw {

// A file handle that closes itself; the buffered archive streams read and write through it.
class CFile : public CByteStream {
public:
    enum Mode { modeRead, modeReadWrite, modeCreate };
    CFile() = default;
    ~CFile() override { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // modeRead: existing file, shared for reading and for replacement by a rename. modeReadWrite: existing file, read and write.
    // modeCreate: created or truncated, write only.
    bool Open(const char* path, Mode mode);
    bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE; }
    // Reads up to n bytes; returns how many arrived. Raises CFileException on an I/O error.
    DWORD Read(void* buf, DWORD n) override;
    // Writes all n bytes or raises CFileException.
    void Write(const void* buf, DWORD n) override;
    void SeekToBegin() override;
    uint64_t GetLength() const override;
    uint64_t GetPosition() const override;
    // Forces written data to the disk; raises CFileException on failure.
    void Flush() override;
    void Close();
    HANDLE Handle() const { return m_h; }

private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
};

// Any other kernel handle: events, mutexes, threads, and files opened outside CFile.
class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE h) : m_h(h) {}
    ~CHandle() { Reset(); }
    CHandle(CHandle&& o) noexcept : m_h(std::exchange(o.m_h, nullptr)) {}
    CHandle& operator=(CHandle&& o) noexcept {
        if (this != &o) {
            Reset();
            m_h = std::exchange(o.m_h, nullptr);
        }
        return *this;
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    void Reset(HANDLE h = nullptr) {
        if (*this) CloseHandle(m_h);
        m_h = h;
    }
    HANDLE Get() const { return m_h; }
    // CreateFileA fails with INVALID_HANDLE_VALUE, the other creators with null: neither is open.
    explicit operator bool() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_h = nullptr;
};

// A FindFirstFileA search that closes itself.
class CFindFile {
public:
    explicit CFindFile(const char* pattern) { m_h = FindFirstFileA(pattern, &m_data); }
    ~CFindFile() {
        if (m_h != INVALID_HANDLE_VALUE) FindClose(m_h);
    }
    CFindFile(const CFindFile&) = delete;
    CFindFile& operator=(const CFindFile&) = delete;
    bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE; }
    const WIN32_FIND_DATAA& Data() const { return m_data; }
    bool Next() { return FindNextFileA(m_h, &m_data) != FALSE; }
    // True for the "." and ".." entries every listing starts with.
    bool IsDots() const {
        const char* n = m_data.cFileName;
        return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
    }

private:
    HANDLE m_h;
    WIN32_FIND_DATAA m_data{};
};

// Copies, deletes and renames that wait out a moment's sharing: virus scanners and indexers open
// new files briefly, so a sharing or lock violation is tried again for about a second before it
// counts. They go through the checked calls of fw/Faults.h.
BOOL CopyFileRetrying(const char* from, const char* to, BOOL failIfExists);
BOOL DeleteFileRetrying(const char* path);
BOOL MoveFileRetrying(const char* from, const char* to, DWORD flags);

// Called with the bytes of a file copied so far; false cancels the copy.
using CopyProgress = std::function<bool(uint64_t done)>;
// CopyFileRetrying for a file listed at size bytes that tells progress after each block and
// stops when it says so: the partial target is then removed and the call fails with
// ERROR_REQUEST_ABORTED. Like CopyFileA, the target gets the source's attributes and last-write
// time, and a failed copy leaves no target.
BOOL CopyFileReporting(const char* from, const char* to, BOOL failIfExists, uint64_t size,
                       const CopyProgress& progress);

}  // namespace fw
