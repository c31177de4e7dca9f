// Bringing a window to the front past the system's foreground lock.
#include <gtest/gtest.h>

#include "fw/win/Foreground.h"

namespace {

TEST(Foreground, RestoresAndActivatesMinimisedWindow) {
    auto make = [](const char* title) {
        return CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    };
    HWND other = make("brtest other");
    HWND target = make("brtest target");
    ASSERT_TRUE(other && target);
    ShowWindow(target, SW_MINIMIZE);
    SetForegroundWindow(other);
    UINT timeoutBefore = 0;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeoutBefore, 0);

    fw::ForceForegroundWindow(target);

    EXPECT_FALSE(IsIconic(target));
    EXPECT_EQ(GetForegroundWindow(), target);
    UINT timeoutAfter = 0;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeoutAfter, 0);
    EXPECT_EQ(timeoutAfter, timeoutBefore);
    DestroyWindow(target);
    DestroyWindow(other);
}

}  // namespace
