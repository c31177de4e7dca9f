// Icon keys: rows share a cached icon exactly when the icon rules give them the same one.
#include "view/IconKey.h"

#include <shellapi.h>

#include <cstring>
#include <span>

#include "fw/File.h"
#include "util/Mbcs.h"

namespace view {
namespace {

// Types whose files carry their own icons (programs, libraries, icon and cursor files).
constexpr const char* kIconHolders[] = {".EXE", ".DLL", ".ICO", ".CUR", ".ANI",
                                        ".CPL", ".SCR", ".OCX", ".ICL"};
// Types whose shell icon is taken from the file each one points at.
constexpr const char* kShortcuts[] = {".LNK", ".URL", ".PIF"};

// The upper-cased extension (dot included) of the name part of path, or empty.
std::string UpperExtension(const std::string& path) {
    std::string name = util::NameOf(path);
    size_t dot = util::MbsRFind(name, '.');
    return dot == std::string::npos ? std::string() : util::MbsUpper(name.substr(dot));
}

bool IsOneOf(const std::string& extension, std::span<const char* const> list) {
    for (const char* e : list)
        if (extension == e) return true;
    return false;
}

bool IsExistingFile(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A program or library ("MZ"), an icon or cursor file, or an animated cursor ("RIFF"..."ACON")
// can yield an icon of its own whatever its name; any other content cannot.
bool HasIconFormat(const std::string& path) {
    fw::CHandle h(CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    unsigned char head[12] = {};
    DWORD n = 0;
    if (!ReadFile(h.Get(), head, sizeof head, &n, nullptr)) return false;
    if (n >= 2 && head[0] == 'M' && head[1] == 'Z') return true;
    if (n >= 4 && head[0] == 0 && head[1] == 0 && (head[2] == 1 || head[2] == 2) && head[3] == 0)
        return true;
    return n >= 12 && memcmp(head, "RIFF", 4) == 0 && memcmp(head + 8, "ACON", 4) == 0;
}

bool MayHoldIcons(const std::string& path, DWORD attributes) {
    if (!IsExistingFile(attributes)) return false;
    return IsOneOf(UpperExtension(path), kIconHolders) || HasIconFormat(path);
}

}  // namespace

bool IsBitmapPath(const std::string& path) {
    if (path.size() <= 3) return false;
    size_t dot = util::MbsRFind(path, '.');
    return dot == path.size() - 4 && UpperExtension(path.substr(dot)) == ".BMP";
}

IconFacts GatherIconFacts(const CBrennaItem& item) {
    IconFacts facts;
    const std::string& source = item.m_source;
    DWORD sourceAttributes = GetFileAttributesA(source.c_str());

    facts.iconFile = source;
    DWORD iconAttributes = sourceAttributes;
    // A bitmap shows the icon of the program that opens it, not a picture of its own pixels.
    if (IsBitmapPath(source)) {
        char program[MAX_PATH] = "";
        auto found = reinterpret_cast<INT_PTR>(FindExecutableA(source.c_str(), nullptr, program));
        if (found > 32 && program[0]) {
            facts.iconFile = program;
            iconAttributes = GetFileAttributesA(program);
        }
    }
    facts.iconFileHasIcons = MayHoldIcons(facts.iconFile, iconAttributes);

    if (sourceAttributes != INVALID_FILE_ATTRIBUTES) {
        facts.fallback = source;
        facts.fallbackAttributes = sourceAttributes;
    } else {
        facts.fallback = item.CurrentCopy();
        if (!facts.fallback.empty())
            facts.fallbackAttributes = GetFileAttributesA(facts.fallback.c_str());
    }
    if (IsExistingFile(facts.fallbackAttributes)) {
        bool holdsIcons = facts.fallback == facts.iconFile
                              ? facts.iconFileHasIcons
                              : MayHoldIcons(facts.fallback, facts.fallbackAttributes);
        facts.fallbackIconIsPerFile =
            holdsIcons || IsOneOf(UpperExtension(facts.fallback), kShortcuts);
    }
    return facts;
}

IconSource IconSourceFrom(const IconFacts& facts) {
    IconSource source;
    source.iconFile = facts.iconFile;
    source.fallback = facts.fallback;
    // The associated icon of a path that does not exist is the generic one, whatever its name.
    std::string shellKey;
    if (facts.fallback.empty() || facts.fallbackAttributes == INVALID_FILE_ATTRIBUTES)
        shellKey = "generic";
    else if (facts.fallbackAttributes & FILE_ATTRIBUTE_DIRECTORY)
        shellKey = "folder";
    else if (facts.fallbackIconIsPerFile)
        shellKey = "file:" + util::MbsUpper(facts.fallback);
    else
        shellKey = "type:" + UpperExtension(facts.fallback);
    // The file's own icon wins; the shell's icon only stands in when it has none.
    source.key = facts.iconFileHasIcons ? "own:" + util::MbsUpper(facts.iconFile) + "|" + shellKey
                                        : shellKey;
    return source;
}

IconSource IconSourceFor(const CBrennaItem& item) { return IconSourceFrom(GatherIconFacts(item)); }

}  // namespace view
