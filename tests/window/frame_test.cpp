// The real main window under Xvfb: columns and row texts, sorting, stored view and frame state,
// dropped files, paths handed over by another process.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <map>
#include <memory>

#include "MainWindowFixture.h"
#include "TestUtil.h"
#include "WindowTestUtil.h"
#include "ScratchRepository.h"
#include "app/BrennaApp.h"
#include "store/BrnFile.h"
#include "frame/MainFrame.h"
#include "fw/win/Dialog.h"
#include "fw/Strings.h"
#include "resource.h"
#include "string_ids.h"
#include "util/FileUtil.h"

using testutil::Pump;
using testutil::TempDir;

namespace {

TEST_F(MainWindow, ColumnsAndRowTexts) {
    Evacuate("a.txt", "hello");
    Evacuate("Folder", "x", true);
    Evacuate("archive", std::string(1536, 'z'));
    Open();
    HWND header = ListView_GetHeader(List());
    ASSERT_EQ(Header_GetItemCount(header), 8);
    const int widths[8] = {100, 300, 100, 40, 80, 100, 100, 200};
    const int formats[8] = {LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_RIGHT,
                            LVCFMT_RIGHT, LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT};
    for (int i = 0; i < 8; ++i) {
        char text[64] = {};
        HDITEMA hi{};
        hi.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        hi.pszText = text;
        hi.cchTextMax = sizeof text;
        ASSERT_TRUE(SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&hi)));
        EXPECT_EQ(std::string(text), fw::LoadStr(IDS_COL_NAME + i));
        EXPECT_EQ(hi.cxy, widths[i]);
        EXPECT_EQ(hi.fmt & HDF_JUSTIFYMASK, formats[i]);
    }
    ASSERT_EQ(Rows(), 3);
    // Sorted ascending by Name with folders first.
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Folder", "a.txt", "archive"}));
    const CBrennaItem* file = Repository().Item(0);
    char saved[64];
    util::FormatFileTime(file->m_evacuationTime, saved);
    char updated[64];
    util::FormatFileTime(file->m_lastWriteTime, updated);
    EXPECT_EQ(Cell(1, 1), src.Path());
    EXPECT_EQ(Cell(1, 2), saved);
    EXPECT_EQ(Cell(1, 3), "");
    EXPECT_EQ(Cell(1, 4), "5 B");
    EXPECT_EQ(Cell(1, 5), "TXT File");
    EXPECT_EQ(Cell(1, 6), updated);
    EXPECT_EQ(Cell(2, 4), "2 KB");
    EXPECT_EQ(Cell(2, 5), "File");
    EXPECT_EQ(Cell(0, 4), "");
    EXPECT_EQ(Cell(0, 6), "");
    EXPECT_EQ(Cell(0, 5), "File Folder");
    EXPECT_EQ(file->m_typeText, "TXT File");
}

