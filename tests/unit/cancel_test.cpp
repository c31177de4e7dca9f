// Long operations cancelled at each stage: what stays recorded, what is removed again, and the
// progress reports on the way.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ScratchRepository.h"
#include "TestUtil.h"
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "store/RepositoryCheck.h"
#include "util/Progress.h"

using testutil::TempDir;
using util::ProgressReport;

namespace {

constexpr size_t kBig = 3 * (1 << 20) + 123;  // copied in several blocks

// When to cancel, given the reports so far (the newest last).
using CancelPoint = std::function<bool(const std::vector<ProgressReport>&)>;

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Before anything is copied: the first report there is (the totals of the first listing).
bool BeforeFirstFile(const std::vector<ProgressReport>& r) { return r.size() == 1; }
// Part of big.bin copied, not all of it: the other files together are a few bytes, so bytes done
// between a third of big.bin and all of it can only be inside it, whichever file is shown.
bool InsideBigFile(const std::vector<ProgressReport>& r) {
    return r.back().bytesDone > kBig / 3 && r.back().bytesDone < kBig;
}
// Just after a file was finished: the first report that counts n files done.
bool FilesDone(const std::vector<ProgressReport>& r, uint64_t n) {
    return r.back().filesDone == n && (r.size() < 2 || r[r.size() - 2].filesDone < n);
}
// After the first file of the tree.
bool BetweenFiles(const std::vector<ProgressReport>& r) { return FilesDone(r, 2); }
bool WritingHistory(const std::vector<ProgressReport>& r) {
    return r.back().stage == ProgressReport::recording;
}

class Cancel : public ::testing::Test {
protected:
    void SetUp() override {
        scratch->Settings().brnFile = true;
        testutil::WriteFile(src / "first.txt", "first");
        testutil::WriteFile(src / "tree\\a.txt", "alpha");
        testutil::WriteFile(src / "tree\\big.bin", std::string(kBig, 'b'));
        testutil::WriteFile(src / "tree\\sub\\c.txt", "gamma");
        testutil::WriteFile(src / "last.txt", "last");
    }

    void CancelAt(CancelPoint point) {
        scratch.observer.progress.clear();
        scratch.observer.onProgress = [this, point](const ProgressReport&) {
            if (!scratch->Progress().IsCancelled() && point(scratch.observer.progress))
                scratch->Progress().Cancel();
        };
        scratch->Progress().Start();
    }

    std::string Definition() {
        CBrnFile def;
        EXPECT_TRUE(def.SetFolder(src / "tree"));
        std::string path = src / "tree.brn";
        EXPECT_TRUE(def.CreateNew(path));
        EXPECT_TRUE(def.Save());
        def.Close();
        return path;
    }

    // The catalogue on disk, read by a process of its own, agrees with memory, and every file
    // in the repository is what a record refers to: nothing half-recorded, no copy left over.
    void ExpectConsistent(size_t items) {
        EXPECT_EQ(scratch->Count(), items);
        CRepository fresh;
        ASSERT_TRUE(fresh.SetFolder(repo.Path()));
        fresh.Load();
        EXPECT_EQ(fresh.Count(), items);
        store::CheckResult check = store::CheckRepository(fresh);
        EXPECT_TRUE(check.Clean()) << store::FormatCheckReport(check, repo.Path());
    }

