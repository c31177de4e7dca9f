// Brennahold.exe started as a real process: evacuation from the command line, roles between
// processes of one repository, and the messages the user sees.
#include <gtest/gtest.h>

#include <cstring>

#include "ProcessUtil.h"
#include "ScratchRepository.h"
#include "TestUtil.h"
#include "app/BrennaApp.h"
#include "store/BrnFile.h"
#include "fw/Strings.h"
#include "string_ids.h"
#include "util/FileUtil.h"

using testutil::Quote;
using testutil::RunProgram;
using testutil::TempDir;

namespace {

struct Rec {
    uint32_t flag, generation;
    std::string source, stored, description;
};

// Parses a version 2 catalogue strictly; fails the test on any inconsistency.
std::vector<Rec> ParseCatalogue(const std::string& bytes) {
    std::vector<Rec> out;
    EXPECT_GE(bytes.size(), 12u);
    if (bytes.size() < 12) return out;
    EXPECT_EQ(bytes.substr(0, 8), std::string("BRNG\0\0\2\0", 8));
    int32_t count;
    memcpy(&count, bytes.data() + 8, 4);
    size_t pos = 12;
    auto u32 = [&](size_t at) {
        uint32_t v;
        memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    for (int32_t i = 0; i < count; ++i) {
        if (pos + 28 > bytes.size()) {
            ADD_FAILURE() << "record " << i << " cut short";
            return out;
        }
        Rec r;
        r.flag = u32(pos + 8);
        uint32_t l1 = u32(pos + 12), l2 = u32(pos + 16), l3 = u32(pos + 20);
        r.generation = u32(pos + 24);
        pos += 28;
        if (pos + l1 + l2 + l3 > bytes.size()) {
            ADD_FAILURE() << "strings of record " << i << " cut short";
            return out;
        }
        r.source.assign(bytes.data() + pos, l1 - 1);
        EXPECT_EQ(bytes[pos + l1 - 1], '\0');
        pos += l1;
        r.stored.assign(bytes.data() + pos, l2 - 1);
        pos += l2;
        r.description.assign(bytes.data() + pos, l3 - 1);
        pos += l3;
        out.push_back(r);
    }
    EXPECT_EQ(pos, bytes.size()) << "bytes after the last record";
    return out;
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        repo = base / "Repo";
        ini = repo + "\\Brenna.ini";
        testutil::MakeDirs(repo);
        testutil::WriteFile(ini, "[Settings]\r\n");
    }
    std::vector<Rec> Catalogue() const { return ParseCatalogue(testutil::ReadFile(repo + "\\brenna.dat")); }
    std::string Args(const std::string& rest) const { return "-c " + Quote(ini) + " " + rest; }

    TempDir base;
    TempDir src;
    std::string repo, ini;
};

TEST_F(CommandLine, EvacuatesFilesAndFoldersWithoutAWindow) {
    testutil::WriteFile(src / "a.txt", "alpha");
    testutil::WriteFile(src / "Docs\\sub\\b.txt", "beta");
    auto r = RunProgram(Args(Quote(src / "a.txt") + " " + Quote(src / "Docs")));
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(r.messages.empty());
    auto recs = Catalogue();
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].source, src / "a.txt");
    EXPECT_EQ(recs[0].stored, repo + "\\br000000\\a.txt");
    EXPECT_EQ(recs[0].flag, 1u);
    EXPECT_EQ(recs[1].source, src / "Docs");
    EXPECT_EQ(recs[1].stored, repo + "\\br000000\\Docs");
    EXPECT_EQ(recs[1].flag, 0u);
    EXPECT_EQ(recs[1].generation, 0u);
    EXPECT_EQ(recs[1].description, "");
    EXPECT_EQ(testutil::ReadFile(repo + "\\br000000\\Docs\\sub\\b.txt"), "beta");

    // A second start adds to the same catalogue, in the next free folder for the same name.
    r = RunProgram(Args(Quote(src / "a.txt")));
    recs = Catalogue();
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(recs[2].stored, repo + "\\br000001\\a.txt");
}

TEST_F(CommandLine, ArgumentOrderAndFlagSpellings) {
    testutil::WriteFile(src / "a.txt", "a");
    testutil::WriteFile(src / "b.txt", "b");
    // a.txt /C X.ini b.txt: the INI comes from the flag wherever it stands; -setupcommit in the
    // wrong case is an unknown flag and the start goes on normally.
    auto r = RunProgram(Quote(src / "a.txt") + " /C " + Quote(ini) + " -setupcommit " +
                        Quote(src / "b.txt"));
    EXPECT_EQ(r.exitCode, 0u);
    auto recs = Catalogue();
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].source, src / "a.txt");
    EXPECT_EQ(recs[1].source, src / "b.txt");
}

