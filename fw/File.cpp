// Kernel file handle wrapper.
#include "fw/File.h"

#include "fw/Exceptions.h"
#include "fw/Faults.h"

#include <memory>
#include <new>

namespace fw {

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

bool CFile::Open(const char* path, Mode mode) {
    Close();
    // Readers let a finished save be renamed over the file they are reading.
    DWORD access = GENERIC_READ, share = FILE_SHARE_READ | FILE_SHARE_DELETE, disp = OPEN_EXISTING;
    if (mode == modeReadWrite) {
        access = GENERIC_READ | GENERIC_WRITE;
        share = 0;
    } else if (mode == modeCreate) {
        access = GENERIC_WRITE;
        share = 0;
        disp = CREATE_ALWAYS;
    }
    m_h = CreateFileChecked(path, access, share, disp, FILE_ATTRIBUTE_NORMAL);
    return IsOpen();
}

DWORD CFile::Read(void* buf, DWORD n) {
    DWORD got = 0;
    if (!ReadFile(m_h, buf, n, &got, nullptr)) throw CFileException::FromLastError(GetLastError());
    return got;
}

void CFile::Write(const void* buf, DWORD n) {
    DWORD done = 0;
    if (!WriteFileChecked(m_h, buf, n, &done) || done != n)
        throw CFileException::FromLastError(GetLastError());
}

void CFile::SeekToBegin() {
    if (SetFilePointer(m_h, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        throw CFileException::FromLastError(GetLastError());
}

uint64_t CFile::GetLength() const {
    LARGE_INTEGER li{};
    if (!GetFileSizeEx(m_h, &li)) return 0;
    return static_cast<uint64_t>(li.QuadPart);
}

uint64_t CFile::GetPosition() const {
    LARGE_INTEGER zero{}, pos{};
    if (!SetFilePointerEx(m_h, zero, &pos, FILE_CURRENT)) return 0;
    return static_cast<uint64_t>(pos.QuadPart);
}

void CFile::Flush() {
    if (!FlushChecked(m_h)) throw CFileException::FromLastError(GetLastError());
}

void CFile::Close() {
    if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    m_h = INVALID_HANDLE_VALUE;
}

namespace {

template <class Op>
BOOL RetryWhileShared(Op op) {
    constexpr int kTries = 20;
    constexpr DWORD kPauseMs = 50;
    BOOL done = op();
    for (int attempt = 1; !done && attempt < kTries; ++attempt) {
        DWORD err = GetLastError();
        if (err != ERROR_SHARING_VIOLATION && err != ERROR_LOCK_VIOLATION) break;
        Sleep(kPauseMs);
        done = op();
    }
    return done;
}

}  // namespace

BOOL CopyFileRetrying(const char* from, const char* to, BOOL failIfExists) {
    return RetryWhileShared([&] { return CopyFileChecked(from, to, failIfExists); });
}

namespace {

// Copies are made block by block, so that a cancel takes effect within a block.
constexpr DWORD kCopyBlock = 1 << 20;

BOOL CopyInBlocks(const char* from, const char* to, BOOL failIfExists, const CopyProgress& progress) {
    CHandle source(CreateFileA(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) return FALSE;
    // Attributes, times and size only: the full handle information also asks for the volume's
    // serial number, which costs more than the rest of a small copy.
    FILE_BASIC_INFO info;
    LARGE_INTEGER length;
    if (!GetFileInformationByHandleEx(source.Get(), FileBasicInfo, &info, sizeof info) ||
        !GetFileSizeEx(source.Get(), &length))
        return FALSE;
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                       FILE_ATTRIBUTE_ARCHIVE;
    DWORD attributes = info.FileAttributes & kept;
    CHandle target(CreateFileChecked(to, GENERIC_WRITE, 0, failIfExists ? CREATE_NEW : CREATE_ALWAYS,
                                     (attributes ? attributes : FILE_ATTRIBUTE_NORMAL) |
                                         FILE_FLAG_SEQUENTIAL_SCAN));
    if (!target) return FALSE;
    auto fail = [&](DWORD error) {
        target.Reset();
        // The target was made read-only like its source; it goes all the same.
        SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(to);
        SetLastError(error);
        return FALSE;
    };
    // One buffer per thread for all its copies: most files are small, and a large block
    // allocated for each would cost more than the copy.
    thread_local std::unique_ptr<char[]> buffer;
    if (!buffer) buffer.reset(new (std::nothrow) char[kCopyBlock]);
    if (!buffer) return fail(ERROR_NOT_ENOUGH_MEMORY);
    uint64_t done = 0;
    for (bool first = true;; first = false) {
        DWORD got = 0;
        if (!ReadFile(source.Get(), buffer.get(), kCopyBlock, &got, nullptr)) return fail(GetLastError());
        // An empty file is written too (with nothing), so that every copy has its write step.
        if (got == 0 && !first) break;
        DWORD written = 0;
        if (!WriteFileChecked(target.Get(), buffer.get(), got, &written) || written != got)
            return fail(GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
        if (got == 0) break;
        done += got;
        if (!progress(done)) return fail(ERROR_REQUEST_ABORTED);
        // A short block was the last: no further read is needed to find the end.
        if (got < kCopyBlock && done >= static_cast<uint64_t>(length.QuadPart)) break;
    }
    FILETIME lastWrite;
    lastWrite.dwLowDateTime = static_cast<DWORD>(info.LastWriteTime.QuadPart);
    lastWrite.dwHighDateTime = static_cast<DWORD>(info.LastWriteTime.QuadPart >> 32);
    if (!SetFileTime(target.Get(), nullptr, nullptr, &lastWrite)) return fail(GetLastError());
    return TRUE;
}

}  // namespace

BOOL CopyFileReporting(const char* from, const char* to, BOOL failIfExists, uint64_t size,
                       const CopyProgress& progress) {
    // A copy that may replace a file (a restore, a write-out) goes through CopyFileA, which
    // knows how to replace what is there, unless it is large enough to want cancelling within.
    // New copies into the repository are made here: they cost less than CopyFileA's, which asks
    // the file system more per file.
    if (!progress || (!failIfExists && size <= kCopyBlock)) {
        if (progress && !progress(0)) {
            SetLastError(ERROR_REQUEST_ABORTED);
            return FALSE;
        }
        return CopyFileRetrying(from, to, failIfExists);
    }
    return RetryWhileShared([&] { return CopyInBlocks(from, to, failIfExists, progress); });
}

BOOL DeleteFileRetrying(const char* path) {
    return RetryWhileShared([&] { return DeleteFileChecked(path); });
}

BOOL MoveFileRetrying(const char* from, const char* to, DWORD flags) {
    return RetryWhileShared([&] { return MoveFileChecked(from, to, flags); });
}

}  // namespace fw
