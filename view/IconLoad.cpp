// Icon loading for rows and the property dialog.
#include "view/IconLoad.h"

#include <shellapi.h>

namespace view {
namespace {

// The icon the shell associates with path. ExtractAssociatedIconA comes first; Wine answers it
// with nothing, so the shell's file information stands in, and last the type's icon by name.
HICON AssociatedIcon(const std::string& path, UINT size) {
    char buf[MAX_PATH];
    lstrcpynA(buf, path.c_str(), MAX_PATH);
    WORD index = 0;
    if (HICON icon = ExtractAssociatedIconA(GetModuleHandleA(nullptr), buf, &index)) return icon;
    SHFILEINFOA info{};
    if (SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | size) && info.hIcon)
        return info.hIcon;
    info = {};
    if (SHGetFileInfoA(path.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | size) &&
        info.hIcon)
        return info.hIcon;
    return nullptr;
}

}  // namespace

HICON LoadItemIcon(const IconSource& source, bool large) {
    HICON icon = nullptr;
    if (large) {
        icon = ExtractIconA(GetModuleHandleA(nullptr), source.iconFile.c_str(), 0);
        // ExtractIconA answers 1 for a file that is no icon source at all.
        if (reinterpret_cast<UINT_PTR>(icon) <= 1) icon = nullptr;
    } else {
        ExtractIconExA(source.iconFile.c_str(), 0, nullptr, &icon, 1);
    }
    return icon ? icon : AssociatedIcon(source.fallback, large ? SHGFI_LARGEICON : SHGFI_SMALLICON);
}

}  // namespace view
