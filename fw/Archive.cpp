// Buffered archive stream.
#include "fw/Archive.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "fw/Exceptions.h"

namespace fw {

CArchive::CArchive(CByteStream& file, Mode mode) : m_file(file), m_mode(mode), m_buf(kBufferSize) {
    if (mode == load) {
        uint64_t len = file.GetLength(), pos = file.GetPosition();
        m_remaining = len > pos ? len - pos : 0;
    }
}

void CArchive::Fill() {
    m_pos = 0;
    m_len = m_file.Read(m_buf.data(), kBufferSize);
}

DWORD CArchive::ReadSome(void* buf, DWORD n) {
    char* out = static_cast<char*>(buf);
    DWORD done = 0;
    while (done < n) {
        if (m_pos == m_len) {
            Fill();
            if (m_len == 0) break;
        }
        DWORD take = std::min(n - done, m_len - m_pos);
        memcpy(out + done, m_buf.data() + m_pos, take);
        m_pos += take;
        done += take;
    }
    m_remaining -= std::min<uint64_t>(m_remaining, done);
    return done;
}

void CArchive::Read(void* buf, DWORD n) {
    if (n > m_remaining || ReadSome(buf, n) != n)
        throw CArchiveException(CArchiveException::endOfFile);
}

uint32_t CArchive::ReadU32() {
    unsigned char b[4];
    Read(b, 4);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

FILETIME CArchive::ReadFileTime() {
    FILETIME ft;
    ft.dwLowDateTime = ReadU32();
    ft.dwHighDateTime = ReadU32();
    return ft;
}

std::string CArchive::ReadCountedString(uint32_t len, uint32_t maxLen) {
    if (len == 0 || len > maxLen || len > m_remaining)
        throw CArchiveException(CArchiveException::damaged);
    std::string s;
    try {
        s.resize(len);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    Read(s.data(), len);
    if (s.back() != '\0') throw CArchiveException(CArchiveException::damaged);
    s.pop_back();
    return s;
}

void CArchive::Write(const void* buf, DWORD n) {
    const char* in = static_cast<const char*>(buf);
    while (n > 0) {
        if (m_len == kBufferSize) Flush();
        DWORD take = std::min(n, kBufferSize - m_len);
        memcpy(m_buf.data() + m_len, in, take);
        m_len += take;
        in += take;
        n -= take;
    }
}

void CArchive::WriteU32(uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    Write(b, 4);
}

void CArchive::WriteFileTime(const FILETIME& ft) {
    WriteU32(ft.dwLowDateTime);
    WriteU32(ft.dwHighDateTime);
}

void CArchive::WriteStringZ(const std::string& s) { Write(s.c_str(), static_cast<DWORD>(s.size() + 1)); }

void CArchive::Flush() {
    if (m_mode == store && m_len > 0) {
        m_file.Write(m_buf.data(), m_len);
        m_len = 0;
    }
}

uint64_t CArchive::GetPosition() const {
    return m_mode == store ? m_file.GetPosition() + m_len : m_file.GetPosition() - (m_len - m_pos);
}

}  // namespace fw
