// Tests of the dockable toolbar with real windows: docking, floating, layout and mouse drags.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <iterator>
#include <string>
#include <vector>

#include "WindowTestUtil.h"
#include "frame/DockToolBar.h"

namespace {

using testutil::Pump;

constexpr UINT kButtons[] = {101, 102, 0, 103, 104, 0, 105};
constexpr int kImages = 5;
constexpr int kSeparatorIndex = 2;

// What the test frame received from the toolbar.
struct FrameLog {
    std::vector<UINT> commands;
    std::vector<HWND> senders;
    std::string tip;
};
FrameLog* g_log = nullptr;

LRESULT CALLBACK TestFrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        if (g_log && msg == WM_COMMAND && lp) {
            g_log->commands.push_back(LOWORD(wp));
            g_log->senders.push_back(reinterpret_cast<HWND>(lp));
            return 0;
        }
        if (g_log && msg == WM_NOTIFY) {
            auto* nm = reinterpret_cast<NMHDR*>(lp);
            if (nm->code == TTN_GETDISPINFOA) {
                g_log->tip = "tip " + std::to_string(nm->idFrom);
                reinterpret_cast<NMTTDISPINFOA*>(nm)->lpszText = g_log->tip.data();
                return 0;
            }
        }
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// A strip of count 16x15 images on the transparent silver, each with a coloured square.
HBITMAP TestImages(int count) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 16 * count;
    bi.bmiHeader.biHeight = 15;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* px = static_cast<DWORD*>(bits);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 16 * count; ++x) {
            bool square = x % 16 >= 3 && x % 16 < 13 && y >= 3 && y < 12;
            px[y * 16 * count + x] = square ? 0x000040 * (x / 16 + 1) : 0xC0C0C0;
        }
    return bmp;
}

RECT ScreenRect(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
}

