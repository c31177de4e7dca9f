// The window base: a static thunk stores `this` at WM_NCCREATE and forwards every message to
// one virtual handler; exceptions never leave the window procedure.
#pragma once

#include <windows.h>

namespace fw {

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Registers the class once (with this thunk) and creates the window.
    bool Create(const char* className, DWORD exStyle, const char* title, DWORD style, int x, int y,
                int cx, int cy, HWND parent, HMENU menu, HICON icon = nullptr);
    HWND Hwnd() const { return m_hWnd; }

protected:
    // The one message handler; the default passes everything to DefWindowProcA.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(m_hWnd, msg, wp, lp); }
    // Called after WM_NCDESTROY, when the window is gone.
    virtual void OnFinalRelease() {}

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

}  // namespace fw
