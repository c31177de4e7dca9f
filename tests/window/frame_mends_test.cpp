// The main window under Xvfb: icons kept in step across both image lists, the list drawn again
// when its style changes, toolbar prompts, the own-drop trailer, the context menu's own rules,
// the description notice, the placement save triggers and the help each command opens.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "TestUtil.h"
#include "WindowTestUtil.h"
#include "fw/Faults.h"
#include "fw/Strings.h"
#include "fw/win/Dialog.h"
#include "resource.h"
#include "store/DataFile.h"
#include "string_ids.h"

using testutil::Pump;

namespace {

// An icon of one solid colour in the large or the small system size.
HICON SolidIcon(COLORREF colour, bool large) {
    int w = GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON);
    int h = GetSystemMetrics(large ? SM_CYICON : SM_CYSMICON);
    HDC screen = GetDC(nullptr);
    HBITMAP colourBits = CreateCompatibleBitmap(screen, w, h);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, colourBits);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all{0, 0, w, h};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    // An all-zero AND mask: every pixel opaque.
    std::vector<BYTE> zeros(static_cast<size_t>((w + 15) / 16 * 2 * h), 0);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, zeros.data());
    ICONINFO info{TRUE, 0, 0, mask, colourBits};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(colourBits);
    return icon;
}

// The colour in the middle of image index of list, drawn on white.
COLORREF ImageColour(HIMAGELIST list, int index) {
    int w = 0, h = 0;
    ImageList_GetIconSize(list, &w, &h);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bits = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bits);
    RECT all{0, 0, w, h};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(list, index, dc, 0, 0, ILD_NORMAL);
    COLORREF colour = GetPixel(dc, w / 2, h / 2);
    SelectObject(dc, old);
    DeleteObject(bits);
    DeleteDC(dc);
    return colour;
}

std::string FirstLine(UINT id) {
    std::string text = fw::LoadStr(id);
    return text.substr(0, text.find('\n'));
}

