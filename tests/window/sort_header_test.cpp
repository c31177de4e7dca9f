// Tests of the sort header: real list view windows, pixels read back from the header's painting.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "view/SortHeaderCtrl.h"

namespace {

const COLORREF kGrey = RGB(128, 128, 128);
const int kMargin = 6;
const int kArrowWidth = 7;

// Gives the tests the control's state.
class CProbeHeader : public CSortHeaderCtrl {
public:
    using CSortHeaderCtrl::m_clrFace;
    using CSortHeaderCtrl::m_clrHighlight;
    using CSortHeaderCtrl::m_clrShadow;
    using CSortHeaderCtrl::m_clrText;
    using CSortHeaderCtrl::m_imageHeight;
    using CSortHeaderCtrl::m_imageWidth;
    using CSortHeaderCtrl::m_mouseFlags;
    using CSortHeaderCtrl::m_mousePoint;
};

// The arrow cells as the bitmap resource draws them: image 0 points up, image 1 down.
bool ArrowPixel(int image, int col, int row) {
    if (col < 0 || col > 6 || row < 2 || row > 12) return false;
    if (image == 0) return row <= 5 ? std::abs(col - 3) <= row - 2 : col == 3;
    return row <= 8 ? col == 3 : std::abs(col - 3) <= 12 - row;
}

HBITMAP MakeArrowBitmap() {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 14;
    info.bmiHeader.biHeight = -16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    const int stride = (14 * 3 + 3) & ~3;
    auto* bytes = static_cast<uint8_t*>(bits);
    for (int row = 0; row < 16; ++row) {
        for (int x = 0; x < 14; ++x) {
            const uint8_t value = ArrowPixel(x / 7, x % 7, row) ? 128 : 255;
            uint8_t* pixel = bytes + row * stride + x * 3;
            pixel[0] = pixel[1] = pixel[2] = value;
        }
    }
    return bitmap;
}

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    COLORREF At(int x, int y) const {
        const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    bool operator==(const Image&) const = default;
};

// Reads back a DC's contents of size cx x cy through a 32-bit top-down DIB.
template <typename Draw>
Image CaptureWith(int cx, int cy, Draw draw) {
    Image image;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        DeleteDC(dc);
        return image;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all = {0, 0, cx, cy};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &all, magenta);
    DeleteObject(magenta);
    draw(dc);
    GdiFlush();
    image.width = cx;
    image.height = cy;
    const auto* begin = static_cast<const uint32_t*>(bits);
    image.pixels.assign(begin, begin + static_cast<size_t>(cx) * cy);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return image;
}

