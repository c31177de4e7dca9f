// The first-run hint: an empty list shows one grey line in its middle, which goes with the first
// row and comes back when the last one goes.
#include <algorithm>

#include "MainWindowFixture.h"
#include "fw/Strings.h"
#include "resource.h"

namespace {

class EmptyListHint : public ItemCommands {
protected:
    // Pixels in the grey of the hint on pixel row y of the list as it is on the screen now.
    int GreyInRow(int y) {
        RECT r;
        GetClientRect(List(), &r);
        COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
        HDC dc = GetDC(List());
        int count = 0;
        for (int x = r.left; x < r.right; ++x)
            if (GetPixel(dc, x, y) == grey) ++count;
        ReleaseDC(List(), dc);
        return count;
    }
    // Pixels in the grey of the hint across the middle band of the list, as the screen shows it.
    int GreyPixels() {
        RedrawWindow(List(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        testutil::Pump();
        RECT r;
        GetClientRect(List(), &r);
        COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
        HDC dc = GetDC(List());
        int count = 0;
        int mid = (r.top + r.bottom) / 2;
        for (int y = mid - 8; y <= mid + 8; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (GetPixel(dc, x, y) == grey) ++count;
        ReleaseDC(List(), dc);
        return count;
    }
};

TEST_F(EmptyListHint, ShownWhileEmptyGoneWithTheFirstRowBackAfterTheLast) {
    Open();
    SetWindowPos(frame->Hwnd(), nullptr, 40, 40, 640, 420, SWP_NOZORDER);
    testutil::Pump();
    ASSERT_EQ(Rows(), 0);
    EXPECT_GT(GreyPixels(), 20);
    // Wider and taller: the line moves to the new middle, with nothing left where it was.
    RECT before;
    GetClientRect(List(), &before);
    SetWindowPos(frame->Hwnd(), nullptr, 40, 40, 900, 640, SWP_NOZORDER);
    UpdateWindow(frame->Hwnd());
    testutil::Pump();
    EXPECT_EQ(GreyInRow((before.top + before.bottom) / 2), 0);
    EXPECT_GT(GreyPixels(), 20);

    // Rows arrive as they do from a drop; the list repaints without being asked to.
    Evacuate("a.txt");
    testutil::Pump();
    ASSERT_EQ(Rows(), 1);
    RECT r;
    GetClientRect(List(), &r);
    EXPECT_EQ(GreyInRow((r.top + r.bottom) / 2), 0) << "hint left behind when the first row came";
    EXPECT_EQ(GreyPixels(), 0);

    // In every view style, and back once the last row is deleted.
    for (UINT style : {ID_VIEW_LARGEICON, ID_VIEW_LIST, ID_VIEW_DETAILS}) {
        Command(style);
        EXPECT_EQ(GreyPixels(), 0) << style;
    }
    Select({0});
    prompt.Answer(IDYES);
    Command(ID_FILE_DELETE);
    testutil::Pump();
    ASSERT_EQ(Rows(), 0);
    EXPECT_GT(GreyPixels(), 20);
    Command(ID_VIEW_LARGEICON);
    EXPECT_GT(GreyPixels(), 20);
}

}  // namespace

namespace {

using EmptyListHintMbcs = EmptyListHint;

// The line is as wide as the string table's text drawn in the list's font; read with the wrong
// code page, double-byte text turns into a longer run of Western characters and boxes.
TEST_F(EmptyListHintMbcs, DrawnAsWideAsTheTextInTheListsFont) {
    Open();
    SetWindowPos(frame->Hwnd(), nullptr, 40, 40, 900, 420, SWP_NOZORDER);
    testutil::Pump();
    ASSERT_GT(GreyPixels(), 20);
    RECT r;
    GetClientRect(List(), &r);
    COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    HDC dc = GetDC(List());
    int first = r.right, last = -1;
    for (int y = (r.top + r.bottom) / 2 - 8; y <= (r.top + r.bottom) / 2 + 8; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (GetPixel(dc, x, y) == grey) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    LOGFONTA lf{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0));
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    std::string text = fw::LoadStr(IDS_EMPTY_LIST_HINT);
    wchar_t wide[256];
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, 256) - 1;
    SIZE size{};
    GetTextExtentPoint32W(dc, wide, n, &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(List(), dc);
    EXPECT_NEAR(last - first + 1, size.cx, 6);
    if (testutil::IsJapaneseCodePage()) {
        EXPECT_LT(static_cast<size_t>(n), text.size());
    }
}

}  // namespace
