// Loads the icon an item's icon source picks, in the large or the small size.
#pragma once

#include <windows.h>

#include "view/IconKey.h"

namespace view {

// The icon file's own first icon, else the icon the shell associates with the fallback path;
// null when there is none. The caller destroys it.
HICON LoadItemIcon(const IconSource& source, bool large);

}  // namespace view