TEST_F(MainWindow, BackupRunRowsShowTheirGeneration) {
    testutil::WriteFile(src / "Data\\x.txt", "x");
    testutil::WriteFile(src / "Data\\y.txt", "y");
    std::string definition = WriteDefinition(src / "Data", src / "Data.brn");
    Repository().Settings().brnFile = true;
    ASSERT_NE(Repository().Dispatch(definition.c_str()), 0);
    testutil::WriteFile(src / "Data\\x.txt", "changed");
    ASSERT_NE(Repository().Dispatch(definition.c_str()), 0);
    Evacuate("plain.txt");
    Open();
    frame->View().Sort(3, true);
    // Ordinary items have an empty BRN; runs show 1 and 2. Folder targets have no size.
    EXPECT_EQ(Column(3), (std::vector<std::string>{"1", "2", ""}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Data", "Data", "plain.txt"}));
    EXPECT_EQ(Cell(0, 4), "");
    EXPECT_EQ(Cell(0, 5), "File Folder");
    EXPECT_EQ(Cell(2, 4), "1 B");
}

TEST_F(MainWindow, RowsOfTheSameKindShareOneIcon) {
    Evacuate("a.txt");
    Evacuate("b.txt");
    Evacuate("F1", "x", true);
    Evacuate("F2", "x", true);
    Open();
    std::vector<int> images;
    for (int r = 0; r < Rows(); ++r) {
        LVITEMA it{};
        it.mask = LVIF_IMAGE;
        it.iItem = r;
        ASSERT_TRUE(SendMessageA(List(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it)));
        images.push_back(it.iImage);
    }
    // Folders first: F1, F2, a.txt, b.txt.
    ASSERT_EQ(images.size(), 4u);
    for (int i : images) EXPECT_GE(i, 0);
    EXPECT_EQ(images[0], images[1]);
    EXPECT_EQ(images[2], images[3]);
    EXPECT_NE(images[0], images[2]);
    HIMAGELIST small = ListView_GetImageList(List(), LVSIL_SMALL);
    EXPECT_EQ(ImageList_GetImageCount(small), 2);
}

TEST_F(MainWindow, SortingByEveryColumnWithAndWithoutSortAny) {
    Evacuate("b.txt", "12");
    Evacuate("Zeta", "x", true);
    Evacuate("A.txt", "1");
    Evacuate("alpha", "x", true);
    Evacuate("c.txt", "123");
    Open();
    CBrennaView& view = frame->View();
    view.Sort(0, true);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"alpha", "Zeta", "A.txt", "b.txt", "c.txt"}));
    view.Sort(0, false);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"c.txt", "b.txt", "A.txt", "Zeta", "alpha"}));
    Repository().Settings().sortAny = true;
    view.ReSort();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Zeta", "c.txt", "b.txt", "alpha", "A.txt"}));
    Repository().Settings().sortAny = false;
    // Size ignores the folder grouping: folders sort as size 0.
    view.Sort(4, true);
    EXPECT_EQ(Column(4).back(), "3 B");
    bool ascending = false;
    EXPECT_EQ(view.Header().GetSortColumn(&ascending), 4);
    EXPECT_TRUE(ascending);
}

TEST_F(MainWindow, ColumnClickTogglesAndSelectionFollowsItems) {
    Evacuate("b.txt");
    Evacuate("a.txt");
    Evacuate("c.txt");
    Open();
    auto click = [&](int col) {
        NMLISTVIEW nm{};
        nm.hdr.hwndFrom = List();
        nm.hdr.idFrom = GetDlgCtrlID(List());
        nm.hdr.code = LVN_COLUMNCLICK;
        nm.iItem = -1;
        nm.iSubItem = col;
        SendMessageA(frame->Hwnd(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    };
    bool ascending = false;
    ASSERT_EQ(frame->View().Header().GetSortColumn(&ascending), 0);
    ASSERT_TRUE(ascending);
    ListView_SetItemState(List(), 0, LVIS_SELECTED, LVIS_SELECTED);  // a.txt
    click(0);
    EXPECT_EQ(frame->View().Header().GetSortColumn(&ascending), 0);
    EXPECT_FALSE(ascending);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"c.txt", "b.txt", "a.txt"}));
    EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_SELECTED), 2);
    EXPECT_EQ(ListView_GetSelectedCount(List()), 1u);
    click(7);
    EXPECT_EQ(frame->View().Header().GetSortColumn(&ascending), 7);
    EXPECT_TRUE(ascending);
    // The menu commands follow the header's direction.
    SendMessageA(frame->Hwnd(), WM_COMMAND, 32780, 0);
    EXPECT_EQ(frame->View().Header().GetSortColumn(&ascending), 7);
    EXPECT_FALSE(ascending);
}

