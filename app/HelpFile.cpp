// The choice of the compiled help file that matches the user interface language.
#include "app/HelpFile.h"

#include <windows.h>

#include "util/Mbcs.h"

std::string ChooseHelpFile(const std::string& exe, const std::string& language) {
    if (exe.empty() || exe.size() >= MAX_PATH) return {};
    // The dot must belong to the file name, not to a folder ("C:\v1.2\Brennahold").
    size_t slash = util::MbsRFind(exe, '\\');
    size_t dot = util::MbsRFind(exe, '.');
    std::string base = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                           ? exe.substr(0, dot + 1)
                           : exe + ".";
    // The string table, and so the menus, follow the thread's user interface language; the
    // English file stays the default whenever the Japanese one is absent.
    if (language == "ja") {
        std::string ja = base + "ja.chm";
        if (ja.size() < MAX_PATH && GetFileAttributesA(ja.c_str()) != INVALID_FILE_ATTRIBUTES)
            return ja;
    }
    std::string path = base + "chm";
    return path.size() < MAX_PATH ? path : std::string{};
}
