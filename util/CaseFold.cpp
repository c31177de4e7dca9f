// The process's case-folding table.
#include "util/CaseFold.h"

#include <windows.h>

namespace util {
namespace {

unsigned UpperDoubleByte(unsigned char lead, unsigned char trail) {
    const unsigned same = static_cast<unsigned>(lead) << 8 | trail;
    const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    wchar_t wide[2];
    // An invalid pair stays as it is; a conversion would make it a default character.
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, in, 2, wide, 2) != 1) return same;
    CharUpperBuffW(wide, 1);
    char out[2];
    BOOL lossy = FALSE;
    if (WideCharToMultiByte(CP_ACP, 0, wide, 1, out, 2, nullptr, &lossy) != 2 || lossy) return same;
    return static_cast<unsigned>(static_cast<unsigned char>(out[0])) << 8 |
           static_cast<unsigned char>(out[1]);
}

}  // namespace

const CCaseFold& CCaseFold::Get() {
    static const CCaseFold fold;
    return fold;
}

CCaseFold::CCaseFold() : m_double(0x10000) {
    for (int b = 0; b < 256; ++b) {
        m_lead[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
        char lo = static_cast<char>(b), up = static_cast<char>(b);
        // Single bytes go through the locale, so accented letters of the code page fold too.
        if (b != 0 && !m_lead[b]) {
            CharLowerBuffA(&lo, 1);
            CharUpperBuffA(&up, 1);
        }
        m_lower[b] = static_cast<unsigned char>(lo);
        m_upper[b] = static_cast<unsigned char>(up);
    }
    for (int lead = 0x80; lead < 256; ++lead) {
        if (!m_lead[lead]) continue;
        for (int trail = 1; trail < 256; ++trail)
            m_double[lead << 8 | trail] = static_cast<char16_t>(
                UpperDoubleByte(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)));
    }
}

void CCaseFold::AppendFolded(const char* p, const char* end, std::u16string& out) const {
    auto q = reinterpret_cast<const unsigned char*>(p);
    auto stop = reinterpret_cast<const unsigned char*>(end);
    while (q < stop) {
        int length;
        // A lead byte whose trail lies outside the range counts alone.
        unsigned c = q + 1 < stop ? CharAt(q, length) : (length = 1, q[0]);
        out.push_back(static_cast<char16_t>(Folded(c)));
        q += length;
    }
}

int CCaseFold::Compare(const char* a, const char* b) const {
    auto pa = reinterpret_cast<const unsigned char*>(a);
    auto pb = reinterpret_cast<const unsigned char*>(b);
    for (;;) {
        int la, lb;
        unsigned ca = Folded(CharAt(pa, la)), cb = Folded(CharAt(pb, lb));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
        pa += la;
        pb += lb;
    }
}

std::string CCaseFold::Upper(const std::string& s) const {
    std::string out = s;
    auto p = reinterpret_cast<unsigned char*>(out.data());
    for (size_t i = 0; i < out.size();) {
        int length;
        unsigned c = CharAt(p + i, length);
        if (length == 2) {
            unsigned u = m_double[c];
            p[i] = static_cast<unsigned char>(u >> 8);
            p[i + 1] = static_cast<unsigned char>(u);
        } else {
            p[i] = m_upper[c];
        }
        i += length;
    }
    return out;
}

std::string CCaseFold::UpperSingleBytes(const std::string& s) const {
    std::string out = s;
    auto p = reinterpret_cast<unsigned char*>(out.data());
    for (size_t i = 0; i < out.size();) {
        int length;
        unsigned c = CharAt(p + i, length);
        if (length == 1) p[i] = m_upper[c];
        i += length;
    }
    return out;
}

}  // namespace util
