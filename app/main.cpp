// Entry point of Brennahold.exe.
#include <windows.h>

#include "app/BrennaApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CBrennaApp app;
    return fw::AppMain(app);
}