TEST_F(CommandLine, RelativePathsAndABareIniNameAreTakenFromTheCurrentFolder) {
    testutil::WriteFile(base / "in\\rel.txt", "r");
    // The current folder is the repository: "-c Brenna.ini" names its INI file, and the
    // relative path a file beside it.
    auto r = RunProgram("-c Brenna.ini ..\\in\\rel.txt", repo);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(r.messages.empty());
    auto recs = Catalogue();
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].source, base / "in\\rel.txt");
    EXPECT_EQ(recs[0].stored, repo + "\\br000000\\rel.txt");
}

TEST_F(CommandLine, MissingPathIsReportedAndTheOthersStillGoIn) {
    testutil::WriteFile(src / "a.txt", "a");
    std::string tooLong = src.Path() + "\\" + std::string(255, 'L');
    auto r = RunProgram(Args(Quote(src / "missing.txt") + " " + Quote(tooLong) + " " +
                             Quote(src / "a.txt")));
    ASSERT_FALSE(r.timedOut);
    ASSERT_EQ(r.messages.size(), 2u);
    EXPECT_EQ(r.messages[0], fw::LoadStr(IDS_FAILED_SAVE_FILE));
    EXPECT_EQ(r.messages[1], fw::LoadStr(IDS_FAILED_SAVE_FILE));
    auto recs = Catalogue();
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].source, src / "a.txt");
}

TEST_F(CommandLine, SettingsComeFromTheIni) {
    testutil::WriteFile(src / "data\\a.txt", "a");
    CBrnFile def;
    ASSERT_TRUE(def.SetFolder(src / "data"));
    ASSERT_TRUE(def.CreateNew(src / "x.brn"));
    ASSERT_TRUE(def.Save());
    def.Close();
    testutil::WriteFile(ini, "[Settings]\r\nbrnfile=1\r\n");
    auto r = RunProgram(Args(Quote(src / "x.brn")));
    // The definition is run: one backup-run record whose stored path is the history file.
    EXPECT_TRUE(r.messages.empty());
    auto recs = Catalogue();
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].generation, 1u);
    EXPECT_EQ(recs[0].source, src / "data");
    EXPECT_EQ(recs[0].stored, repo + "\\br000000\\x.dat");
    EXPECT_EQ(testutil::ReadFile(repo + "\\br000000\\a.txt"), "a");
    // Nothing changed since: the second run says so and records nothing.
    r = RunProgram(Args(Quote(src / "x.brn")));
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0], fw::LoadStr(IDS_NO_FILES_ADDED));
    EXPECT_EQ(Catalogue().size(), 1u);

    testutil::WriteFile(ini, "[Settings]\r\nbrnfile=0\r\n");
    r = RunProgram(Args(Quote(src / "x.brn")));
    EXPECT_TRUE(r.messages.empty());
    recs = Catalogue();
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[1].generation, 0u);
    EXPECT_EQ(recs[1].source, src / "x.brn");
}

TEST_F(CommandLine, MissingIniIsReportedAndNothingStarts) {
    std::string gone = base / "Nowhere\\Brenna.ini";
    auto r = RunProgram("-c " + Quote(gone));
    // The repository could not be opened.
    EXPECT_EQ(r.exitCode, 2u);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0], fw::FormatStr(IDS_INI_NOT_FOUND, gone.c_str()));
}

// Finds the main window of the repository whose INI is ini, waiting for it to appear.
HWND WaitForMainWindow(const std::string& title, DWORD timeoutMs = 20000) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50))
        if (HWND w = FindWindowA("BrennaholdFrame", title.c_str())) return w;
    return nullptr;
}

TEST_F(CommandLine, StartWithoutPathsOpensTheWindowAndLaterStartsHandTheirPathsToIt) {
    testutil::WriteFile(src / "late1.txt", "1");
    testutil::WriteFile(src / "late2.txt", "2");
    HANDLE primary = testutil::StartProgram(Args(""));
    ASSERT_NE(primary, nullptr);
    // The title names the repository folder.
    std::string title = "Brennahold - " + repo;
    HWND frame = WaitForMainWindow(title);
    ASSERT_NE(frame, nullptr);

    // A second start without paths only brings the window forward and ends.
    auto r = RunProgram(Args(""), {}, 20000);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0u);

    // A start with paths hands them over; the running window evacuates them and the hidden
    // sender ends. An empty argument and one too long to be a path are reported by the sender
    // and do not cut the list short.
    std::string tooLong = src.Path() + "\\" + std::string(255, 'L');
    r = RunProgram(Args(Quote(src / "late1.txt") + " \"\" " + Quote(tooLong) + " " +
                        Quote(src / "late2.txt")),
                   {}, 20000);
    EXPECT_FALSE(r.timedOut);
    // Two of the paths failed.
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.messages, std::vector<std::string>(2, fw::LoadStr(IDS_FAILED_SAVE_FILE)));
    std::string decoy = fw::LoadStr(IDS_DECOY_TITLE);
    EXPECT_EQ(FindWindowA(nullptr, decoy.c_str()), nullptr);
    // They are saved at once, not only when the window closes.
    auto handedOver = Catalogue();
    ASSERT_EQ(handedOver.size(), 2u);
    EXPECT_EQ(handedOver[1].source, src / "late2.txt");

    PostMessageA(frame, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(primary, 20000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(primary, &code);
    CloseHandle(primary);
    EXPECT_EQ(code, 0u);
    auto recs = Catalogue();
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].source, src / "late1.txt");
    EXPECT_EQ(recs[1].source, src / "late2.txt");
}

