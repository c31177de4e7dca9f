// The first-run hint that an empty list shows in its middle.
#include "view/EmptyHint.h"

#include <commctrl.h>

#include <string>

#include "fw/Strings.h"
#include "resource.h"

namespace view {

namespace {

// A window's device context, released with it.
class CWindowDC {
public:
    explicit CWindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
    ~CWindowDC() {
        if (m_dc) ReleaseDC(m_hwnd, m_dc);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

int Rows(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

}  // namespace

void DrawEmptyHint(HWND list) {
    RECT area;
    GetClientRect(list, &area);
    // In the details view the header lies inside the client area; the hint goes below it.
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    if (header && IsWindowVisible(header)) {
        RECT h;
        GetWindowRect(header, &h);
        area.top += h.bottom - h.top;
    }
    if (area.bottom <= area.top) return;
    std::string text = fw::LoadStr(IDS_EMPTY_LIST_HINT);
    CWindowDC dc(list);
    if (!dc.Get()) return;
    auto font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc.Get(), font) : nullptr;
    SetBkMode(dc.Get(), TRANSPARENT);
    SetTextColor(dc.Get(), GetSysColor(COLOR_GRAYTEXT));
    DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (oldFont) SelectObject(dc.Get(), oldFont);
}

LRESULT EmptyHintMessage(HWND list, UINT msg, WPARAM wp, LPARAM lp,
                         LRESULT(WINAPI* next)(HWND, UINT, WPARAM, LPARAM)) {
    switch (msg) {
        case WM_PAINT: {
            // BeginPaint in the list's own painting validates the area, so the hint is drawn
            // afterwards through a plain window DC (clipped to the window, not to that area).
            LRESULT r = next(list, msg, wp, lp);
            if (!wp && Rows(list) == 0) DrawEmptyHint(list);
            return r;
        }
        case LVM_SETITEMCOUNT:
        case LVM_DELETEITEM:
        case LVM_DELETEALLITEMS:
        case LVM_INSERTITEMA:
        case LVM_INSERTITEMW: {
            bool wasEmpty = Rows(list) == 0;
            LRESULT r = next(list, msg, wp, lp);
            if (wasEmpty != (Rows(list) == 0)) InvalidateRect(list, nullptr, TRUE);
            return r;
        }
        case WM_SIZE: {
            LRESULT r = next(list, msg, wp, lp);
            if (Rows(list) == 0) InvalidateRect(list, nullptr, TRUE);
            return r;
        }
        default: return next(list, msg, wp, lp);
    }
}

}  // namespace view
