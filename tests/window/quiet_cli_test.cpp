// Command-line runs as scripts and scheduled tasks start them: with /Quiet no window and no message
// box appears, each message goes to standard output, and the exit code tells 0 (everything
// worked, a backup run that found nothing to add included), 1 (a path failed) or 2 (the
// repository could not be opened). Without /Quiet the exit code tells the same.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ProcessUtil.h"
#include "TestUtil.h"
#include "fw/Strings.h"
#include "store/BrnFile.h"
#include "store/DataFile.h"
#include "resource.h"
#include "string_ids.h"

using testutil::Quote;
using testutil::TempDir;

namespace {

class QuietCommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        repo = base / "Repo";
        ini = repo + "\\Brenna.ini";
        testutil::WriteFile(ini, "[Settings]\r\nbrnfile=1\r\n");
        testutil::WriteFile(src / "a.txt", "alpha");
        testutil::WriteFile(src / "data\\b.txt", "beta");
        CBrnFile def;
        ASSERT_TRUE(def.SetFolder(src / "data"));
        ASSERT_TRUE(def.CreateNew(definition));
        ASSERT_TRUE(def.Save());
    }
    // Runs the program quietly on the arguments; no window of it may ever be seen.
    testutil::OutputResult Quiet(const std::string& args) {
        bool sawWindow = false;
        testutil::OutputResult r = testutil::RunProgramWithOutput(
            "/Quiet -c " + Quote(ini) + " " + args,
            [&](DWORD pid) { sawWindow = sawWindow || !testutil::VisibleWindowsOf(pid).empty(); });
        EXPECT_FALSE(r.timedOut);
        EXPECT_FALSE(sawWindow) << args;
        return r;
    }
    size_t Items() {
        testutil::ScriptedPrompt prompt;
        CDataFile c;
        c.SetFolder(repo);
        c.Load();
        return c.GetCount();
    }

    TempDir base, src, defs;
    std::string repo, ini;
    std::string definition = defs / "Data.brn";
};

TEST_F(QuietCommandLine, EvacuationsAndRunsEndWithTheirExitCodesAndPrintTheirMessages) {
    const std::string failed = fw::LoadStr(IDS_FAILED_SAVE_FILE);
    const std::string nothing = fw::LoadStr(IDS_NO_FILES_ADDED);

    testutil::OutputResult r = Quiet(Quote(src / "a.txt") + " " + Quote(definition));
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(Items(), 2u);

    // A run that finds nothing new has worked; it says so.
    r = Quiet(Quote(definition));
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.output, nothing + "\r\n");
    EXPECT_EQ(Items(), 2u);

    // A path that is not there fails; the others are still evacuated.
    r = Quiet(Quote(src / "missing.txt") + " " + Quote(src / "a.txt"));
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.output, failed + "\r\n");
    EXPECT_EQ(Items(), 3u);
}

TEST_F(QuietCommandLine, DamagedCatalogueIsToldOnStandardOutputAndTheEvacuationGoesOn) {
    testutil::WriteFile(repo + "\\brenna.dat", "BRNG\x01\x02");
    testutil::OutputResult r = Quiet(Quote(src / "a.txt"));
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(r.output.find(fw::LoadStr(IDS_ERR_END_OF_FILE)), std::string::npos) << r.output;
    // The damaged file is kept aside, and that is said too.
    EXPECT_TRUE(testutil::Exists(repo + "\\brenna.dat.damaged"));
    EXPECT_NE(r.output.find(repo + "\\brenna.dat.damaged"), std::string::npos) << r.output;
    EXPECT_EQ(Items(), 1u);
}

TEST_F(QuietCommandLine, RepositoryThatCannotBeOpenedEndsWithTwo) {
    // An INI that is not there: the program would ask where it went; quietly nobody can answer.
    ini = base / "Nowhere\\Brenna.ini";
    testutil::OutputResult r = Quiet(Quote(src / "a.txt"));
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_FALSE(testutil::Exists(base / "Nowhere"));
}

TEST_F(QuietCommandLine, WithoutQuietTheExitCodeTellsTheSame) {
    testutil::RunResult r =
        testutil::RunProgram("-c " + Quote(ini) + " " + Quote(src / "missing.txt"));
    EXPECT_EQ(r.exitCode, 1u);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0], fw::LoadStr(IDS_FAILED_SAVE_FILE));
    r = testutil::RunProgram("-c " + Quote(ini) + " " + Quote(src / "a.txt"));
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(r.messages.empty());
}

// A long evacuation from the command line: quietly it shows nothing at all; otherwise the progress
// window appears, and its Cancel ends the program with 1 and nothing recorded.
TEST_F(QuietCommandLine, LongEvacuationShowsProgressUnlessQuiet) {
    const std::string block(1024, 'x');
    for (int i = 0; i < 3000; ++i)
        testutil::WriteFile(src / ("big\\d" + std::to_string(i / 100) + "\\f" + std::to_string(i) + ".txt"),
                            block);
    testutil::OutputResult quiet = Quiet(Quote(src / "big"));
    EXPECT_EQ(quiet.exitCode, 0u);
    EXPECT_EQ(Items(), 1u);

    HANDLE process = testutil::StartProgram("-c " + Quote(ini) + " " + Quote(src / "big"));
    ASSERT_NE(process, nullptr);
    const DWORD pid = GetProcessId(process);
    HWND progress = nullptr;
    for (int i = 0; i < 3000 && !progress; ++i) {
        for (HWND w : testutil::VisibleWindowsOf(pid))
            if (GetDlgItem(w, IDC_PROGRESS_BAR)) progress = w;
        if (!progress && WaitForSingleObject(process, 10) == WAIT_OBJECT_0) break;
    }
    ASSERT_NE(progress, nullptr) << "no progress window";
    PostMessageA(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    EXPECT_EQ(code, 1u);
    EXPECT_EQ(Items(), 1u);
}

}  // namespace