TEST_F(MainWindow, StateIsStoredOnCloseAndRestored) {
    Evacuate("a.txt");
    Open();
    frame->View().Sort(5, false);
    ListView_SetColumnWidth(List(), 1, 0);
    SendMessageA(frame->Hwnd(), WM_COMMAND, 59410, 0);  // list style
    MoveWindow(frame->Hwnd(), 40, 50, 700, 500, TRUE);
    Close();
    EXPECT_EQ(Ini("colver"), "2");
    EXPECT_EQ(Ini("sortindex"), "5");
    EXPECT_EQ(Ini("sortasc"), "0");
    EXPECT_EQ(Ini("style"), "3");
    EXPECT_EQ(Ini("columnwidth_1"), "0");
    EXPECT_EQ(Ini("columnwidth_7"), "200");
    EXPECT_EQ(Ini("left"), "40");
    EXPECT_EQ(Ini("right"), "740");
    EXPECT_EQ(Ini("toolvisible"), "1");
    EXPECT_EQ(Ini("statusvisible"), "1");
    EXPECT_EQ(Ini("toolpos"), "8192");
    Reopen();
    bool ascending = true;
    EXPECT_EQ(frame->View().Header().GetSortColumn(&ascending), 5);
    EXPECT_FALSE(ascending);
    EXPECT_EQ(frame->View().ListStyle(), static_cast<DWORD>(LVS_LIST));
    EXPECT_EQ(HeaderWidth(1), 0);
    RECT wr;
    GetWindowRect(frame->Hwnd(), &wr);
    EXPECT_EQ(wr.left, 40);
    EXPECT_EQ(wr.right, 740);
    EXPECT_TRUE(frame->IsStateRestored());
}

