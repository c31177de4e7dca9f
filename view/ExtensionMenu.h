// The extension's item tree as a menu: the submenu "Qui(&l)lon Items" that the File menu and the
// list's context menu carry at position 4 while the extension offers items.
#pragma once

#include <windows.h>

#include "store/QuillonItems.h"

namespace view {

// Where the submenu stands in the File menu and in the context menu.
constexpr int kExtensionMenuPos = 4;

// A popup menu of item's children in order: a command item as its command id, a submenu only
// when it has entries itself. count grows by the number of entries made; null when no menu could
// be created. The caller destroys the menu.
HMENU BuildMenu(const CPopupItem& item, int& count);

}  // namespace view