class FrameWindow : public ItemCommands {
protected:
    int RowNamed(const std::string& name) {
        for (int r = 0; r < Rows(); ++r)
            if (Cell(r, 0) == name) return r;
        return -1;
    }
    int ImageOf(int row) {
        LVITEMA it{};
        it.mask = LVIF_IMAGE;
        it.iItem = row;
        SendMessageA(List(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
        return it.iImage;
    }
    HIMAGELIST Images(int which) { return ListView_GetImageList(List(), which); }
    std::string StatusText() {
        char text[256] = {};
        SendMessageA(frame->StatusBar(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }
    void Drop(const std::string& path, const std::string& trailer) {
        SendMessageA(frame->Hwnd(), WM_DROPFILES,
                     reinterpret_cast<WPARAM>(MakeDrop({path}, trailer)), 0);
    }
};

TEST_F(FrameWindow, AMissingIconLeavesBothImageListsInStepAndIsTriedAgain) {
    Open();
    std::map<std::string, COLORREF> colours;
    std::set<std::string> failLarge, failSmall;
    frame->View().SetIconLoader([&](const view::IconSource& source, bool large) -> HICON {
        std::string name = source.fallback.substr(source.fallback.rfind('\\') + 1);
        if ((large ? failLarge : failSmall).count(name)) return nullptr;
        auto found = colours.find(name);
        return SolidIcon(found == colours.end() ? RGB(128, 128, 128) : found->second, large);
    });
    const struct {
        const char* ext;
        bool large, small;  // which size fails to load
    } cases[] = {{"ql", true, false}, {"qs", false, true}, {"qb", true, true}};
    const COLORREF red = RGB(255, 0, 0), yellow = RGB(255, 255, 0), green = RGB(0, 255, 0),
                   blue = RGB(0, 0, 255);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ext);
        // Each name has a type of its own, so each row needs an icon of its own.
        const std::string ext = c.ext;
        const struct {
            std::string name;
            COLORREF colour;
        } files[] = {{"first." + ext + "1", red},
                     {"broken." + ext + "2", yellow},
                     {"third." + ext + "3", green},
                     {"fourth." + ext + "4", blue}};
        for (const auto& f : files) colours[f.name] = f.colour;
        if (c.large) failLarge.insert(files[1].name);
        if (c.small) failSmall.insert(files[1].name);
        for (const auto& f : files) Evacuate(f.name);
        Pump();
        auto check = [&](bool brokenShown) {
            EXPECT_EQ(ImageList_GetImageCount(Images(LVSIL_NORMAL)),
                      ImageList_GetImageCount(Images(LVSIL_SMALL)));
            for (const auto& f : files) {
                int row = RowNamed(f.name);
                ASSERT_GE(row, 0) << f.name;
                int image = ImageOf(row);
                if (!brokenShown && f.name == files[1].name) {
                    EXPECT_EQ(image, -1);
                    continue;
                }
                ASSERT_GE(image, 0) << f.name;
                EXPECT_EQ(ImageColour(Images(LVSIL_NORMAL), image), f.colour) << f.name;
                EXPECT_EQ(ImageColour(Images(LVSIL_SMALL), image), f.colour) << f.name;
            }
        };
        check(false);
        // Once the icon can be had, the row gets it: the failure was not remembered.
        failLarge.clear();
        failSmall.clear();
        check(true);
    }
}

// Counts what a list window is sent to draw itself.
struct PaintCount {
    int paint = 0, erase = 0;
};

LRESULT CALLBACK CountPaints(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* count = reinterpret_cast<PaintCount*>(data);
    if (msg == WM_PAINT) ++count->paint;
    if (msg == WM_ERASEBKGND) ++count->erase;
    return DefSubclassProc(hwnd, msg, wp, lp);
}

TEST_F(FrameWindow, SwitchingTheStyleDrawsTheListAtOnce) {
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) Evacuate(n);
    Open();
    PaintCount count;
    ASSERT_TRUE(SetWindowSubclass(List(), CountPaints, 1, reinterpret_cast<DWORD_PTR>(&count)));
    const struct {
        UINT command;
        DWORD style;
    } cases[] = {{ID_VIEW_LARGEICON, LVS_ICON},
                 {ID_VIEW_SMALLICON, LVS_SMALLICON},
                 {ID_VIEW_LIST, LVS_LIST},
                 {ID_VIEW_DETAILS, LVS_REPORT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Pump();
        UpdateWindow(List());
        count = {};
        Command(c.command);
        EXPECT_EQ(frame->View().ListStyle(), c.style);
        EXPECT_GT(count.paint, 0);
        EXPECT_GT(count.erase, 0);
    }
    RemoveWindowSubclass(List(), CountPaints, 1);
}

TEST_F(FrameWindow, HotToolbarButtonShowsItsPromptInTheStatusBar) {
    Open();
    HWND toolbar = frame->ToolBar().Toolbar();
    const std::string ready = FirstLine(IDS_STATUS_READY);
    for (UINT id : {ID_FILE_RESTORE, ID_VIEW_LIST, ID_HELP_FINDER}) {
        ASSERT_FALSE(FirstLine(id).empty()) << id;
        ASSERT_NE(FirstLine(id), ready) << id;
    }
    const struct {
        int idOld, idNew;
        DWORD flags;
        std::string text;
    } steps[] = {{0, ID_FILE_RESTORE, HICF_ENTERING | HICF_MOUSE, FirstLine(ID_FILE_RESTORE)},
                 {ID_FILE_RESTORE, ID_VIEW_LIST, HICF_MOUSE, FirstLine(ID_VIEW_LIST)},
                 {ID_VIEW_LIST, ID_HELP_FINDER, HICF_ARROWKEYS, FirstLine(ID_HELP_FINDER)},
                 {ID_HELP_FINDER, 0, HICF_LEAVING | HICF_MOUSE, ready},
                 {0, ID_VIEW_LIST, HICF_MOUSE, FirstLine(ID_VIEW_LIST)},
                 {ID_VIEW_LIST, 0, HICF_MOUSE, ready}};
    // Docked the toolbar's parent is the frame; floating it is the tool window.
    for (bool floating : {false, true}) {
        SCOPED_TRACE(floating ? "floating" : "docked");
        if (floating) {
            frame->ToolBar().Float(POINT{300, 200});
            Pump();
            ASSERT_NE(GetParent(toolbar), frame->Hwnd());
        }
        for (const auto& s : steps) {
            SCOPED_TRACE(s.idNew);
            NMTBHOTITEM nm{};
            nm.hdr.hwndFrom = toolbar;
            nm.hdr.idFrom = GetDlgCtrlID(toolbar);
            nm.hdr.code = TBN_HOTITEMCHANGE;
            nm.idOld = s.idOld;
            nm.idNew = s.idNew;
            nm.dwFlags = s.flags;
            // Zero lets the hot item change.
            EXPECT_EQ(SendMessageA(GetParent(toolbar), WM_NOTIFY, nm.hdr.idFrom,
                                   reinterpret_cast<LPARAM>(&nm)),
                      0);
            EXPECT_EQ(StatusText(), s.text);
        }
    }
}

TEST_F(FrameWindow, OwnDropNeedsTheMarkerAndTheStartOfTheItemBlock) {
    Open();
    frame->m_cfPrivate = RegisterClipboardFormatA("Brennahold Evac Files Data");
    DWORD format = frame->m_cfPrivate;
    // Counted from the list's terminating zero byte as byte 0: the marker takes bytes 16 to 19,
    // the item block starts at byte 20.
    const struct {
        size_t fromTerminator;
        bool internal;
    } cases[] = {{19, false}, {20, false}, {21, true}, {28, true}};
    int rows = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fromTerminator);
        std::string name = "drop" + std::to_string(c.fromTerminator) + ".txt";
        testutil::WriteFile(src / name, "d");
        std::string trailer(15, '\0');
        trailer.append(reinterpret_cast<const char*>(&format), 4);
        trailer.resize(c.fromTerminator - 1, '\0');
        Drop(src / name, trailer);
        Pump();
        if (!c.internal) ++rows;
        EXPECT_EQ(Rows(), rows);
        EXPECT_EQ(RowNamed(name) >= 0, !c.internal);
    }
}

