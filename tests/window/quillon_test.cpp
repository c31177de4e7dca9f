// The sibling product's extension, played by the tests' own library loaded the real way through
// the registry value: the File menu's and the context menu's item submenu, the commands of its
// items, the Help item and the about box, with and without the extension, and misbehaving
// extensions.
#include <gtest/gtest.h>

#include <fstream>

#include "MainWindowFixture.h"
#include "ProcessUtil.h"
#include "fw/RegKey.h"
#include "fw/Strings.h"
#include "fw/win/Dialog.h"
#include "resource.h"
#include "store/QuillonBridge.h"
#include "store/QuillonItems.h"

namespace {

constexpr char kFixture[] = "quillon_fixture";
constexpr char kLacking[] = "quillon_fixture_lacking";
constexpr char kItems[] = "Qui(&l)lon Items";

std::string TestsFolder() {
    std::string exe = testutil::ProgramPath();
    return exe.substr(0, exe.find_last_of('\\'));
}

// Points the registry value at value (empty: removes it).
void SetExePath(const std::string& value) {
    if (value.empty()) {
        RegDeleteKeyA(HKEY_CURRENT_USER, CQuillonWrapper::kLocationKey);
        return;
    }
    fw::CRegKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, CQuillonWrapper::kLocationKey, KEY_SET_VALUE));
    ASSERT_EQ(RegSetValueExA(key.Get(), CQuillonWrapper::kExePathValue, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
}

// "caption=command" for an entry, "caption{...}" for a submenu, "-" for a separator.
std::string Describe(HMENU menu) {
    std::string out;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (i) out += "; ";
        char text[400] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        if (HMENU sub = GetSubMenu(menu, i))
            out += std::string(text) + "{" + Describe(sub) + "}";
        else if (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR)
            out += "-";
        else
            out += std::string(text) + "=" + std::to_string(GetMenuItemID(menu, i));
    }
    return out;
}

std::string TextAt(HMENU menu, int pos) {
    char text[400] = {};
    GetMenuStringA(menu, pos, text, sizeof text, MF_BYPOSITION);
    return text;
}

int Depth(HMENU menu) {
    int deepest = 0;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        if (HMENU sub = GetSubMenu(menu, i)) deepest = std::max(deepest, Depth(sub));
    return deepest + 1;
}

}  // namespace

// Each test holds the registry value for itself: tests run side by side, and a program that
// another test starts finds the library but, without the tree file named in its environment,
// the library declines to start.
class Quillon : public ItemCommands {
protected:
    void SetUp() override {
        m_lock.Reset(CreateMutexA(nullptr, FALSE, "BrennaholdTestQuillonRegistry"));
        WaitForSingleObject(m_lock.Get(), INFINITE);
        tree = quiDir / "tree.txt";
        log = quiDir / "log.txt";
        testutil::WriteFile(tree, "");
        SetEnvironmentVariableA("BRENNA_QUILLON_FIXTURE", tree.c_str());
        SetEnvironmentVariableA("BRENNA_QUILLON_LOG", log.c_str());
        Register(kFixture);
        ItemCommands::SetUp();
    }
    void TearDown() override {
        ItemCommands::TearDown();
        bridge.reset();
        SetExePath("");
        SetEnvironmentVariableA("BRENNA_QUILLON_FIXTURE", nullptr);
        SetEnvironmentVariableA("BRENNA_QUILLON_LOG", nullptr);
        ReleaseMutex(m_lock.Get());
    }
    // The registry names "<tests folder>\<library>.exe", as the sibling product records its
    // executable; the library is found beside it under the same base name.
    static void Register(const std::string& library) {
        SetExePath(TestsFolder() + "\\" + library + ".exe");
    }
    void Tree(const std::string& lines) { testutil::WriteFile(tree, lines); }
    // Starts the extension as the application does, and the main window with it.
    void OpenWithExtension() {
        bridge = std::make_unique<CQuillonWrapper>();
        if (!bridge->LoadExtension()) bridge.reset();
        Open();
        frame->SetExtension(bridge.get());
        frame->InsertQuillonHelpItem();
    }
    void CloseAll() {
        Close();
        bridge.reset();
    }
    HMENU FileMenu() { return GetSubMenu(GetMenu(frame->Hwnd()), 0); }
    HMENU HelpMenu() { return GetSubMenu(GetMenu(frame->Hwnd()), 3); }
    // What the frame hears when the user opens the File menu.
    void OpenFileMenu() {
        SendMessageA(frame->Hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(FileMenu()),
                     MAKELPARAM(0, FALSE));
    }
    // The extension submenu of the File menu, or null.
    HMENU ItemsMenu() {
        return TextAt(FileMenu(), 4) == kItems ? GetSubMenu(FileMenu(), 4) : nullptr;
    }
    std::string LastLogLine() {
        std::string text = testutil::ReadFile(log), last;
        size_t end = text.find_last_not_of('\n');
        if (end == std::string::npos) return "";
        size_t start = text.find_last_of('\n', end);
        return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
    }