// The header as its own painting draws it.
Image Capture(HWND header) {
    RECT client;
    GetClientRect(header, &client);
    return CaptureWith(client.right, client.bottom, [&](HDC dc) {
        SendMessageA(header, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

struct Arrow {
    int x;      // left column of the image cell
    int y;      // top row of the image cell
    int image;  // 0 up (descending), 1 down (ascending)
};

// Every place where a whole arrow shape lies in the picture, grey exactly on the arrow's cells.
std::vector<Arrow> FindArrows(const Image& image) {
    std::vector<Arrow> found;
    for (int y = -2; y + 12 < image.height; ++y) {
        for (int x = 0; x + kArrowWidth <= image.width; ++x) {
            for (int index = 0; index < 2; ++index) {
                bool match = true;
                for (int row = 2; row <= 12 && match; ++row) {
                    for (int col = 0; col < kArrowWidth && match; ++col) {
                        const bool grey = image.At(x + col, y + row) == kGrey;
                        match = grey == ArrowPixel(index, col, row);
                    }
                }
                if (match) found.push_back({x, y, index});
            }
        }
    }
    return found;
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

const char* HostClass() {
    static const char* name = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "BrennaSortHeaderTestHost";
        RegisterClassA(&wc);
        return "BrennaSortHeaderTestHost";
    }();
    return name;
}

class SortHeader : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        m_host =
            CreateWindowExA(0, HostClass(), "Sort header test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            40, 40, 560, 220, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_host, nullptr);
        m_list =
            CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 520, 160,
                            m_host, reinterpret_cast<HMENU>(1), GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_list, nullptr);
        const struct {
            const char* caption;
            int format;
            int width;
        } columns[] = {
            {"Name", LVCFMT_LEFT, 150}, {"Size", LVCFMT_RIGHT, 120}, {"Type", LVCFMT_CENTER, 130}};
        for (int i = 0; i < 3; ++i) {
            LVCOLUMNA column = {};
            column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
            column.fmt = columns[i].format;
            column.cx = columns[i].width;
            column.pszText = const_cast<char*>(columns[i].caption);
            ASSERT_EQ(SendMessageA(m_list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column)),
                      i);
        }
        m_header = ListView_GetHeader(m_list);
        ASSERT_NE(m_header, nullptr);
        ASSERT_TRUE(m_control.Attach(m_header));

        m_arrows = MakeArrowBitmap();
        ASSERT_NE(m_arrows, nullptr);
        m_images = ImageList_Create(7, 16, ILC_COLOR24 | ILC_MASK, 2, 1);
        ASSERT_NE(m_images, nullptr);
        ASSERT_EQ(ImageList_AddMasked(m_images, m_arrows, RGB(255, 255, 255)), 0);
        SendMessageA(m_header, HDM_SETIMAGELIST, HDSIL_NORMAL, reinterpret_cast<LPARAM>(m_images));
    }

    void TearDown() override {
        if (m_header && GetCapture() == m_header) ReleaseCapture();
        if (m_host) DestroyWindow(m_host);
        if (m_images) ImageList_Destroy(m_images);
        if (m_arrows) DeleteObject(m_arrows);
    }

    RECT ItemRect(int index) const {
        RECT rc = {};
        Header_GetItemRect(m_header, index, &rc);
        return rc;
    }

    // The format goes along: Wine's list view resets the justification when a new caption
    // comes without it.
    void SetColumn(int index, const char* caption, int width) {
        const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
        column.fmt = formats[index];
        column.pszText = const_cast<char*>(caption);
        column.cx = width;
        ASSERT_TRUE(SendMessageA(m_list, LVM_SETCOLUMNA, index, reinterpret_cast<LPARAM>(&column)));
    }

    // Width of a caption in the header's own font.
    int TextWidth(const char* text) const {
        HDC dc = CreateCompatibleDC(nullptr);
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(m_header, WM_GETFONT, 0, 0));
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        SIZE size = {};
        GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
        if (old) SelectObject(dc, old);
        DeleteDC(dc);
        return size.cx;
    }

    // Top row of the arrow's image cell in an item: centred on the header's height.
    int ArrowTop(int index) const {
        const RECT rc = ItemRect(index);
        return (rc.top + rc.bottom) / 2 - 16 / 2;
    }

    HWND m_host = nullptr;
    HWND m_list = nullptr;
    HWND m_header = nullptr;
    HBITMAP m_arrows = nullptr;
    HIMAGELIST m_images = nullptr;
    CProbeHeader m_control;
};

TEST_F(SortHeader, SortColumnRoundTripsAndRepaints) {
    bool ascending = false;
    EXPECT_EQ(m_control.GetSortColumn(&ascending), -1);
    EXPECT_TRUE(ascending);

    ValidateRect(m_header, nullptr);
    m_control.SetSortColumn(2, false);
    EXPECT_TRUE(GetUpdateRect(m_header, nullptr, FALSE));
    EXPECT_EQ(m_control.GetSortColumn(&ascending), 2);
    EXPECT_FALSE(ascending);
    EXPECT_EQ(m_control.GetSortColumn(), 2);

    m_control.SetSortColumn(0, true);
    EXPECT_EQ(m_control.GetSortColumn(&ascending), 0);
    EXPECT_TRUE(ascending);

    EXPECT_FALSE(m_control.Attach(m_header));
    EXPECT_EQ(m_control.GetSafeHwnd(), m_header);
}

TEST_F(SortHeader, LearnsTheImageSizeWhenTheListIsSet) {
    EXPECT_EQ(m_control.m_imageWidth, 7);
    EXPECT_EQ(m_control.m_imageHeight, 16);
    // The header itself still gets the list.
    EXPECT_EQ(Header_GetImageList(m_header), m_images);

    HIMAGELIST other = ImageList_Create(9, 12, ILC_COLOR24 | ILC_MASK, 1, 1);
    ASSERT_NE(other, nullptr);
    HBITMAP cell = CreateBitmap(9, 12, 1, 32, nullptr);
    ImageList_AddMasked(other, cell, RGB(255, 255, 255));
    SendMessageA(m_header, HDM_SETIMAGELIST, HDSIL_NORMAL, reinterpret_cast<LPARAM>(other));
    EXPECT_EQ(m_control.m_imageWidth, 9);
    EXPECT_EQ(m_control.m_imageHeight, 12);
    SendMessageA(m_header, HDM_SETIMAGELIST, HDSIL_NORMAL, reinterpret_cast<LPARAM>(m_images));
    ImageList_Destroy(other);
    DeleteObject(cell);
}

