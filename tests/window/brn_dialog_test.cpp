// Tests of the backup definition dialog and its three list commands: real dialogs driven
// through their controls, real definition files, and definitions re-created from real runs.
#include <gtest/gtest.h>
#include <windows.h>
// shlobj.h needs the types of windows.h first.
#include <shlobj.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "Bytes.h"
#include "WindowTestUtil.h"
#include "ScratchRepository.h"
#include "backup/BackupRun.h"
#include "view/BrnCommands.h"
#include "store/BrnFile.h"
#include "view/BrnFileDialog.h"
#include "fw/Exceptions.h"
#include "fw/Strings.h"
#include "resource.h"

using testutil::Click;
using testutil::DlgText;
using testutil::ScriptedPrompt;
using testutil::TempDir;
using testutil::U32;

namespace {

void SetText(HWND dlg, int id, const std::string& text) { SetDlgItemTextA(dlg, id, text.c_str()); }

// The first 8 bytes of every definition record.
std::string Header() { return "BBDF" + U32(0x00010000); }

// The bytes of a definition record after its identifier.
std::string RecordTail(const std::string& folder, const std::vector<std::string>& patterns) {
    std::string block;
    for (const std::string& p : patterns) block += U32(p.size() + 1) + p + '\0';
    return U32(folder.size() + 1) + U32(patterns.size()) + U32(block.size()) + folder + '\0' +
           block;
}

std::string IdentifierOf(const std::string& bytes) { return bytes.substr(8, 16); }

// The long form of an existing path, which is how the dialog stores a target.
std::string LongForm(const std::string& path) {
    char out[MAX_PATH];
    DWORD n = GetLongPathNameA(path.c_str(), out, MAX_PATH);
    return n > 0 && n < MAX_PATH ? out : path;
}

// True when nothing else holds the file open (the definition's file is opened exclusively).
bool IsReleased(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

std::string DocumentsFolder() {
    char docs[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, docs, CSIDL_PERSONAL, FALSE);
    return docs;
}

// Writes a definition file the way a finished dialog leaves it.
void WriteDefinition(const std::string& path, const std::string& folder, const char* exclusions) {
    CBrnFile def;
    ASSERT_TRUE(def.SetFolder(folder));
    def.SetExclusions(exclusions);
    ASSERT_TRUE(def.CreateNew(path));
    ASSERT_TRUE(def.Save());
}

// A scripted run of the definition dialog: created modeless, driven by steps, and cancelled
// when the steps left it open.
std::function<INT_PTR(fw::CDialog&)> Drive(std::function<void(CBrnFileDialog&, HWND)> steps) {
    return [steps](fw::CDialog& d) -> INT_PTR {
        auto& dlg = static_cast<CBrnFileDialog&>(d);
        if (!dlg.CreateModeless(nullptr)) {
            ADD_FAILURE() << "the dialog was not created";
            return IDCANCEL;
        }
        steps(dlg, dlg.Hwnd());
        if (dlg.Hwnd()) Click(dlg.Hwnd(), IDCANCEL);
        return dlg.Result();
    };
}

class BrnFileDialog : public ::testing::Test {
protected:
    void SetUp() override { OleInitialize(nullptr); }
    void TearDown() override { OleUninitialize(); }

    std::string Shown(size_t i) const {
        return i < prompt.shown.size() ? prompt.shown[i].text : "";
    }

    TempDir dir;
    ScriptedPrompt prompt;
};

TEST_F(BrnFileDialog, NameCheckAndAppendedExtension) {
    const struct {
        std::string path;
        bool isDefinition;
    } names[] = {
        {"a.brn", true},      {"A.BRN", true},         {"C:\\x\\a.Brn", true},
        {".brn", true},       {"a.brnx", false},       {"a.txt", false},
        {"brn", false},       {"a.", false},           {"C:\\d.brn\\file", false},
        {"a.brn.txt", false}, {"C:\\d.x\\brn", false}, {"", false},
    };
    for (const auto& n : names)
        EXPECT_EQ(CBrnFileDialog::IsDefinitionName(n.path), n.isDefinition) << n.path;

    // MAX_PATH counts the terminator: 259 bytes fit, 260 do not.
    const struct {
        std::string path, result;
        bool ok;
    } appends[] = {
        {"C:\\a", "C:\\a.brn", true},
        {"C:\\a.BRN", "C:\\a.BRN", true},
        {"C:\\a.txt", "C:\\a.txt.brn", true},
        {std::string(255, 'n'), std::string(255, 'n') + ".brn", true},
        {std::string(256, 'n'), std::string(256, 'n'), false},
    };
    for (const auto& a : appends) {
        std::string path = a.path;
        EXPECT_EQ(CBrnFileDialog::AddDefinitionExtension(path), a.ok) << a.path.size();
        EXPECT_EQ(path, a.result);
    }
}

TEST_F(BrnFileDialog, CreateWritesTheRecordUnderTheChosenNameWithAFreshIdentifier) {
    testutil::MakeDirs(dir / "Work");
    const std::string folder = LongForm(dir / "Work");
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    SetCurrentDirectoryA(dir.Path().c_str());
    const struct {
        std::string target, answer, file;
    } cases[] = {
        {dir / "Work\\", dir / "First", dir / "First.brn"},
        {dir / "Work", dir / "Second.BRN", dir / "Second.BRN"},
        // Relative to the current folder.
        {"Work\\", dir / "Third.txt", dir / "Third.txt.brn"},
    };
    std::vector<std::string> ids;
    for (const auto& c : cases) {
        CBrnFileDialog dlg;
        ASSERT_TRUE(dlg.CreateModeless(nullptr));
        HWND h = dlg.Hwnd();
        EXPECT_EQ(DlgText(h, IDC_BRN_TARGET), "");
        EXPECT_EQ(DlgText(h, IDC_BRN_EXCLUSIONS), "");
        SetText(h, IDC_BRN_TARGET, c.target);
        SetText(h, IDC_BRN_EXCLUSIONS, "*.obj;;Debug");
        prompt.fileAnswers.push_back({IDOK, c.answer});
        Click(h, IDOK);
        EXPECT_EQ(dlg.Hwnd(), nullptr) << c.file;
        EXPECT_EQ(dlg.Result(), IDOK);

        std::string bytes = testutil::ReadFile(c.file);
        ASSERT_GE(bytes.size(), 24u) << c.file;
        EXPECT_EQ(bytes.substr(0, 8), Header());
        EXPECT_EQ(bytes.substr(24), RecordTail(folder, {"*.obj", "Debug"}));
        ids.push_back(IdentifierOf(bytes));
        EXPECT_NE(ids.back(), std::string(16, '\0'));
        EXPECT_TRUE(IsReleased(c.file));
    }
    SetCurrentDirectoryA(cwd);
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_NE(ids[1], ids[2]);
    EXPECT_NE(ids[0], ids[2]);
    EXPECT_TRUE(prompt.shown.empty());
    ASSERT_EQ(prompt.fileAsked.size(), 3u);
    for (const auto& ask : prompt.fileAsked) {
        EXPECT_FALSE(ask.open);
        EXPECT_EQ(ask.filter, fw::LoadStr(IDS_FILTER_BRN));
        EXPECT_EQ(ask.defaultExt, "brn");
    }
}

TEST_F(BrnFileDialog, OkWithoutAnExistingTargetStaysAndWritesNothing) {
    const struct {
        std::string target;
        UINT message;
    } cases[] = {
        {"", IDS_SPECIFY_FILE_NAME},
        {dir / "absent", IDS_FILE_NOT_EXIST},
        // A full path that would not fit in MAX_PATH is refused, not cut to an existing one.
        {dir / (std::string(300, 'a') + "\\..\\.."), IDS_FILE_NOT_EXIST},
    };
    for (const auto& c : cases) {
        CBrnFileDialog dlg;
        ASSERT_TRUE(dlg.CreateModeless(nullptr));
        HWND h = dlg.Hwnd();
        SetText(h, IDC_BRN_TARGET, c.target);
        SetText(h, IDC_BRN_EXCLUSIONS, "*.tmp");
        prompt.shown.clear();
        Click(h, IDOK);
        ASSERT_EQ(prompt.shown.size(), 1u) << c.target;
        EXPECT_EQ(Shown(0), fw::LoadStr(c.message));
        EXPECT_TRUE(IsWindow(h));
        EXPECT_EQ(dlg.Definition(), nullptr);
        Click(h, IDCANCEL);
        EXPECT_EQ(dlg.Result(), IDCANCEL);
    }
    EXPECT_TRUE(prompt.fileAsked.empty());
    EXPECT_TRUE(FilesIn(dir.Path()).empty());
}

TEST_F(BrnFileDialog, FailedCreationKeepsTheDialogOpenUntilCancel) {
    testutil::MakeDirs(dir / "Work");
    // Save As cancelled: back in the dialog, nothing said or made.
    {
        CBrnFileDialog dlg;
        ASSERT_TRUE(dlg.CreateModeless(nullptr));
        SetText(dlg.Hwnd(), IDC_BRN_TARGET, dir / "Work");
        Click(dlg.Hwnd(), IDOK);
        EXPECT_TRUE(dlg.Hwnd() && IsWindow(dlg.Hwnd()));
        EXPECT_EQ(prompt.fileAsked.size(), 1u);
        EXPECT_TRUE(prompt.shown.empty());
        EXPECT_EQ(dlg.Definition(), nullptr);
    }
    const std::string uncreatable[] = {
        dir / "missing\\Def",
        // With ".brn" the name would need 260 bytes and more.
        dir / std::string(MAX_PATH - 4 - dir.Path().size() - 1, 'n'),
    };
    for (const std::string& answer : uncreatable) {
        prompt.fileAsked.clear();
        prompt.shown.clear();
        CBrnFileDialog dlg;
        ASSERT_TRUE(dlg.CreateModeless(nullptr));
        HWND h = dlg.Hwnd();
        SetText(h, IDC_BRN_TARGET, dir / "Work");
        prompt.fileAnswers.push_back({IDOK, answer});
        Click(h, IDOK);
        ASSERT_EQ(prompt.shown.size(), 1u) << answer.size();
        EXPECT_EQ(Shown(0), fw::LoadStr(IDS_FAILED_WRITE_FILE));
        EXPECT_TRUE(IsWindow(h));
        // The failed definition stays: OK asks for no other name and fails again.
        prompt.fileAnswers.push_back({IDOK, dir / "Other"});
        Click(h, IDOK);
        EXPECT_EQ(prompt.fileAsked.size(), 1u);
        ASSERT_EQ(prompt.shown.size(), 2u);
        EXPECT_EQ(Shown(1), fw::LoadStr(IDS_FAILED_WRITE_FILE));
        prompt.fileAnswers.clear();
        Click(h, IDCANCEL);
        EXPECT_EQ(dlg.Hwnd(), nullptr);
        EXPECT_EQ(dlg.Result(), IDCANCEL);
    }
    EXPECT_TRUE(FilesIn(dir.Path()).empty());
}

TEST_F(BrnFileDialog, FolderBrowserStartsAtTheTargetFolderOrTheDocuments) {
    const std::string docs = DocumentsFolder();
    ASSERT_FALSE(docs.empty());
    testutil::WriteFile(dir / "Work\\a.txt", "a");
    const struct {
        std::string target, start;
    } cases[] = {
        {"", docs},
        {dir / "Work", dir / "Work"},
        {dir / "Work\\a.txt", dir / "Work"},
        {dir / "absent", docs},
        {dir / "absent\\a.txt", docs},
    };
    for (const auto& c : cases) {
        CBrnFileDialog dlg;
        ASSERT_TRUE(dlg.CreateModeless(nullptr));
        SetText(dlg.Hwnd(), IDC_BRN_TARGET, c.target);
        Click(dlg.Hwnd(), IDC_BRN_FOLDER);
        ASSERT_FALSE(prompt.folderAsked.empty());
        EXPECT_EQ(prompt.folderAsked.back(), c.start) << c.target;
        EXPECT_EQ(DlgText(dlg.Hwnd(), IDC_BRN_TARGET), c.target);
    }

    CBrnFileDialog dlg;
    ASSERT_TRUE(dlg.CreateModeless(nullptr));
    HWND h = dlg.Hwnd();
    SetText(h, IDC_BRN_TARGET, dir / "Work\\a.txt");
    prompt.folderAnswers.push_back({IDOK, dir / "Work"});
    Click(h, IDC_BRN_FOLDER);
    EXPECT_EQ(DlgText(h, IDC_BRN_TARGET), dir / "Work");
    // A choice without a file-system path is an error and changes nothing; Cancel is silent.
    prompt.folderAnswers.push_back({IDABORT, ""});
    prompt.folderAnswers.push_back({IDCANCEL, ""});
    Click(h, IDC_BRN_FOLDER);
    Click(h, IDC_BRN_FOLDER);
    EXPECT_EQ(DlgText(h, IDC_BRN_TARGET), dir / "Work");
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(Shown(0), fw::LoadStr(IDS_SYSTEM_ERROR));
    EXPECT_TRUE(prompt.fileAsked.empty());
}

TEST_F(BrnFileDialog, BrowseChoosesATargetFileFromAllFiles) {
    CBrnFileDialog dlg;
    ASSERT_TRUE(dlg.CreateModeless(nullptr));
    HWND h = dlg.Hwnd();
    SetText(h, IDC_BRN_TARGET, "before");
    Click(h, IDC_BRN_BROWSE);
    EXPECT_EQ(DlgText(h, IDC_BRN_TARGET), "before");
    prompt.fileAnswers.push_back({IDOK, dir / "chosen.txt"});
    Click(h, IDC_BRN_BROWSE);
    EXPECT_EQ(DlgText(h, IDC_BRN_TARGET), dir / "chosen.txt");
    ASSERT_EQ(prompt.fileAsked.size(), 2u);
    for (const auto& ask : prompt.fileAsked) {
        EXPECT_TRUE(ask.open);
        EXPECT_EQ(ask.filter, fw::LoadStr(IDS_FILTER_ALL));
        EXPECT_EQ(ask.defaultExt, "brn");
    }
    EXPECT_TRUE(prompt.shown.empty());
}

class BrnFileDialogMbcs : public BrnFileDialog {};

TEST_F(BrnFileDialogMbcs, TrailBackslashesAreNeverSeparators) {
    if (!testutil::IsJapaneseCodePage()) GTEST_SKIP() << "needs code page 932";
    // 0x95 0x5C is one character whose second byte is a backslash.
    const std::string mb = "\x95\x5C";
    testutil::MakeDirs(dir / mb);
    testutil::WriteFile(dir / ("sub\\" + mb), "file named by one character");

    CBrnFileDialog dlg;
    ASSERT_TRUE(dlg.CreateModeless(nullptr));
    HWND h = dlg.Hwnd();
    SetText(h, IDC_BRN_TARGET, dir / ("sub\\" + mb));
    Click(h, IDC_BRN_FOLDER);
    ASSERT_EQ(prompt.folderAsked.size(), 1u);
    EXPECT_EQ(prompt.folderAsked[0], dir / "sub");

    SetText(h, IDC_BRN_TARGET, dir / (mb + "\\"));
    SetText(h, IDC_BRN_EXCLUSIONS, "*" + mb + ";a" + mb);
    prompt.fileAnswers.push_back({IDOK, dir / ("d" + mb)});
    Click(h, IDOK);
    EXPECT_EQ(dlg.Result(), IDOK);
    EXPECT_TRUE(prompt.shown.empty());
    CBrnFile def;
    ASSERT_TRUE(def.Load(dir / ("d" + mb + ".brn")));
    EXPECT_EQ(def.Folder(), LongForm(dir.Path()) + "\\" + mb);
    EXPECT_EQ(def.Exclusions(), (std::vector<std::string>{"*" + mb, "a" + mb}));
}

class BrnCommands : public BrnFileDialog {
protected:
    void SetUp() override {
        BrnFileDialog::SetUp();
        scratch->Settings().brnFile = true;
    }
    // Runs the definition file through the real backup run; one more catalogue item.
    void Run(const std::string& definition) {
        size_t before = scratch->Count();
        ASSERT_TRUE(backup::RunDefinition(*scratch, definition));
        ASSERT_EQ(scratch->Count(), before + 1);
    }

    TempDir repo;
    testutil::ScratchRepository scratch{repo.Path()};
};

TEST_F(BrnCommands, EnablingFollowsTheSettingAndTheSelection) {
    CBrennaItem ordinary;
    CBrennaItem run;
    run.m_generation = 1;
    const struct {
        UINT id;
        bool brnFile;
        int selected;
        const CBrennaItem* item;
        bool enabled;
    } cases[] = {
        {ID_BRN_CREATE, true, 0, nullptr, true},   {ID_BRN_CREATE, false, 0, nullptr, false},
        {ID_BRN_OPEN, true, 3, &ordinary, true},   {ID_BRN_OPEN, false, 1, &run, false},
        {ID_BRN_RESTORE, true, 1, &run, true},     {ID_BRN_RESTORE, false, 1, &run, false},
        {ID_BRN_RESTORE, true, 2, &run, false},    {ID_BRN_RESTORE, true, 1, &ordinary, false},
        {ID_BRN_RESTORE, true, 0, nullptr, false}, {ID_BRN_RESTORE, true, 1, nullptr, false},
        {ID_FILE_RESTORE, true, 1, &run, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(view::IsDefinitionCommandEnabled(c.id, c.brnFile, c.selected, c.item),
                  c.enabled)
            << c.id << " brnfile " << c.brnFile << " selected " << c.selected;
}

TEST_F(BrnCommands, CreateOpensTheDialogEmptyAndWritesAtOk) {
    testutil::MakeDirs(dir / "Work");
    // Nobody presses OK: nothing is asked or written.
    EXPECT_FALSE(view::CreateDefinition(nullptr));

    std::vector<DWORD> topics;
    prompt.dialogs.push_back(Drive([&](CBrnFileDialog& dlg, HWND h) {
        EXPECT_EQ(dlg.Definition(), nullptr);
        EXPECT_EQ(DlgText(h, IDC_BRN_TARGET), "");
        EXPECT_EQ(DlgText(h, IDC_BRN_EXCLUSIONS), "");
        HELPINFO help{};
        help.cbSize = sizeof help;
        SendMessageA(h, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        SetText(h, IDC_BRN_TARGET, dir / "Work");
        prompt.fileAnswers.push_back({IDOK, dir / "New"});
        Click(h, IDOK);
    }));
    EXPECT_TRUE(view::CreateDefinition(nullptr, [&](DWORD t) { topics.push_back(t); }));
    EXPECT_EQ(topics, std::vector<DWORD>{65570});
    CBrnFile def;
    ASSERT_TRUE(def.Load(dir / "New.brn"));
    EXPECT_EQ(def.Folder(), LongForm(dir / "Work"));
    EXPECT_TRUE(def.Exclusions().empty());
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(prompt.fileAsked.size(), 1u);
}

TEST_F(BrnCommands, ModifyKeepsTheIdentifierAndReadsBackTheShorterList) {
    testutil::MakeDirs(dir / "Work");
    testutil::MakeDirs(dir / "Other");
    const std::string path = dir / "Def.brn";
    WriteDefinition(path, dir / "Work", "*.obj;Debug");
    const std::string before = testutil::ReadFile(path);

    // Opened and cancelled: the file is released and unchanged.
    prompt.fileAnswers.push_back({IDOK, path});
    prompt.dialogs.push_back(Drive([&](CBrnFileDialog& dlg, HWND h) {
        EXPECT_EQ(DlgText(h, IDC_BRN_TARGET), dir / "Work");
        EXPECT_EQ(DlgText(h, IDC_BRN_EXCLUSIONS), "*.obj;Debug");
        // Held open read-write while the dialog is up.
        EXPECT_FALSE(IsReleased(path));
        SetText(h, IDC_BRN_EXCLUSIONS, "changed");
    }));
    EXPECT_FALSE(view::ModifyDefinition(nullptr));
    EXPECT_EQ(testutil::ReadFile(path), before);
    EXPECT_TRUE(IsReleased(path));

    prompt.fileAnswers.push_back({IDOK, path});
    prompt.dialogs.push_back(Drive([&](CBrnFileDialog& dlg, HWND h) {
        ASSERT_NE(dlg.Definition(), nullptr);
        SetText(h, IDC_BRN_TARGET, dir / "Other\\");
        SetText(h, IDC_BRN_EXCLUSIONS, "*.obj");
        Click(h, IDOK);
    }));
    EXPECT_TRUE(view::ModifyDefinition(nullptr));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_TRUE(IsReleased(path));

    std::string after = testutil::ReadFile(path);
    // Rewritten in place: the identifier stays and the file keeps its length.
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(IdentifierOf(after), IdentifierOf(before));
    std::string tail = RecordTail(LongForm(dir / "Other"), {"*.obj"});
    EXPECT_EQ(after.substr(24, tail.size()), tail);
    CBrnFile def;
    ASSERT_TRUE(def.Load(path));
    EXPECT_EQ(def.Folder(), LongForm(dir / "Other"));
    EXPECT_EQ(def.Exclusions(), std::vector<std::string>{"*.obj"});

    ASSERT_EQ(prompt.fileAsked.size(), 2u);
    EXPECT_TRUE(prompt.fileAsked[0].open);
    EXPECT_EQ(prompt.fileAsked[0].filter, fw::LoadStr(IDS_FILTER_BRN));
    EXPECT_EQ(prompt.fileAsked[0].defaultExt, "brn");
}

TEST_F(BrnCommands, ModifyRefusesWrongNamesAndUnreadableFiles) {
    const std::string badFormat =
        fw::LoadStr(fw::CArchiveException(fw::CArchiveException::badFormat).MessageId());
    testutil::WriteFile(dir / "notes.txt", "text");
    testutil::WriteFile(dir / "Damaged.brn", std::string(40, 'X'));
    WriteDefinition(dir / "Fine.BRN", dir.Path(), nullptr);
    const struct {
        std::string chosen;
        std::vector<std::string> messages;
        bool dialogOpened;
    } cases[] = {
        {dir / "notes.txt", {fw::LoadStr(IDS_BRN_INVALID_NAME)}, false},
        {dir / "Fine.BRN.txt", {fw::LoadStr(IDS_BRN_INVALID_NAME)}, false},
        {dir / "noextension", {fw::LoadStr(IDS_BRN_INVALID_NAME)}, false},
        {dir / "Missing.brn", {fw::LoadStr(IDS_FAILED_OPEN_FILE)}, false},
        {dir / "Damaged.brn",
         {fw::FormatStr(IDS_FAULT_IN_FILE, badFormat.c_str(), (dir / "Damaged.brn").c_str()),
          fw::LoadStr(IDS_FAILED_OPEN_FILE)},
         false},
        {dir / "Fine.BRN", {}, true},
    };
    for (const auto& c : cases) {
        prompt.shown.clear();
        bool opened = false;
        prompt.dialogs.clear();
        prompt.dialogs.push_back([&](fw::CDialog&) -> INT_PTR {
            opened = true;
            return IDCANCEL;
        });
        prompt.fileAnswers.push_back({IDOK, c.chosen});
        EXPECT_FALSE(view::ModifyDefinition(nullptr));
        std::vector<std::string> messages;
        for (const auto& s : prompt.shown) messages.push_back(s.text);
        EXPECT_EQ(messages, c.messages) << c.chosen;
        EXPECT_EQ(opened, c.dialogOpened) << c.chosen;
    }
    // Cancel in the Open dialog ends the command quietly.
    prompt.shown.clear();
    EXPECT_FALSE(view::ModifyDefinition(nullptr));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(BrnCommands, RecreateWritesTheDefinitionOfTheSelectedRun) {
    const std::string data = dir / "data";
    testutil::WriteFile(data + "\\a.txt", "alpha");
    const std::string path = dir / "Photos.brn";
    WriteDefinition(path, data, "*.tmp;~*");
    Run(path);
    // The same definition, changed in place, makes the second run of the same history.
    {
        CBrnFile edit;
        ASSERT_TRUE(edit.OpenForEdit(path));
        edit.SetExclusions("*.log");
        ASSERT_TRUE(edit.Save());
    }
    Sleep(20);
    testutil::WriteFile(data + "\\b.txt", "beta");
    Run(path);
    ASSERT_EQ(scratch->Item(1)->m_generation, 2u);
    const std::string original = IdentifierOf(testutil::ReadFile(path));

    testutil::MakeDirs(dir / "out");
    const struct {
        size_t item;
        std::string answer, file;
        std::vector<std::string> patterns;
    } cases[] = {
        {0, dir / "out\\first", dir / "out\\first.brn", {"*.tmp", "~*"}},
        {1, dir / "out\\second.brn", dir / "out\\second.brn", {"*.log"}},
    };
    std::vector<std::string> ids;
    for (const auto& c : cases) {
        const CBrennaItem& item = *scratch->Item(c.item);
        ASSERT_TRUE(view::IsDefinitionCommandEnabled(ID_BRN_RESTORE, true, 1, &item));
        prompt.fileAnswers.push_back({IDOK, c.answer});
        EXPECT_TRUE(view::RecreateDefinition(nullptr, item));
        std::string bytes = testutil::ReadFile(c.file);
        ASSERT_GE(bytes.size(), 24u) << c.file;
        EXPECT_EQ(bytes.substr(0, 8), Header());
        EXPECT_EQ(bytes.substr(24), RecordTail(data, c.patterns));
        // A new identifier: running the re-created file starts a history of its own.
        ids.push_back(IdentifierOf(bytes));
        EXPECT_NE(ids.back(), original);
        EXPECT_TRUE(IsReleased(c.file));
    }
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_TRUE(prompt.shown.empty());
    ASSERT_EQ(prompt.fileAsked.size(), 2u);
    for (const auto& ask : prompt.fileAsked) {
        EXPECT_FALSE(ask.open);
        EXPECT_EQ(ask.filter, fw::LoadStr(IDS_FILTER_BRN));
        EXPECT_EQ(ask.defaultExt, "brn");
    }
}

TEST_F(BrnCommands, RecreateReportsEveryFailedStep) {
    const std::string data = dir / "data";
    testutil::WriteFile(data + "\\a.txt", "alpha");
    WriteDefinition(dir / "Photos.brn", data, nullptr);
    Run(dir / "Photos.brn");
    const CBrennaItem& run = *scratch->Item(0);
    const std::string history = run.m_stored;
    const std::string historyBytes = testutil::ReadFile(history);
    CBrennaItem ordinary;
    testutil::MakeDirs(dir / "out");

    const std::string failed = fw::LoadStr(IDS_FAILED_WRITE_FILE);
    const std::string badFormat =
        fw::LoadStr(fw::CArchiveException(fw::CArchiveException::badFormat).MessageId());
    enum History { intact, removed, damaged };
    const struct {
        const char* what;
        const CBrennaItem* item;
        std::string answer;
        History history;
        std::string message;
    } cases[] = {
        {"ordinary item", &ordinary, dir / "out\\a", intact, failed},
        {"missing folder", &run, dir / "none\\b", intact, failed},
        {"name too long", &run, dir / std::string(MAX_PATH - 4 - dir.Path().size() - 1, 'n'),
         intact, failed},
        {"history removed", &run, dir / "out\\c", removed, failed},
        // A damaged history ends the command with its own message only, naming the file.
        {"history damaged", &run, dir / "out\\d", damaged,
         fw::FormatStr(IDS_FAULT_IN_FILE, badFormat.c_str(), history.c_str())},
    };
    for (const auto& c : cases) {
        if (c.history == removed) DeleteFileA(history.c_str());
        if (c.history == damaged) testutil::WriteFile(history, std::string(40, 'X'));
        prompt.shown.clear();
        prompt.fileAnswers.push_back({IDOK, c.answer});
        EXPECT_FALSE(view::RecreateDefinition(nullptr, *c.item)) << c.what;
        ASSERT_EQ(prompt.shown.size(), 1u) << c.what;
        EXPECT_EQ(prompt.shown[0].text, c.message) << c.what;
        testutil::WriteFile(history, historyBytes);
    }
    EXPECT_TRUE(FilesIn(dir / "out").empty());

    // Cancel in Save As ends the command quietly.
    prompt.shown.clear();
    EXPECT_FALSE(view::RecreateDefinition(nullptr, run));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_TRUE(FilesIn(dir / "out").empty());
}

}  // namespace
