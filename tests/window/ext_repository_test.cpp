// The external repository dialog on a real main window: the new folder, its INI file and
// shortcut, the copy or move of the current repository, and every refusal on the way.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "ScratchRepository.h"
#include "TestUtil.h"
#include "WindowTestUtil.h"
#include "app/BrennaApp.h"
#include "frame/ExtRepositoryDialog.h"
#include "frame/MainFrame.h"
#include "fw/Faults.h"
#include "fw/Strings.h"
#include "resource.h"
#include "store/ShellLink.h"
#include "string_ids.h"

using testutil::Pump;
using testutil::TempDir;

namespace {

constexpr char kIniBytes[] = ";Brennahold INI file\r\n";


struct Fill {
    std::string directory;
    // Empty: the shortcut box is cleared.
    std::string shortcut;
    int current = CExtRepositoryDialog::kNothing;
};

class ExtRepository : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        repo = base / "Repo";
        ini = repo + "\\Brenna.ini";
        testutil::WriteFile(ini, "[Settings]\r\n");
        profile.UseIniFile(ini);
        scratch = std::make_unique<testutil::ScratchRepository>(repo);
        Repository().SetMutexName(MakeObjectName("BrennaholdExtTestMutex", ini, 256));
        Repository().Load();
        frame = std::make_unique<CMainFrame>(
            Repository(), profile, [this](DWORD topic) { helpTopics.push_back(topic); },
            [](DWORD) {});
        ASSERT_TRUE(frame->CreateFrame("Brennahold - test"));
        ShowWindow(frame->Hwnd(), SW_SHOW);
        Pump();
        ASSERT_TRUE(store::GetShellFolder(store::kUserDesktop, desktop));
        shortcutName = "BrennaExt" + std::to_string(GetCurrentProcessId()) + "_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void TearDown() override {
        fw::FailCalls(fw::FileOp::rename, {});
        DeleteFileA(LinkPath().c_str());
        if (frame && frame->Hwnd()) {
            SendMessageA(frame->Hwnd(), WM_CLOSE, 0, 0);
            Pump();
        }
        frame.reset();
        scratch.reset();
        OleUninitialize();
    }
    CRepository& Repository() { return **scratch; }
    int Rows() { return frame->View().RowCount(); }
    std::string LinkPath() const { return desktop + "\\" + shortcutName + ".lnk"; }

    void Evacuate(const std::string& rel, const std::string& content, bool folder = false) {
        std::string path = src / rel;
        testutil::WriteFile(folder ? path + "\\inner.txt" : path, content);
        ASSERT_NE(Repository().Dispatch(path.c_str()), 0) << path;
    }
    // Three items, one a folder and one with a description, saved.
    void EvacuateThree() {
        Evacuate("a.txt", "alpha");
        Evacuate("Docs", "inner", true);
        Evacuate("b.txt", "beta");
        Repository().Item(2)->SetDescription("described");
        Repository().Catalogue().SetChanged();
        ASSERT_TRUE(Repository().Save(FALSE));
        ASSERT_EQ(Rows(), 3);
    }

    // Runs File > External repository..., fills the dialog, presses OK, and cancels it when it
    // stays. before runs just before OK. Returns the dialog's result.
    INT_PTR RunDialog(const Fill& fill, const std::function<void(HWND)>& before = {}) {
        stayed = false;
        prompt.dialogs.push_back([&](fw::CDialog& dlg) -> INT_PTR {
            EXPECT_TRUE(dlg.CreateModeless(frame->Hwnd()));
            HWND h = dlg.Hwnd();
            EXPECT_EQ(testutil::DlgText(h, IDC_EXT_NAME), "");
            EXPECT_EQ(IsDlgButtonChecked(h, IDC_EXT_SHORTCUT), BST_CHECKED);
            EXPECT_EQ(IsDlgButtonChecked(h, IDC_EXT_NOTHING), BST_CHECKED);
            SetDlgItemTextA(h, IDC_EXT_DIRECTORY, fill.directory.c_str());
            if (fill.shortcut.empty()) {
                CheckDlgButton(h, IDC_EXT_SHORTCUT, BST_UNCHECKED);
                testutil::Click(h, IDC_EXT_SHORTCUT);
                EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, IDC_EXT_NAME)));
                EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, IDC_EXT_NAME_LABEL)));
            } else {
                SetDlgItemTextA(h, IDC_EXT_NAME, fill.shortcut.c_str());
            }
            CheckRadioButton(h, IDC_EXT_NOTHING, IDC_EXT_MOVE, IDC_EXT_NOTHING + fill.current);
            if (before) before(h);
            SendMessageA(h, WM_COMMAND, IDOK, 0);
            stayed = dlg.Hwnd() != nullptr;
            if (stayed) SendMessageA(dlg.Hwnd(), WM_COMMAND, IDCANCEL, 0);
            return dlg.Result();
        });
        prompt.shown.clear();
        SendMessageA(frame->Hwnd(), WM_COMMAND, ID_FILE_EXTERNAL_REPOSITORY, 0);
        Pump();
        EXPECT_TRUE(prompt.dialogs.empty()) << "the dialog was not run";
        return lastResult = stayed ? IDCANCEL : IDOK;
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> texts;
        for (const auto& s : prompt.shown) texts.push_back(s.text);
        return texts;
    }
    // The repository in folder as a start-up on it would load it.
    std::unique_ptr<testutil::ScratchRepository> Open(const std::string& folder) {
        auto other = std::make_unique<testutil::ScratchRepository>(folder);
        (*other)->Load();
        return other;
    }

    testutil::ScriptedPrompt prompt;
    TempDir base, src, target;
    std::string repo, ini, desktop, shortcutName;
    fw::CProfile profile;
    std::unique_ptr<testutil::ScratchRepository> scratch;
    std::unique_ptr<CMainFrame> frame;
    std::vector<DWORD> helpTopics;
    bool stayed = false;
    INT_PTR lastResult = 0;
};