TEST_F(FrameWindow, ContextMenuBuiltWithTheViewsOwnRules) {
    testutil::WriteFile(src / "Data\\x.txt", "x");
    std::string definition = WriteDefinition(src / "Data", src / "Data.brn");
    Repository().Settings().brnFile = true;
    ASSERT_NE(Repository().Dispatch(definition.c_str()), 0);
    Evacuate("a.txt");
    Evacuate("b.txt");
    Open();
    auto rowOf = [&](bool run) {
        for (int r = 0; r < Rows(); ++r)
            if (frame->View().ItemAt(r)->IsBackupRun() == run) return r;
        return -1;
    };
    enum Pick { Run, Plain, Both };
    const struct {
        Pick pick;
        UINT styleCommand;
        bool ascending, brnFile;
    } cases[] = {{Run, ID_VIEW_DETAILS, true, true},
                 {Plain, ID_VIEW_LARGEICON, false, true},
                 {Both, ID_VIEW_LIST, true, true},
                 {Run, ID_VIEW_SMALLICON, false, false}};
    const UINT styleIds[] = {ID_VIEW_LARGEICON, ID_VIEW_SMALLICON, ID_VIEW_LIST, ID_VIEW_DETAILS};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        Command(c.styleCommand);
        frame->View().Sort(0, c.ascending);
        Repository().Settings().brnFile = c.brnFile;
        if (c.pick == Both)
            Select({rowOf(true), rowOf(false)});
        else
            Select({rowOf(c.pick == Run)});
        int selected = c.pick == Both ? 2 : 1;
        bool oneRun = c.pick == Run;

        HMENU menu = frame->View().BuildContextMenu();
        ASSERT_NE(menu, nullptr);
        auto state = [&](UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND); };
        EXPECT_EQ((state(ID_FILE_PROPERTY) & MF_GRAYED) != 0, selected > 1);
        EXPECT_FALSE(state(ID_FILE_RESTORE) & MF_GRAYED);
        EXPECT_TRUE(state(ID_EDIT_PASTE) & MF_GRAYED);
        EXPECT_EQ((state(ID_SORT_ASCENDING) & MF_CHECKED) != 0, c.ascending);
        EXPECT_EQ((state(ID_SORT_DESCENDING) & MF_CHECKED) != 0, !c.ascending);
        EXPECT_EQ((state(ID_BRN_CREATE) & MF_GRAYED) != 0, !c.brnFile);
        EXPECT_EQ((state(ID_BRN_OPEN) & MF_GRAYED) != 0, !c.brnFile);
        EXPECT_EQ((state(ID_BRN_RESTORE) & MF_GRAYED) != 0, !(c.brnFile && oneRun));
        for (UINT id : styleIds) {
            MENUITEMINFOA info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE;
            ASSERT_TRUE(GetMenuItemInfoA(menu, id, FALSE, &info));
            bool current = id == c.styleCommand;
            EXPECT_EQ((info.fState & MFS_CHECKED) != 0, current) << id;
            if (current) {
                EXPECT_TRUE(info.fType & MFT_RADIOCHECK) << id;
            }
        }
        DestroyMenu(menu);
    }
}