TEST_F(CommandLine, AnotherProcessesItemsSurviveASaveOfAnOlderCatalogue) {
    // This test holds a catalogue of the repository loaded before a command-line start
    // evacuated and saved on its own; its own later save keeps that start's item.
    testutil::WriteFile(src / "mine.txt", "m");
    testutil::WriteFile(src / "theirs.txt", "t");
    testutil::ScratchRepository scratch(repo);
    scratch->SetMutexName(MakeObjectName("BrennaholdMutexNotification", ini, 256));
    scratch->Load();
    ASSERT_TRUE(scratch->Dispatch((src / "mine.txt").c_str()));

    auto r = RunProgram(Args(Quote(src / "theirs.txt")));
    ASSERT_FALSE(r.timedOut);
    EXPECT_TRUE(r.messages.empty());
    ASSERT_EQ(Catalogue().size(), 1u);

    ASSERT_TRUE(scratch->Save(FALSE));
    auto recs = Catalogue();
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].source, src / "mine.txt");
    EXPECT_EQ(recs[1].source, src / "theirs.txt");
}

TEST_F(CommandLine, SecondStartWithoutPathsSignalsTheRunningInstance) {
    // This test plays the primary: it owns the repository's event.
    std::string name = "BrennaholdEventNotification" + ini;
    for (auto& c : name)
        if (c == '\\') c = '_';
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    ASSERT_NE(event, nullptr);
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    auto r = RunProgram(Args(""), {}, 20000);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    CloseHandle(event);
}

TEST_F(CommandLine, ProcessesStartedTogetherKeepEachOthersItems) {
    constexpr int kProcesses = 6;
    std::vector<HANDLE> procs;
    for (int i = 0; i < kProcesses; ++i) {
        std::string name = "f" + std::to_string(i) + ".txt";
        testutil::WriteFile(src / name, std::string(200000, static_cast<char>('a' + i)));
    }
    for (int i = 0; i < kProcesses; ++i)
        procs.push_back(testutil::StartProgram(Args(Quote(src / ("f" + std::to_string(i) + ".txt")))));
    for (HANDLE h : procs) {
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(WaitForSingleObject(h, 60000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(h, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(h);
    }
    auto recs = Catalogue();
    ASSERT_EQ(recs.size(), static_cast<size_t>(kProcesses));
    std::vector<std::string> sources;
    for (const auto& r : recs) {
        sources.push_back(r.source);
        EXPECT_EQ(testutil::ReadFile(r.stored).size(), 200000u);
    }
    std::sort(sources.begin(), sources.end());
    for (int i = 0; i < kProcesses; ++i) EXPECT_EQ(sources[i], src / ("f" + std::to_string(i) + ".txt"));
}

TEST(CommandLineStandard, StandardRepositoryIsMadeInApplicationData) {
    char appData[MAX_PATH];
    ASSERT_TRUE(util::GetAppDataFolder(appData));
    std::string orvane = std::string(appData) + "\\Orvane";
    std::string brenna = orvane + "\\Brenna";
    // A plain file where the repository folder belongs is replaced by the folder.
    testutil::RemoveTree(orvane);
    testutil::WriteFile(brenna, "in the way");
    TempDir src;
    testutil::WriteFile(src / "std.txt", "s");
    auto r = RunProgram(Quote(src / "std.txt"));
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(r.messages.empty());
    ASSERT_TRUE(testutil::IsDir(brenna));
    auto recs = ParseCatalogue(testutil::ReadFile(brenna + "\\brenna.dat"));
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].stored, brenna + "\\br000000\\std.txt");
    testutil::RemoveTree(orvane);
}

TEST_F(CommandLine, MbcsPathsOnTheCommandLine) {
    if (!testutil::IsJapaneseCodePage()) GTEST_SKIP() << "needs code page 932";
    const std::string name = "\x95\x5C\x95\x5C.txt";
    testutil::WriteFile(src / ("\x95\x5C\\" + name), "mb");
    auto r = RunProgram(Args(Quote(src / ("\x95\x5C\\" + name)) + " " + Quote(src / "\x95\x5C")));
    EXPECT_TRUE(r.messages.empty());
    auto recs = Catalogue();
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].stored, repo + "\\br000000\\" + name);
    EXPECT_EQ(recs[1].stored, repo + "\\br000000\\\x95\x5C");
    EXPECT_EQ(testutil::ReadFile(repo + "\\br000000\\\x95\x5C\\" + name), "mb");
}

}  // namespace