TEST_F(ExtRepository, NewFolderWithShortcutHoldsOnlyItsIni) {
    const std::string dir = target / "New\\Box";
    prompt.Answer(IDYES);
    EXPECT_EQ(RunDialog({dir, shortcutName}), IDOK);
    EXPECT_EQ(Shown(),
              std::vector<std::string>{fw::FormatStr(IDS_EXT_CREATE_DIRECTORY, dir.c_str())});
    EXPECT_EQ(prompt.shown[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    auto files = testutil::SnapshotTree(dir);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files["Brenna.ini"], kIniBytes);

    store::ShortcutProperties p;
    ASSERT_TRUE(scratch->link.Read(LinkPath(), p));
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    EXPECT_EQ(lstrcmpiA(p.target.c_str(), exe), 0) << p.target;
    EXPECT_EQ(p.arguments, "-c \"" + dir + "\\Brenna.ini\"");
    EXPECT_EQ(p.workingDirectory, dir);
    EXPECT_EQ(p.description, "");

    // The same folder again: its INI file is in the way, and nothing else is asked or done.
    EXPECT_EQ(RunDialog({dir, shortcutName}), IDCANCEL);
    EXPECT_EQ(Shown(), std::vector<std::string>{fw::LoadStr(IDS_EXT_INI_FAILED)});
    EXPECT_EQ(testutil::SnapshotTree(dir).size(), 1u);

    // Without the shortcut box no name is needed and no shortcut is made.
    DeleteFileA(LinkPath().c_str());
    prompt.Answer(IDYES);
    EXPECT_EQ(RunDialog({target / "Plain", ""}), IDOK);
    EXPECT_EQ(testutil::ReadFile(target / "Plain\\Brenna.ini"), kIniBytes);
    EXPECT_FALSE(testutil::Exists(LinkPath()));
}

TEST_F(ExtRepository, CopyLeavesTheCurrentRepositoryAsItWas) {
    EvacuateThree();
    const auto before = testutil::SnapshotTree(repo);
    EXPECT_EQ(RunDialog({target.Path() + "\\", "", CExtRepositoryDialog::kCopy}), IDOK);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(testutil::SnapshotTree(repo), before);
    EXPECT_EQ(Rows(), 3);
    // A fresh INI file, not the current repository's settings.
    EXPECT_EQ(testutil::ReadFile(target / "Brenna.ini"), kIniBytes);

    auto copy = Open(target.Path());
    ASSERT_EQ((*copy)->Count(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        CBrennaItem* mine = Repository().Item(i);
        CBrennaItem* theirs = (*copy)->Item(i);
        EXPECT_EQ(theirs->m_source, mine->m_source);
        EXPECT_EQ(theirs->m_stored, target.Path() + mine->m_stored.substr(repo.size()));
        EXPECT_EQ(theirs->m_description, mine->m_description);
        EXPECT_EQ(theirs->m_fileFlag, mine->m_fileFlag);
        EXPECT_FALSE(theirs->IsCopyMissing()) << theirs->m_stored;
    }
    EXPECT_EQ(testutil::ReadFile((*copy)->Item(1)->m_stored + "\\inner.txt"), "inner");
}

TEST_F(ExtRepository, MoveEmptiesTheCurrentListOnceTheNewRepositoryIsWhole) {
    EvacuateThree();
    std::vector<std::string> stored;
    for (size_t i = 0; i < 3; ++i) stored.push_back(Repository().Item(i)->m_stored);
    EXPECT_EQ(RunDialog({target.Path(), shortcutName, CExtRepositoryDialog::kMove}), IDOK);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Repository().Count(), 0u);
    for (const auto& s : stored) EXPECT_FALSE(testutil::Exists(s)) << s;
    EXPECT_TRUE(testutil::Exists(LinkPath()));

    auto moved = Open(target.Path());
    ASSERT_EQ((*moved)->Count(), 3u);
    EXPECT_EQ(testutil::ReadFile((*moved)->Item(0)->m_stored), "alpha");
    EXPECT_EQ(testutil::ReadFile((*moved)->Item(2)->m_stored), "beta");
    EXPECT_EQ((*moved)->Item(2)->m_description, "described");
    // The emptied catalogue is saved at once.
    EXPECT_EQ(Open(repo)->repository.Count(), 0u);
}

TEST_F(ExtRepository, FailedCatalogueWriteKeepsEverythingInTheCurrentRepository) {
    EvacuateThree();
    const auto before = testutil::SnapshotTree(repo);
    for (int current : {CExtRepositoryDialog::kMove, CExtRepositoryDialog::kCopy}) {
        // The new catalogue is the only file replaced by a rename on the way.
        EXPECT_EQ(RunDialog({target.Path(), "", current},
                            [](HWND) { fw::FailCalls(fw::FileOp::rename, {1}); }),
                  IDCANCEL);
        fw::FailCalls(fw::FileOp::rename, {});
        EXPECT_EQ(Shown(), std::vector<std::string>{fw::LoadStr(IDS_EXT_COPY_FAILED)});
        EXPECT_EQ(Rows(), 3);
        EXPECT_EQ(testutil::SnapshotTree(repo), before);
        EXPECT_FALSE(testutil::Exists(target / "Brenna.ini"));
        EXPECT_FALSE(testutil::Exists(target / "brenna.dat"));
    }
    // With the fault gone the same move goes through.
    EXPECT_EQ(RunDialog({target.Path(), "", CExtRepositoryDialog::kMove}), IDOK);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Open(target.Path())->repository.Count(), 3u);
}

