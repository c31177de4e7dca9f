// The installer run silently under Wine as a real process: the files in Program Files, the
// program's shortcut on the all users' desktop, the uninstall entry, the installed program at
// work, and a silent uninstall that takes all of it away again.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "ProcessUtil.h"
#include "TestUtil.h"
#include "fw/File.h"
#include "fw/RegKey.h"
#include "store/ShellLink.h"

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brennahold";

std::string RegString(const char* name) {
    fw::CRegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ)) return "<no key>";
    char value[1024] = "";
    DWORD size = sizeof value, type = 0;
    LONG r =
        RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    return r == ERROR_SUCCESS && type == REG_SZ ? value : "<none>";
}

bool KeyExists() {
    fw::CRegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ);
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        ASSERT_TRUE(link.Create());
        std::string exe = testutil::ProgramPath();
        setup = exe.substr(0, exe.rfind('\\')) + "\\Brennahold-setup.exe";
        ASSERT_TRUE(testutil::Exists(setup)) << setup << " (is makensis installed?)";
        char pf[MAX_PATH];
        ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, pf), S_OK);
        dir = std::string(pf) + "\\Brennahold";
        ASSERT_TRUE(store::GetShellFolder(store::kUserDesktop, userLink));
        ASSERT_TRUE(store::GetShellFolder(store::kCommonDesktop, commonLink));
        userLink += "\\Brennahold.lnk";
        commonLink += "\\Brennahold.lnk";
        Clean();
    }
    void TearDown() override {
        Clean();
        link.Release();
        OleUninitialize();
    }
    void Clean() {
        testutil::RemoveTree(dir);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        for (const std::string& p : {userLink, commonLink}) {
            if (testutil::IsDir(p))
                testutil::RemoveTree(p);
            else
                DeleteFileA(p.c_str());
        }
    }

    // Tests that write the program's shortcut take turns.
    testutil::CrossProcessLock desktops{"BrennaholdTestDesktopShortcuts"};
    store::CShellLink link;
    std::string setup, dir, userLink, commonLink;
};

TEST_F(Installer, SilentInstallUseAndUninstall) {
    ASSERT_EQ(testutil::RunCommand(testutil::Quote(setup) + " /S"), 0u);

    const char* const files[] = {"Brennahold.exe", "Brennahold.chm", "Brennahold.ja.chm",
                                 "uninstall.exe"};
    for (const char* f : files) EXPECT_TRUE(testutil::Exists(dir + "\\" + f)) << f;
    EXPECT_EQ(testutil::ReadFile(dir + "\\Brennahold.exe"),
              testutil::ReadFile(testutil::ProgramPath()));
    // The shortcut the program wrote for itself when the installer ran "/SetupCommit".
    store::ShortcutProperties p;
    ASSERT_TRUE(link.Read(commonLink, p));
    EXPECT_EQ(lstrcmpiA(p.target.c_str(), (dir + "\\Brennahold.exe").c_str()), 0) << p.target;
    EXPECT_FALSE(testutil::Exists(userLink));
    EXPECT_EQ(RegString("DisplayName"), "Brennahold");
    EXPECT_EQ(RegString("Publisher"), "Orvane");
    EXPECT_FALSE(RegString("DisplayVersion").empty());
    EXPECT_EQ(RegString("DisplayVersion").find('<'), std::string::npos);
    EXPECT_EQ(RegString("UninstallString"), "\"" + dir + "\\uninstall.exe\"");

    // The installed program at work: it evacuates a file into a scratch repository and ends.
    testutil::TempDir work;
    testutil::WriteFile(work / "Repo\\Brenna.ini", "[Settings]\r\n");
    testutil::WriteFile(work / "note.txt", "kept");
    EXPECT_EQ(testutil::RunCommand(testutil::Quote(dir + "\\Brennahold.exe") + " -c " +
                         testutil::Quote(work / "Repo\\Brenna.ini") + " " +
                         testutil::Quote(work / "note.txt")),
              0u);
    EXPECT_EQ(testutil::ReadFile(work / "Repo\\br000000\\note.txt"), "kept");

    // The uninstaller hands over to a copy of itself in the temporary folder and ends at once,
    // so its work is waited for.
    ASSERT_EQ(testutil::RunCommand(testutil::Quote(dir + "\\uninstall.exe") + " /S"), 0u);
    for (int i = 0; i < 600 && (testutil::Exists(dir) || KeyExists()); ++i) Sleep(100);
    EXPECT_FALSE(testutil::Exists(dir));
    EXPECT_FALSE(testutil::Exists(commonLink));
    EXPECT_FALSE(KeyExists());
}

TEST_F(Installer, FailingShortcutStopsTheInstallAndLeavesNothing) {
    // A folder where the shortcut would go: "/SetupCommit" fails, and so does the install.
    testutil::MakeDirs(userLink);
    DWORD code = testutil::RunCommand(testutil::Quote(setup) + " /S");
    EXPECT_NE(code, 0u);
    EXPECT_NE(code, STILL_ACTIVE);
    EXPECT_FALSE(testutil::Exists(dir + "\\Brennahold.exe"));
    EXPECT_FALSE(testutil::Exists(dir + "\\uninstall.exe"));
    EXPECT_FALSE(KeyExists());
    EXPECT_FALSE(testutil::Exists(commonLink));
}

}  // namespace