TEST_F(FrameWindow, DescriptionNoticeRedrawsItsRowAndSavesTheCatalogue) {
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) Evacuate(n);
    Open();
    const struct {
        WPARAM wp;
        std::initializer_list<int> selected;
        int row;  // the row the notice is about
    } cases[] = {{2, {}, 2},
                 {1, {0}, 1},
                 {static_cast<WPARAM>(-1), {1, 2}, 1},
                 {static_cast<WPARAM>(-1), {0}, 0}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        Select(c.selected);
        Pump();
        UpdateWindow(List());
        ASSERT_FALSE(GetUpdateRect(List(), nullptr, FALSE));
        CBrennaItem* item = frame->View().ItemAt(c.row);
        std::string description = "note " + std::to_string(++n);
        // Stored in memory only: the catalogue does not count it as a change.
        ASSERT_TRUE(item->SetDescription(description.c_str()));
        std::string before = testutil::ReadFile(repo + "\\brenna.dat");

        SendMessageA(List(), WM_DESCRIPTION_CHANGED, c.wp, 0);

        HRGN update = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(List(), update, FALSE);
        for (int r = 0; r < Rows(); ++r) {
            RECT rr{};
            ListView_GetItemRect(List(), r, &rr, LVIR_BOUNDS);
            EXPECT_EQ(PtInRegion(update, (rr.left + rr.right) / 2, (rr.top + rr.bottom) / 2) != 0,
                      r == c.row)
                << r;
        }
        DeleteObject(update);
        EXPECT_NE(testutil::ReadFile(repo + "\\brenna.dat"), before);
        CDataFile saved;
        saved.SetFolder(repo);
        ASSERT_TRUE(saved.Load());
        bool found = false;
        for (size_t i = 0; i < saved.GetCount(); ++i)
            if (saved.GetItem(i)->m_source == item->m_source) {
                found = true;
                EXPECT_EQ(saved.GetItem(i)->m_description, description);
            }
        EXPECT_TRUE(found);
    }
}

TEST_F(FrameWindow, DescriptionThatCannotBeSavedIsReported) {
    Evacuate("a.txt");
    Open();
    std::string before = testutil::ReadFile(repo + "\\brenna.dat");
    ASSERT_TRUE(frame->View().ItemAt(0)->SetDescription("not kept"));
    prompt.shown.clear();
    // The new catalogue cannot be created beside the old one.
    fw::FailCalls(fw::FileOp::create, {1});
    SendMessageA(List(), WM_DESCRIPTION_CHANGED, 0, 0);
    fw::DisarmFaults();
    EXPECT_EQ(testutil::ReadFile(repo + "\\brenna.dat"), before);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::LoadStr(IDS_FAILED_SAVE_FILE));
}

TEST_F(FrameWindow, PlacementIsSavedOnActivationRestoreAndMaximiseButNotWhenZoomed) {
    enum Shown { Normal, Maximised, Minimised };
    const struct {
        const char* what;
        Shown shown;
        UINT msg;
        WPARAM wp;
        bool saves;
    } cases[] = {
        {"activation", Normal, WM_ACTIVATE, WA_ACTIVE, true},
        {"activation while maximised", Maximised, WM_ACTIVATE, WA_ACTIVE, false},
        {"activation while minimised", Minimised, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), false},
        {"restore", Normal, WM_SIZE, SIZE_RESTORED, true},
        {"maximised size", Maximised, WM_SIZE, SIZE_MAXIMIZED, false},
        {"maximise", Normal, WM_SYSCOMMAND, SC_MAXIMIZE, true},
        {"close", Normal, WM_CLOSE, 0, true},
        {"close while maximised", Maximised, WM_CLOSE, 0, false},
    };
    const char* keys[] = {"left", "top", "right", "bottom"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Stored keys make the frame restore its placement, which arms the save triggers.
        testutil::WriteFile(ini, "[Settings]\r\nleft=20\r\ntop=30\r\nright=620\r\nbottom=430\r\n");
        NewApp();
        Open();
        ASSERT_TRUE(frame->IsStateRestored());
        SetWindowPos(frame->Hwnd(), nullptr, 60, 70, 560, 380, SWP_NOZORDER);
        if (c.shown == Maximised) ShowWindow(frame->Hwnd(), SW_MAXIMIZE);
        if (c.shown == Minimised) ShowWindow(frame->Hwnd(), SW_MINIMIZE);
        Pump();
        ASSERT_EQ(IsZoomed(frame->Hwnd()) != 0, c.shown == Maximised);
        ASSERT_EQ(IsIconic(frame->Hwnd()) != 0, c.shown == Minimised);
        for (const char* k : keys) WritePrivateProfileStringA("Settings", k, "7", ini.c_str());

        SendMessageA(frame->Hwnd(), c.msg, c.wp, 0);

        const char* expected[] = {"60", "70", "620", "450"};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(Ini(keys[i]), c.saves ? expected[i] : "7") << keys[i];
        if (c.msg == WM_SYSCOMMAND) {
            EXPECT_TRUE(IsZoomed(frame->Hwnd()));
        }
        Pump();
        Close();
    }
}

