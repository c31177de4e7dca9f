// Letter case under the ANSI code page, for the comparisons and patterns that ignore it. The code
// page is fixed for the life of the process, so one table serves everything.
#pragma once

#include <string>
#include <vector>

namespace util {

class CCaseFold {
public:
    static const CCaseFold& Get();

    // Appends the characters of [p, end) folded for comparison: a single-byte character as its
    // lower-case form, a double-byte character as its upper-case form with the lead byte high.
    // p starts on a character boundary.
    void AppendFolded(const char* p, const char* end, std::u16string& out) const;
    // Three-way comparison of two zero-terminated strings by their folded characters.
    int Compare(const char* a, const char* b) const;
    // Every letter upper-cased, single- and double-byte.
    std::string Upper(const std::string& s) const;
    // Single-byte letters upper-cased (by the locale); double-byte characters left as they are.
    std::string UpperSingleBytes(const std::string& s) const;

private:
    CCaseFold();
    // The character at p (lead << 8 | trail for a double-byte one) and its length.
    unsigned CharAt(const unsigned char* p, int& length) const {
        if (m_lead[p[0]] && p[1] != 0) {
            length = 2;
            return static_cast<unsigned>(p[0]) << 8 | p[1];
        }
        length = 1;
        return p[0];
    }
    unsigned Folded(unsigned c) const { return c > 0xFF ? m_double[c] : m_lower[c]; }

    bool m_lead[256];
    unsigned char m_lower[256];
    unsigned char m_upper[256];
    // The upper-case form of each double-byte character; the character itself when its upper
    // case is not one double-byte character of the code page.
    std::vector<char16_t> m_double;
};

}  // namespace util