TEST_F(SortHeader, NoSortColumnDrawsNoArrow) {
    const Image image = Capture(m_header);
    ASSERT_GT(image.width, 0);
    EXPECT_TRUE(FindArrows(image).empty());
    // Nor a single grey arrow pixel inside any item.
    for (int index = 0; index < 3; ++index) {
        const RECT rc = ItemRect(index);
        for (int y = rc.top + 1; y < rc.bottom - 1; ++y)
            for (int x = rc.left + kMargin; x < rc.right - kMargin; ++x)
                ASSERT_NE(image.At(x, y), kGrey) << "item " << index << " at " << x << "," << y;
    }
}

TEST_F(SortHeader, ArrowSitsWhereTheJustificationPutsIt) {
    const char* longCaption = "A caption far too long for its narrow column";
    struct Case {
        const char* name;
        int column;
        const char* caption;
        int width;
        bool ascending;
    };
    const Case cases[] = {
        {"left, caption", 0, "Name", 150, true},
        {"left, caption, descending", 0, "Name", 150, false},
        {"left, empty caption", 0, "", 150, true},
        {"left, caption wider than the column", 0, longCaption, 90, false},
        {"right", 1, "Size", 120, true},
        {"right, descending", 1, "Size", 120, false},
        {"centre", 2, "Type", 130, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetColumn(c.column, c.caption, c.width);
        m_control.SetSortColumn(c.column, c.ascending);
        const Image image = Capture(m_header);
        const RECT rc = ItemRect(c.column);

        int expectedX;
        if (c.column == 0 && c.caption == longCaption) {
            // The caption is cut to leave room for the arrow: it ends 14 pixels earlier.
            expectedX = rc.right - kMargin - 8;
        } else if (c.column == 0) {
            const int width = TextWidth(c.caption);
            expectedX = rc.left + kMargin + (width > 0 ? width + kMargin : 0);
        } else {
            expectedX = rc.right - kMargin - kArrowWidth;
        }

        const std::vector<Arrow> arrows = FindArrows(image);
        ASSERT_EQ(arrows.size(), 1u);
        EXPECT_EQ(arrows[0].x, expectedX);
        EXPECT_EQ(arrows[0].y, ArrowTop(c.column));
        EXPECT_EQ(arrows[0].image, c.ascending ? 1 : 0);

        // The caption keeps its distance: one margin before a left arrow, two before the others.
        if (*c.caption) {
            const int gap = c.column == 0 ? kMargin : 2 * kMargin;
            for (int y = rc.top + 1; y < rc.bottom - 1; ++y)
                for (int x = expectedX - gap; x < expectedX; ++x)
                    ASSERT_EQ(image.At(x, y), m_control.m_clrFace) << x << "," << y;
        }
    }
}

TEST_F(SortHeader, TallHeaderCentresTheArrowAndUsesItsFont) {
    const HFONT original = reinterpret_cast<HFONT>(SendMessageA(m_list, WM_GETFONT, 0, 0));
    HFONT large = CreateFontA(-24, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH, "MS Shell Dlg");
    ASSERT_NE(large, nullptr);
    SendMessageA(m_list, WM_SETFONT, reinterpret_cast<WPARAM>(large), TRUE);
    m_control.SetSortColumn(0, false);
    const Image image = Capture(m_header);
    const RECT rc = ItemRect(0);
    const int width = TextWidth("Name");
    SendMessageA(m_list, WM_SETFONT, reinterpret_cast<WPARAM>(original), TRUE);
    DeleteObject(large);

    ASSERT_GE(rc.bottom - rc.top, 24);
    const std::vector<Arrow> arrows = FindArrows(image);
    ASSERT_EQ(arrows.size(), 1u);
    EXPECT_EQ(arrows[0].x, rc.left + kMargin + width + kMargin);
    EXPECT_EQ(arrows[0].y, (rc.top + rc.bottom) / 2 - 8);
    EXPECT_GT(arrows[0].y, rc.top);
}

TEST_F(SortHeader, SeparatorsFollowTheDisplayOrder) {
    const int orders[][3] = {{0, 1, 2}, {2, 0, 1}};
    for (const auto& order : orders) {
        SCOPED_TRACE(testing::Message() << "order " << order[0] << order[1] << order[2]);
        ASSERT_TRUE(
            SendMessageA(m_list, LVM_SETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(order)));
        const Image image = Capture(m_header);
        for (int i = 0; i < 3; ++i) {
            const RECT rc = ItemRect(order[i]);
            if (i < 2) {
                for (int y = rc.top + 2; y < rc.bottom - 2; ++y) {
                    ASSERT_EQ(image.At(rc.right - 1, y), m_control.m_clrShadow) << "y " << y;
                    ASSERT_EQ(image.At(rc.right, y), m_control.m_clrHighlight) << "y " << y;
                }
                // The lines stop short of the frame at both ends.
                EXPECT_EQ(image.At(rc.right - 1, rc.top + 1), m_control.m_clrFace);
                EXPECT_EQ(image.At(rc.right - 1, rc.bottom - 2), m_control.m_clrFace);
                EXPECT_EQ(image.At(rc.right, rc.bottom - 2), m_control.m_clrFace);
            } else {
                // No separator after the last column: only the frame's right edge.
                for (int y = rc.top; y < rc.bottom; ++y) {
                    ASSERT_EQ(image.At(rc.right - 1, y), m_control.m_clrShadow) << "y " << y;
                    ASSERT_EQ(image.At(rc.right, y), m_control.m_clrFace) << "y " << y;
                }
            }
        }
    }
}

TEST_F(SortHeader, FrameCoversTheUsedWidth) {
    const Image image = Capture(m_header);
    const int total = 150 + 120 + 130;
    ASSERT_GT(image.width, total + 10);
    const int bottom = image.height - 1;
    for (int x = 0; x < total - 1; ++x) ASSERT_EQ(image.At(x, 0), m_control.m_clrHighlight);
    for (int x = 0; x < total; ++x) ASSERT_EQ(image.At(x, bottom), m_control.m_clrShadow);
    for (int y = 0; y < bottom; ++y) ASSERT_EQ(image.At(0, y), m_control.m_clrHighlight);
    for (int y = 0; y <= bottom; ++y) ASSERT_EQ(image.At(total - 1, y), m_control.m_clrShadow);
    // Beyond the columns only the face colour.
    for (int y = 0; y <= bottom; ++y)
        for (int x = total; x < image.width; ++x) ASSERT_EQ(image.At(x, y), m_control.m_clrFace);
}

TEST_F(SortHeader, PressedColumnMovesOnePixelRightAndDown) {
    m_control.SetSortColumn(0, true);
    const Image before = Capture(m_header);
    const std::vector<Arrow> arrows = FindArrows(before);
    ASSERT_EQ(arrows.size(), 1u);
    const RECT name = ItemRect(0);
    const RECT size = ItemRect(1);
    // The caption must really be there, or the comparison below proves nothing.
    int inked = 0;
    for (int y = name.top + 1; y < name.bottom - 1; ++y)
        for (int x = name.left + kMargin; x < arrows[0].x; ++x)
            inked += before.At(x, y) != m_control.m_clrFace;
    ASSERT_GT(inked, 0);

    const POINT press = {(name.left + name.right) / 2, (name.top + name.bottom) / 2};
    SendMessageA(m_header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
    EXPECT_EQ(m_control.m_mouseFlags, static_cast<UINT>(MK_LBUTTON));
    EXPECT_EQ(m_control.m_mousePoint.x, press.x);
    EXPECT_EQ(m_control.m_mousePoint.y, press.y);
    const Image pressed = Capture(m_header);

    const std::vector<Arrow> moved = FindArrows(pressed);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].x, arrows[0].x + 1);
    EXPECT_EQ(moved[0].y, arrows[0].y + 1);
    EXPECT_EQ(moved[0].image, 1);
    for (int y = name.top + 1; y < name.bottom - 3; ++y)
        for (int x = name.left + kMargin; x < arrows[0].x + kArrowWidth; ++x)
            ASSERT_EQ(pressed.At(x + 1, y + 1), before.At(x, y)) << x << "," << y;
    // The other columns stay where they were.
    for (int y = size.top; y < size.bottom; ++y)
        for (int x = size.left; x < size.right; ++x)
            ASSERT_EQ(pressed.At(x, y), before.At(x, y)) << x << "," << y;

    SendMessageA(m_header, WM_LBUTTONUP, 0, MAKELPARAM(press.x, press.y));
    EXPECT_EQ(m_control.m_mouseFlags, 0u);
    EXPECT_TRUE(Capture(m_header) == before);

    // Pressing another column leaves the sorted one alone.
    const POINT other = {(size.left + size.right) / 2, (size.top + size.bottom) / 2};
    SendMessageA(m_header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(other.x, other.y));
    const std::vector<Arrow> still = FindArrows(Capture(m_header));
    SendMessageA(m_header, WM_LBUTTONUP, 0, MAKELPARAM(other.x, other.y));
    ASSERT_EQ(still.size(), 1u);
    EXPECT_EQ(still[0].x, arrows[0].x);
    EXPECT_EQ(still[0].y, arrows[0].y);
}