TEST_F(ExtRepository, ItemsWhosePathsWouldNotFitAreReportedAndStay) {
    Evacuate("a.txt", "alpha");
    const std::string longName = std::string(60, 'n') + ".txt";
    Evacuate(longName, "long");
    Evacuate("b.txt", "beta");
    ASSERT_TRUE(Repository().Save(FALSE));
    // A folder whose INI path fits, but in which the long item's stored path would not.
    std::string dir = target.Path() + "\\";
    dir += std::string(205 - dir.size(), 'd');
    ASSERT_LT(dir.size() + sizeof "\\Brenna.ini", static_cast<size_t>(MAX_PATH));
    ASSERT_GE(dir.size() + sizeof "\\br000001\\" - 1 + longName.size(),
              static_cast<size_t>(MAX_PATH));
    const std::string longStored = Repository().Item(1)->m_stored;

    prompt.Answer(IDYES);
    EXPECT_EQ(RunDialog({dir, "", CExtRepositoryDialog::kMove}), IDOK);
    ASSERT_EQ(prompt.shown.size(), 2u);
    std::string listed = "\n";
    listed += src / longName;
    EXPECT_EQ(prompt.shown[1].text, fw::FormatStr(IDS_EXT_NOT_COPIED, listed.c_str()));
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(frame->View().ItemAt(0)->m_stored, longStored);
    EXPECT_EQ(testutil::ReadFile(longStored), "long");

    auto moved = Open(dir);
    ASSERT_EQ((*moved)->Count(), 2u);
    EXPECT_EQ(testutil::ReadFile((*moved)->Item(0)->m_stored), "alpha");
    EXPECT_EQ(testutil::ReadFile((*moved)->Item(1)->m_stored), "beta");
}

