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

// A font made here, deleted after it is deselected.
struct CFont {
    HFONT h = nullptr;
    CFont() = default;
    ~CFont() {
        if (h) DeleteObject(h);
    }
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;
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
    // A list that was never given a font answers null and draws with the icon title font, which
    // the DC's default font would not match (nor show double-byte text in).
    auto font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
    CFont own;
    if (!font) {
        LOGFONTA lf{};
        if (SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0))
            own.h = CreateFontIndirectA(&lf);
        font = own.h;
    }
    HGDIOBJ oldFont = font ? SelectObject(dc.Get(), font) : nullptr;
    SetBkMode(dc.Get(), TRANSPARENT);
    SetTextColor(dc.Get(), GetSysColor(COLOR_GRAYTEXT));
    // DrawTextA would decode by the font's character set, which for the list's font in Wine is
    // Western even under code page 932; the text is in the ANSI code page, so it is decoded here.
    std::wstring wide(text.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), wide.data(),
                                static_cast<int>(wide.size()));
    DrawTextW(dc.Get(), wide.c_str(), n, &area,
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
        default:
            return next(list, msg, wp, lp);
    }
}

}  // namespace view
