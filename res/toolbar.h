// Layout of toolbar 128: the command of each entry in order, 0 for a separator. Its button images
// lie in bitmap IDB_TOOLBAR, one per non-separator entry in the same order, on a silver
// (RGB 192, 192, 192) background that the toolbar maps to the button face.
#pragma once

#include <iterator>

#include "resource.h"

inline constexpr int kToolbarButtonWidth = 16;
inline constexpr int kToolbarButtonHeight = 15;
inline constexpr unsigned long kToolbarBackground = 0xC0C0C0;  // as a COLORREF

inline constexpr unsigned int kToolbarButtons[] = {
    ID_FILE_RESTORE,
    ID_FILE_WRITE,
    ID_FILE_DELETE,
    ID_FILE_PROPERTY,
    0,
    ID_EDIT_COPY,
    ID_EDIT_PASTE,
    0,
    ID_VIEW_LARGEICON,
    ID_VIEW_SMALLICON,
    ID_VIEW_LIST,
    ID_VIEW_DETAILS,
    0,
    ID_HELP_FINDER,
    ID_CONTEXT_HELP,
};

inline constexpr int kToolbarImageCount = [] {
    int n = 0;
    for (unsigned int id : kToolbarButtons) n += id != 0;
    return n;
}();

static_assert(std::size(kToolbarButtons) == 15 && kToolbarImageCount == 12);
