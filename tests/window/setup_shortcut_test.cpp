// "SetupCommit" and "Uninstall" run in the real program: the shortcut on the desktops, read back
// through the shell link object, and the exit code that tells whether it worked.
#include <gtest/gtest.h>

#include "ProcessUtil.h"
#include "TestUtil.h"
#include "fw/Strings.h"
#include "store/ShellLink.h"
#include "string_ids.h"

namespace {

class SetupShortcut : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        ASSERT_TRUE(link.Create());
        ASSERT_TRUE(store::GetShellFolder(store::kUserDesktop, userDesktop));
        ASSERT_TRUE(store::GetShellFolder(store::kCommonDesktop, commonDesktop));
        userLink = userDesktop + "\\Brennahold.lnk";
        commonLink = commonDesktop + "\\Brennahold.lnk";
        Clean();
    }
    void TearDown() override {
        Clean();
        link.Release();
        OleUninitialize();
    }
    void Clean() {
        for (const std::string& p : {userLink, commonLink}) {
            SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (testutil::IsDir(p))
                testutil::RemoveTree(p);
            else
                DeleteFileA(p.c_str());
        }
    }
    // A shortcut that is not the program's, standing where the program's would be.
    void PlaceForeignShortcut(const std::string& path) {
        store::ShortcutProperties p;
        p.target = "C:\\windows\\notepad.exe";
        p.description = "someone else's";
        ASSERT_TRUE(link.Write(path, p));
    }
    DWORD Run(const char* flag) {
        auto r = testutil::RunProgram(flag);
        EXPECT_FALSE(r.timedOut);
        EXPECT_TRUE(r.messages.empty());
        return r.exitCode;
    }
    void ExpectProgramShortcut(const std::string& path) {
        store::ShortcutProperties p;
        ASSERT_TRUE(link.Read(path, p)) << path;
        std::string exe = testutil::ProgramPath();
        EXPECT_EQ(lstrcmpiA(p.target.c_str(), exe.c_str()), 0) << p.target;
        EXPECT_EQ(lstrcmpiA(p.workingDirectory.c_str(), exe.substr(0, exe.rfind('\\')).c_str()), 0)
            << p.workingDirectory;
        EXPECT_EQ(p.description, fw::LoadStr(IDS_EASY_BACKUP));
        EXPECT_EQ(p.arguments, "");
        EXPECT_EQ(p.showCommand, SW_SHOWNORMAL);
    }

    // The installer's test writes the same shortcut.
    testutil::CrossProcessLock desktops{"BrennaholdTestDesktopShortcuts"};
    store::CShellLink link;
    std::string userDesktop, commonDesktop, userLink, commonLink;
};

// Tests run side by side and the desktops are shared, so one test goes through every state.
TEST_F(SetupShortcut, CommitAndUninstallOnEveryDesktopState) {
    EXPECT_EQ(Run("-SetupCommit"), 0u);
    ExpectProgramShortcut(commonLink);
    EXPECT_FALSE(testutil::Exists(userLink));

    Clean();
    PlaceForeignShortcut(userLink);
    EXPECT_EQ(Run("-SetupCommit"), 0u);
    ExpectProgramShortcut(userLink);
    EXPECT_FALSE(testutil::Exists(commonLink));

    Clean();
    struct Case {
        bool user, common;
        bool userLeft, commonLeft;
    } cases[] = {
        {true, false, false, false},
        {false, true, false, false},
        // The user's shortcut goes first; the other stays for the next uninstall.
        {true, true, false, true},
        {false, false, false, false},
    };
    for (const Case& c : cases) {
        Clean();
        if (c.user) PlaceForeignShortcut(userLink);
        if (c.common) PlaceForeignShortcut(commonLink);
        EXPECT_EQ(Run("/Uninstall"), 0u);
        EXPECT_EQ(testutil::Exists(userLink), c.userLeft);
        EXPECT_EQ(testutil::Exists(commonLink), c.commonLeft);
    }
    Clean();

    // A folder of that name.
    testutil::MakeDirs(userLink);
    EXPECT_NE(Run("-Uninstall"), 0u);
    EXPECT_NE(Run("-SetupCommit"), 0u);
    EXPECT_TRUE(testutil::IsDir(userLink));
    Clean();

    // A read-only shortcut another program holds open without letting it be deleted.
    PlaceForeignShortcut(commonLink);
    SetFileAttributesA(commonLink.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE held = CreateFileA(commonLink.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_NE(Run("-Uninstall"), 0u);
    EXPECT_NE(Run("-SetupCommit"), 0u);
    CloseHandle(held);
    store::ShortcutProperties p;
    ASSERT_TRUE(link.Read(commonLink, p));
    EXPECT_EQ(p.description, "someone else's");
}

}  // namespace