TEST_F(FrameWindow, EachHelpCommandAndDialogOpensItsTopic) {
    Evacuate("a.txt");
    Open();
    Repository().Settings().brnFile = true;
    Select({0});
    const struct {
        UINT command;
        DWORD topic;
        UINT dialog;  // the dialog whose F1 asks, 0 for a help command
    } cases[] = {
        {ID_HELP, HELP_TOPIC_CONTENTS, 0},
        {ID_HELP_FINDER, HELP_TOPIC_FINDER, 0},
        {ID_DEFAULT_HELP, HELP_TOPIC_FINDER, 0},
        {ID_HELP_ORVANE_HOMEPAGE, HELP_TOPIC_ORVANE_HOMEPAGE, 0},
        {ID_HELP_BRENNAHOLD_HOMEPAGE, HELP_TOPIC_BRENNAHOLD_HOMEPAGE, 0},
        {ID_HELP_QUILLON, HELP_TOPIC_QUILLON, 0},
        {ID_EDIT_SETTING, HELP_TOPIC_SETTINGS, IDD_SETTING},
        {ID_FILE_PROPERTY, HELP_TOPIC_ITEMS, IDD_PROPERTY},
        {ID_BRN_CREATE, HELP_TOPIC_BACKUP_DEFINITION, IDD_BRN_FILE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        helpTopics.clear();
        UINT shown = 0;
        if (c.dialog) {
            prompt.dialogs.push_back([&](fw::CDialog& dlg) -> INT_PTR {
                shown = dlg.TemplateId();
                EXPECT_TRUE(dlg.CreateModeless(frame->Hwnd()));
                // What F1 in the dialog sends it.
                HELPINFO info{sizeof info, HELPINFO_WINDOW, 0, dlg.Hwnd(), 0, {}};
                SendMessageA(dlg.Hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
                SendMessageA(dlg.Hwnd(), WM_COMMAND, IDCANCEL, 0);
                return dlg.Result();
            });
        }
        Command(c.command);
        EXPECT_EQ(shown, c.dialog);
        EXPECT_EQ(helpTopics, std::vector<DWORD>{c.topic});
        EXPECT_TRUE(prompt.dialogs.empty());
        prompt.dialogs.clear();
    }
    EXPECT_TRUE(contextHelp.empty());
}

TEST_F(FrameWindow, ContextHelpModeSendsTheIdOfTheClickedButton) {
    Open();
    HWND toolbar = frame->ToolBar().Toolbar();
    RECT button;
    ASSERT_TRUE(SendMessageA(toolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button)));
    POINT at{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    ClientToScreen(toolbar, &at);
    // The pointer is shared with the other test processes; it goes back where it was.
    struct RestoreCursor {
        POINT pos{};
        RestoreCursor() { GetCursorPos(&pos); }
        ~RestoreCursor() { SetCursorPos(pos.x, pos.y); }
    } restore;
    ASSERT_TRUE(SetCursorPos(at.x, at.y));
    // Wine's pointer events still queued from the display are handled now; handled inside the
    // mode they would put the cursor back where it was.
    Pump();
    POINT now{};
    ASSERT_TRUE(GetCursorPos(&now));
    ASSERT_EQ(now.x, at.x);
    ASSERT_EQ(now.y, at.y);
    // The mode takes the next click and asks where the cursor is.
    PostMessageA(frame->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    Command(ID_CONTEXT_HELP);
    EXPECT_EQ(contextHelp, std::vector<DWORD>{HID_BASE_COMMAND + ID_FILE_RESTORE});
    EXPECT_TRUE(helpTopics.empty());
}

}  // namespace
