// The interactive start: the main window, the watcher thread, the message loop, and the
// hand-off of paths to an instance that is already running.
#include <cstring>

#include "app/BrennaApp.h"
#include "frame/MainFrame.h"
#include "store/TransferBlocks.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "resource.h"
#include "util/Mbcs.h"

namespace {

// The hidden window of a process that hands its paths over; the receiver closes it.
LRESULT CALLBACK HandOffWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

BOOL CBrennaApp::StartInteractive() {
    m_pTempDirectory = std::make_unique<CBrnTempDirectory>(m_profile);
    if (!m_pTempDirectory->Initialize()) return FALSE;
    m_pMainFrame = std::make_unique<CMainFrame>(
        m_repository, m_profile, [this](DWORD topic) { HelpTopic(topic); },
        [this](DWORD data) { WinHelp(data, HELP_CONTEXT); }, m_pTempDirectory.get());
    if (!m_pMainFrame->CreateFrame(m_strTitle.c_str())) return FALSE;
    m_hMainWnd = m_pMainFrame->Hwnd();
    fw::SetMessageOwner(m_hMainWnd);

    FillHelpMap();

    // The sibling product's extension is optional: without it the program works as before.
    m_pQuillon = std::make_unique<CQuillonWrapper>();
    if (!m_pQuillon->LoadExtension()) m_pQuillon.reset();
    m_pMainFrame->SetExtension(m_pQuillon.get());

    DragAcceptFiles(m_hMainWnd, TRUE);
    ShowWindow(m_hMainWnd, SW_SHOW);
    UpdateWindow(m_hMainWnd);
    SetWindowTextA(m_hMainWnd, m_strTitle.c_str());
    m_pMainFrame->InsertQuillonHelpItem();

    m_hWatcher.Reset(CreateThread(nullptr, 0, WatchThread, this, 0, nullptr));
    return TRUE;
}

DWORD WINAPI CBrennaApp::WatchThread(void* param) {
    auto* app = static_cast<CBrennaApp*>(param);
    for (;;) {
        // A failed wait must not turn into a loop of messages.
        if (WaitForSingleObject(app->m_hEvent.Get(), INFINITE) != WAIT_OBJECT_0) return 0;
        if (app->m_bQuitting) return 0;
        ResetEvent(app->m_hEvent.Get());
        SendMessageA(app->m_hMainWnd, WM_BRING_TO_FRONT, 0, 0);
    }
}

int CBrennaApp::Run() {
    if (!m_hMainWnd || !IsWindow(m_hMainWnd)) return 0;
    MSG msg;
    bool idle = true;
    for (;;) {
        while (idle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (m_pMainFrame && m_pMainFrame->Hwnd()) m_pMainFrame->OnIdle();
            idle = false;
        }
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
        HACCEL accel = m_pMainFrame ? m_pMainFrame->Accelerators() : nullptr;
        if (!(accel && m_pMainFrame->Hwnd() &&
              TranslateAcceleratorA(m_pMainFrame->Hwnd(), accel, &msg))) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        // Input and timer messages change what commands can do; look again when idle.
        if (msg.message != WM_PAINT && msg.message != 0x0118 /* WM_SYSTIMER */) idle = true;
    }
    return static_cast<int>(msg.wParam);
}

bool CBrennaApp::HandOff() {
    // Only a frame of this program takes paths; another window that happens to carry the same
    // title (a folder named Brennahold open in Explorer) would leave this process waiting.
    HWND target = FindWindowA(CMainFrame::kClassName, m_strTitle.c_str());
    if (!target) return false;
    try {
        m_pHandOff = store::BuildHandOffList(m_aFiles);
    } catch (const std::bad_alloc&) {
        return false;
    }
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = HandOffWndProc;
    wc.hInstance = inst;
    wc.lpszClassName = "BrennaholdHandOff";
    RegisterClassA(&wc);
    std::string decoy = fw::LoadStr(IDS_DECOY_TITLE);
    // A plain hidden window carries the decoy title; the receiver finds it and closes it.
    HWND hidden = CreateWindowExA(0, wc.lpszClassName, decoy.c_str(), WS_OVERLAPPED, 0, 0, 0, 0,
                                  nullptr, nullptr, inst, nullptr);
    if (!hidden) return false;
    m_hMainWnd = hidden;
    COPYDATASTRUCT cds{1, static_cast<DWORD>(m_pHandOff.size()), m_pHandOff.data()};
    SendMessageA(target, WM_COPYDATA, reinterpret_cast<WPARAM>(hidden),
                 reinterpret_cast<LPARAM>(&cds));
    // The receiver closes the hidden window before its answer; if it is still there, the paths
    // were not taken.
    if (IsWindow(hidden)) {
        DestroyWindow(hidden);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        m_hMainWnd = nullptr;
        return false;
    }
    return true;
}

