// Builders and strict readers of the clipboard and drag blocks; see TransferBlocks.h.
#include "store/TransferBlocks.h"

#include <cstring>

namespace store {

namespace {

void PutU32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutString(Bytes& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
}

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A string of len bytes (its zero byte included) at p: the zero must be its last byte and its
// only one.
bool TakeString(const uint8_t* p, uint32_t len, size_t limit, std::string& out) {
    if (len == 0 || len > limit || p[len - 1] != 0) return false;
    if (memchr(p, 0, len - 1)) return false;
    out.assign(reinterpret_cast<const char*>(p), len - 1);
    return true;
}

// The position of the empty string ending the list at offset first, or 0 when it does not end
// inside the block.
size_t ListEnd(const uint8_t* data, size_t size, size_t first) {
    size_t pos = first;
    while (pos < size && data[pos]) {
        const void* zero = memchr(data + pos, 0, size - pos);
        if (!zero) return 0;
        pos = static_cast<const uint8_t*>(zero) - data + 1;
    }
    return pos < size ? pos : 0;
}

bool IsNarrowList(const uint8_t* data, size_t size) {
    return data && size >= kDropFilesHeader && GetU32(data + 16) == 0 &&
           GetU32(data) >= kDropFilesHeader && GetU32(data) < size;
}

}  // namespace

Bytes BuildItemBlock(const std::vector<TransferRecord>& records) {
    Bytes out;
    PutU32(out, static_cast<uint32_t>(records.size()));
    for (const TransferRecord& r : records) {
        PutU32(out, r.timeLow);
        PutU32(out, r.timeHigh);
        PutU32(out, static_cast<uint32_t>(r.source.size() + 1));
        PutU32(out, static_cast<uint32_t>(r.copy.size() + 1));
        PutU32(out, static_cast<uint32_t>(r.description.size() + 1));
        PutString(out, r.source);
        PutString(out, r.copy);
        PutString(out, r.description);
    }
    return out;
}

Bytes BuildFileList(const std::vector<std::string>& paths, const std::vector<TransferRecord>* items,
                    uint32_t marker) {
    Bytes out;
    PutU32(out, kDropFilesHeader);
    for (int i = 0; i < 4; ++i) PutU32(out, 0);
    for (const std::string& p : paths) PutString(out, p);
    if (!items) {
        out.push_back(0);
        return out;
    }
    out.insert(out.end(), kTrailerGap, 0);
    PutU32(out, marker);
    Bytes block = BuildItemBlock(*items);
    out.insert(out.end(), block.begin(), block.end());
    out.push_back(0);
    return out;
}

Bytes BuildDropEffectBlock(uint32_t effect) {
    Bytes out;
    PutU32(out, effect);
    return out;
}

bool ReadItemBlock(const uint8_t* data, size_t size, std::vector<TransferRecord>& out) {
    if (!data || size < 4) return false;
    uint32_t count = GetU32(data);
    size_t pos = 4;
    // No room is reserved from the count: it may be anything, and each record proves itself.
    for (uint32_t i = 0; i < count; ++i) {
        if (size - pos < 20) return false;
        const uint8_t* rec = data + pos;
        TransferRecord r;
        r.timeLow = GetU32(rec);
        r.timeHigh = GetU32(rec + 4);
        const uint32_t lengths[3] = {GetU32(rec + 8), GetU32(rec + 12), GetU32(rec + 16)};
        std::string* fields[3] = {&r.source, &r.copy, &r.description};
        pos += 20;
        for (int f = 0; f < 3; ++f) {
            // Compared against what is left, never added up, so no length can wrap around.
            if (lengths[f] > size - pos) return false;
            size_t limit = f < 2 ? kMaxPath : size - pos;
            if (!TakeString(data + pos, lengths[f], limit, *fields[f])) return false;
            pos += lengths[f];
        }
        out.push_back(std::move(r));
    }
    return true;
}

bool ReadFileList(const uint8_t* data, size_t size, std::vector<std::string>& paths) {
    if (!IsNarrowList(data, size)) return false;
    size_t pos = GetU32(data);
    if (!ListEnd(data, size, pos)) return false;
    while (data[pos]) {
        const char* p = reinterpret_cast<const char*>(data + pos);
        paths.emplace_back(p);
        pos += paths.back().size() + 1;
    }
    return true;
}

size_t FindItemTrailer(const uint8_t* data, size_t size, uint32_t marker) {
    if (marker == 0 || !IsNarrowList(data, size)) return 0;
    size_t end = ListEnd(data, size, GetU32(data));
    // The marker lies 16 bytes after the terminator and the item block 20 bytes after it.
    if (!end || size - end <= kTrailerGap + 4) return 0;
    if (GetU32(data + end + kTrailerGap) != marker) return 0;
    return end + kTrailerGap + 4;
}

int DropEffectOf(const uint8_t* data, size_t size) {
    if (!data || size < 4) return 0;
    uint32_t effect = GetU32(data);
    if (effect & 1) return 1;
    if (effect & 2) return 2;
    if (effect & 4) return 3;
    return 0;
}

Bytes BuildHandOffList(const std::vector<std::string>& paths) {
    Bytes out;
    for (const std::string& p : paths) PutString(out, p);
    out.push_back(0);
    return out;
}

void ReadHandOffList(const uint8_t* data, size_t size, std::vector<std::string>& paths) {
    size_t pos = 0;
    while (data && pos < size && data[pos]) {
        const void* zero = memchr(data + pos, 0, size - pos);
        if (!zero) break;
        size_t end = static_cast<const uint8_t*>(zero) - data;
        paths.emplace_back(reinterpret_cast<const char*>(data) + pos, end - pos);
        pos = end + 1;
    }
}

}  // namespace store
