// A byte stream over memory: records are read from a block that arrived from elsewhere, or
// written into one, without touching a disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fw/ByteStream.h"

namespace fw {

class CMemFile : public CByteStream {
public:
    // An empty stream to write into.
    CMemFile() = default;
    // A stream over a copy of size bytes at data, positioned at its start.
    CMemFile(const void* data, size_t size);

    DWORD Read(void* buf, DWORD n) override;
    // Writes at the position, growing the data; raises CMemoryException when memory runs out.
    void Write(const void* buf, DWORD n) override;
    void SeekToBegin() override { m_pos = 0; }
    uint64_t GetLength() const override { return m_data.size(); }
    uint64_t GetPosition() const override { return m_pos; }
    void Flush() override {}

    const std::vector<uint8_t>& Data() const { return m_data; }

private:
    std::vector<uint8_t> m_data;
    size_t m_pos = 0;
};

}  // namespace fw