TEST_F(MainWindow, ToolbarAndStatusBarPlacementComesFromTheKeys) {
    struct Case {
        const char* keys;
        bool toolVisible, floating, statusVisible;
        DWORD side;
    };
    const Case cases[] = {
        {"toolpos=16384\r\n", true, false, true, 0x4000},
        {"toolpos=4096\r\n", true, false, true, 0x1000},
        {"toolpos=32768\r\nstatusvisible=0\r\n", true, false, false, 0x8000},
        {"toolpos=24576\r\n", true, false, true, 0x2000},  // two bits: top
        {"toolfloat=1\r\ntoolleft=300\r\ntooltop=200\r\n", true, true, true, 0},
        {"toolvisible=0\r\n", false, false, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        testutil::WriteFile(ini, std::string("[Settings]\r\nleft=20\r\ntop=30\r\nright=620\r\n"
                                             "bottom=430\r\n") + c.keys);
        NewApp();
        Open();
        Pump();
        EXPECT_EQ(frame->ToolBar().IsVisible(), c.toolVisible);
        EXPECT_EQ((GetWindowLongA(frame->StatusBar(), GWL_STYLE) & WS_VISIBLE) != 0, c.statusVisible);
        if (c.toolVisible) {
            EXPECT_EQ(frame->ToolBar().IsFloating(), c.floating);
        }
        if (c.side) {
            EXPECT_EQ(frame->ToolBar().AlignmentBits() & 0xF000, c.side);
        }
        if (c.floating) {
            RECT r = frame->ToolBar().WindowRectOnScreen();
            EXPECT_EQ(r.left, 300);
            EXPECT_EQ(r.top, 200);
        }
        Close();
        // What was restored is what is saved again.
        EXPECT_EQ(Ini("toolvisible"), c.toolVisible ? "1" : "0");
        EXPECT_EQ(Ini("statusvisible"), c.statusVisible ? "1" : "0");
        if (c.toolVisible) {
            EXPECT_EQ(Ini("toolfloat"), c.floating ? "1" : "0");
        }
    }
}

TEST_F(MainWindow, TypingFindsRowsByName) {
    for (const char* n : {"apple.txt", "Banana.txt", "blueberry.txt", "cherry.txt"}) Evacuate(n);
    Open();
    auto find = [&](const char* text, int start) {
        LVFINDINFOA info{};
        info.flags = LVFI_STRING | LVFI_PARTIAL | LVFI_WRAP;
        info.psz = text;
        return ListView_FindItem(List(), start, &info);
    };
    EXPECT_EQ(find("b", -1), 1);
    EXPECT_EQ(find("bl", -1), 2);
    EXPECT_EQ(find("a", 2), 0);
    EXPECT_EQ(find("z", -1), -1);
}

TEST_F(MainWindow, ContextHelpIdsForToolbarWindowAndOutside) {
    Open();
    HWND toolbar = frame->ToolBar().Toolbar();
    RECT button;
    ASSERT_TRUE(SendMessageA(toolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button)));
    POINT pt{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    ClientToScreen(toolbar, &pt);
    EXPECT_EQ(frame->HelpIdAt(pt), 0x10000u + ID_FILE_RESTORE);
    RECT list;
    GetWindowRect(List(), &list);
    EXPECT_EQ(frame->HelpIdAt(POINT{list.left + 20, list.top + 40}), 0x20000u + IDR_MAINFRAME);
    RECT wr;
    GetWindowRect(frame->Hwnd(), &wr);
    EXPECT_EQ(frame->HelpIdAt(POINT{wr.left + 40, wr.top + 5}), 0x40000u + IDR_MAINFRAME);
    EXPECT_EQ(frame->HelpIdAt(POINT{wr.right + 10, wr.top}), 0u);
}

TEST_F(MainWindow, OlderLayoutWithoutBrnColumnIsRead) {
    Evacuate("a.txt");
    testutil::WriteFile(ini,
                        "[Settings]\r\ncolumnwidth_0=11\r\ncolumnwidth_1=12\r\ncolumnwidth_2=13\r\n"
                        "columnwidth_3=14\r\ncolumnwidth_4=15\r\ncolumnwidth_5=16\r\n"
                        "columnwidth_6=17\r\nsortindex=3\r\nsortasc=1\r\nstyle=7\r\n");
    NewApp();
    Open();
    const int expected[8] = {11, 12, 13, 40, 14, 15, 16, 17};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(HeaderWidth(i), expected[i]) << i;
    EXPECT_EQ(frame->View().Header().GetSortColumn(), 4);
    EXPECT_EQ(frame->View().ListStyle(), 3u);
    Close();
    EXPECT_EQ(Ini("colver"), "2");
    EXPECT_EQ(Ini("columnwidth_7"), "17");
    EXPECT_EQ(Ini("columnwidth_3"), "40");
}

TEST_F(MainWindow, DroppedShellFilesAreEvacuatedAndSaved) {
    Open();
    testutil::WriteFile(src / "one.txt", "1");
    testutil::WriteFile(src / "two.txt", "2");
    SendMessageA(frame->Hwnd(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({src / "one.txt", src / "missing", src / "two.txt"})), 0);
    Pump();
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), "one.txt");
    EXPECT_EQ(Cell(1, 0), "two.txt");
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::LoadStr(IDS_FAILED_SAVE_FILE));
    CDataFile saved;
    saved.SetFolder(repo);
    EXPECT_TRUE(saved.Load());
    EXPECT_EQ(saved.GetCount(), 2u);

    // A drop carrying the program's own trailer is not evacuated.
    frame->m_cfPrivate = RegisterClipboardFormatA("Brennahold Evac Files Data");
    // The trailer's 16 bytes begin with the list's own terminating zero.
    std::string trailer(15, '\0');
    DWORD format = frame->m_cfPrivate;
    trailer.append(reinterpret_cast<const char*>(&format), 4);
    trailer.append(8, '\0');
    SendMessageA(frame->Hwnd(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({src / "one.txt"}, trailer)), 0);
    EXPECT_EQ(Rows(), 2);
}

TEST_F(MainWindow, PathsHandedOverAreEvacuatedAndTheSenderClosed) {
    Open();
    testutil::WriteFile(src / "h1.txt", "1");
    testutil::WriteFile(src / "h2.txt", "2");
    std::string decoy = fw::LoadStr(IDS_DECOY_TITLE);
    HWND sender = CreateWindowExA(0, "STATIC", decoy.c_str(), WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                  nullptr, nullptr, nullptr);
    std::string block = src / "h1.txt" + '\0' + src / "h2.txt" + '\0' + '\0';
    COPYDATASTRUCT cds{1, static_cast<DWORD>(block.size()), block.data()};
    SendMessageA(frame->Hwnd(), WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                 reinterpret_cast<LPARAM>(&cds));
    EXPECT_EQ(Rows(), 2);
    EXPECT_FALSE(IsWindow(sender));
}

}  // namespace

