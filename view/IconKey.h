// Which icon a row shows, as a key shared by every row that shows the same icon.
#pragma once

#include <windows.h>

#include <string>

#include "store/BrennaItem.h"

namespace view {

// How to find an item's icon: the first icon of iconFile (ExtractIconA / ExtractIconExA, index
// 0), else the icon the shell associates with fallback (ExtractAssociatedIconA). Rows whose keys
// are equal get the same icon that way, so the icon can be looked up once per key.
struct IconSource {
    std::string key;
    std::string iconFile;
    std::string fallback;
};

// What the choice of an item's icon depends on, read from the file system.
struct IconFacts {
    // The source path, or the program that opens it when it is a bitmap.
    std::string iconFile;
    // iconFile is an existing file that can hold icons of its own (a program, a library, an
    // icon or cursor file).
    bool iconFileHasIcons = false;
    // The source path when it exists, else the item's copy; empty when there is no copy.
    std::string fallback;
    DWORD fallbackAttributes = INVALID_FILE_ATTRIBUTES;
    // The shell's icon for fallback depends on the file itself, not only on its type (it can
    // hold icons of its own, or it is a shortcut).
    bool fallbackIconIsPerFile = false;
};

// True for a path of more than three bytes whose last four characters are ".BMP" in any case.
bool IsBitmapPath(const std::string& path);

// Reads the facts for an item: attributes of its source and copy, the program that opens a
// bitmap, and the first bytes of files that may hold icons.
IconFacts GatherIconFacts(const CBrennaItem& item);

// The key and lookup paths for the facts: folders share one key, existing files of one type
// (extension, case ignored) share one, files with icons of their own get one per path, and
// items whose source and copy are both gone share the key of the generic icon.
IconSource IconSourceFrom(const IconFacts& facts);

IconSource IconSourceFor(const CBrennaItem& item);

}  // namespace view
