// Tests of the property dialog, the settings dialog and the about box: real dialogs from the
// program's resources, driven through their controls, on catalogue items with real copies.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "WindowTestUtil.h"
#include "frame/AboutDialog.h"
#include "frame/CheckDialog.h"
#include "frame/ExtRepositoryDialog.h"
#include "frame/FindIniDialog.h"
#include "view/BrnFileDialog.h"
#include "view/PropertyDialog.h"
#include "frame/SetupDialog.h"
#include "resource.h"
#include "store/DataFile.h"
#include "store/Repository.h"
#include "store/RepositoryCheck.h"
#include "util/FileUtil.h"
#include "view/RowModel.h"

using testutil::IsJapaneseCodePage;
using testutil::ScriptedPrompt;
using testutil::TempDir;

namespace {

using testutil::Click;
using testutil::PumpFor;

static_assert(WM_DESCRIPTION_CHANGED == WM_USER + 6);
constexpr int kAttributeBoxes[] = {IDC_PROP_READONLY, IDC_PROP_HIDDEN, IDC_PROP_ARCHIVE,
                                   IDC_PROP_COMPRESSED, IDC_PROP_ENCRYPTED};

std::string WindowText(HWND hwnd) {
    int n = GetWindowTextLengthA(hwnd);
    std::string text(n + 1, '\0');
    text.resize(GetWindowTextA(hwnd, text.data(), n + 1));
    return text;
}

std::string Text(HWND dlg, int id) { return WindowText(GetDlgItem(dlg, id)); }

bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; }

// Replaces the description as the user does by selecting all and typing or pasting.
void ReplaceDescription(HWND dlg, const std::string& text) {
    HWND edit = GetDlgItem(dlg, IDC_PROP_DESCRIPTION);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

// The text in the system code page of a UTF-8 literal.
std::string Acp(const char* utf8) {
    wchar_t wide[512];
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 512);
    char out[1024];
    WideCharToMultiByte(CP_ACP, 0, wide, n, out, sizeof out, nullptr, nullptr);
    return out;
}

std::string TimeText(const FILETIME& time) {
    char text[64];
    util::FormatFileTime(time, text);
    return text;
}

// Records the description notifications it receives, with the item's description at that
// moment (the list reads it from the item when told).
class NotifySink {
public:
    struct Note {
        WPARAM wp;
        LPARAM lp;
        std::string description;
    };

    explicit NotifySink(const CBrennaItem& item) : m_item(&item) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "BrennaDialogsTestSink";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~NotifySink() { DestroyWindow(m_hWnd); }
    NotifySink(const NotifySink&) = delete;
    NotifySink& operator=(const NotifySink&) = delete;
    HWND Hwnd() const { return m_hWnd; }

    std::vector<Note> notes;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<NotifySink*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self && msg == WM_DESCRIPTION_CHANGED) {
            self->notes.push_back({wp, lp, self->m_item->m_description});
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }

    const CBrennaItem* m_item;
    HWND m_hWnd = nullptr;
};

// A small repository in a temporary folder whose items have real copies.
class Repository {
public:
    Repository() {
        testutil::MakeDirs(m_dir / "Repo");
        m_catalogue.SetFolder(m_dir / "Repo");
    }

    // Evacuates a file of size bytes named name (into its own numbered folder) whose copy was
    // last written at updateTime.
    CBrennaItem& AddFile(const std::string& name, size_t size, FILETIME updateTime = {},
                         const std::string& sourceFolder = "Docs") {
        std::string source = m_dir / (sourceFolder + "\\" + name);
        std::string stored = NextFolder() + "\\" + name;
        testutil::WriteFile(source, std::string(size, 'x'));
        testutil::WriteFile(stored, std::string(size, 'x'));
        if (updateTime.dwLowDateTime || updateTime.dwHighDateTime) {
            HANDLE h = CreateFileA(stored.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                   0, nullptr);
            SetFileTime(h, nullptr, nullptr, &updateTime);
            CloseHandle(h);
        }
        EXPECT_TRUE(m_catalogue.AddItem(source.c_str(), stored.c_str(), 1));
        return Last();
    }

    CBrennaItem& AddFolder(const std::string& name) {
        std::string source = m_dir / ("Docs\\" + name);
        std::string stored = NextFolder() + "\\" + name;
        testutil::WriteFile(source + "\\inner.txt", "inner");
        testutil::WriteFile(stored + "\\inner.txt", "inner");
        EXPECT_TRUE(m_catalogue.AddItem(source.c_str(), stored.c_str(), 0));
        return Last();
    }

