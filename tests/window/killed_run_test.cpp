// The program ended abruptly at each step of an evacuation and of a backup run from the command
// line: what it leaves is the old catalogue or the new one, whole, with every record's copy
// whole, and a new run afterwards goes through.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "ProcessUtil.h"
#include "TestUtil.h"
#include "fw/Faults.h"
#include "store/BrnDataFile.h"
#include "store/DataFile.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

using testutil::Quote;
using testutil::TempDir;

namespace {

std::map<std::string, std::string> Contents(const std::string& path) {
    if (testutil::IsDir(path)) return testutil::SnapshotTree(path);
    if (!testutil::Exists(path)) return {};
    return {{"", testutil::ReadFile(path)}};
}

// The sources of the catalogue's records, in order, each checked against its copy; quiet is false
// when loading it had anything to report.
std::vector<std::string> CheckedRecords(const std::string& repo, bool& quiet) {
    testutil::ScriptedPrompt prompt;
    CDataFile disk;
    disk.SetFolder(repo);
    quiet = disk.Load() && prompt.shown.empty();
    std::vector<std::string> sources;
    for (size_t i = 0; i < disk.GetCount(); ++i) {
        const CBrennaItem& item = *disk.GetItem(i);
        EXPECT_EQ(Contents(item.m_stored), Contents(item.m_source)) << item.m_stored;
        sources.push_back(item.m_source);
    }
    return sources;
}

TEST(KilledRun, EvacuationEndedAtEachStepLeavesOldOrNewCatalogue) {
    TempDir src, base;
    testutil::WriteFile(src / "earlier.txt", "earlier");
    testutil::WriteFile(src / "tree\\a.txt", "alpha");
    testutil::WriteFile(src / "tree\\b.txt", "bravo");
    testutil::WriteFile(src / "tree\\sub\\c.txt", "charlie");
    // The repository every attempt starts from: one earlier evacuation.
    const std::string start = base / "start";
    testutil::WriteFile(start + "\\Brenna.ini", "[Settings]\r\n");
    auto run = [](const std::string& repo, const std::string& path) {
        return testutil::RunProgram("-c " + Quote(repo + "\\Brenna.ini") + " " + Quote(path));
    };
    ASSERT_EQ(run(start, src / "earlier.txt").exitCode, 0u);
    const std::vector<std::string> before = {src / "earlier.txt"};
    const std::vector<std::string> after = {src / "earlier.txt", src / "tree"};

    // Each Wine process start costs about half a second; an evacuation of this tree with its save
    // takes fewer steps than this.
    constexpr int kMaxSteps = 40;
    int n = 1;
    for (; n <= kMaxSteps; ++n) {
        SCOPED_TRACE("ended at step " + std::to_string(n));
        const std::string repo = base / ("n" + std::to_string(n));
        testutil::MakeDirs(repo);
        ASSERT_TRUE(util::CopyFolderTree(start.c_str(), repo.c_str()));
        SetEnvironmentVariableA(fw::kEndAtWriteVariable, std::to_string(n).c_str());
        testutil::RunResult ended = run(repo, src / "tree");
        SetEnvironmentVariableA(fw::kEndAtWriteVariable, nullptr);
        bool quiet = false;
        std::vector<std::string> records = CheckedRecords(repo, quiet);
        EXPECT_TRUE(quiet);
        if (ended.exitCode == 0) {
            // The run went through without reaching step n.
            EXPECT_EQ(records, after);
            break;
        }
        ASSERT_EQ(ended.exitCode, fw::kEndedAtWrite);
        EXPECT_TRUE(records == before || records == after) << records.size() << " records";
        // What the ended run left behind does not stand in the way of a new one.
        testutil::RunResult again = run(repo, src / "tree");
        EXPECT_EQ(again.exitCode, 0u);
        EXPECT_TRUE(again.messages.empty()) << again.messages.front();
        records = CheckedRecords(repo, quiet);
        EXPECT_TRUE(quiet);
        EXPECT_GE(records.size(), after.size());
        if (HasFailure()) break;
    }
    EXPECT_LE(n, kMaxSteps) << "the run never completed";
    // An evacuation of a tree with its save takes more than a handful of steps.
    EXPECT_GE(n, 8);
    RecordProperty("steps", n - 1);
    std::printf("evacuation from the command line: %d steps\n", n - 1);
}

// The backup-run items of the catalogue on disk, each with the copy of "b.txt" in its pack; every
// entry's copy must be there. quiet is false when loading it had anything to report.
std::vector<std::string> RunRecords(const std::string& repo, bool& quiet) {
    testutil::ScriptedPrompt prompt;
    CDataFile disk;
    disk.SetFolder(repo);
    quiet = disk.Load() && prompt.shown.empty();
    std::vector<std::string> bCopies;
    for (size_t i = 0; i < disk.GetCount(); ++i) {
        CBrennaItem& item = *disk.GetItem(i);
        EXPECT_NE(item.m_pHistory, nullptr) << item.m_stored;
        if (!item.m_pHistory) continue;
        const CBrnBackupItemPack* pack = item.m_pHistory->FindPack(item.m_evacuationTime);
        EXPECT_NE(pack, nullptr) << "a run item without its pack";
        if (!pack) continue;
        std::string b;
        for (const auto& e : pack->Entries()) {
            std::string copy = repo + "\\" + e->StoredName();
            EXPECT_TRUE(testutil::Exists(copy)) << copy;
            if (util::NameOf(e->Source()) == "b.txt") b = testutil::ReadFile(copy);
        }
        bCopies.push_back(b);
    }
    return bCopies;
}

TEST(KilledRun, BackupRunEndedAtEachStepLeavesOldOrNewCatalogueAndHidesNothing) {
    TempDir data, defs, base;
    testutil::WriteFile(data / "a.txt", "alpha");
    testutil::WriteFile(data / "b.txt", "bravo");
    testutil::WriteFile(data / "sub\\c.txt", "charlie");
    const std::string definition = defs / "Data.brn";
    {
        CBrnFile def;
        ASSERT_TRUE(def.SetFolder(data.Path()));
        ASSERT_TRUE(def.CreateNew(definition));
        ASSERT_TRUE(def.Save());
    }
    auto run = [&](const std::string& repo) {
        return testutil::RunProgram("-c " + Quote(repo + "\\Brenna.ini") + " " + Quote(definition));
    };
    constexpr int kMaxSteps = 40;
    int n = 1;
    for (; n <= kMaxSteps; ++n) {
        SCOPED_TRACE("ended at step " + std::to_string(n));
        // Every attempt starts from a repository holding one run of the original files (the
        // catalogue names its history by full path, so the repository cannot be copied).
        const std::string repo = base / ("n" + std::to_string(n));
        testutil::WriteFile(repo + "\\Brenna.ini", "[Settings]\r\nbrnfile=1\r\n");
        testutil::WriteFile(data / "b.txt", "bravo");
        ASSERT_EQ(run(repo).exitCode, 0u);
        testutil::WriteFile(data / "b.txt", "bravo, edited");

        SetEnvironmentVariableA(fw::kEndAtWriteVariable, std::to_string(n).c_str());
        testutil::RunResult ended = run(repo);
        SetEnvironmentVariableA(fw::kEndAtWriteVariable, nullptr);
        bool quiet = false;
        std::vector<std::string> runs = RunRecords(repo, quiet);
        EXPECT_TRUE(quiet);
        const std::vector<std::string> before = {"bravo"}, after = {"bravo", "bravo, edited"};
        if (ended.exitCode == 0) {
            EXPECT_EQ(runs, after);
            break;
        }
        ASSERT_EQ(ended.exitCode, fw::kEndedAtWrite);
        EXPECT_TRUE(runs == before || runs == after) << runs.size() << " runs";
        // A new run afterwards leaves the edited file in a run the catalogue shows, whatever the
        // ended one left in the history.
        testutil::RunResult again = run(repo);
        EXPECT_EQ(again.exitCode, 0u);
        runs = RunRecords(repo, quiet);
        EXPECT_TRUE(quiet);
        ASSERT_FALSE(runs.empty());
        EXPECT_EQ(runs.back(), "bravo, edited");
        if (HasFailure()) break;
    }
    EXPECT_LE(n, kMaxSteps) << "the run never completed";
    EXPECT_GE(n, 8);
    RecordProperty("steps", n - 1);
    std::printf("backup run from the command line: %d steps\n", n - 1);
}

}  // namespace