namespace {

TEST_F(ItemCommands, EnablingFollowsTheSelection) {
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) Evacuate(n);
    Open();
    const struct {
        std::initializer_list<int> rows;
        bool some;
    } cases[] = {{{}, false}, {{1}, true}, {{0, 1, 2}, true}};
    for (const auto& c : cases) {
        Select(c.rows);
        SCOPED_TRACE(c.rows.size());
        for (UINT id : {ID_FILE_RESTORE, ID_FILE_WRITE, ID_FILE_DELETE}) EXPECT_EQ(Enabled(id), c.some);
        EXPECT_TRUE(Enabled(ID_EDIT_SELECT_ALL));
        EXPECT_TRUE(Enabled(ID_SORT_ASCENDING));
        // The backup definition commands need the "brnfile" setting.
        EXPECT_FALSE(Enabled(ID_BRN_CREATE));
    }
    Select({});
    Command(ID_EDIT_SELECT_ALL);
    EXPECT_EQ(ListView_GetSelectedCount(List()), 3u);
}

TEST_F(ItemCommands, RestoreAsksAndWritesBack) {
    Evacuate("a.txt", "original");
    Evacuate("b.txt", "second");
    Open();
    std::string catalogue = testutil::ReadFile(repo + "\\brenna.dat");
    testutil::WriteFile(src / "a.txt", "changed since");
    Select({0});
    prompt.Answer(IDYES);
    Command(ID_FILE_RESTORE);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::FormatStr(IDS_RESTORE_ONE, "a.txt"));
    EXPECT_EQ(prompt.shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(testutil::ReadFile(src / "a.txt"), "original");
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(testutil::ReadFile(repo + "\\brenna.dat"), catalogue);

    // Two rows: one count question, No restores nothing.
    testutil::WriteFile(src / "a.txt", "changed again");
    prompt.shown.clear();
    Select({0, 1});
    prompt.Answer(IDNO);
    Command(ID_FILE_RESTORE);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::FormatStr(IDS_RESTORE_MANY, 2));
    EXPECT_EQ(testutil::ReadFile(src / "a.txt"), "changed again");

    // A missing parent folder stops the command at that row.
    testutil::RemoveTree(src.Path());
    prompt.shown.clear();
    prompt.Answer(IDYES);
    Command(ID_FILE_RESTORE);
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[1].text, fw::FormatStr(IDS_RESTORE_FAILED, "a.txt"));
    EXPECT_FALSE(testutil::Exists(src / "b.txt"));
}

TEST_F(ItemCommands, DeleteRemovesRowsTwoAndFiveAndSaves) {
    for (const char* n : {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt", "6.txt"}) Evacuate(n);
    Open();
    Select({1, 4});
    prompt.Answer(IDYES);
    Command(ID_FILE_DELETE);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::FormatStr(IDS_DELETE_MANY, 2));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1.txt", "3.txt", "4.txt", "6.txt"}));
    EXPECT_EQ(frame->View().m_nShown, 4);
    EXPECT_FALSE(testutil::Exists(repo + "\\br000000\\2.txt"));
    EXPECT_TRUE(testutil::IsDir(repo + "\\br000000"));
    CDataFile saved;
    saved.SetFolder(repo);
    saved.Load();
    EXPECT_EQ(saved.GetCount(), 4u);
    EXPECT_EQ(ListView_GetSelectedCount(List()), 0u);

    // The quiet delete asks nothing for two rows, and still asks for one.
    prompt.shown.clear();
    frame->View().m_bQuietDelete = TRUE;
    Select({0, 1});
    Command(ID_FILE_DELETE);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(Rows(), 2);
    Select({0});
    prompt.Answer(IDNO);
    Command(ID_FILE_DELETE);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::FormatStr(IDS_DELETE_ONE, "4.txt"));
    EXPECT_EQ(Rows(), 2);
}

