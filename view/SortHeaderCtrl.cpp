// Painting, mouse state and sort state of the list view's column header.
#include "view/SortHeaderCtrl.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace {

const UINT_PTR kSubclassId = 0x5348;  // "SH"

// Fills a rectangle with a plain colour, leaving the DC's background colour as it was.
void FillSolid(HDC dc, int x, int y, int cx, int cy, COLORREF colour) {
    const RECT rc = {x, y, x + cx, y + cy};
    const COLORREF old = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

// One-pixel raised frame: top-left in the first colour, bottom-right in the second.
void Draw3dRect(HDC dc, const RECT& rc, COLORREF topLeft, COLORREF bottomRight) {
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    FillSolid(dc, rc.left, rc.top, cx - 1, 1, topLeft);
    FillSolid(dc, rc.left, rc.top, 1, cy - 1, topLeft);
    FillSolid(dc, rc.right - 1, rc.top, 1, cy, bottomRight);
    FillSolid(dc, rc.left, rc.bottom - 1, cx, 1, bottomRight);
}

void VerticalLine(HDC dc, HPEN pen, int x, int top, int bottom) {
    SelectObject(dc, pen);
    MoveToEx(dc, x, top, nullptr);
    LineTo(dc, x, bottom);
}

}  // namespace

CSortHeaderCtrl::CSortHeaderCtrl() { LoadColours(); }

CSortHeaderCtrl::~CSortHeaderCtrl() { Detach(); }

