// Multi-byte aware searches in ANSI strings: the trail byte of a double-byte character (which
// may be 0x5C, the backslash) is never taken for a separator.
#pragma once

#include <string>

namespace util {

// Pointer to the first / last single-byte character c in s, or nullptr.
const char* MbsChr(const char* s, char c);
const char* MbsRChr(const char* s, char c);
inline char* MbsChr(char* s, char c) { return const_cast<char*>(MbsChr(const_cast<const char*>(s), c)); }
inline char* MbsRChr(char* s, char c) { return const_cast<char*>(MbsRChr(const_cast<const char*>(s), c)); }

// Index of the last single-byte character c in s, or std::string::npos.
size_t MbsRFind(const std::string& s, char c);

// Replaces every single-byte character from in s by to.
void MbsReplace(std::string& s, char from, char to);

// Upper-cases the single-byte letters of s (by the locale) and leaves double-byte characters alone.
std::string MbsUpper(const std::string& s);

// Finds needle in s at or after pos, starting only on character boundaries; npos when absent.
size_t MbsFind(const std::string& s, const std::string& needle, size_t pos = 0);

// The part of path after its last backslash, or the whole path when there is none.
std::string NameOf(const std::string& path);

}  // namespace util
