// Application skeleton.
#include "fw/win/WinApp.h"

namespace fw {
namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

int CWinApp::Run() {
    if (!m_hMainWnd || !IsWindow(m_hMainWnd)) return 0;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

int AppMain(CWinApp& app) {
    if (!app.InitInstance()) {
        int code = app.ExitInstance();
        return code ? code : 1;
    }
    app.Run();
    return app.ExitInstance();
}

}  // namespace fw