BOOL CSortHeaderCtrl::Attach(HWND header) {
    if (m_hWnd || !IsWindow(header)) return FALSE;
    if (!SetWindowSubclass(header, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return FALSE;
    m_hWnd = header;
    // A list set before the control was attached still gives the arrow its size.
    const HIMAGELIST images = Header_GetImageList(header);
    if (images) TakeImageSize(images);
    InvalidateRect(header, nullptr, TRUE);
    return TRUE;
}

HWND CSortHeaderCtrl::Detach() {
    HWND header = m_hWnd;
    if (header) {
        RemoveWindowSubclass(header, SubclassProc, kSubclassId);
        m_hWnd = nullptr;
        InvalidateRect(header, nullptr, TRUE);
    }
    return header;
}

void CSortHeaderCtrl::SetSortColumn(int column, bool ascending) {
    m_sortColumn = column;
    m_ascending = ascending ? TRUE : FALSE;
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

int CSortHeaderCtrl::GetSortColumn(bool* ascending) const {
    if (ascending) *ascending = m_ascending != FALSE;
    return m_sortColumn;
}

void CSortHeaderCtrl::LoadColours() {
    m_clrHighlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    m_clrShadow = GetSysColor(COLOR_BTNSHADOW);
    m_clrFace = GetSysColor(COLOR_BTNFACE);
    m_clrText = GetSysColor(COLOR_BTNTEXT);
}

void CSortHeaderCtrl::TakeImageSize(HIMAGELIST images) {
    IMAGEINFO info;
    if (images && ImageList_GetImageInfo(images, 0, &info)) {
        m_imageWidth = info.rcImage.right - info.rcImage.left;
        m_imageHeight = info.rcImage.bottom - info.rcImage.top;
    } else {
        m_imageWidth = 0;
        m_imageHeight = 0;
    }
}

LRESULT CALLBACK CSortHeaderCtrl::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                               UINT_PTR id, DWORD_PTR refData) {
    try {
        return reinterpret_cast<CSortHeaderCtrl*>(refData)->WindowProc(msg, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the window system.
        return 0;
    }
}

LRESULT CSortHeaderCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = m_hWnd;
    switch (msg) {
        case WM_PAINT:
            if (wParam) {
                // Common controls paint into a DC handed over in wParam.
                Paint(reinterpret_cast<HDC>(wParam));
            } else {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                if (dc) Paint(dc);
                EndPaint(hwnd, &ps);
            }
            return 0;
        case WM_PRINTCLIENT:
            // Printing the window (PrintWindow, animations) must show the same picture.
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_LBUTTONDOWN:
            m_mouseFlags = static_cast<UINT>(wParam);
            m_mousePoint = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            break;
        case WM_LBUTTONUP:
            m_mouseFlags = 0;
            m_mousePoint = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            break;
        case WM_SYSCOLORCHANGE: {
            const LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
            LoadColours();
            InvalidateRect(hwnd, nullptr, TRUE);
            return result;
        }
        case HDM_SETIMAGELIST:
            TakeImageSize(reinterpret_cast<HIMAGELIST>(lParam));
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
            m_hWnd = nullptr;
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void CSortHeaderCtrl::Paint(HDC dc) {
    RECT clip;
    if (GetClipBox(dc, &clip) == ERROR || IsRectEmpty(&clip)) return;
    FillSolid(dc, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, m_clrFace);

    HPEN highlightPen = CreatePen(PS_SOLID, 1, m_clrHighlight);
    HPEN shadowPen = CreatePen(PS_SOLID, 1, m_clrShadow);
    const HGDIOBJ oldPen = SelectObject(dc, shadowPen);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    const HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetBkColor(dc, m_clrFace);
    SetTextColor(dc, m_clrText);

    const int count = Header_GetItemCount(m_hWnd);
    int total = 0;
    for (int i = 0; i < count; ++i) {
        const int index = Header_OrderToIndex(m_hWnd, i);
        char text[80] = "";
        HDITEMA item = {};
        item.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_BITMAP | HDI_IMAGE;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(m_hWnd, HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
        RECT rc = {};
        Header_GetItemRect(m_hWnd, index, &rc);

        if (item.fmt & HDF_OWNERDRAW) {
            DRAWITEMSTRUCT draw = {};
            draw.CtlType = ODT_HEADER;
            draw.CtlID = static_cast<UINT>(GetDlgCtrlID(m_hWnd));
            draw.itemID = static_cast<UINT>(index);
            draw.itemAction = ODA_DRAWENTIRE;
            draw.hwndItem = m_hWnd;
            draw.hDC = dc;
            draw.rcItem = rc;
            DrawItem(&draw);
        } else {
            RECT inner = rc;
            inner.left += m_margin;
            inner.right -= m_margin;
            DrawHeaderItem(dc, inner, item, index == m_sortColumn, m_ascending);
        }

        if (i < count - 1) {
            VerticalLine(dc, shadowPen, rc.right - 1, rc.top + 2, rc.bottom - 2);
            VerticalLine(dc, highlightPen, rc.right, rc.top + 2, rc.bottom - 2);
        }
        total += item.cxy;
    }

    if (total > 0) {
        RECT client;
        GetClientRect(m_hWnd, &client);
        client.right = client.left + total;
        Draw3dRect(dc, client, m_clrHighlight, m_clrShadow);
    }

    if (oldFont) SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    DeleteObject(highlightPen);
    DeleteObject(shadowPen);
}

void CSortHeaderCtrl::DrawHeaderItem(HDC dc, const RECT& rect, const HDITEMA& item, BOOL sorted,
                                     BOOL ascending) {
    const BOOL pressed = (m_mouseFlags & MK_LBUTTON) && PtInRect(&rect, m_mousePoint);
    RECT text = rect;
    switch (item.fmt & HDF_JUSTIFYMASK) {
        case HDF_LEFT: {
            if (sorted) text.right -= m_arrowAllowance + m_margin;
            const int width = DrawItemText(dc, text, item, pressed);
            if (sorted) {
                RECT arrow = rect;
                arrow.left += width > 0 ? m_margin + width : 0;
                DrawSortImage(dc, arrow, ascending, item, FALSE, pressed);
            }
            break;
        }
        case HDF_RIGHT:
            if (sorted) {
                RECT arrow = rect;
                if (item.fmt & HDF_BITMAP_ON_RIGHT) arrow.left -= m_arrowAllowance + m_margin;
                const int drawn = DrawSortImage(dc, arrow, ascending, item, TRUE, pressed);
                text.left = arrow.left;
                text.right = rect.right - drawn - 2 * m_margin;
            }
            DrawItemText(dc, text, item, pressed);
            break;
        case HDF_CENTER:
            if (sorted) {
                RECT arrow = rect;
                arrow.left -= m_arrowAllowance + m_margin;
                const int drawn = DrawSortImage(dc, arrow, ascending, item, TRUE, pressed);
                text.left = arrow.left;
                text.right = rect.right - drawn - 2 * m_margin;
            }
            DrawItemText(dc, text, item, pressed);
            break;
        default:
            break;
    }
}

int CSortHeaderCtrl::DrawItemText(HDC dc, RECT rect, const HDITEMA& item, BOOL pressed) {
    if (pressed) OffsetRect(&rect, 1, 1);
    const int available = rect.right - rect.left;
    if (available <= 0 || !(item.mask & HDI_TEXT) || !(item.fmt & HDF_STRING) || !item.pszText)
        return 0;

    // The caption is ANSI text of the system code page; the header's font may carry another
    // character set, so measure and draw it as Unicode.
    wchar_t wide[80];
    const int length = MultiByteToWideChar(CP_ACP, 0, item.pszText, -1, wide, 80) - 1;
    if (length < 0) return 0;
    SIZE extent = {0, 0};
    GetTextExtentPoint32W(dc, wide, length, &extent);

    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    switch (item.fmt & HDF_JUSTIFYMASK) {
        case HDF_RIGHT:
            flags |= DT_RIGHT;
            break;
        case HDF_CENTER:
            flags |= DT_CENTER;
            break;
        default:
            flags |= DT_LEFT;
            break;
    }
    if (!DrawTextW(dc, wide, length, &rect, flags)) return 0;

    const int width = std::min(static_cast<int>(extent.cx), available);
    return width < 1 ? 0 : width;
}

int CSortHeaderCtrl::DrawSortImage(HDC dc, const RECT& rect, BOOL ascending, const HDITEMA& item,
                                   BOOL rightAligned, BOOL pressed) {
    const int available = rect.right - rect.left;
    if (available <= 0) return 0;

    int x = rightAligned ? rect.right - m_imageWidth : rect.left;
    int y = (rect.top + rect.bottom) / 2 - (m_imageHeight >> 1);
    if (pressed) {
        ++x;
        ++y;
    }

    IMAGELISTDRAWPARAMS params = {};
    params.cbSize = IMAGELISTDRAWPARAMS_V3_SIZE;
    params.himl = Header_GetImageList(m_hWnd);
    params.i = ascending ? 1 : 0;
    params.hdcDst = dc;
    params.x = x;
    params.y = y;
    params.cx = std::min(available, m_imageWidth);
    params.cy = m_imageHeight;
    params.rgbBk = CLR_DEFAULT;
    params.rgbFg = CLR_DEFAULT;
    params.fStyle = ILD_NORMAL;
    params.dwRop = SRCCOPY;
    if (params.himl) ImageList_DrawIndirect(&params);
    return m_imageWidth;
}
