// Memory byte stream.
#include "fw/MemFile.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "fw/Exceptions.h"

namespace fw {

CMemFile::CMemFile(const void* data, size_t size) {
    try {
        m_data.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
}

DWORD CMemFile::Read(void* buf, DWORD n) {
    size_t take = std::min<size_t>(n, m_data.size() - std::min(m_pos, m_data.size()));
    if (take > 0) memcpy(buf, m_data.data() + m_pos, take);
    m_pos += take;
    return static_cast<DWORD>(take);
}

void CMemFile::Write(const void* buf, DWORD n) {
    try {
        if (m_pos + n > m_data.size()) m_data.resize(m_pos + n);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    if (n > 0) memcpy(m_data.data() + m_pos, buf, n);
    m_pos += n;
}

}  // namespace fw