TEST_F(ExtRepository, EveryRefusalKeepsTheDialogOpenAndWritesNoIni) {
    testutil::WriteFile(target / "file.txt", "in the way");
    testutil::WriteFile(target / "Taken\\Brenna.ini", "theirs");
    struct Case {
        const char* what;
        Fill fill;
        std::vector<int> answers;
        std::vector<std::string> messages;
        std::string noIniIn;
    };
    const std::string nameless = target.Path().substr(2);
    const std::string missing = target / "Missing";
    const std::string underFile = target / "file.txt\\sub";
    const std::string badName = "NoSuchFolder\\" + shortcutName;
    testutil::WriteFile(desktop + "\\" + shortcutName + "Old.lnk", "");
    const Case cases[] = {
        {"no drive", {nameless, shortcutName}, {}, {fw::LoadStr(IDS_EXT_BAD_DIRECTORY)}, {}},
        {"question mark",
         {target / "a?b", shortcutName},
         {},
         {fw::LoadStr(IDS_EXT_BAD_DIRECTORY)},
         {}},
        {"slash",
         {target.Path() + "/x", shortcutName},
         {},
         {fw::LoadStr(IDS_EXT_BAD_DIRECTORY)},
         {}},
        {"network path",
         {"\\\\server\\share", shortcutName},
         {},
         {fw::LoadStr(IDS_EXT_BAD_DIRECTORY)},
         {}},
        {"not created",
         {missing, shortcutName},
         {IDNO},
         {fw::FormatStr(IDS_EXT_CREATE_DIRECTORY, missing.c_str())},
         {}},
        {"cannot create",
         {underFile, shortcutName},
         {IDYES},
         {fw::FormatStr(IDS_EXT_CREATE_DIRECTORY, underFile.c_str()),
          fw::LoadStr(IDS_EXT_DIRECTORY_FAILED)},
         {}},
        {"ini present",
         {target / "Taken", shortcutName},
         {},
         {fw::LoadStr(IDS_EXT_INI_FAILED)},
         {}},
        {"no name", {target.Path(), " "}, {}, {}, target.Path()},
        {"shortcut exists",
         {target.Path(), shortcutName + "Old"},
         {IDNO},
         {fw::FormatStr(IDS_EXT_SHORTCUT_EXISTS, (shortcutName + "Old").c_str())},
         target.Path()},
        {"shortcut not written",
         {target.Path(), badName},
         {},
         {fw::FormatStr(IDS_EXT_SHORTCUT_FAILED, badName.c_str())},
         target.Path()},
        {"into itself",
         {repo + "\\Inner", "", CExtRepositoryDialog::kCopy},
         {IDYES},
         {fw::FormatStr(IDS_EXT_CREATE_DIRECTORY, (repo + "\\Inner").c_str()),
          fw::LoadStr(IDS_EXT_COPY_FAILED)},
         repo + "\\Inner"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int a : c.answers) prompt.Answer(a);
        Fill fill = c.fill;
        bool emptyName = fill.shortcut == " ";
        EXPECT_EQ(RunDialog(fill,
                            [&](HWND h) {
                                if (emptyName) SetDlgItemTextA(h, IDC_EXT_NAME, "");
                            }),
                  IDCANCEL);
        std::vector<std::string> expected = c.messages;
        if (emptyName) expected = {fw::LoadStr(IDS_EXT_SET_SHORTCUT_NAME)};
        EXPECT_EQ(Shown(), expected);
        if (!c.noIniIn.empty()) {
            EXPECT_FALSE(testutil::Exists(c.noIniIn + "\\Brenna.ini"));
        }
    }
    EXPECT_FALSE(testutil::Exists(missing));
    EXPECT_EQ(testutil::ReadFile(target / "Taken\\Brenna.ini"), "theirs");
    EXPECT_FALSE(testutil::Exists(desktop + "\\" + badName + ".lnk"));
    DeleteFileA((desktop + "\\" + shortcutName + "Old.lnk").c_str());
}

TEST_F(ExtRepository, BrowseFillsTheDirectoryAndHelpOpensItsTopic) {
    char documents[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE));
    prompt.folderAnswers.push_back({IDOK, target.Path()});
    prompt.folderAnswers.push_back({IDABORT, ""});
    std::string afterFirst;
    EXPECT_EQ(RunDialog({"", ""},
                        [&](HWND h) {
                            testutil::Click(h, IDC_EXT_BROWSE);
                            afterFirst = testutil::DlgText(h, IDC_EXT_DIRECTORY);
                            testutil::Click(h, IDC_EXT_BROWSE);
                            HELPINFO info{};
                            info.cbSize = sizeof info;
                            SendMessageA(h, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
                        }),
              IDOK);
    EXPECT_EQ(afterFirst, target.Path());
    // The first browse starts at the documents folder, the second at the folder chosen.
    ASSERT_EQ(prompt.folderAsked.size(), 2u);
    EXPECT_EQ(prompt.folderAsked[0], documents);
    EXPECT_EQ(prompt.folderAsked[1], target.Path());
    EXPECT_EQ(Shown(), std::vector<std::string>{fw::LoadStr(IDS_SYSTEM_ERROR)});
    EXPECT_EQ(helpTopics, std::vector<DWORD>{HELP_TOPIC_EXT_REPOSITORY});
    EXPECT_EQ(testutil::ReadFile(target / "Brenna.ini"), kIniBytes);
}

}  // namespace
