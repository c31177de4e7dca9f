// The extension bridge: registry look-up, loading by ordinal, and bounded copies of what the
// extension hands back.
#include "store/QuillonBridge.h"

#include "fw/RegKey.h"
#include "util/Mbcs.h"

namespace {

// The entry points that are called, all with the standard Windows calling convention.
using InitFn = DWORD(WINAPI*)();
using TermFn = void(WINAPI*)(DWORD ctx);
using OpenFn = DWORD(WINAPI*)(DWORD ctx, DWORD parentId, DWORD param);
// The child id comes back in the low 16 bits; the upper half of EAX is not relied on.
using NextFn = int(WINAPI*)(DWORD ctx, DWORD handle, char** caption, DWORD* record, DWORD zero);
using CloseFn = void(WINAPI*)(DWORD ctx, DWORD handle);
using PathFn = BOOL(WINAPI*)(DWORD ctx, DWORD id, char** path);
using ReleaseFn = void(WINAPI*)(DWORD ctx, char* text);

constexpr WORD kInit = 1, kTerm = 2, kOpen = 3, kNext = 4, kClose = 7, kPath = 16, kRelease = 30;

// The length of text within limit bytes, or limit when no terminator lies within them. An
// extension's string is never read past limit.
size_t BoundedLength(const char* text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n]) ++n;
    return n;
}

}  // namespace

CQuillonWrapper::~CQuillonWrapper() {
    if (m_context) reinterpret_cast<TermFn>(Entry(kTerm))(m_context);
    m_context = 0;
}

FARPROC CQuillonWrapper::Entry(WORD ordinal) const {
    for (size_t i = 0; i < std::size(kOrdinals); ++i)
        if (kOrdinals[i] == ordinal) return m_entries[i];
    return nullptr;
}

BOOL CQuillonWrapper::LoadExtension() {
    if (m_context) return TRUE;
    fw::CRegKey key;
    if (!key.Open(HKEY_CURRENT_USER, kLocationKey, KEY_QUERY_VALUE)) return FALSE;
    char value[MAX_PATH + 1] = {};
    DWORD type = 0, size = MAX_PATH;
    if (RegQueryValueExA(key.Get(), kExePathValue, nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return FALSE;
    std::string exe(value, BoundedLength(value, size));
    // Only a dot in the file name itself starts the extension: cutting at a dot in a folder
    // name would load an unrelated library.
    size_t dot = util::MbsRFind(exe, '.');
    size_t slash = util::MbsRFind(exe, '\\');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return FALSE;
    // The library lies beside the executable under its base name; ".dll" is what LoadLibraryA
    // would add to a name without an extension.
    std::string library = exe.substr(0, dot) + ".dll";
    if (library.size() >= MAX_PATH) return FALSE;
    m_library.Reset(LoadLibraryA(library.c_str()));
    if (!m_library) return FALSE;
    // Fetched by ordinal only: MAKEINTRESOURCE makes GetProcAddress look the number up.
    for (size_t i = 0; i < std::size(kOrdinals); ++i)
        m_entries[i] = GetProcAddress(m_library.Get(), MAKEINTRESOURCEA(kOrdinals[i]));
    // A library lacking an entry point that is called counts as absent.
    for (WORD called : {kInit, kTerm, kOpen, kNext, kClose, kPath, kRelease}) {
        if (!Entry(called)) {
            m_library.Reset();
            return FALSE;
        }
    }
    m_context = reinterpret_cast<InitFn>(Entry(kInit))();
    if (!m_context) m_library.Reset();
    return m_context != 0;
}

DWORD CQuillonWrapper::OpenChildren(WORD parentId, DWORD param) const {
    if (!m_context) return 0;
    return reinterpret_cast<OpenFn>(Entry(kOpen))(m_context, parentId, param);
}

bool CQuillonWrapper::NextChild(DWORD handle, Child& child) const {
    if (!m_context) return false;
    char* caption = nullptr;
    DWORD record[2] = {0, 0};
    int id = reinterpret_cast<NextFn>(Entry(kNext))(m_context, handle, &caption, record, 0);
    child = Child{};
    child.id = static_cast<short>(LOWORD(static_cast<DWORD>(id)));
    if (child.id < 0) return false;
    child.word = record[0];
    child.param = record[1];
    if (caption) {
        child.hasCaption = true;
        size_t n = BoundedLength(caption, kMaxCaption);
        child.caption.assign(caption, n);
        // An over-long caption is cut to fit, on a character boundary.
        if (n == kMaxCaption) {
            size_t keep = 0;
            while (keep < kMaxCaption - 1) {
                size_t step = IsDBCSLeadByte(static_cast<BYTE>(child.caption[keep])) ? 2 : 1;
                if (keep + step > kMaxCaption - 1) break;
                keep += step;
            }
            child.caption.resize(keep);
        }
        Release(caption);
    }
    return true;
}

void CQuillonWrapper::CloseChildren(DWORD handle) const {
    if (m_context) reinterpret_cast<CloseFn>(Entry(kClose))(m_context, handle);
}

bool CQuillonWrapper::ItemPath(short id, std::string& path) const {
    if (!m_context) return false;
    char* text = nullptr;
    BOOL ok = reinterpret_cast<PathFn>(Entry(kPath))(m_context, static_cast<WORD>(id), &text);
    if (!text) return false;
    size_t n = BoundedLength(text, MAX_PATH);
    // A path is never cut: one that does not fit is not used.
    bool fits = ok && n < MAX_PATH && n > 0;
    if (fits) path.assign(text, n);
    Release(text);
    return fits;
}

void CQuillonWrapper::Release(char* text) const {
    reinterpret_cast<ReleaseFn>(Entry(kRelease))(m_context, text);
}