    testutil::TempDir quiDir;
    std::string tree, log;
    std::unique_ptr<CQuillonWrapper> bridge;

private:
    fw::CHandle m_lock;
};

TEST_F(Quillon, NestedSubmenusInOrderEmptyOnesLeftOutAndIdZeroIsCommand18) {
    Tree(
        "0 42 0 2 0 Alpha|C:\\a\n"
        "0 42 1 1 7 Folder\n"
        "1 7 5 2 0 Beta|C:\\b\n"
        "1 7 6 1 8 Empty inside\n"
        "1 7 9 1 9 Deeper\n"
        "9 9 7 2 0 Gamma|C:\\g\n"
        "0 42 2 1 11 Empty top\n"
        "2 11 12 1 12 Empty nested\n"
        "0 42 3 2 0 Delta|C:\\d\n");
    OpenWithExtension();
    ASSERT_TRUE(bridge);
    const int before = GetMenuItemCount(FileMenu());
    OpenFileMenu();
    ASSERT_NE(ItemsMenu(), nullptr) << Describe(FileMenu());
    EXPECT_EQ(Describe(ItemsMenu()), "Alpha=18; Folder{Beta=23; Deeper{Gamma=25}}; Delta=21");
    // The entries around it stay where they were.
    EXPECT_EQ(GetMenuItemID(FileMenu(), 3), static_cast<UINT>(ID_FILE_PROPERTY));
    EXPECT_TRUE(GetMenuState(FileMenu(), 5, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemCount(FileMenu()), before + 1);
}

TEST_F(Quillon, EachOpeningOfTheFileMenuLeavesOneSubmenuOrNone) {
    OpenWithExtension();
    ASSERT_TRUE(bridge);
    const std::string plain = Describe(FileMenu());
    const int plainCount = GetMenuItemCount(FileMenu());
    const struct {
        const char* tree;
        const char* items;  // null: no submenu
    } steps[] = {
        {"0 42 4 2 0 One|C:\\1\n", "One=22"},
        {"0 42 4 2 0 One|C:\\1\n", "One=22"},
        {"0 42 4 2 0 One|C:\\1\n0 42 5 2 0 Two|C:\\2\n", "One=22; Two=23"},
        {"", nullptr},
        {"", nullptr},
        {"0 42 1 1 3 Only empty\n1 3 2 1 4 Emptier\n", nullptr},
        {"0 42 8 2 0 Back|C:\\8\n", "Back=26"},
        {"failenum 0 42\n", nullptr},
        {"0 42 1 1 3 Sub\n0 42 8 2 0 Kept?|C:\\8\nfailenum 1 3\n", nullptr},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.tree);
        Tree(s.tree);
        OpenFileMenu();
        if (s.items) {
            ASSERT_NE(ItemsMenu(), nullptr);
            EXPECT_EQ(Describe(ItemsMenu()), s.items);
            EXPECT_EQ(GetMenuItemCount(FileMenu()), plainCount + 1);
        } else {
            EXPECT_EQ(Describe(FileMenu()), plain);
        }
    }
}

