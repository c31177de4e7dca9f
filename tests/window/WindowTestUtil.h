// Helpers of the window tests: running the message queue and driving dialog controls.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

namespace testutil {

// Handles every message waiting in the queue, for about 50 ms so that posted follow-ups arrive.
inline void Pump() {
    MSG msg;
    for (int i = 0; i < 50; ++i) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    }
}

// Handles messages for ms milliseconds.
inline void PumpFor(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}

// Puts the pointer at a screen point and waits until Wine reports it there: pointer events still
// queued from the display, handled later, would otherwise put it back where it was.
inline bool MoveCursorTo(POINT at) {
    for (int attempt = 0; attempt < 40; ++attempt) {
        SetCursorPos(at.x, at.y);
        Pump();
        POINT now{};
        if (GetCursorPos(&now) && now.x == at.x && now.y == at.y) {
            Pump();
            if (GetCursorPos(&now) && now.x == at.x && now.y == at.y) return true;
        }
    }
    return false;
}

// Clicks the button id of a dialog as the dialog manager reports a click.
inline void Click(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

inline std::string DlgText(HWND dlg, int id) {
    char text[1024] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

// The IUnknown part of an OLE drop target that lives on the test's stack: it is never freed
// through its reference count.
class CTestDropTarget : public IDropTarget {
public:
    virtual ~CTestDropTarget() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
            *out = static_cast<IDropTarget*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

}  // namespace testutil