TEST_F(ItemCommands, WriteFilesAndFoldersToChosenPlaces) {
    Evacuate("a.txt", "alpha");
    Evacuate("Docs", "inner", true);
    Evacuate("b.txt", "beta");
    Open();
    TempDir out;
    testutil::MakeDirs(out / "Docs");
    testutil::WriteFile(out / "Docs\\keep.txt", "kept");
    // Rows: Docs, a.txt, b.txt. a.txt is written; b.txt's dialog is cancelled.
    prompt.saveAnswers.push_back({IDOK, out / "copy.txt"});
    // Docs: the first choice meets an existing folder; No browses again from it, Yes then.
    prompt.folderAnswers.push_back({IDOK, out.Path()});
    prompt.folderAnswers.push_back({IDOK, out.Path()});
    prompt.Answer(IDNO);
    prompt.Answer(IDYES);
    Select({0, 1, 2});
    Command(ID_FILE_WRITE);
    EXPECT_EQ(testutil::ReadFile(out / "copy.txt"), "alpha");
    ASSERT_EQ(prompt.saveAsked.size(), 2u);
    EXPECT_EQ(prompt.saveAsked[0], src / "a.txt");
    ASSERT_EQ(prompt.folderAsked.size(), 2u);
    EXPECT_EQ(prompt.folderAsked[0], src.Path());
    EXPECT_EQ(prompt.folderAsked[1], out / "Docs");
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[0].text, fw::FormatStr(IDS_OVERWRITE_EXISTING, (out / "Docs").c_str()));
    EXPECT_EQ(prompt.shown[0].type,
              static_cast<UINT>(MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
    EXPECT_EQ(testutil::ReadFile(out / "Docs\\inner.txt"), "inner");
    EXPECT_EQ(testutil::ReadFile(out / "Docs\\keep.txt"), "kept");
    EXPECT_EQ(Rows(), 3);
}

}  // namespace

namespace {

TEST_F(ItemCommands, PropertyOnlyForOneRowAndAskAlwaysOpensItAfterAnEvacuation) {
    Evacuate("a.txt");
    Evacuate("b.txt");
    Open();
    Select({0});
    EXPECT_TRUE(Enabled(ID_FILE_PROPERTY));
    Select({0, 1});
    EXPECT_FALSE(Enabled(ID_FILE_PROPERTY));

    // With "askalways" on, a dropped file opens the property dialog on the new item; OK with a
    // new description reaches the row and the saved catalogue.
    Repository().Settings().askAlways = true;
    UINT shownTemplate = 0;
    prompt.dialogs.push_back([&](fw::CDialog& dlg) -> INT_PTR {
        shownTemplate = dlg.TemplateId();
        EXPECT_TRUE(dlg.CreateModeless(frame->Hwnd()));
        SetDlgItemTextA(dlg.Hwnd(), IDC_PROP_DESCRIPTION, "from the dialog");
        SendMessageA(dlg.Hwnd(), WM_COMMAND, IDOK, 0);
        return dlg.Result();
    });
    testutil::WriteFile(src / "c.txt", "c");
    std::string path = src / "c.txt";
    Repository().DispatchPaths({path}, true);
    EXPECT_EQ(shownTemplate, static_cast<UINT>(IDD_PROPERTY));
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(2, 7), "from the dialog");
    CDataFile saved;
    saved.SetFolder(repo);
    saved.Load();
    ASSERT_EQ(saved.GetCount(), 3u);
    EXPECT_EQ(saved.GetItem(2)->m_description, "from the dialog");
}