LPARAM PointParam(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

POINT Center(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class DockToolBarTest : public testing::Test {
protected:
    void SetUp() override {
        HINSTANCE inst = GetModuleHandleA(nullptr);
        WNDCLASSA wc{};
        if (!GetClassInfoA(inst, "DockToolBarTestFrame", &wc)) {
            wc.lpfnWndProc = TestFrameProc;
            wc.hInstance = inst;
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = "DockToolBarTestFrame";
            ASSERT_NE(0, RegisterClassA(&wc));
        }
        frame = CreateWindowExA(0, "DockToolBarTestFrame", "Dock test",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 100, 80, 700, 500, nullptr,
                                nullptr, inst, nullptr);
        ASSERT_NE(nullptr, frame);
        ShowWindow(frame, SW_SHOWNA);
        g_log = &log;
        HBITMAP images = TestImages(kImages);
        ASSERT_TRUE(bar.Create(frame, images, kButtons, static_cast<int>(std::size(kButtons))));
        DeleteObject(images);
        bar.onLayoutChanged = [this] { ++layoutChanges; };
        Pump();
    }
    void TearDown() override {
        g_log = nullptr;
        DestroyWindow(frame);
        Pump();
    }

    RECT Client() const {
        RECT r;
        GetClientRect(frame, &r);
        return r;
    }
    RECT ClientOnScreen() const {
        RECT r = Client();
        MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // The toolbar's rectangle in the frame's client coordinates.
    RECT BarInFrame() const {
        RECT r = ScreenRect(bar.Toolbar());
        MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // The middle of the docked bar's gripper strip, on screen.
    POINT Gripper() const {
        RECT r = ScreenRect(bar.Toolbar());
        bool vertical = r.bottom - r.top > r.right - r.left;
        return vertical ? POINT{(r.left + r.right) / 2, r.top + 4}
                        : POINT{r.left + 4, (r.top + r.bottom) / 2};
    }
    // Moves the captured mouse to a screen point and releases the button there.
    static void MoveAndRelease(POINT to) {
        HWND capture = GetCapture();
        ASSERT_NE(nullptr, capture);
        ScreenToClient(capture, &to);
        SendMessageA(capture, WM_MOUSEMOVE, MK_LBUTTON, PointParam(to));
        SendMessageA(capture, WM_LBUTTONUP, 0, PointParam(to));
    }
    void DragGripperTo(POINT to) {
        POINT grip = Gripper();
        ASSERT_EQ(HTCAPTION, SendMessageA(bar.Toolbar(), WM_NCHITTEST, 0, PointParam(grip)));
        SendMessageA(bar.Toolbar(), WM_NCLBUTTONDOWN, HTCAPTION, PointParam(grip));
        EXPECT_EQ(bar.Toolbar(), GetCapture());
        MoveAndRelease(to);
    }
    RECT ButtonRect(int index) const {
        RECT r{};
        SendMessageA(bar.Toolbar(), TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    // True when every button lies inside the toolbar's client area.
    bool ButtonsFit() const {
        RECT client;
        GetClientRect(bar.Toolbar(), &client);
        for (int i = 0; i < static_cast<int>(std::size(kButtons)); ++i) {
            RECT r = ButtonRect(i), both;
            if (!IntersectRect(&both, &r, &client) || !EqualRect(&both, &r)) return false;
        }
        return true;
    }
    void ClickButton(int index) {
        POINT c = Center(ButtonRect(index));
        SendMessageA(bar.Toolbar(), WM_LBUTTONDOWN, MK_LBUTTON, PointParam(c));
        SendMessageA(bar.Toolbar(), WM_LBUTTONUP, 0, PointParam(c));
        Pump();
    }

    HWND frame = nullptr;
    FrameLog log;
    CDockToolBar bar;
    int layoutChanges = 0;
};

TEST_F(DockToolBarTest, StartsAsFrameChildDockedAtTop) {
    HWND tb = bar.Toolbar();
    char cls[64] = {};
    GetClassNameA(tb, cls, sizeof cls);
    EXPECT_STREQ(TOOLBARCLASSNAMEA, cls);
    EXPECT_EQ(frame, GetParent(tb));
    EXPECT_EQ(0xE800, GetDlgCtrlID(tb));
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(tb, GWL_STYLE));
    EXPECT_EQ(DWORD(TBSTYLE_FLAT | TBSTYLE_TOOLTIPS), style & (TBSTYLE_FLAT | TBSTYLE_TOOLTIPS));
    EXPECT_TRUE(bar.IsVisible());
    EXPECT_TRUE(IsWindowVisible(tb));
    EXPECT_FALSE(bar.IsFloating());
    EXPECT_EQ(CDockToolBar::Top, bar.DockSide());
    EXPECT_EQ(0x2000u, bar.AlignmentBits());
}

TEST_F(DockToolBarTest, DocksOnEachSideAndLayoutTakesItsStrip) {
    const RECT full = Client();
    const struct {
        CDockToolBar::Side side;
        DWORD bits;
    } cases[] = {{CDockToolBar::Left, 0x1000},
                 {CDockToolBar::Top, 0x2000},
                 {CDockToolBar::Right, 0x4000},
                 {CDockToolBar::Bottom, 0x8000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        bar.Dock(c.side, ClientOnScreen());
        RECT rc = full;
        bar.Layout(rc);
        RECT b = BarInFrame();
        int w = b.right - b.left, h = b.bottom - b.top;
        EXPECT_FALSE(bar.IsFloating());
        EXPECT_EQ(c.side, bar.DockSide());
        EXPECT_EQ(c.bits, bar.AlignmentBits());
        EXPECT_EQ(frame, GetParent(bar.Toolbar()));
        EXPECT_TRUE(ButtonsFit());
        RECT onScreen = bar.WindowRectOnScreen(), actual = ScreenRect(bar.Toolbar());
        EXPECT_TRUE(EqualRect(&onScreen, &actual));
        RECT expected = full;
        switch (c.side) {
            case CDockToolBar::Left:
                EXPECT_GT(h, w);
                EXPECT_EQ(0, b.left);
                EXPECT_EQ(0, b.top);
                expected.left = w;
                break;
            case CDockToolBar::Top:
                EXPECT_GT(w, h);
                EXPECT_EQ(0, b.left);
                EXPECT_EQ(0, b.top);
                expected.top = h;
                break;
            case CDockToolBar::Right:
                EXPECT_GT(h, w);
                EXPECT_EQ(full.right, b.right);
                EXPECT_EQ(0, b.top);
                expected.right = full.right - w;
                break;
            case CDockToolBar::Bottom:
                EXPECT_GT(w, h);
                EXPECT_EQ(0, b.left);
                EXPECT_EQ(full.bottom, b.bottom);
                expected.bottom = full.bottom - h;
                break;
        }
        EXPECT_TRUE(EqualRect(&expected, &rc));
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);
    }
}

TEST_F(DockToolBarTest, DockKeepsItsPlaceAlongTheSideInsideTheFrame) {
    const RECT screen = ClientOnScreen(), full = Client();
    const struct {
        CDockToolBar::Side side;
        int along;     // asked offset from the client origin along the side
        int expected;  // resulting left (top/bottom) or top (left/right) edge; -1 = flush far end
    } cases[] = {{CDockToolBar::Top, 60, 60},    {CDockToolBar::Bottom, 5000, -1},
                 {CDockToolBar::Top, -300, 0},   {CDockToolBar::Left, 40, 40},
                 {CDockToolBar::Right, -500, 0}, {CDockToolBar::Left, 9000, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.along);
        bool horizontal = c.side == CDockToolBar::Top || c.side == CDockToolBar::Bottom;
        RECT at = screen;
        OffsetRect(&at, horizontal ? c.along : 0, horizontal ? 0 : c.along);
        bar.Dock(c.side, at);
        RECT rc = full;
        bar.Layout(rc);
        RECT b = BarInFrame();
        if (c.expected >= 0)
            EXPECT_EQ(c.expected, horizontal ? b.left : b.top);
        else
            EXPECT_EQ(horizontal ? full.right : full.bottom, horizontal ? b.right : b.bottom);
    }
}

TEST_F(DockToolBarTest, FloatsInAnOwnedToolWindowAtThePoint) {
    bar.Dock(CDockToolBar::Left, ClientOnScreen());
    bar.Float(POINT{300, 250});
    EXPECT_TRUE(bar.IsFloating());
    EXPECT_EQ(CDockToolBar::Left, bar.DockSide());
    HWND tool = GetParent(bar.Toolbar());
    ASSERT_NE(frame, tool);
    EXPECT_EQ(tool, bar.FloatingWindow());
    EXPECT_EQ(frame, GetWindow(tool, GW_OWNER));
    LONG_PTR style = GetWindowLongPtrA(tool, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(WS_CAPTION, style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongPtrA(tool, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(IsWindowVisible(tool));

    RECT r = bar.WindowRectOnScreen(), actual = ScreenRect(tool);
    EXPECT_TRUE(EqualRect(&r, &actual));
    EXPECT_EQ(300, r.left);
    EXPECT_EQ(250, r.top);
    // Floating, the buttons lie in one row and all of them show inside the tool window.
    RECT tb = ScreenRect(bar.Toolbar()), inTool;
    EXPECT_GT(tb.right - tb.left, tb.bottom - tb.top);
    EXPECT_TRUE(ButtonsFit());
    GetClientRect(tool, &inTool);
    MapWindowPoints(tool, nullptr, reinterpret_cast<POINT*>(&inTool), 2);
    RECT both;
    IntersectRect(&both, &tb, &inTool);
    EXPECT_TRUE(EqualRect(&both, &tb));

    RECT rc = Client(), full = Client();
    bar.Layout(rc);
    EXPECT_TRUE(EqualRect(&full, &rc));

    bar.Float(POINT{420, 310});
    r = bar.WindowRectOnScreen();
    EXPECT_EQ(420, r.left);
    EXPECT_EQ(310, r.top);

    bar.Dock(CDockToolBar::Bottom, ClientOnScreen());
    EXPECT_FALSE(bar.IsFloating());
    EXPECT_EQ(frame, GetParent(bar.Toolbar()));
    EXPECT_FALSE(IsWindowVisible(tool));
    rc = full;
    bar.Layout(rc);
    EXPECT_LT(rc.bottom, full.bottom);
    EXPECT_TRUE(ButtonsFit());
}

TEST_F(DockToolBarTest, HiddenBarTakesNoSpace) {
    const RECT full = Client();
    bar.Show(false);
    EXPECT_FALSE(bar.IsVisible());
    EXPECT_FALSE(IsWindowVisible(bar.Toolbar()));
    RECT rc = full;
    bar.Layout(rc);
    EXPECT_TRUE(EqualRect(&full, &rc));

    bar.Show(true);
    EXPECT_TRUE(IsWindowVisible(bar.Toolbar()));
    bar.Layout(rc);
    EXPECT_LT(full.top, rc.top);

    bar.Float(POINT{200, 200});
    bar.Show(false);
    EXPECT_FALSE(IsWindowVisible(bar.FloatingWindow()));
    bar.Show(true);
    EXPECT_TRUE(IsWindowVisible(bar.FloatingWindow()));
}

TEST_F(DockToolBarTest, DraggingTheGripperToTheRightEdgeDocksOnTheRight) {
    HWND tb = bar.Toolbar();
    POINT onButton = Center(ButtonRect(0));
    ClientToScreen(tb, &onButton);
    EXPECT_EQ(HTCLIENT, SendMessageA(tb, WM_NCHITTEST, 0, PointParam(onButton)));

    // A click without moving changes nothing.
    DragGripperTo(Gripper());
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(CDockToolBar::Top, bar.DockSide());
    EXPECT_EQ(0, layoutChanges);

    const RECT client = ClientOnScreen();
    POINT drop{client.right - 3, client.top + 150};
    DragGripperTo(drop);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_FALSE(bar.IsFloating());
    EXPECT_EQ(CDockToolBar::Right, bar.DockSide());
    EXPECT_EQ(1, layoutChanges);

    RECT rc = Client();
    bar.Layout(rc);
    RECT b = ScreenRect(tb);
    EXPECT_EQ(client.right, b.right);
    EXPECT_GT(b.bottom - b.top, b.right - b.left);
    EXPECT_EQ(Client().right - (b.right - b.left), rc.right);
    // The bar docks where it was dropped: the cursor is still on its gripper.
    EXPECT_TRUE(PtInRect(&b, drop));
    EXPECT_EQ(HTCAPTION, SendMessageA(tb, WM_NCHITTEST, 0, PointParam(drop)));
}

TEST_F(DockToolBarTest, DraggingAwayFromTheEdgesFloatsAndTheCaptionDragsItBack) {
    const RECT client = ClientOnScreen();
    POINT middle = Center(client);
    DragGripperTo(middle);
    ASSERT_TRUE(bar.IsFloating());
    EXPECT_EQ(1, layoutChanges);
    RECT r = bar.WindowRectOnScreen();
    EXPECT_TRUE(PtInRect(&r, middle));

    HWND tool = bar.FloatingWindow();
    POINT caption{r.left + 30, r.top + GetSystemMetrics(SM_CYFIXEDFRAME) + 3};
    ASSERT_EQ(HTCAPTION, SendMessageA(tool, WM_NCHITTEST, 0, PointParam(caption)));
    SendMessageA(tool, WM_NCLBUTTONDOWN, HTCAPTION, PointParam(caption));
    EXPECT_EQ(tool, GetCapture());
    // Moved a little, it floats further along by as much.
    MoveAndRelease(POINT{caption.x + 40, caption.y + 25});
    RECT moved = bar.WindowRectOnScreen();
    EXPECT_EQ(r.left + 40, moved.left);
    EXPECT_EQ(r.top + 25, moved.top);
    EXPECT_EQ(2, layoutChanges);

    caption = POINT{moved.left + 30, moved.top + GetSystemMetrics(SM_CYFIXEDFRAME) + 3};
    SendMessageA(tool, WM_NCLBUTTONDOWN, HTCAPTION, PointParam(caption));
    MoveAndRelease(POINT{client.left + 100, client.bottom - 2});
    EXPECT_FALSE(bar.IsFloating());
    EXPECT_EQ(CDockToolBar::Bottom, bar.DockSide());
    EXPECT_FALSE(IsWindowVisible(tool));
    EXPECT_EQ(3, layoutChanges);

    // Empty space on the bar (here a separator) drags it as well.
    RECT rc = Client();
    bar.Layout(rc);
    POINT gap = Center(ButtonRect(kSeparatorIndex));
    ASSERT_LT(SendMessageA(bar.Toolbar(), TB_HITTEST, 0, reinterpret_cast<LPARAM>(&gap)), 0);
    SendMessageA(bar.Toolbar(), WM_LBUTTONDOWN, MK_LBUTTON, PointParam(gap));
    MoveAndRelease(middle);
    EXPECT_TRUE(bar.IsFloating());
    EXPECT_EQ(4, layoutChanges);
}

TEST_F(DockToolBarTest, DoubleClicksFloatTheDockedBarAndDockTheFloatingOne) {
    RECT at = ClientOnScreen();
    OffsetRect(&at, 0, 30);
    bar.Dock(CDockToolBar::Left, at);
    RECT rc = Client();
    bar.Layout(rc);
    const RECT docked = ScreenRect(bar.Toolbar());

    POINT grip = Gripper();
    SendMessageA(bar.Toolbar(), WM_NCLBUTTONDBLCLK, HTCAPTION, PointParam(grip));
    ASSERT_TRUE(bar.IsFloating());
    EXPECT_EQ(1, layoutChanges);
    RECT r = bar.WindowRectOnScreen();
    EXPECT_EQ(docked.left, r.left);
    EXPECT_EQ(docked.top, r.top);

    bar.Float(POINT{350, 260});
    HWND tool = bar.FloatingWindow();
    POINT caption{355, 260 + GetSystemMetrics(SM_CYFIXEDFRAME) + 3};
    SendMessageA(tool, WM_NCLBUTTONDBLCLK, HTCAPTION, PointParam(caption));
    EXPECT_FALSE(bar.IsFloating());
    EXPECT_EQ(CDockToolBar::Left, bar.DockSide());
    EXPECT_EQ(2, layoutChanges);
    rc = Client();
    bar.Layout(rc);
    RECT again = ScreenRect(bar.Toolbar());
    EXPECT_TRUE(EqualRect(&docked, &again));

    SendMessageA(bar.Toolbar(), WM_NCLBUTTONDBLCLK, HTCAPTION, PointParam(Gripper()));
    r = bar.WindowRectOnScreen();
    EXPECT_EQ(350, r.left);
    EXPECT_EQ(260, r.top);
}

TEST_F(DockToolBarTest, ClosingTheToolWindowHidesTheBar) {
    bar.Float(POINT{250, 220});
    HWND tool = bar.FloatingWindow();
    SendMessageA(tool, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(tool));
    EXPECT_FALSE(IsWindowVisible(tool));
    EXPECT_FALSE(bar.IsVisible());
    EXPECT_TRUE(bar.IsFloating());
    EXPECT_EQ(1, layoutChanges);
    bar.Show(true);
    EXPECT_TRUE(IsWindowVisible(tool));
}

TEST_F(DockToolBarTest, ButtonClicksReachTheFrameDockedAndFloating) {
    for (bool floating : {false, true}) {
        SCOPED_TRACE(floating);
        if (floating) bar.Float(POINT{300, 300});
        log.commands.clear();
        log.senders.clear();
        ClickButton(3);
        EXPECT_EQ(std::vector<UINT>{103}, log.commands);
        EXPECT_EQ(std::vector<HWND>{bar.Toolbar()}, log.senders);

        bar.EnableButton(104, false);
        ClickButton(4);
        EXPECT_EQ(std::vector<UINT>{103}, log.commands);
        bar.EnableButton(104, true);
        ClickButton(4);
        EXPECT_EQ((std::vector<UINT>{103, 104}), log.commands);

        bar.CheckButton(105, true);
        EXPECT_TRUE(SendMessageA(bar.Toolbar(), TB_ISBUTTONCHECKED, 105, 0));
        bar.CheckButton(105, false);
        EXPECT_FALSE(SendMessageA(bar.Toolbar(), TB_ISBUTTONCHECKED, 105, 0));
    }
    // What reaches the tool window as the toolbar's parent goes on to the frame.
    log.commands.clear();
    SendMessageA(bar.FloatingWindow(), WM_COMMAND, 101, reinterpret_cast<LPARAM>(bar.Toolbar()));
    EXPECT_EQ(std::vector<UINT>{101}, log.commands);
}

TEST_F(DockToolBarTest, TooltipsAskTheFrameDockedAndFloating) {
    HWND tip = reinterpret_cast<HWND>(SendMessageA(bar.Toolbar(), TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(nullptr, tip);
    for (bool floating : {false, true}) {
        SCOPED_TRACE(floating);
        if (floating) bar.Float(POINT{300, 300});
        char text[80] = {};
        TTTOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = bar.Toolbar();
        ti.uId = 102;
        ti.lpszText = text;
        SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
        EXPECT_STREQ("tip 102", text);
    }
}

TEST_F(DockToolBarTest, CreateFailsWithoutItsImages) {
    CDockToolBar other;
    HBITMAP tooFew = TestImages(kImages - 1);
    EXPECT_FALSE(other.Create(frame, tooFew, kButtons, static_cast<int>(std::size(kButtons))));
    DeleteObject(tooFew);
    EXPECT_EQ(nullptr, other.Toolbar());
    EXPECT_FALSE(other.Create(frame, GetModuleHandleA(nullptr), 0x7FF3, kButtons,
                              static_cast<int>(std::size(kButtons))));
    EXPECT_EQ(nullptr, other.Toolbar());
    HBITMAP images = TestImages(kImages);
    EXPECT_FALSE(bar.Create(frame, images, kButtons, static_cast<int>(std::size(kButtons))));
    DeleteObject(images);
}

}  // namespace
