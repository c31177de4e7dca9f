// The state a command shows in menus and on the toolbar, asked of its handlers before showing.
#pragma once

#include <windows.h>

namespace fw {

struct CCmdUI {
    UINT id = 0;
    bool enabled = true;
    bool checked = false;
    // A checked item drawn as a radio bullet rather than a tick.
    bool radio = false;
    bool handled = false;

    void Enable(bool on = true) { enabled = on, handled = true; }
    void SetCheck(bool on = true) { checked = on, handled = true; }
    void SetRadio(bool on = true) { checked = on, radio = true, handled = true; }
};

// Applies ui to the menu item of the same id (by command) in menu.
void ApplyToMenu(HMENU menu, const CCmdUI& ui);

}  // namespace fw