TEST_F(Quillon, ChoosingAnItemTakesItsPathOrRunsItsDefinition) {
    testutil::WriteFile(src / "letter.txt", "dear");
    testutil::WriteFile(src / "Data\\inner.txt", "in");
    std::string def = WriteDefinition(src / "Data", src / "data.brn");
    Tree("0 42 1 2 0 Letter|" + src / "letter.txt" + "\n" + "0 42 2 1 5 Sub\n" +
         "2 5 3 2 0 Data folder|" + src / "Data" + "\n" + "2 5 4 2 0 Definition|" + def + "\n");
    OpenWithExtension();
    ASSERT_TRUE(bridge);
    const struct {
        short id;
        bool brnFile;
        std::string source;
        bool run;
    } cases[] = {
        {1, false, src / "letter.txt", false},
        {3, false, src / "Data", false},
        {4, false, def, false},
        {4, true, "", true},
    };
    OpenFileMenu();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        Repository().Settings().brnFile = c.brnFile;
        size_t before = Repository().Count();
        Command(ID_QUILLON_ITEM_FIRST + c.id);
        ASSERT_EQ(Repository().Count(), before + 1);
        CBrennaItem* item = Repository().Item(before);
        EXPECT_EQ(item->IsBackupRun(), c.run);
        if (!c.run) {
            EXPECT_EQ(item->m_source, c.source);
        }
        EXPECT_EQ(Rows(), static_cast<int>(before + 1));
    }
    EXPECT_TRUE(prompt.shown.empty());
    // Saved at once, as a drop is.
    testutil::ScratchRepository reread(repo);
    (*reread).Load();
    EXPECT_EQ((*reread).Count(), Repository().Count());
}

TEST_F(Quillon, AStaleOrUnknownIdShowsTheMessageAndAFailedPathDoesNothing) {
    testutil::WriteFile(src / "a.txt", "a");
    Tree("0 42 9 2 0 Nine|" + src / "a.txt" + "\n0 42 10 2 0 No path|<fail>\n");
    OpenWithExtension();
    ASSERT_TRUE(bridge);
    // Before the menu was ever opened no item is known.
    Command(ID_QUILLON_ITEM_FIRST + 9);
    OpenFileMenu();
    Command(ID_QUILLON_ITEM_FIRST + 10);
    Command(ID_QUILLON_ITEM_FIRST + 500);
    Tree("0 42 11 2 0 Eleven|" + src / "a.txt" + "\n");
    OpenFileMenu();
    Command(ID_QUILLON_ITEM_FIRST + 9);
    const std::string failed = fw::LoadStr(IDS_QUILLON_ITEM_FAILED);
    ASSERT_EQ(failed, "Failed to get Quillon item data");
    ASSERT_EQ(prompt.shown.size(), 3u);
    for (const auto& s : prompt.shown) EXPECT_EQ(s.text, failed);
    EXPECT_EQ(Repository().Count(), 0u);
    Command(ID_QUILLON_ITEM_FIRST + 11);
    EXPECT_EQ(Repository().Count(), 1u);
}

