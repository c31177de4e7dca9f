// The dockable toolbar: its docked strip, its floating tool window and the mouse drag between them.
#include "frame/DockToolBar.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "resource.h"

namespace {

constexpr UINT kToolbarId = IDW_TOOLBAR;
constexpr int kImageWidth = 16, kImageHeight = 15;
constexpr COLORREF kTransparent = RGB(192, 192, 192);
constexpr int kEdge = 2;         // the docked bar's border
constexpr int kGripper = 8;      // the docked bar's border on the gripper side, gripper included
constexpr int kFloatMargin = 2;  // between the tool window's frame and the toolbar
constexpr DWORD kFloatStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFloatExStyle = WS_EX_TOOLWINDOW;
const char kFloatClass[] = "BrennaholdFloatingBar";

POINT ScreenPoint(HWND hwnd, LPARAM lp) {
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ClientToScreen(hwnd, &p);
    return p;
}

bool IsHorizontal(CDockToolBar::Side side) {
    return side == CDockToolBar::Top || side == CDockToolBar::Bottom;
}

// The start of a run of length len placed at want, kept within [lo, hi] when it fits.
int ClampAlong(int want, int lo, int hi, int len) { return std::max(lo, std::min(want, hi - len)); }

}  // namespace

CDockToolBar::~CDockToolBar() {
    CancelDrag();
    if (m_float) DestroyWindow(m_float);
    if (m_toolbar) DestroyWindow(m_toolbar);
    if (m_images) ImageList_Destroy(m_images);
}

