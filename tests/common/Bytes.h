// Little-endian byte images for building and reading the program's file formats in tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace testutil {

// The four bytes of v, least significant first.
inline std::string U32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

// A GUID in its in-memory layout: Data1, Data2, Data3 little-endian, then Data4.
inline std::string GuidBytes(const GUID& g) {
    return U32(g.Data1) + U32(g.Data2 | (static_cast<uint32_t>(g.Data3) << 16)) +
           std::string(reinterpret_cast<const char*>(g.Data4), 8);
}

// The u32 at offset of bytes (which must hold it).
inline uint32_t U32At(const std::string& bytes, size_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes.at(offset + i));
    return v;
}

inline int32_t I32At(const std::string& bytes, size_t offset) {
    return static_cast<int32_t>(U32At(bytes, offset));
}

inline GUID GuidAt(const std::string& bytes, size_t offset) {
    GUID g;
    memcpy(&g, bytes.substr(offset, sizeof g).data(), sizeof g);
    return g;
}

}  // namespace testutil
