// Foreground activation that works around the system's foreground lock.
#include "fw/win/Foreground.h"

namespace fw {

void ForceForegroundWindow(HWND wnd) {
    if (IsIconic(wnd)) ShowWindow(wnd, SW_RESTORE);

    // Sharing the foreground thread's input state lets SetForegroundWindow take effect.
    DWORD foreThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    DWORD wndThread = GetWindowThreadProcessId(wnd, nullptr);
    AttachThreadInput(wndThread, foreThread, TRUE);

    DWORD lockTimeout = 0;
    if (SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &lockTimeout, 0)) {
        SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
        SetForegroundWindow(wnd);
        SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                              reinterpret_cast<PVOID>(static_cast<UINT_PTR>(lockTimeout)), 0);
    } else {
        // Without the saved value the system's time-out is left as it is.
        SetForegroundWindow(wnd);
    }

    AttachThreadInput(wndThread, foreThread, FALSE);
}

}  // namespace fw
