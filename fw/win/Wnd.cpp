// Window base and its thunk.
#include "fw/win/Wnd.h"

namespace fw {

CWnd::~CWnd() {
    if (m_hWnd && IsWindow(m_hWnd)) {
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hWnd);
    }
}

bool CWnd::Create(const char* className, DWORD exStyle, const char* title, DWORD style, int x,
                  int y, int cx, int cy, HWND parent, HMENU menu, HICON icon) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(inst, className, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = Thunk;
        wc.hInstance = inst;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hIcon = icon;
        wc.hIconSm = icon;
        wc.lpszClassName = className;
        if (!RegisterClassExA(&wc)) return false;
    }
    return CreateWindowExA(exStyle, className, title, style, x, y, cx, cy, parent, menu, inst,
                           this) != nullptr;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

LRESULT CALLBACK CWnd::Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        self->m_hWnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWnd*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    LRESULT result = 0;
    try {
        result = self->WindowProc(msg, wp, lp);
    } catch (...) {
        // An exception must not unwind through the system's code; the message is dropped.
        result = 0;
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        self->OnFinalRelease();
    }
    return result;
}

}  // namespace fw