TEST_F(SortHeader, OwnerDrawnAndUnjustifiedItemsStayBlank) {
    const int formats[] = {HDF_OWNERDRAW | HDF_STRING | HDF_RIGHT, HDF_JUSTIFYMASK | HDF_STRING};
    for (int format : formats) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        item.fmt = format;
        ASSERT_TRUE(SendMessageA(m_header, HDM_SETITEMA, 1, reinterpret_cast<LPARAM>(&item)));
        m_control.SetSortColumn(1, true);
        const Image image = Capture(m_header);
        EXPECT_TRUE(FindArrows(image).empty());
        const RECT rc = ItemRect(1);
        for (int y = rc.top + 1; y < rc.bottom - 1; ++y)
            for (int x = rc.left + 1; x < rc.right - 1; ++x)
                ASSERT_EQ(image.At(x, y), m_control.m_clrFace) << x << "," << y;
    }
}

TEST_F(SortHeader, SystemColourChangeRereadsTheColours) {
    const COLORREF bogus = RGB(10, 200, 30);
    m_control.m_clrFace = bogus;
    m_control.m_clrHighlight = RGB(1, 2, 3);
    m_control.m_clrShadow = RGB(4, 5, 6);
    m_control.m_clrText = RGB(7, 8, 9);
    const Image stale = Capture(m_header);
    const POINT beyond = {stale.width - 2, stale.height / 2};
    ASSERT_EQ(stale.At(beyond.x, beyond.y), bogus);

    ValidateRect(m_header, nullptr);
    SendMessageA(m_header, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(m_control.m_clrFace, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(m_control.m_clrHighlight, GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(m_control.m_clrShadow, GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(m_control.m_clrText, GetSysColor(COLOR_BTNTEXT));
    EXPECT_TRUE(GetUpdateRect(m_header, nullptr, FALSE));

    const Image fresh = Capture(m_header);
    EXPECT_EQ(fresh.At(beyond.x, beyond.y), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(fresh.At(0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST_F(SortHeader, ScreenShowsTheSamePainting) {
    m_control.SetSortColumn(1, false);
    SetWindowPos(m_host, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(m_host, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client;
    GetClientRect(m_header, &client);
    const POINT probes[] = {
        {1, 1}, {client.right - 2, client.bottom - 2}, {client.right / 2, client.bottom / 2}};
    for (POINT p : probes) {
        ClientToScreen(m_header, &p);
        if (WindowFromPoint(p) != m_header) GTEST_SKIP() << "another window covers the header";
    }
    const Image screen = CaptureWith(client.right, client.bottom, [&](HDC dc) {
        HDC window = GetDC(m_header);
        BitBlt(dc, 0, 0, client.right, client.bottom, window, 0, 0, SRCCOPY);
        ReleaseDC(m_header, window);
    });
    EXPECT_TRUE(screen == Capture(m_header));
    const std::vector<Arrow> arrows = FindArrows(screen);
    ASSERT_EQ(arrows.size(), 1u);
    EXPECT_EQ(arrows[0].image, 0);
}

}  // namespace
