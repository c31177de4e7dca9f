// Bringing a window of this program to the front even when another process owns the foreground.
#pragma once

#include <windows.h>

namespace fw {

// Restores the window if minimised and makes it the foreground window.
void ForceForegroundWindow(HWND wnd);

}  // namespace fw