bool CDockToolBar::Create(HWND frame, HINSTANCE inst, UINT bitmapId, const UINT* buttons,
                          int count) {
    auto bitmap = static_cast<HBITMAP>(
        LoadImageA(inst, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) return false;
    bool ok = Create(frame, bitmap, buttons, count);
    DeleteObject(bitmap);
    return ok;
}

bool CDockToolBar::Create(HWND frame, HBITMAP images, const UINT* buttons, int count) {
    if (m_toolbar || !frame || !images || count < 0) return false;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);

    int needed =
        static_cast<int>(std::count_if(buttons, buttons + count, [](UINT id) { return id; }));
    m_images = ImageList_Create(kImageWidth, kImageHeight, ILC_COLOR24 | ILC_MASK, needed, 0);
    auto fail = [this] {
        if (m_toolbar) DestroyWindow(m_toolbar);
        if (m_images) ImageList_Destroy(m_images);
        m_images = nullptr;
        return false;
    };
    if (!m_images || ImageList_AddMasked(m_images, images, kTransparent) < 0 ||
        ImageList_GetImageCount(m_images) < needed)
        return fail();

    m_frame = frame;
    m_toolbar = CreateWindowExA(
        0, TOOLBARCLASSNAMEA, "",
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
            CCS_NORESIZE | CCS_NOPARENTALIGN,
        0, 0, 0, 0, frame, reinterpret_cast<HMENU>(kToolbarId),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(frame, GWLP_HINSTANCE)), nullptr);
    if (!m_toolbar) return fail();
    SetWindowSubclass(m_toolbar, ToolbarProc, 0, reinterpret_cast<DWORD_PTR>(this));
    SendMessageA(m_toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(m_toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(kImageWidth, kImageHeight));
    SendMessageA(m_toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images));

    std::vector<TBBUTTON> tb(count);
    int image = 0;
    for (int i = 0; i < count; ++i) {
        tb[i].idCommand = static_cast<int>(buttons[i]);
        tb[i].iString = -1;
        if (buttons[i]) {
            tb[i].iBitmap = image++;
            tb[i].fsState = TBSTATE_ENABLED;
            tb[i].fsStyle = BTNS_BUTTON;
        } else {
            tb[i].fsStyle = BTNS_SEP;
        }
    }
    if (count &&
        !SendMessageA(m_toolbar, TB_ADDBUTTONSA, count, reinterpret_cast<LPARAM>(tb.data())))
        return fail();

    // Measure both orientations once, so dragging never has to relayout the live toolbar.
    for (int vertical = 0; vertical < 2; ++vertical) {
        SetButtonsVertical(vertical != 0);
        RECT all{};
        for (int i = 0; i < count; ++i) {
            RECT r;
            if (SendMessageA(m_toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
                UnionRect(&all, &all, &r);
        }
        m_content[vertical] = SIZE{all.right + all.left, all.bottom + all.top};
    }
    m_visible = true;
    DockAt(Top, 0);
    return true;
}

RECT CDockToolBar::NonClientEdges() const {
    if (m_floating) return RECT{};
    if (Vertical()) return RECT{kEdge, kGripper, kEdge, kEdge};
    return RECT{kGripper, kEdge, kEdge, kEdge};
}

SIZE CDockToolBar::DockedSize(bool vertical) const {
    const SIZE& c = m_content[vertical ? 1 : 0];
    if (vertical) return SIZE{c.cx + 2 * kEdge, c.cy + kGripper + kEdge};
    return SIZE{c.cx + kGripper + kEdge, c.cy + 2 * kEdge};
}

SIZE CDockToolBar::FloatWindowSize() const {
    RECT r{0, 0, m_content[0].cx + 2 * kFloatMargin, m_content[0].cy + 2 * kFloatMargin};
    AdjustWindowRectEx(&r, kFloatStyle, FALSE, kFloatExStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

RECT CDockToolBar::FrameClientOnScreen() const {
    RECT r{};
    GetClientRect(m_frame, &r);
    MapWindowPoints(m_frame, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// One row of buttons, or one button a row with the separators drawn across.
void CDockToolBar::SetButtonsVertical(bool vertical) {
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(m_toolbar, GWL_STYLE));
    DWORD wanted = vertical ? style | CCS_VERT : style & ~CCS_VERT;
    if (wanted != style) SetWindowLongPtrA(m_toolbar, GWL_STYLE, static_cast<LONG_PTR>(wanted));
    // Set after the style, so that the wrap changes lay the buttons out again.
    int count = static_cast<int>(SendMessageA(m_toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTONINFOA info{};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_BYINDEX | TBIF_STATE;
        SendMessageA(m_toolbar, TB_GETBUTTONINFOA, i, reinterpret_cast<LPARAM>(&info));
        BYTE state = static_cast<BYTE>(vertical ? info.fsState | TBSTATE_WRAP
                                                : info.fsState & ~TBSTATE_WRAP);
        if (state == info.fsState) continue;
        info.fsState = state;
        SendMessageA(m_toolbar, TB_SETBUTTONINFOA, i, reinterpret_cast<LPARAM>(&info));
    }
}

// Lays the buttons out for where the bar is and sizes the window to match, gripper included.
void CDockToolBar::ApplyOrientation() {
    bool vertical = Vertical();
    SetButtonsVertical(vertical);
    SIZE size = m_floating ? m_content[0] : DockedSize(vertical);
    int at = m_floating ? kFloatMargin : 0;
    SetWindowPos(m_toolbar, nullptr, at, at, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | (m_floating ? 0 : SWP_NOMOVE));
}

void CDockToolBar::Layout(RECT& client) {
    if (!m_toolbar || m_floating || !m_visible) return;
    SIZE s = DockedSize(Vertical());
    int x = client.left, y = client.top;
    switch (m_side) {
        case Top:
            x = ClampAlong(m_along, client.left, client.right, s.cx);
            client.top = std::min(client.top + s.cy, client.bottom);
            break;
        case Bottom:
            x = ClampAlong(m_along, client.left, client.right, s.cx);
            y = client.bottom - s.cy;
            client.bottom = std::max(client.bottom - s.cy, client.top);
            break;
        case Left:
            y = ClampAlong(m_along, client.top, client.bottom, s.cy);
            client.left = std::min(client.left + s.cx, client.right);
            break;
        case Right:
            x = client.right - s.cx;
            y = ClampAlong(m_along, client.top, client.bottom, s.cy);
            client.right = std::max(client.right - s.cx, client.left);
            break;
    }
    SetWindowPos(m_toolbar, nullptr, x, y, s.cx, s.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDockToolBar::Show(bool visible) {
    m_visible = visible;
    if (!m_toolbar) return;
    if (m_floating)
        ShowWindow(m_float, visible ? SW_SHOWNOACTIVATE : SW_HIDE);
    else
        ShowWindow(m_toolbar, visible ? SW_SHOWNA : SW_HIDE);
}

RECT CDockToolBar::WindowRectOnScreen() const {
    RECT r{};
    if (HWND w = m_floating ? m_float : m_toolbar) GetWindowRect(w, &r);
    return r;
}

void CDockToolBar::Dock(Side side, const RECT& screenRect) {
    RECT client = FrameClientOnScreen();
    DockAt(side, IsHorizontal(side) ? screenRect.left - client.left : screenRect.top - client.top);
}

void CDockToolBar::DockAt(Side side, int along) {
    if (!m_toolbar) return;
    m_side = side;
    m_along = along;
    if (m_floating) {
        m_floating = false;
        SetParent(m_toolbar, m_frame);
        ShowWindow(m_float, SW_HIDE);
    }
    ApplyOrientation();
    ShowWindow(m_toolbar, m_visible ? SW_SHOWNA : SW_HIDE);
}

void CDockToolBar::Float(POINT screenTopLeft) {
    if (!m_toolbar || (!m_float && !CreateFloatWindow())) return;
    if (!m_floating) {
        m_floating = true;
        SetParent(m_toolbar, m_float);
        ApplyOrientation();
        ShowWindow(m_toolbar, SW_SHOWNA);
    }
    SIZE size = FloatWindowSize();
    SetWindowPos(m_float, nullptr, screenTopLeft.x, screenTopLeft.y, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(m_float, m_visible ? SW_SHOWNOACTIVATE : SW_HIDE);
    m_floatPos = screenTopLeft;
    m_hasFloatPos = true;
}

bool CDockToolBar::CreateFloatWindow() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(inst, kFloatClass, &wc)) {
        wc.lpfnWndProc = FloatProc;
        wc.hInstance = inst;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFloatClass;
        if (!RegisterClassExA(&wc)) return false;
    }
    // Owned by the frame, so it stays above it and goes away with it.
    m_float = CreateWindowExA(kFloatExStyle, kFloatClass, "", kFloatStyle, 0, 0, 0, 0, m_frame,
                              nullptr, inst, this);
    return m_float != nullptr;
}

void CDockToolBar::EnableButton(UINT cmd, bool enable) {
    if (m_toolbar) SendMessageA(m_toolbar, TB_ENABLEBUTTON, cmd, MAKELPARAM(enable, 0));
}

void CDockToolBar::CheckButton(UINT cmd, bool checked) {
    if (m_toolbar) SendMessageA(m_toolbar, TB_CHECKBUTTON, cmd, MAKELPARAM(checked, 0));
}

void CDockToolBar::PaintGripper(HWND hwnd) const {
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    OffsetRect(&window, -window.left, -window.top);
    HDC dc = GetWindowDC(hwnd);
    if (!dc) return;
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    FillRect(dc, &window, GetSysColorBrush(COLOR_BTNFACE));
    RECT grip = Vertical() ? RECT{kEdge + 1, kEdge + 1, window.right - kEdge - 1, kEdge + 4}
                           : RECT{kEdge + 1, kEdge + 1, kEdge + 4, window.bottom - kEdge - 1};
    DrawEdge(dc, &grip, BDR_RAISEDINNER, BF_RECT);
    ReleaseDC(hwnd, dc);
}

LRESULT CALLBACK CDockToolBar::ToolbarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                           DWORD_PTR self) {
    try {
        return reinterpret_cast<CDockToolBar*>(self)->OnToolbarMessage(hwnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
}

LRESULT CDockToolBar::OnToolbarMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (m_drag.capture == hwnd && OnDragMessage(hwnd, msg, lp)) return 0;
    switch (msg) {
        case WM_NCCALCSIZE: {
            LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
            // The first rectangle of NCCALCSIZE_PARAMS is the same RECT as the plain case's.
            auto* r = reinterpret_cast<RECT*>(lp);
            RECT edges = NonClientEdges();
            r->left += edges.left;
            r->top += edges.top;
            r->right = std::max(r->left, r->right - edges.right);
            r->bottom = std::max(r->top, r->bottom - edges.bottom);
            return result;
        }
        case WM_NCPAINT: {
            LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
            if (!m_floating) PaintGripper(hwnd);
            return result;
        }
        case WM_NCHITTEST: {
            LRESULT hit = DefSubclassProc(hwnd, msg, wp, lp);
            RECT r;
            GetWindowRect(hwnd, &r);
            POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            // The border with the gripper is the handle the user drags the docked bar by.
            return hit != HTCLIENT && PtInRect(&r, p) ? HTCAPTION : hit;
        }
        case WM_NCLBUTTONDOWN:
            if (wp != HTCAPTION) break;
            BeginDrag(hwnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            return 0;
        case WM_NCLBUTTONDBLCLK:
            if (wp != HTCAPTION) break;
            ToggleFloating();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            // Empty space between and beside the buttons drags the bar too.
            POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            if (SendMessageA(hwnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&p)) >= 0) break;
            if (msg == WM_LBUTTONDOWN)
                BeginDrag(hwnd, ScreenPoint(hwnd, lp));
            else
                ToggleFloating();
            return 0;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, ToolbarProc, 0);
            m_toolbar = nullptr;
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK CDockToolBar::FloatProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        }
        if (auto* self = reinterpret_cast<CDockToolBar*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)))
            return self->OnFloatMessage(hwnd, msg, wp, lp);
        return DefWindowProcA(hwnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
}

LRESULT CDockToolBar::OnFloatMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (m_drag.capture == hwnd && OnDragMessage(hwnd, msg, lp)) return 0;
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
            // What the toolbar tells its parent is meant for the frame.
            return SendMessageA(m_frame, msg, wp, lp);
        case WM_MOUSEACTIVATE:
            // Clicking a button or the caption leaves the frame (and its view) active.
            return MA_NOACTIVATE;
        case WM_NCLBUTTONDOWN:
            if (wp != HTCAPTION) break;
            BeginDrag(hwnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            return 0;
        case WM_NCLBUTTONDBLCLK:
            if (wp != HTCAPTION) break;
            ToggleFloating();
            return 0;
        case WM_CLOSE:
            Show(false);
            Notify();
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            m_float = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool CDockToolBar::OnDragMessage(HWND hwnd, UINT msg, LPARAM lp) {
    switch (msg) {
        case WM_MOUSEMOVE:
            TrackDrag(ScreenPoint(hwnd, lp));
            return true;
        case WM_LBUTTONUP:
            EndDrag(ScreenPoint(hwnd, lp));
            return true;
        case WM_CAPTURECHANGED:
            CancelDrag();
            return true;
        default:
            return false;
    }
}

void CDockToolBar::BeginDrag(HWND capture, POINT screen) {
    CancelDrag();
    RECT r = WindowRectOnScreen();
    m_drag = DragState{};
    m_drag.start = screen;
    m_drag.grab = POINT{screen.x - r.left, screen.y - r.top};
    m_drag.vertical = Vertical();
    m_drag.capture = capture;
    SetCapture(capture);
}

bool CDockToolBar::DragStarted(POINT screen) const {
    return m_drag.moved || std::abs(screen.x - m_drag.start.x) > GetSystemMetrics(SM_CXDRAG) ||
           std::abs(screen.y - m_drag.start.y) > GetSystemMetrics(SM_CYDRAG);
}

void CDockToolBar::TrackDrag(POINT screen) {
    if (!m_drag.moved) {
        if (!DragStarted(screen)) return;
        m_drag.moved = true;
        // Other windows must not paint over the inverted tracking rectangle.
        m_drag.locked = LockWindowUpdate(GetDesktopWindow()) != FALSE;
        static const WORD halftone[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
        if (HBITMAP pattern = CreateBitmap(8, 8, 1, 1, halftone)) {
            m_drag.brush = CreatePatternBrush(pattern);
            DeleteObject(pattern);
        }
    }
    Target t = TargetAt(screen);
    if (m_drag.shown) DrawTracker(m_drag.shownRect, m_drag.shownThick);
    DrawTracker(t.rect, !t.dock);
    m_drag.shown = true;
    m_drag.shownRect = t.rect;
    m_drag.shownThick = !t.dock;
}

void CDockToolBar::EndDrag(POINT screen) {
    bool moved = DragStarted(screen);
    Target t = TargetAt(screen);
    CancelDrag();
    if (!moved) return;
    if (t.dock) {
        RECT client = FrameClientOnScreen();
        DockAt(t.side, IsHorizontal(t.side) ? t.rect.left - client.left : t.rect.top - client.top);
    } else {
        Float(POINT{t.rect.left, t.rect.top});
    }
    Notify();
}

void CDockToolBar::CancelDrag() {
    if (!m_drag.capture) return;
    HWND capture = m_drag.capture;
    m_drag.capture = nullptr;  // what follows is no longer part of the drag
    if (m_drag.shown) DrawTracker(m_drag.shownRect, m_drag.shownThick);
    if (m_drag.locked) LockWindowUpdate(nullptr);
    if (m_drag.brush) DeleteObject(m_drag.brush);
    m_drag = DragState{};
    if (GetCapture() == capture) ReleaseCapture();
}

// Near an edge of the frame's client area the bar docks on that side; anywhere else it floats.
// The cursor keeps its place on the bar, swapped to the other axis when the bar turns.
CDockToolBar::Target CDockToolBar::TargetAt(POINT p) const {
    RECT client = FrameClientOnScreen();
    SIZE horizontal = DockedSize(false);
    int margin = horizontal.cy;
    RECT zone = client;
    InflateRect(&zone, margin, margin);
    Target t{false, Top, {}};
    if (PtInRect(&zone, p)) {
        const struct {
            Side side;
            int distance;
        } edges[] = {{Top, std::abs(p.y - client.top)},
                     {Bottom, std::abs(client.bottom - p.y)},
                     {Left, std::abs(p.x - client.left)},
                     {Right, std::abs(client.right - p.x)}};
        const auto* nearest =
            std::min_element(std::begin(edges), std::end(edges),
                             [](const auto& a, const auto& b) { return a.distance < b.distance; });
        if (nearest->distance <= margin) {
            t.dock = true;
            t.side = nearest->side;
        }
    }
    bool vertical = t.dock && !IsHorizontal(t.side);
    SIZE size = !t.dock ? FloatWindowSize() : DockedSize(vertical);
    POINT g = m_drag.grab;
    if (vertical != m_drag.vertical) std::swap(g.x, g.y);
    g.x = std::clamp<LONG>(g.x, 0, size.cx - 1);
    g.y = std::clamp<LONG>(g.y, 0, size.cy - 1);
    POINT at{p.x - g.x, p.y - g.y};
    if (t.dock) {
        switch (t.side) {
            case Top:
                at.y = client.top;
                break;
            case Bottom:
                at.y = client.bottom - size.cy;
                break;
            case Left:
                at.x = client.left;
                break;
            case Right:
                at.x = client.right - size.cx;
                break;
        }
    }
    t.rect = RECT{at.x, at.y, at.x + size.cx, at.y + size.cy};
    return t;
}

// Inverts a frame of the rectangle on the screen; drawing it again takes it away.
void CDockToolBar::DrawTracker(const RECT& r, bool thick) {
    HDC dc = GetDCEx(GetDesktopWindow(), nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    if (!dc) return;
    int w = thick ? 3 : 1;
    HGDIOBJ old = SelectObject(dc, m_drag.brush ? m_drag.brush : GetStockObject(GRAY_BRUSH));
    int cx = r.right - r.left, cy = r.bottom - r.top;
    PatBlt(dc, r.left, r.top, cx - w, w, PATINVERT);
    PatBlt(dc, r.right - w, r.top, w, cy - w, PATINVERT);
    PatBlt(dc, r.left + w, r.bottom - w, cx - w, w, PATINVERT);
    PatBlt(dc, r.left, r.top + w, w, cy - w, PATINVERT);
    SelectObject(dc, old);
    ReleaseDC(GetDesktopWindow(), dc);
}

// A docked bar floats where it floated last (or where it is); a floating one docks back.
void CDockToolBar::ToggleFloating() {
    if (m_floating) {
        DockAt(m_side, m_along);
    } else {
        RECT r = WindowRectOnScreen();
        Float(m_hasFloatPos ? m_floatPos : POINT{r.left, r.top});
    }
    Notify();
}

void CDockToolBar::Notify() {
    if (onLayoutChanged) onLayoutChanged();
}
