// Multi-byte aware string searches, stepping with the system code page's lead bytes.
#include "util/Mbcs.h"

#include <windows.h>

#include <cstring>

#include "util/CaseFold.h"

namespace util {
namespace {

// Length in bytes of the character that starts at p (1, or 2 for a lead byte with a trail).
inline size_t CharLen(const char* p) {
    return (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != 0) ? 2 : 1;
}

}  // namespace

const char* MbsChr(const char* s, char c) {
    for (const char* p = s; *p; p += CharLen(p))
        if (*p == c) return p;
    return nullptr;
}

const char* MbsRChr(const char* s, char c) {
    const char* last = nullptr;
    for (const char* p = s; *p; p += CharLen(p))
        if (*p == c) last = p;
    return last;
}

size_t MbsRFind(const std::string& s, char c) {
    const char* p = MbsRChr(s.c_str(), c);
    return p ? static_cast<size_t>(p - s.c_str()) : std::string::npos;
}

void MbsReplace(std::string& s, char from, char to) {
    for (size_t i = 0; i < s.size(); i += CharLen(s.c_str() + i))
        if (s[i] == from) s[i] = to;
}

std::string MbsUpper(const std::string& s) { return CCaseFold::Get().UpperSingleBytes(s); }

size_t MbsFind(const std::string& s, const std::string& needle, size_t pos) {
    if (needle.empty()) return pos <= s.size() ? pos : std::string::npos;
    size_t i = 0;
    while (i < pos && i < s.size()) i += CharLen(s.c_str() + i);
    for (; i + needle.size() <= s.size(); i += CharLen(s.c_str() + i))
        if (memcmp(s.data() + i, needle.data(), needle.size()) == 0) return i;
    return std::string::npos;
}

std::string NameOf(const std::string& path) {
    size_t i = MbsRFind(path, '\\');
    return i == std::string::npos ? path : path.substr(i + 1);
}

}  // namespace util