TEST_F(ItemCommands, SettingsWriteOnlyWhatChangedAndReSort) {
    Evacuate("b.txt");
    Evacuate("Folder", "x", true);
    Evacuate("a.txt");
    Open();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Folder", "a.txt", "b.txt"}));
    prompt.dialogs.push_back([&](fw::CDialog& dlg) -> INT_PTR {
        EXPECT_TRUE(dlg.CreateModeless(frame->Hwnd()));
        EXPECT_EQ(IsDlgButtonChecked(dlg.Hwnd(), IDC_SET_SORTANY), BST_UNCHECKED);
        CheckDlgButton(dlg.Hwnd(), IDC_SET_SORTANY, BST_CHECKED);
        SendMessageA(dlg.Hwnd(), WM_COMMAND, IDOK, 0);
        return dlg.Result();
    });
    Command(ID_EDIT_SETTING);
    EXPECT_TRUE(Repository().Settings().sortAny);
    EXPECT_EQ(Ini("sortany"), "1");
    EXPECT_EQ(Ini("askalways"), "");
    EXPECT_EQ(Ini("brnfile"), "");
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a.txt", "b.txt", "Folder"}));
    // Cancel changes nothing.
    prompt.dialogs.push_back([&](fw::CDialog& dlg) -> INT_PTR {
        dlg.CreateModeless(frame->Hwnd());
        CheckDlgButton(dlg.Hwnd(), IDC_SET_BRNFILE, BST_CHECKED);
        SendMessageA(dlg.Hwnd(), WM_COMMAND, IDCANCEL, 0);
        return dlg.Result();
    });
    Command(ID_EDIT_SETTING);
    EXPECT_FALSE(Repository().Settings().brnFile);
    EXPECT_EQ(Ini("brnfile"), "");
}

}  // namespace

namespace {

TEST_F(ItemCommands, BackupRunOpensThePropertyDialogOnlyWhenItAddedARun) {
    testutil::WriteFile(src / "Data\\x.txt", "x");
    std::string definition = WriteDefinition(src / "Data", src / "Data.brn");
    Open();
    Repository().Settings().brnFile = true;
    Repository().Settings().askAlways = true;
    int opened = 0;
    auto cancel = [&](fw::CDialog& dlg) -> INT_PTR {
        ++opened;
        EXPECT_EQ(dlg.TemplateId(), static_cast<UINT>(IDD_PROPERTY));
        return IDCANCEL;
    };
    prompt.dialogs.push_back(cancel);
    prompt.dialogs.push_back(cancel);
    Repository().DispatchPaths({definition}, true);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(Rows(), 1);
    // Nothing changed: the message, no new row and no dialog.
    Repository().DispatchPaths({definition}, true);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(Rows(), 1);
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_EQ(prompt.shown.back().text, fw::LoadStr(IDS_NO_FILES_ADDED));
}

}  // namespace

namespace {

TEST_F(ItemCommands, DefinitionCommandsFollowTheSettingAndTheSelection) {
    testutil::WriteFile(src / "Data\\x.txt", "x");
    std::string definition = WriteDefinition(src / "Data", src / "Data.brn");
    Repository().Settings().brnFile = true;
    ASSERT_NE(Repository().Dispatch(definition.c_str()), 0);
    Evacuate("plain.txt");
    Open();
    frame->View().Sort(3, true);  // the run (a folder target) first
    Select({});
    EXPECT_TRUE(Enabled(ID_BRN_CREATE));
    EXPECT_TRUE(Enabled(ID_BRN_OPEN));
    EXPECT_FALSE(Enabled(ID_BRN_RESTORE));
    Select({0});
    EXPECT_TRUE(Enabled(ID_BRN_RESTORE));
    Select({1});
    EXPECT_FALSE(Enabled(ID_BRN_RESTORE));
    Select({0, 1});
    EXPECT_FALSE(Enabled(ID_BRN_RESTORE));
    Repository().Settings().brnFile = false;
    Select({0});
    for (UINT id : {ID_BRN_CREATE, ID_BRN_OPEN, ID_BRN_RESTORE}) EXPECT_FALSE(Enabled(id));
}

}  // namespace

