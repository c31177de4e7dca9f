// Menu item state from a command's update handler.
#include "fw/win/CmdUI.h"

namespace fw {

void ApplyToMenu(HMENU menu, const CCmdUI& ui) {
    EnableMenuItem(menu, ui.id, MF_BYCOMMAND | (ui.enabled ? MF_ENABLED : MF_GRAYED));
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_STATE;
    if (!GetMenuItemInfoA(menu, ui.id, FALSE, &mii)) return;
    mii.fType = ui.radio ? (mii.fType | MFT_RADIOCHECK) : (mii.fType & ~MFT_RADIOCHECK);
    mii.fState = (mii.fState & ~MFS_CHECKED) | (ui.checked ? MFS_CHECKED : 0);
    SetMenuItemInfoA(menu, ui.id, FALSE, &mii);
}

}  // namespace fw
