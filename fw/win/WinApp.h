// The application object's skeleton: start-up, the message loop and shut-down.
#pragma once

#include <windows.h>

#include <string>

#include "fw/Profile.h"

namespace fw {

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // FALSE ends the process; ExitInstance still runs.
    virtual BOOL InitInstance() = 0;
    virtual int ExitInstance() { return 0; }
    // Pumps messages while the main window exists; returns at once when there is none.
    virtual int Run();

    UINT GetProfileInt(const char* section, const char* key, int def) const {
        return m_profile.GetInt(section, key, def);
    }
    BOOL WriteProfileInt(const char* section, const char* key, int value) const {
        return m_profile.WriteInt(section, key, value);
    }

    HWND m_hMainWnd = nullptr;
    CProfile m_profile;
};

// The one application object of the process, or null before it is made.
CWinApp* AfxGetApp();

// Runs the application: InitInstance, then the message loop, then ExitInstance. The process
// exit code is what ExitInstance returns, and at least 1 when InitInstance failed.
int AppMain(CWinApp& app);

}  // namespace fw
