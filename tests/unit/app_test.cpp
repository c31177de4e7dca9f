// The application object's pure parts: command-line parsing, object names, the help map and
// the repository folder's creation.
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "app/BrennaApp.h"
#include "app/CommandLine.h"

namespace {

struct Parsed {
    std::vector<std::string> files;
    std::string ini;
    bool setupCommit, uninstall;
};

Parsed Parse(std::vector<std::string> args) {
    std::vector<char*> argv{const_cast<char*>("Brennahold.exe")};
    for (auto& a : args) argv.push_back(a.data());
    Parsed p{};
    CBrennaCommandLineInfo info(&p.files);
    fw::ParseCommandLine(info, static_cast<int>(argv.size()), argv.data());
    p.ini = info.m_strIni;
    p.setupCommit = info.m_bSetupCommit;
    p.uninstall = info.m_bUninstall;
    return p;
}

TEST(CommandLineParsing, FlagsIniAndPathsInOrder) {
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> files;
        std::string ini;
        bool setupCommit, uninstall;
    } cases[] = {
        {{"a.txt", "-c", "X.ini", "b.txt"}, {"a.txt", "b.txt"}, "X.ini", false, false},
        {{"-C", "E:\\R\\Brenna.ini"}, {}, "E:\\R\\Brenna.ini", false, false},
        {{"/c", "one.ini", "/C", "two.ini"}, {}, "two.ini", false, false},
        {{"-c"}, {}, "", false, false},
        {{"-c", "-x", "a.txt"}, {"a.txt"}, "", false, false},
        {{"-setupcommit", "a.txt"}, {"a.txt"}, "", false, false},
        {{"-SetupCommit", "/Uninstall"}, {}, "", true, true},
    };
    for (const auto& c : cases) {
        Parsed p = Parse(c.args);
        SCOPED_TRACE(c.args.size());
        EXPECT_EQ(p.files, c.files);
        EXPECT_EQ(p.ini, c.ini);
        EXPECT_EQ(p.setupCommit, c.setupCommit);
        EXPECT_EQ(p.uninstall, c.uninstall);
    }
}

TEST(ObjectNames, BackslashesBecomeUnderscoresAndLongPathsStayApart) {
    EXPECT_EQ(MakeObjectName("BrennaholdEventNotification", "E:\\Repo\\Brenna.ini", 256),
              "BrennaholdEventNotificationE:_Repo_Brenna.ini");
    EXPECT_EQ(MakeObjectName("BrennaholdMutexNotification", "", 256), "BrennaholdMutexNotification");
    std::string a = "C:\\" + std::string(240, 'a') + "\\Brenna.ini";
    std::string b = "C:\\" + std::string(239, 'a') + "b\\Brenna.ini";
    std::string na = MakeObjectName("BrennaholdEventNotification", a, 256);
    std::string nb = MakeObjectName("BrennaholdEventNotification", b, 256);
    EXPECT_LT(na.size(), 256u);
    EXPECT_NE(na, nb);
    EXPECT_EQ(na, MakeObjectName("BrennaholdEventNotification", a, 256));
    EXPECT_EQ(na.find('\\'), std::string::npos);
}

TEST(ObjectNamesMbcs, TrailByteBackslashIsKept) {
    if (!testutil::IsJapaneseCodePage()) GTEST_SKIP() << "needs code page 932";
    EXPECT_EQ(MakeObjectName("P", "E:\\\x95\x5C\\Brenna.ini", 256), "PE:_\x95\x5C_Brenna.ini");
}

TEST(HelpMap, CommandResourceAndAreaIds) {
    CBrennaApp app;
    app.FillHelpMap();
    const struct {
        DWORD data;
        bool found;
        DWORD topic;
    } cases[] = {
        {0x10000 + 32775, true, 0x10017}, {0x10000 + 131, true, 0x10017},
        {0x10000 + 57634, true, 0x10018}, {0x10000 + 133, true, 0x10019},
        {0x10000 + 59411, true, 0x10020}, {0x10000 + 59393, true, 0x10016},
        {0x10000 + 57664, true, 0x10026}, {0x10000 + 135, true, 0x10021},
        {0x10000 + 32787, true, 0x10022}, {0x10000 + 12345, true, 0x10013},
        {0x20080, true, 0x10014},         {0x30080, false, 0},
        {0x40080, true, 0x10015},         {0x50001, true, 0x10016},
        {0xFFFF, false, 0},               {0x60000, false, 0},
    };
    for (const auto& c : cases) {
        DWORD topic = 0;
        SCOPED_TRACE(c.data);
        EXPECT_EQ(app.MapHelpId(c.data, topic), c.found);
        if (c.found) {
            EXPECT_EQ(topic, c.topic);
        }
    }
}

TEST(RepositoryFolder, EnsureDirectoryReplacesAFileInTheWay) {
    testutil::TempDir dir;
    std::string path = dir / "Brenna";
    testutil::WriteFile(path, "in the way");
    EXPECT_TRUE(CBrennaApp::EnsureDirectory(path.c_str()));
    EXPECT_TRUE(testutil::IsDir(path));
    EXPECT_TRUE(CBrennaApp::EnsureDirectory(path.c_str()));
    EXPECT_TRUE(CBrennaApp::EnsureDirectory((dir / "New").c_str()));
    EXPECT_FALSE(CBrennaApp::EnsureDirectory((dir / "Missing\\Deeper").c_str()));
}

}  // namespace