// With the extension: "ON", "Qui&llon Help" at Help position 2 opening its own topic, the
// submenu in both menus. Without the registry value, with a library lacking an entry point
// that is called, with one that will not start, or with a value that has no extension, none of
// it: "OFF", "Homepage of Qui&llon" at position 5, the menus as they are.
TEST_F(Quillon, WithAndWithoutTheExtension) {
    Evacuate("a.txt");
    const std::string folder = TestsFolder();
    const struct {
        std::string exePath;
        const char* tree;
        bool loaded;
    } cases[] = {
        {folder + "\\" + kFixture + ".exe", "0 42 1 2 0 One|C:\\1\n", true},
        {"", "0 42 1 2 0 One|C:\\1\n", false},
        {folder + "\\" + kLacking + ".exe", "0 42 1 2 0 One|C:\\1\n", false},
        {folder + "\\" + kFixture + ".exe", "context0\n0 42 1 2 0 One|C:\\1\n", false},
        {folder + "\\" + kFixture, "0 42 1 2 0 One|C:\\1\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exePath + " " + c.tree);
        SetExePath(c.exePath);
        Tree(c.tree);
        OpenWithExtension();
        EXPECT_EQ(bridge != nullptr, c.loaded);

        std::string about;
        prompt.dialogs.push_back([&](fw::CDialog& d) -> INT_PTR {
            if (!d.CreateModeless(frame->Hwnd())) return -1;
            about = testutil::DlgText(d.Hwnd(), IDC_ABOUT_EXTENSION);
            SendMessageA(d.Hwnd(), WM_COMMAND, IDOK, 0);
            return d.Result();
        });
        Command(ID_APP_ABOUT);
        EXPECT_EQ(about, c.loaded ? "ON" : "OFF");

        int pos = c.loaded ? 2 : 5;
        EXPECT_EQ(GetMenuItemID(HelpMenu(), pos), static_cast<UINT>(ID_HELP_QUILLON));
        EXPECT_EQ(TextAt(HelpMenu(), pos), c.loaded ? "Qui&llon Help" : "Homepage of Qui&llon");
        EXPECT_EQ(GetMenuItemCount(HelpMenu()), 8);
        helpTopics.clear();
        Command(ID_HELP_QUILLON);
        const DWORD topic = c.loaded ? HELP_TOPIC_QUILLON_HELP : HELP_TOPIC_QUILLON;
        EXPECT_EQ(helpTopics, std::vector<DWORD>{topic});

        OpenFileMenu();
        EXPECT_EQ(ItemsMenu() != nullptr, c.loaded);

        Select({0});
        HMENU context = frame->View().BuildContextMenu();
        ASSERT_NE(context, nullptr);
        HMENU items = GetSubMenu(context, 0);
        int backup = c.loaded ? 5 : 4;
        EXPECT_EQ(TextAt(items, backup), "&Backup definition file");
        EXPECT_EQ(GetMenuItemID(GetSubMenu(items, backup), 0), static_cast<UINT>(ID_BRN_CREATE));
        if (c.loaded) {
            EXPECT_EQ(TextAt(items, 4), kItems);
            EXPECT_EQ(Describe(GetSubMenu(items, 4)), "One=19");
        }
        DestroyMenu(context);
        // The File menu's submenu survives the context menu's own rebuild.
        OpenFileMenu();
        EXPECT_EQ(ItemsMenu() != nullptr, c.loaded);
        CloseAll();
    }
}

// Misbehaving extensions: the program keeps running, the menu stays bounded, every string the
// extension handed over is released and every enumeration closed, and the extension is ended.
TEST_F(Quillon, MisbehavingExtensionsLeaveABoundedMenu) {
    testutil::WriteFile(src / "a.txt", "a");
    std::string chain;
    for (int d = 0; d < 30; ++d)
        chain += std::to_string(d == 0 ? 0 : 100 + d - 1) + " " + std::to_string(d == 0 ? 42 : d) +
                 " " + std::to_string(100 + d) + " 1 " + std::to_string(d + 1) + " Level " +
                 std::to_string(d) + "\n" + std::to_string(100 + d) + " " + std::to_string(d + 1) +
                 " " + std::to_string(1000 + d) + " 2 0 Leaf|C:\\x\n";
    const size_t cap = CPopupItem::kMaxChildren;
    const struct {
        const char* name;
        std::string tree;
        std::function<void(HMENU)> check;
    } cases[] = {
        {"null caption", "0 42 1 2 0 <null>|C:\\x\n0 42 2 2 0 Shown|C:\\y\n",
         [](HMENU m) { EXPECT_EQ(Describe(m), "Shown=20"); }},
        {"10,000 children", "many 0 42 10000\n",
         [&](HMENU m) {
             EXPECT_EQ(static_cast<size_t>(GetMenuItemCount(m)), cap);
             EXPECT_EQ(TextAt(m, 0), "Many 0");
         }},
        {"endless", "endless 0 42\n",
         [&](HMENU m) { EXPECT_EQ(static_cast<size_t>(GetMenuItemCount(m)), cap); }},
        {"long captions", "0 42 1 2 0 <long:5000>|C:\\x\n0 42 2 2 0 <unterminated>|C:\\y\n",
         [](HMENU m) {
             EXPECT_EQ(TextAt(m, 0).size(), MAX_PATH - 1u);
             EXPECT_EQ(TextAt(m, 1), std::string(MAX_PATH - 1, 'U'));
         }},
        {"ids out of range and twice",
         "0 42 32748 2 0 Last|C:\\x\n0 42 32749 2 0 Over|C:\\y\n0 42 32767 2 0 Top|C:\\z\n"
         "0 42 7 2 0 First seven|C:\\x\n0 42 7 2 0 Second seven|C:\\y\n",
         [](HMENU m) { EXPECT_EQ(Describe(m), "Last=32766; First seven=25"); }},
        {"deep nesting", chain,
         [](HMENU m) {
             EXPECT_EQ(Depth(m), CPopupItem::kMaxDepth + 1);
             EXPECT_EQ(TextAt(m, 0), "Level 0");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Tree(c.tree);
        OpenWithExtension();
        ASSERT_TRUE(bridge);
        DWORD start = GetTickCount();
        OpenFileMenu();
        EXPECT_LT(GetTickCount() - start, 20000u);
        ASSERT_NE(ItemsMenu(), nullptr);
        c.check(ItemsMenu());
        OpenFileMenu();
        EXPECT_TRUE(IsWindow(frame->Hwnd()));
        CloseAll();
        EXPECT_EQ(LastLogLine(), "term 51554921 strings 0 enumerations 0");
    }
}

// A path of 5,000 bytes, or one just too long for MAX_PATH, is not used; one that fits is.
TEST_F(Quillon, APathTooLongIsNotUsed) {
    testutil::WriteFile(src / "a.txt", "a");
    Tree("0 42 1 2 0 Huge|<long:5000>\n0 42 2 2 0 Just over|<long:260>\n0 42 3 2 0 Fits|" +
         src / "a.txt" + "\n");
    OpenWithExtension();
    OpenFileMenu();
    Command(ID_QUILLON_ITEM_FIRST + 1);
    Command(ID_QUILLON_ITEM_FIRST + 2);
    EXPECT_EQ(Repository().Count(), 0u);
    EXPECT_TRUE(prompt.shown.empty());
    Command(ID_QUILLON_ITEM_FIRST + 3);
    EXPECT_EQ(Repository().Count(), 1u);
    CloseAll();
    EXPECT_EQ(LastLogLine(), "term 51554921 strings 0 enumerations 0");
}

// The program itself, started with the extension registered: the application loads it at the
// interactive start, hands it to the frame (its about box reads "ON"), and ends it on exit.
TEST_F(Quillon, TheProgramStartsAndEndsTheExtension) {
    const struct {
        bool registered;
        const char* about;
    } cases[] = {{true, "ON"}, {false, "OFF"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.about);
        if (c.registered)
            Register(kFixture);
        else
            SetExePath("");
        testutil::WriteFile(log, "");
        testutil::TempDir other;
        std::string otherIni = other / "Brenna.ini";
        testutil::WriteFile(otherIni, "[Settings]\r\n");
        HANDLE process = testutil::StartProgram("-c " + testutil::Quote(otherIni));
        ASSERT_NE(process, nullptr);
        std::string title = "Brennahold - " + other.Path();
        HWND main = nullptr;
        for (DWORD t = GetTickCount(); !main && GetTickCount() - t < 20000; Sleep(50))
            main = FindWindowA(CMainFrame::kClassName, title.c_str());
        ASSERT_NE(main, nullptr);
        PostMessageA(main, WM_COMMAND, ID_APP_ABOUT, 0);
        HWND about = nullptr;
        for (DWORD t = GetTickCount(); !about && GetTickCount() - t < 20000; Sleep(50))
            about = FindWindowA("#32770", "About of Brennahold");
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(testutil::DlgText(about, IDC_ABOUT_EXTENSION), c.about);
        PostMessageA(about, WM_COMMAND, IDOK, 0);
        for (DWORD t = GetTickCount(); IsWindow(about) && GetTickCount() - t < 20000;) Sleep(50);
        PostMessageA(main, WM_CLOSE, 0, 0);
        ASSERT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
        CloseHandle(process);
        std::string expected = c.registered ? "init\nterm 51554921 strings 0 enumerations 0\n" : "";
        EXPECT_EQ(testutil::ReadFile(log), expected);
    }
}