    CBrennaItem& Last() { return *m_catalogue.GetItem(m_catalogue.GetCount() - 1); }
    CDataFile& Catalogue() { return m_catalogue; }
    const TempDir& Dir() const { return m_dir; }

private:
    std::string NextFolder() {
        char name[16];
        std::snprintf(name, sizeof name, "br%06u", static_cast<unsigned>(m_next++));
        return m_dir / ("Repo\\" + std::string(name));
    }

    TempDir m_dir;
    CDataFile m_catalogue;
    unsigned m_next = 0;
};

FILETIME MakeTime(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

HWND Open(fw::CDialog& dlg) {
    EXPECT_TRUE(dlg.CreateModeless(nullptr));
    return dlg.Hwnd();
}

// ---------------------------------------------------------------------------------------------
// Property dialog: what it shows.

class PropertyDialog : public testing::Test {
protected:
    Repository repo;
};

TEST_F(PropertyDialog, FileItemShowsEveryField) {
    const FILETIME update = MakeTime(2021, 3, 4, 5, 6);
    CBrennaItem& item = repo.AddFile("report.txt", 1234, update);
    ASSERT_TRUE(SetFileAttributesA(item.m_stored.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(item.Refresh());
    item.SetDescription("first draft");

    CPropertyDialog dlg("C:\\Docs", "report.txt", item, nullptr);
    HWND h = Open(dlg);
    ASSERT_TRUE(h);
    EXPECT_EQ(WindowText(h), "Property");
    EXPECT_EQ(Text(h, IDC_PROP_NAME), "report.txt");
    EXPECT_EQ(Text(h, IDC_PROP_LOCATION), "C:\\Docs");
    EXPECT_EQ(Text(h, IDC_PROP_SIZE), "1234 byte");
    const std::string saved = TimeText(item.m_evacuationTime);
    EXPECT_FALSE(saved.empty());
    EXPECT_EQ(Text(h, IDC_PROP_SAVED), saved);
    EXPECT_EQ(Text(h, IDC_PROP_UPDATE), TimeText(update));
    EXPECT_NE(Text(h, IDC_PROP_UPDATE), saved);
    EXPECT_EQ(Text(h, IDC_PROP_DESCRIPTION), "first draft");

    // A row the list has not shown yet gets its type text now, as the list would make it.
    EXPECT_FALSE(Text(h, IDC_PROP_TYPE).empty());
    EXPECT_EQ(Text(h, IDC_PROP_TYPE), view::TypeText(item));
    EXPECT_EQ(item.m_typeText, Text(h, IDC_PROP_TYPE));

    EXPECT_TRUE(Checked(h, IDC_PROP_READONLY));
    EXPECT_FALSE(Checked(h, IDC_PROP_HIDDEN));
    EXPECT_FALSE(Checked(h, IDC_PROP_COMPRESSED));
    EXPECT_FALSE(Checked(h, IDC_PROP_ENCRYPTED));
    for (int id : kAttributeBoxes) EXPECT_FALSE(Enabled(h, id)) << id;

    EXPECT_FALSE(Enabled(h, IDC_PROP_APPLY));
    EXPECT_TRUE(Enabled(h, IDC_PROP_DESCRIPTION));
    EXPECT_TRUE(SendDlgItemMessageA(h, IDC_PROP_ICON, STM_GETICON, 0, 0));
}

TEST_F(PropertyDialog, TypeIsTheTextTheListCached) {
    CBrennaItem& item = repo.AddFile("notes.txt", 10);
    item.m_typeText = "Cached Notes";
    CPropertyDialog dlg("C:\\Docs", "notes.txt", item, nullptr);
    HWND h = Open(dlg);
    EXPECT_EQ(Text(h, IDC_PROP_TYPE), "Cached Notes");
}

TEST_F(PropertyDialog, FolderItemHasNoSizeOrUpdate) {
    CBrennaItem& item = repo.AddFolder("Letters");
    CPropertyDialog dlg("C:\\Docs", "Letters", item, nullptr);
    HWND h = Open(dlg);
    EXPECT_EQ(Text(h, IDC_PROP_NAME), "Letters");
    EXPECT_EQ(Text(h, IDC_PROP_SIZE), "");
    EXPECT_EQ(Text(h, IDC_PROP_UPDATE), "");
    EXPECT_EQ(Text(h, IDC_PROP_SAVED), TimeText(item.m_evacuationTime));
    EXPECT_EQ(Text(h, IDC_PROP_TYPE), view::TypeText(item));
    EXPECT_FALSE(Text(h, IDC_PROP_TYPE).empty());
    EXPECT_FALSE(Checked(h, IDC_PROP_READONLY));
    EXPECT_FALSE(Checked(h, IDC_PROP_ENCRYPTED));
}

TEST_F(PropertyDialog, MissingCopyShowsEveryAttributeChecked) {
    CBrennaItem& file = repo.AddFile("gone.txt", 50);
    CBrennaItem& folder = repo.AddFolder("GoneFolder");
    ASSERT_TRUE(DeleteFileA(file.m_stored.c_str()));
    testutil::RemoveTree(folder.m_stored);
    file.Refresh();
    folder.Refresh();
    for (CBrennaItem* item : {&file, &folder}) {
        CPropertyDialog dlg("C:\\Docs", "gone", *item, nullptr);
        HWND h = Open(dlg);
        for (int id : kAttributeBoxes) EXPECT_TRUE(Checked(h, id)) << id;
        EXPECT_EQ(Text(h, IDC_PROP_SIZE), item->IsFile() ? "0 byte" : "");
    }
}

TEST_F(PropertyDialog, EachAttributeBitChecksItsOwnBox) {
    struct Case {
        DWORD attributes;
        std::vector<int> checked;
    };
    const Case cases[] = {
        {0, {}},
        {FILE_ATTRIBUTE_READONLY, {IDC_PROP_READONLY}},
        {FILE_ATTRIBUTE_HIDDEN, {IDC_PROP_HIDDEN}},
        {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED,
         {IDC_PROP_ARCHIVE, IDC_PROP_COMPRESSED}},
        {FILE_ATTRIBUTE_ENCRYPTED | FILE_ATTRIBUTE_SYSTEM, {IDC_PROP_ENCRYPTED}},
        {FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY, {}},
    };
    CBrennaItem& item = repo.AddFile("bits.dat", 1);
    for (const Case& c : cases) {
        item.m_attributes = c.attributes;
        CPropertyDialog dlg("C:\\Docs", "bits.dat", item, nullptr);
        HWND h = Open(dlg);
        for (int id : kAttributeBoxes) {
            bool expected = std::find(c.checked.begin(), c.checked.end(), id) != c.checked.end();
            EXPECT_EQ(Checked(h, id), expected) << std::hex << c.attributes << " box " << id;
        }
    }
}

TEST_F(PropertyDialog, LongDescriptionIsShownWhole) {
    CBrennaItem& item = repo.AddFile("long.txt", 1);
    const std::string text(40000, 'd');
    item.SetDescription(text.c_str());
    NotifySink sink(item);
    CPropertyDialog dlg("C:\\Docs", "long.txt", item, sink.Hwnd());
    HWND h = Open(dlg);
    EXPECT_EQ(Text(h, IDC_PROP_DESCRIPTION), text);
    ReplaceDescription(h, text + "e");
    EXPECT_EQ(Text(h, IDC_PROP_DESCRIPTION).size(), text.size() + 1);
    SendMessageA(h, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(item.m_description, text + "e");
}

// ---------------------------------------------------------------------------------------------
// Property dialog: Apply, OK and Cancel.

TEST_F(PropertyDialog, TypingEnablesApplyWhichStoresAndNotifies) {
    CBrennaItem& item = repo.AddFile("plan.txt", 100);
    NotifySink sink(item);
    item.SetDescription("old");
    CPropertyDialog dlg("C:\\Docs", "plan.txt", item, sink.Hwnd(), 7);
    HWND h = Open(dlg);
    EXPECT_FALSE(Enabled(h, IDC_PROP_APPLY));

    HWND edit = GetDlgItem(h, IDC_PROP_DESCRIPTION);
    SendMessageA(edit, EM_SETSEL, 3, 3);
    for (char c : std::string(" plan")) SendMessageA(edit, WM_CHAR, c, 0);
    EXPECT_TRUE(Enabled(h, IDC_PROP_APPLY));
    EXPECT_EQ(item.m_description, "old");
    EXPECT_TRUE(sink.notes.empty());

    Click(h, IDC_PROP_APPLY);
    EXPECT_EQ(item.m_description, "old plan");
    ASSERT_EQ(sink.notes.size(), 1u);
    EXPECT_EQ(sink.notes[0].wp, 7u);
    EXPECT_EQ(sink.notes[0].lp, 0);
    EXPECT_EQ(sink.notes[0].description, "old plan");
    EXPECT_FALSE(Enabled(h, IDC_PROP_APPLY));
    EXPECT_TRUE(IsWindow(h));

    // Apply stores whatever is there, even a text equal to the stored one.
    ReplaceDescription(h, "old plan");
    EXPECT_TRUE(Enabled(h, IDC_PROP_APPLY));
    Click(h, IDC_PROP_APPLY);
    EXPECT_EQ(sink.notes.size(), 2u);
}

TEST_F(PropertyDialog, DefaultIndexIsSentAsMinusOne) {
    CBrennaItem& item = repo.AddFile("plan.txt", 100);
    NotifySink sink(item);
    CPropertyDialog dlg("C:\\Docs", "plan.txt", item, sink.Hwnd());
    HWND h = Open(dlg);
    ReplaceDescription(h, "x");
    Click(h, IDC_PROP_APPLY);
    ASSERT_EQ(sink.notes.size(), 1u);
    EXPECT_EQ(static_cast<int>(sink.notes[0].wp), -1);
}

TEST_F(PropertyDialog, OkStoresAndNotifiesOnlyWhatChanged) {
    CBrennaItem& item = repo.AddFile("plan.txt", 100);
    NotifySink sink(item);
    struct Case {
        std::string before;
        std::string typed;  // the whole new text
        size_t notes;
    };
    const Case cases[] = {
        {"old", "new", 1},
        {"old", "old", 0},  // retyped the same text
        {"old", "", 1},     // cleared
        {"", "", 0},
    };
    for (const Case& c : cases) {
        sink.notes.clear();
        item.SetDescription(c.before.c_str());
        CPropertyDialog dlg("C:\\Docs", "plan.txt", item, sink.Hwnd(), 2);
        HWND h = Open(dlg);
        ReplaceDescription(h, c.typed);
        SendMessageA(h, WM_COMMAND, IDOK, 0);
        EXPECT_FALSE(IsWindow(h));
        EXPECT_EQ(dlg.Result(), IDOK);
        EXPECT_EQ(item.m_description, c.typed);
        ASSERT_EQ(sink.notes.size(), c.notes) << c.before << " -> " << c.typed;
        if (c.notes) {
            EXPECT_EQ(sink.notes[0].wp, 2u);
            EXPECT_EQ(sink.notes[0].description, c.typed);
        }
    }
}

TEST_F(PropertyDialog, ApplyThenOkWithoutTypingNotifiesOnce) {
    CBrennaItem& item = repo.AddFile("plan.txt", 100);
    NotifySink sink(item);
    CPropertyDialog dlg("C:\\Docs", "plan.txt", item, sink.Hwnd());
    HWND h = Open(dlg);
    ReplaceDescription(h, "applied");
    Click(h, IDC_PROP_APPLY);
    SendMessageA(h, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(item.m_description, "applied");
    EXPECT_EQ(sink.notes.size(), 1u);
}

TEST_F(PropertyDialog, CancelKeepsWhatApplyStoredAndNothingElse) {
    CBrennaItem& item = repo.AddFile("plan.txt", 100);
    NotifySink sink(item);
    item.SetDescription("start");
    CPropertyDialog dlg("C:\\Docs", "plan.txt", item, sink.Hwnd());
    HWND h = Open(dlg);
    ReplaceDescription(h, "applied");
    Click(h, IDC_PROP_APPLY);
    ReplaceDescription(h, "typed after apply");
    SendMessageA(h, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(dlg.Result(), IDCANCEL);
    EXPECT_EQ(item.m_description, "applied");
    EXPECT_EQ(sink.notes.size(), 1u);
}

TEST_F(PropertyDialog, CancelWithoutApplyStoresNothing) {
    CBrennaItem& item = repo.AddFile("plan.txt", 100);
    NotifySink sink(item);
    item.SetDescription("start");
    CPropertyDialog dlg("C:\\Docs", "plan.txt", item, sink.Hwnd());
    HWND h = Open(dlg);
    ReplaceDescription(h, "typed");
    SendMessageA(h, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(item.m_description, "start");
    EXPECT_TRUE(sink.notes.empty());
}

// A command-line evacuation has no list to tell; the description still reaches the catalogue.
TEST_F(PropertyDialog, WithoutNotifyWindowTheDescriptionIsSavedWithTheCatalogue) {
    CBrennaItem& item = repo.AddFile("cli.txt", 5);
    {
        CPropertyDialog dlg(repo.Dir() / "Docs", "cli.txt", item, nullptr,
                            static_cast<int>(repo.Catalogue().GetCount()) - 1);
        HWND h = Open(dlg);
        ReplaceDescription(h, "applied");
        Click(h, IDC_PROP_APPLY);
        EXPECT_FALSE(Enabled(h, IDC_PROP_APPLY));
        ReplaceDescription(h, "from the command line");
        SendMessageA(h, WM_COMMAND, IDOK, 0);
    }
    EXPECT_EQ(item.m_description, "from the command line");
    ASSERT_TRUE(repo.Catalogue().Save(FALSE));

    CDataFile reread;
    reread.SetFolder(repo.Dir() / "Repo");
    ASSERT_TRUE(reread.Load());
    ASSERT_EQ(reread.GetCount(), 1u);
    EXPECT_EQ(reread.GetItem(0)->m_description, "from the command line");
}

TEST_F(PropertyDialog, F1AsksTheHelpHandlerForTheDialogsTopic) {
    CBrennaItem& item = repo.AddFile("help.txt", 5);
    std::vector<DWORD> topics;
    CPropertyDialog dlg("C:\\Docs", "help.txt", item, nullptr);
    dlg.SetHelpHandler([&](DWORD topic) { topics.push_back(topic); });
    HWND h = Open(dlg);
    HWND edit = GetDlgItem(h, IDC_PROP_DESCRIPTION);
    HELPINFO info{sizeof info, HELPINFO_WINDOW, IDC_PROP_DESCRIPTION, edit, 0, {}};
    EXPECT_EQ(SendMessageA(h, WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
    EXPECT_EQ(topics, std::vector<DWORD>{0x10017});
    EXPECT_TRUE(IsWindow(h));
}

TEST_F(PropertyDialog, DoModalRunsThroughThePromptSeam) {
    CBrennaItem& item = repo.AddFile("modal.txt", 5);
    NotifySink sink(item);
    ScriptedPrompt prompt;
    UINT templateId = 0;
    prompt.dialogs.push_back([&](fw::CDialog& d) -> INT_PTR {
        templateId = d.TemplateId();
        if (!d.CreateModeless(nullptr)) return -1;
        ReplaceDescription(d.Hwnd(), "modal text");
        SendMessageA(d.Hwnd(), WM_COMMAND, IDOK, 0);
        return d.Result();
    });
    CPropertyDialog dlg("C:\\Docs", "modal.txt", item, sink.Hwnd(), 0);
    EXPECT_EQ(dlg.DoModal(nullptr), IDOK);
    EXPECT_EQ(templateId, static_cast<UINT>(IDD_PROPERTY));
    EXPECT_EQ(item.m_description, "modal text");
    ASSERT_EQ(sink.notes.size(), 1u);
    EXPECT_EQ(sink.notes[0].wp, 0u);
}

// ---------------------------------------------------------------------------------------------
// Settings dialog.

struct Options {
    BOOL askAlways, sortAny, brnFile;
};

TEST(SetupDialog, BoxesStartFromTheValuesAndOkReturnsThem) {
    const Options starts[] = {
        {TRUE, FALSE, TRUE}, {FALSE, TRUE, FALSE}, {FALSE, FALSE, FALSE}, {TRUE, TRUE, TRUE}};
    for (const Options& o : starts) {
        CSetupDialog dlg(o.askAlways, o.sortAny, o.brnFile);
        HWND h = Open(dlg);
        EXPECT_EQ(WindowText(h), "Setting of Brennahold");
        EXPECT_EQ(Checked(h, IDC_SET_ASKALWAYS), o.askAlways != FALSE);
        EXPECT_EQ(Checked(h, IDC_SET_SORTANY), o.sortAny != FALSE);
        EXPECT_EQ(Checked(h, IDC_SET_BRNFILE), o.brnFile != FALSE);
        // The user flips every box.
        for (int id : {IDC_SET_ASKALWAYS, IDC_SET_SORTANY, IDC_SET_BRNFILE})
            SendDlgItemMessageA(h, id, BM_CLICK, 0, 0);
        SendMessageA(h, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(dlg.Result(), IDOK);
        EXPECT_EQ(dlg.m_bAskAlways, !o.askAlways);
        EXPECT_EQ(dlg.m_bSortAny, !o.sortAny);
        EXPECT_EQ(dlg.m_bBrnFile, !o.brnFile);
    }
}

TEST(SetupDialog, OnlyTheChangedBoxChanges) {
    CSetupDialog dlg(TRUE, FALSE, TRUE);
    HWND h = Open(dlg);
    CheckDlgButton(h, IDC_SET_SORTANY, BST_CHECKED);
    SendMessageA(h, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(dlg.m_bAskAlways, TRUE);
    EXPECT_EQ(dlg.m_bSortAny, TRUE);
    EXPECT_EQ(dlg.m_bBrnFile, TRUE);
}

TEST(SetupDialog, CancelKeepsTheValues) {
    CSetupDialog dlg(TRUE, FALSE, TRUE);
    HWND h = Open(dlg);
    CheckDlgButton(h, IDC_SET_ASKALWAYS, BST_UNCHECKED);
    CheckDlgButton(h, IDC_SET_SORTANY, BST_CHECKED);
    SendMessageA(h, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(dlg.Result(), IDCANCEL);
    EXPECT_EQ(dlg.m_bAskAlways, TRUE);
    EXPECT_EQ(dlg.m_bSortAny, FALSE);
    EXPECT_EQ(dlg.m_bBrnFile, TRUE);
}

TEST(SetupDialog, F1AsksTheHelpHandlerForTheDialogsTopic) {
    std::vector<DWORD> topics;
    CSetupDialog dlg(FALSE, FALSE, FALSE);
    dlg.SetHelpHandler([&](DWORD topic) { topics.push_back(topic); });
    HWND h = Open(dlg);
    HELPINFO info{sizeof info, HELPINFO_WINDOW, IDC_SET_SORTANY, GetDlgItem(h, IDC_SET_SORTANY), 0,
                  {}};
    EXPECT_EQ(SendMessageA(h, WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
    EXPECT_EQ(topics, std::vector<DWORD>{0x10019});
}

TEST(SetupDialog, DoModalRunsThroughThePromptSeam) {
    ScriptedPrompt prompt;
    prompt.dialogs.push_back([](fw::CDialog& d) -> INT_PTR {
        EXPECT_EQ(d.TemplateId(), static_cast<UINT>(IDD_SETTING));
        if (!d.CreateModeless(nullptr)) return -1;
        SendDlgItemMessageA(d.Hwnd(), IDC_SET_BRNFILE, BM_CLICK, 0, 0);
        SendMessageA(d.Hwnd(), WM_COMMAND, IDOK, 0);
        return d.Result();
    });
    CSetupDialog dlg(FALSE, FALSE, FALSE);
    EXPECT_EQ(dlg.DoModal(nullptr), IDOK);
    EXPECT_EQ(dlg.m_bBrnFile, TRUE);
    EXPECT_EQ(dlg.m_bAskAlways, FALSE);

    // Nothing queued: the dialog counts as cancelled and keeps its values.
    CSetupDialog cancelled(TRUE, TRUE, TRUE);
    EXPECT_EQ(cancelled.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(cancelled.m_bSortAny, TRUE);
}

// ---------------------------------------------------------------------------------------------
// About box.

TEST(AboutDialog, ShowsWhetherTheExtensionIsLoaded) {
    for (bool loaded : {false, true}) {
        CAboutDlg dlg(loaded);
        HWND h = Open(dlg);
        EXPECT_EQ(WindowText(h), "About of Brennahold");
        EXPECT_EQ(Text(h, IDC_ABOUT_EXTENSION), loaded ? "ON" : "OFF");
        SendMessageA(h, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(dlg.Result(), IDOK);
    }
}

TEST(AboutDialog, DoModalRunsThroughThePromptSeam) {
    ScriptedPrompt prompt;
    std::string shown;
    prompt.dialogs.push_back([&](fw::CDialog& d) -> INT_PTR {
        if (!d.CreateModeless(nullptr)) return -1;
        shown = Text(d.Hwnd(), IDC_ABOUT_EXTENSION);
        SendMessageA(d.Hwnd(), WM_COMMAND, IDOK, 0);
        return d.Result();
    });
    CAboutDlg dlg(true);
    EXPECT_EQ(dlg.DoModal(nullptr), IDOK);
    EXPECT_EQ(shown, "ON");
}

// ---------------------------------------------------------------------------------------------
// Both languages: the Japanese dialogs under code page 932, double-byte names and descriptions.

TEST(DialogsMbcs, PropertyDialogKeepsMultiByteTextsByteForByte) {
    const bool ja = IsJapaneseCodePage();
    // Under code page 932 both names hold a character whose trail byte is a backslash.
    const std::string folder = ja ? Acp("表示") : "Docs";
    const std::string name = ja ? Acp("ソフト.txt") : "caf\xE9.txt";
    const std::string description = ja ? Acp("予算表の下書き") : "premi\xE8re \xE9tape";
    Repository repo;
    CBrennaItem& item = repo.AddFile(name, 2048, {}, folder);
    item.SetDescription(description.c_str());
    ASSERT_EQ(view::NameText(item), name);
    NotifySink sink(item);

    CPropertyDialog dlg(view::LocationText(item), view::NameText(item), item, sink.Hwnd());
    HWND h = Open(dlg);
    EXPECT_EQ(Text(h, IDC_PROP_NAME), name);
    EXPECT_EQ(Text(h, IDC_PROP_LOCATION), repo.Dir() / folder);
    EXPECT_EQ(Text(h, IDC_PROP_DESCRIPTION), description);
    EXPECT_EQ(WindowText(h), ja ? Acp("プロパティ") : "Property");
    EXPECT_EQ(Text(h, IDC_PROP_SIZE), ja ? Acp("2048 バイト") : "2048 byte");
    EXPECT_EQ(Text(h, IDC_PROP_UPDATE), TimeText(item.m_lastWriteTime));

    // Unchanged multi-byte text is not stored again; an edited one is stored exactly.
    ReplaceDescription(h, description);
    SendMessageA(h, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(sink.notes.empty());

    const std::string edited = description + (ja ? Acp("（改訂）") : " (r\xE9vis\xE9)");
    CPropertyDialog again(view::LocationText(item), name, item, sink.Hwnd());
    h = Open(again);
    ReplaceDescription(h, edited);
    Click(h, IDC_PROP_APPLY);
    EXPECT_EQ(item.m_description, edited);
    ASSERT_EQ(sink.notes.size(), 1u);
    EXPECT_EQ(sink.notes[0].description, edited);
}

TEST(DialogsMbcs, SettingsAndAboutShowTheirLanguage) {
    const bool ja = IsJapaneseCodePage();
    CSetupDialog setup(FALSE, TRUE, FALSE);
    HWND h = Open(setup);
    EXPECT_EQ(WindowText(h), ja ? Acp("Brennahold の設定") : "Setting of Brennahold");
    EXPECT_EQ(Text(h, IDC_SET_ASKALWAYS),
              ja ? Acp("保存したときにプロパティ ダイアログを表示する(&A)")
                 : "Show Property Dialog When S&aved");
    EXPECT_TRUE(Checked(h, IDC_SET_SORTANY));
    SendDlgItemMessageA(h, IDC_SET_ASKALWAYS, BM_CLICK, 0, 0);
    SendMessageA(h, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(setup.m_bAskAlways, TRUE);
    EXPECT_EQ(setup.m_bSortAny, TRUE);

    CAboutDlg about(true);
    h = Open(about);
    EXPECT_EQ(WindowText(h), ja ? Acp("Brennahold のバージョン情報") : "About of Brennahold");
    EXPECT_EQ(Text(h, IDC_ABOUT_EXTENSION), "ON");
}

// ---------------------------------------------------------------------------------------------
// Screenshots for the documentation: with BRENNA_SCREENSHOT_DIR set (a Windows path), each
// dialog is shown in turn; its window rectangle is written to <dir>\<name>.geom as
// "W H X Y", and the dialog stays until the capturing script deletes that file.

void ShowForCapture(fw::CDialog& dlg, const std::string& dir, const std::string& name,
                    const std::function<void(HWND)>& fill = {}) {
    ASSERT_TRUE(dlg.CreateModeless(nullptr));
    HWND h = dlg.Hwnd();
    if (fill) fill(h);
    SetWindowPos(h, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(h);
    PumpFor(700);
    RECT r;
    GetWindowRect(h, &r);
    // Written whole under another name first, so the script never reads half a line.
    const std::string geom = dir + "\\" + name + ".geom";
    const std::string part = geom + ".part";
    {
        std::ofstream out(part);
        out << r.right - r.left << ' ' << r.bottom - r.top << ' ' << r.left << ' ' << r.top << '\n';
    }
    ASSERT_TRUE(MoveFileA(part.c_str(), geom.c_str()));
    for (int i = 0; i < 600 && testutil::Exists(geom); ++i) PumpFor(100);
    EXPECT_FALSE(testutil::Exists(geom)) << "nobody took " << name;
    SendMessageA(h, WM_COMMAND, IDCANCEL, 0);
}

TEST(DialogScreenshots, ShowEachDialogForCapture) {
    const char* dir = std::getenv("BRENNA_SCREENSHOT_DIR");
    if (!dir || !*dir) GTEST_SKIP() << "BRENNA_SCREENSHOT_DIR is not set";
    const bool ja = IsJapaneseCodePage();
    const std::string suffix = ja ? "-ja" : "-en";

    const std::string name = ja ? Acp("四半期報告.txt") : "Quarterly report.txt";
    Repository repo;
    CBrennaItem& item = repo.AddFile(name, 18320, MakeTime(2024, 3, 28, 7, 45));
    SetFileAttributesA(item.m_stored.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    item.Refresh();
    item.SetDescription(ja ? Acp("3 月の改訂前の数値").c_str()
                           : "Figures before the March revision");
    const std::string location =
        ja ? Acp("C:\\Users\\Anna\\ドキュメント\\報告書") : "C:\\Users\\Anna\\Documents\\Reports";
    CPropertyDialog property(location, name, item, nullptr);
    ShowForCapture(property, dir, "property" + suffix);

    CSetupDialog setup(TRUE, FALSE, TRUE);
    ShowForCapture(setup, dir, "settings" + suffix);

    CRepository current;
    CBrennaView view;
    CExtRepositoryDialog external(current, view);
    ShowForCapture(external, dir, "external" + suffix, [](HWND h) {
        SetDlgItemTextA(h, IDC_EXT_DIRECTORY, "E:\\Brennahold");
        SetDlgItemTextA(h, IDC_EXT_NAME, "USB Brennahold");
        CheckRadioButton(h, IDC_EXT_NOTHING, IDC_EXT_MOVE, IDC_EXT_COPY);
    });

    CBrnFileDialog definition;
    ShowForCapture(definition, dir, "definition" + suffix, [ja](HWND h) {
        const std::string target =
            ja ? Acp("C:\\Users\\Anna\\ドキュメント") : "C:\\Users\\Anna\\Documents";
        SetDlgItemTextA(h, IDC_BRN_TARGET, target.c_str());
        SetDlgItemTextA(h, IDC_BRN_EXCLUSIONS, "*.tmp;*.bak;~*");
    });

    // Two candidates, so that the dialog waits for the user.
    const std::vector<int> drives = {4, 6};
    CFindIniDialog findIni(drives, "F:\\Brennahold\\Brenna.ini");
    ShowForCapture(findIni, dir, "findini" + suffix);

    // A repository with a copy gone, a copy changed and a copy that nothing recorded.
    TempDir checked, docs;
    const std::string names[] = {ja ? Acp("見積書.xlsx") : "Estimate.xlsx",
                                 ja ? Acp("議事録.docx") : "Minutes.docx",
                                 ja ? Acp("写真.jpg") : "Photo.jpg"};
    CRepository repository;
    ASSERT_TRUE(repository.SetFolder(checked.Path()));
    for (const std::string& n : names) {
        testutil::WriteFile(docs / n, n);
        ASSERT_TRUE(repository.Dispatch((docs / n).c_str()));
    }
    ASSERT_TRUE(repository.Save(FALSE));
    DeleteFileA(repository.Item(0)->m_stored.c_str());
    FILETIME later = repository.Item(1)->m_evacuationTime;
    later.dwHighDateTime += 10;
    HANDLE h = CreateFileA(repository.Item(1)->m_stored.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &later);
    CloseHandle(h);
    {
        CRepository interrupted;
        ASSERT_TRUE(interrupted.SetFolder(checked.Path()));
        ASSERT_TRUE(interrupted.Dispatch((docs / names[2]).c_str()));
    }
    CCheckDialog check(repository, store::CheckRepository(repository), true);
    ShowForCapture(check, dir, "check" + suffix);
}

}  // namespace