namespace {

// Reads the open context menu from another thread, then closes it.
struct MenuSnapshot {
    volatile bool stop = false;
    bool opened = false;
    std::map<UINT, UINT> state;  // command id to MF_ state bits, submenus included
    POINT at{};
};

void Collect(HMENU menu, MenuSnapshot& snap) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            Collect(sub, snap);
            continue;
        }
        UINT id = GetMenuItemID(menu, i);
        if (id) snap.state[id] = GetMenuState(menu, id, MF_BYCOMMAND);
    }
}

DWORD WINAPI WatchMenu(void* param) {
    auto* snap = static_cast<MenuSnapshot*>(param);
    for (int i = 0; i < 200 && !snap->stop; ++i) {
        if (HWND popup = FindWindowA("#32768", nullptr)) {
            if (auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0))) {
                snap->opened = true;
                Collect(menu, *snap);
                RECT r;
                GetWindowRect(popup, &r);
                snap->at = {r.left, r.top};
            }
            PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
            return 0;
        }
        Sleep(10);
    }
    return 0;
}

class ContextMenu : public ItemCommands {
protected:
    MenuSnapshot Show(POINT screen) {
        MenuSnapshot snap;
        HANDLE watcher = CreateThread(nullptr, 0, WatchMenu, &snap, 0, nullptr);
        SendMessageA(List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List()),
                     MAKELPARAM(screen.x, screen.y));
        // When nothing was shown the watcher stops looking.
        snap.stop = true;
        WaitForSingleObject(watcher, 5000);
        CloseHandle(watcher);
        Pump();
        return snap;
    }
};

TEST_F(ContextMenu, EntriesFollowSelectionStyleAndSort) {
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) Evacuate(n);
    Open();
    Select({});
    EXPECT_FALSE(Show({-1, -1}).opened);

    Select({1});
    MenuSnapshot one = Show({-1, -1});
    ASSERT_TRUE(one.opened);
    EXPECT_FALSE(one.state[ID_FILE_PROPERTY] & MF_GRAYED);
    EXPECT_TRUE(one.state[ID_EDIT_PASTE] & MF_GRAYED);
    EXPECT_TRUE(one.state[ID_SORT_ASCENDING] & MF_CHECKED);
    EXPECT_FALSE(one.state[ID_SORT_DESCENDING] & MF_CHECKED);
    EXPECT_TRUE(one.state[ID_VIEW_DETAILS] & MF_CHECKED);
    EXPECT_TRUE(one.state[ID_BRN_CREATE] & MF_GRAYED);
    EXPECT_TRUE(one.state[ID_BRN_RESTORE] & MF_GRAYED);
    // From the keyboard, the menu opens at the selected row (details: half a small icon in).
    RECT row;
    ListView_GetItemRect(List(), 1, &row, LVIR_BOUNDS);
    POINT anchor{GetSystemMetrics(SM_CXSMICON) / 2, row.bottom - (row.bottom - row.top) / 2};
    RECT lw;
    GetWindowRect(List(), &lw);
    EXPECT_EQ(one.at.x, lw.left + anchor.x);

    SendMessageA(frame->Hwnd(), WM_COMMAND, ID_VIEW_LIST, 0);
    frame->View().Sort(0, false);
    Select({0, 1, 2});
    MenuSnapshot three = Show({-1, -1});
    ASSERT_TRUE(three.opened);
    EXPECT_TRUE(three.state[ID_FILE_PROPERTY] & MF_GRAYED);
    EXPECT_FALSE(three.state[ID_FILE_RESTORE] & MF_GRAYED);
    EXPECT_TRUE(three.state[ID_VIEW_LIST] & MF_CHECKED);
    EXPECT_FALSE(three.state[ID_VIEW_DETAILS] & MF_CHECKED);
    EXPECT_TRUE(three.state[ID_SORT_DESCENDING] & MF_CHECKED);
}

}  // namespace