    TempDir repo;
    TempDir src;
    testutil::ScratchRepository scratch{repo.Path()};
    testutil::ScriptedPrompt prompt;
};

TEST_F(Cancel, EvacuationKeepsTheItemsFinishedBeforeAndNothingOfTheOneInHand) {
    const struct {
        const char* stage;
        CancelPoint point;
        size_t kept;  // items recorded before the cancel
    } cases[] = {
        {"before the first file", BeforeFirstFile, 0},
        {"inside a file", InsideBigFile, 1},
        {"between files", BetweenFiles, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stage);
        size_t before = scratch->Count();
        CancelAt(c.point);
        size_t failed =
            scratch->DispatchPaths({src / "first.txt", src / "tree", src / "last.txt"}, true);
        EXPECT_TRUE(scratch->Progress().IsCancelled());
        // The paths not done count as failed, without a message each.
        EXPECT_EQ(failed, 3 - c.kept);
        EXPECT_TRUE(prompt.shown.empty());
        ExpectConsistent(before + c.kept);
        for (const std::string& file : testutil::FilesBelow(repo.Path()))
            EXPECT_FALSE(EndsWith(file, "big.bin")) << file;
    }
    // Without a cancel the same paths go in whole.
    scratch->Progress().Start();
    scratch.observer.onProgress = nullptr;
    size_t before = scratch->Count();
    EXPECT_EQ(scratch->DispatchPaths({src / "first.txt", src / "tree", src / "last.txt"}, true), 0u);
    ExpectConsistent(before + 3);
}

TEST_F(Cancel, BackupRunRecordsNoPackAndRemovesItsCopies) {
    const std::string def = Definition();
    const struct {
        const char* stage;
        CancelPoint point;
    } cases[] = {
        {"before the first file", BeforeFirstFile},
        {"inside a file", InsideBigFile},
        {"between files", [](const std::vector<ProgressReport>& r) { return FilesDone(r, 1); }},
        {"during the history write", WritingHistory},
    };
    for (bool first : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.stage) + (first ? ", first run" : ", later run"));
            size_t before = scratch->Count();
            CancelAt(c.point);
            EXPECT_EQ(scratch->DispatchPaths({def}, true), 1u);
            EXPECT_TRUE(prompt.shown.empty());
            ExpectConsistent(before);
            if (first) {
                // No history is left behind by a first run that records nothing.
                EXPECT_TRUE(testutil::FilesBelow(repo.Path()).empty());
            } else {
                CBrnDataFile* history = scratch->Item(0)->m_pHistory;
                ASSERT_NE(history, nullptr);
                EXPECT_EQ(history->PackCount(), 1);
            }
        }
        // Without a cancel the run records its pack, and the next round cancels a later run
        // that has every file to copy again.
        scratch->Progress().Start();
        scratch.observer.onProgress = nullptr;
        ASSERT_EQ(scratch->DispatchPaths({def}, true), 0u);
        ExpectConsistent(first ? 1 : 2);
        for (const char* name : {"first.txt", "tree\\a.txt", "tree\\big.bin", "tree\\sub\\c.txt"})
            if (testutil::Exists(src / name)) testutil::WriteFile(src / name, std::string(kBig, 'c'));
        prompt.shown.clear();
        if (!first) break;
    }
}

TEST_F(Cancel, ProgressReportsComeInOrderAndAddUpToTheTotals) {
    const std::string def = Definition();
    const uint64_t treeBytes = 5 + kBig + 5;
    const struct {
        const char* what;
        std::vector<std::string> paths;
        uint64_t files, bytes;
    } cases[] = {
        {"evacuation", {src / "first.txt", src / "tree", src / "last.txt"}, 5, 5 + treeBytes + 4},
        {"first backup run", {def}, 3, treeBytes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        scratch.observer.progress.clear();
        scratch->Progress().Start();
        ASSERT_EQ(scratch->DispatchPaths(c.paths, true), 0u);
        const auto& reports = scratch.observer.progress;
        ASSERT_FALSE(reports.empty());
        bool sawInsideFile = false;
        for (size_t i = 1; i < reports.size(); ++i) {
            const ProgressReport &was = reports[i - 1], &now = reports[i];
            EXPECT_GE(now.filesDone, was.filesDone);
            EXPECT_GE(now.bytesDone, was.bytesDone);
            EXPECT_GE(now.filesTotal, was.filesTotal);
            EXPECT_LE(now.filesDone, now.filesTotal);
            EXPECT_LE(now.bytesDone, now.bytesTotal);
            if (!now.current.empty() && now.current == was.current && now.bytesDone > was.bytesDone)
                sawInsideFile = true;
        }
        EXPECT_TRUE(sawInsideFile) << "a large file reports its blocks";
        EXPECT_EQ(reports.back().filesTotal, c.files);
        EXPECT_EQ(reports.back().bytesTotal, c.bytes);
        EXPECT_EQ(reports.back().filesDone, c.files);
        EXPECT_EQ(reports.back().bytesDone, c.bytes);
    }
}

}  // namespace
