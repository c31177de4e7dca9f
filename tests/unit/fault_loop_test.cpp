// Every step of the repository's writing operations made to fail in turn: whatever step fails,
// the catalogue and the histories on disk are the old ones or the new ones, whole, every record
// has its whole copy, the user hears of the failure, and trying again without the fault works.
// The same with the process ended at each step: the operation then runs in a second process (this
// test program again, see KilledOperation.Child) that ends itself there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ProcessUtil.h"
#include "ScratchRepository.h"
#include "TestUtil.h"
#include "fw/Exceptions.h"
#include "fw/Faults.h"
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "util/FileUtil.h"

using testutil::TempDir;

namespace {

// One record as "brenna.dat" holds it. Times and numbered folders differ between two runs of one
// operation, so a record's kind is what two runs have in common.
struct Record {
    std::string source, stored, description;
    DWORD fileFlag, generation;
    FILETIME time;
    std::string Kind() const {
        return source + "|" + description + "|" + std::to_string(fileFlag) + "|" +
               std::to_string(generation);
    }
    bool operator==(const Record& o) const {
        return Kind() == o.Kind() && stored == o.stored && CompareFileTime(&time, &o.time) == 0;
    }
};

// What a process that starts now finds in the repository.
struct DiskState {
    bool quiet = false;  // loaded without a message about damage or missing copies
    std::vector<Record> records;
    std::vector<int> packCounts;  // of every history, ascending
    // The same counting only the packs that a record names: what the program shows and restores.
    std::vector<int> recordedCounts;
    std::vector<std::string> faults;  // records without their whole copy

    std::vector<std::string> Kinds() const {
        std::vector<std::string> k;
        for (const Record& r : records) k.push_back(r.Kind());
        std::sort(k.begin(), k.end());
        return k;
    }
    bool SameAs(const DiskState& o, bool recordedOnly = false) const {
        return records == o.records && Counts(recordedOnly) == o.Counts(recordedOnly);
    }
    bool SameKindAs(const DiskState& o, bool recordedOnly = false) const {
        return Kinds() == o.Kinds() && Counts(recordedOnly) == o.Counts(recordedOnly);
    }
    const std::vector<int>& Counts(bool recordedOnly) const {
        return recordedOnly ? recordedCounts : packCounts;
    }
};

// A folder of an attempt: a fresh temporary one, or one another process made.
class Folder {
public:
    Folder() : m_owned(std::make_unique<TempDir>()), m_path(m_owned->Path()) {}
    explicit Folder(std::string path) : m_path(std::move(path)) {}
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& rel) const { return m_path + "\\" + rel; }

private:
    std::unique_ptr<TempDir> m_owned;
    std::string m_path;
};

// The repository, the user's files and the program's state for one attempt.
struct World {
    Folder repo, src, defs;
    testutil::ScriptedPrompt prompt;
    std::unique_ptr<testutil::ScratchRepository> scratch;
    // What each evacuated source held when it was evacuated.
    std::map<std::string, std::map<std::string, std::string>> originals;

    World() { Restart(); }
    // The folders of an attempt that another process prepared.
    World(const std::string& r, const std::string& s, const std::string& d)
        : repo(r), src(s), defs(d) {
        Restart();
    }
    // A new process of the same repository: reads the catalogue from disk.
    void Restart() {
        scratch.reset();
        scratch = std::make_unique<testutil::ScratchRepository>(repo.Path());
        (*scratch)->Settings().brnFile = true;
        (*scratch)->Load();
    }
    CRepository& Repo() { return **scratch; }
    std::string Write(const std::string& rel, const std::string& bytes) {
        testutil::WriteFile(src / rel, bytes);
        return src / rel;
    }
    // A definition of the folder target, at defs\Data.brn.
    std::string Definition(const std::string& target) {
        CBrnFile def;
        EXPECT_TRUE(def.SetFolder(target));
        EXPECT_TRUE(def.CreateNew(defs / "Data.brn"));
        EXPECT_TRUE(def.Save());
        return defs / "Data.brn";
    }
    // Evacuates path through the dispatcher and remembers what it held.
    void Evacuate(const std::string& path) {
        originals[path] = Contents(path);
        Repo().DispatchPaths({path}, true);
        ASSERT_TRUE(prompt.shown.empty());
    }
    CBrennaItem* Find(const std::string& source, DWORD generation) {
        for (size_t i = 0; i < Repo().Count(); ++i)
            if (Repo().Item(i)->m_source == source && Repo().Item(i)->m_generation == generation)
                return Repo().Item(i);
        return nullptr;
    }
    static std::map<std::string, std::string> Contents(const std::string& path) {
        if (testutil::IsDir(path)) return testutil::SnapshotTree(path);
        if (!testutil::Exists(path)) return {};
        return {{"", testutil::ReadFile(path)}};
    }

    DiskState Read() {
        testutil::ScriptedPrompt quietCheck;
        DiskState state;
        CDataFile disk;
        disk.SetFolder(repo.Path());
        state.quiet = disk.Load() && quietCheck.shown.empty();
        std::vector<CBrnDataFile*> histories;
        for (size_t i = 0; i < disk.GetCount(); ++i) {
            const CBrennaItem& item = *disk.GetItem(i);
            // Each attempt has folders of its own: sources are compared below them.
            std::string source = item.m_source.compare(0, src.Path().size(), src.Path()) == 0
                                     ? item.m_source.substr(src.Path().size())
                                     : item.m_source;
            state.records.push_back({source, item.m_stored, item.m_description, item.m_fileFlag,
                                     item.m_generation, item.m_evacuationTime});
            std::string fault = CopyFault(item);
            if (!fault.empty()) state.faults.push_back(item.m_stored + ": " + fault);
            if (item.m_pHistory &&
                std::find(histories.begin(), histories.end(), item.m_pHistory) == histories.end())
                histories.push_back(item.m_pHistory);
        }
        for (CBrnDataFile* h : histories) {
            try {
                bool loaded = h->LoadPacks();
                state.packCounts.push_back(loaded ? static_cast<int>(h->Packs().size()) : -1);
                int recorded = 0;
                for (const auto& p : h->Packs())
                    for (const CBrennaItem* item : h->LinkedItems())
                        if (CompareFileTime(&p->RunTime(), &item->m_evacuationTime) == 0) {
                            ++recorded;
                            break;
                        }
                state.recordedCounts.push_back(loaded ? recorded : -1);
            } catch (const fw::CException&) {
                state.packCounts.push_back(-2);
                state.recordedCounts.push_back(-2);
            }
        }
        std::sort(state.packCounts.begin(), state.packCounts.end());
        std::sort(state.recordedCounts.begin(), state.recordedCounts.end());
        return state;
    }

    // Empty when the record's copy is there whole.
    std::string CopyFault(const CBrennaItem& item) {
        if (item.m_generation == 0) {
            auto known = originals.find(item.m_source);
            auto expected = known != originals.end() ? known->second : Contents(item.m_source);
            return Contents(item.m_stored) == expected ? "" : "copy missing or not whole";
        }
        if (!item.m_pHistory) return "history not read";
        try {
            const CBrnBackupItemPack* pack = item.m_pHistory->FindPack(item.m_evacuationTime);
            if (!pack) return "pack missing";
            for (const auto& e : pack->Entries()) {
                std::string copy = util::JoinPath(item.m_pHistory->Repository(), e->StoredName());
                // The sources are never empty, so an empty copy is one cut short.
                if (!testutil::Exists(copy) || testutil::ReadFile(copy).empty())
                    return "copy of " + e->Source() + " missing or empty";
            }
        } catch (const fw::CException&) {
            return "history damaged";
        }
        return "";
    }
};

// One operation of the program, started the way the user starts it.
struct Operation {
    const char* name;
    // Builds the state the operation starts from, without faults.
    std::function<void(World&)> prepare;
    // Carries it out; true when the user was told that it failed (a message, or a failure result
    // that the list turns into one).
    std::function<bool(World&)> run;
    // What must hold once it succeeded, beyond the catalogue (may be empty).
    std::function<void(World&)> verify;
    // The fewest steps of any kind it takes, so that the loop cannot pass without reaching them.
    int minSteps;
};

// Makes step n fail (n = 1, 2, ...) until the operation no longer reaches step n, and checks
// every failure; returns the number of steps the operation took.
int LoopOverSteps(const Operation& op, fw::FileOp kind, DWORD error) {
    World reference;
    op.prepare(reference);
    EXPECT_FALSE(op.run(reference)) << "unhindered";
    const DiskState expected = reference.Read();
    EXPECT_TRUE(expected.quiet && expected.faults.empty());

    for (int n = 1;; ++n) {
        SCOPED_TRACE("step " + std::to_string(n));
        World w;
        op.prepare(w);
        const DiskState old = w.Read();
        w.prompt.shown.clear();
        fw::FailCalls(kind, {n}, error);
        bool told = op.run(w);
        bool reached = fw::FaultInjected();
        fw::DisarmFaults();
        if (!reached) {
            EXPECT_FALSE(told);
            return n - 1;
        }
        // What a process started now finds.
        DiskState now = w.Read();
        EXPECT_TRUE(now.quiet);
        EXPECT_TRUE(now.faults.empty()) << now.faults.front();
        const bool isOld = now.SameAs(old), isNew = now.SameKindAs(expected);
        EXPECT_TRUE(isOld || isNew) << "neither the old nor the new catalogue and history";
        if (!told) {
            EXPECT_TRUE(isNew) << "a failure reported as success";
            if (isNew && op.verify) op.verify(w);
        }
        // Whatever the failed attempt left behind, a new attempt goes through (one that got
        // through in spite of the fault, a step that may fail without harm such as removing
        // a backup run's append journal, has nothing left to do).
        if (isNew && (!op.verify || !told)) continue;
        w.Restart();
        w.prompt.shown.clear();
        EXPECT_FALSE(op.run(w)) << "second attempt: "
                                << (w.prompt.shown.empty() ? "" : w.prompt.shown.back().text);
        DiskState after = w.Read();
        EXPECT_TRUE(after.quiet && after.faults.empty());
        EXPECT_TRUE(after.SameKindAs(expected));
        if (op.verify) op.verify(w);
        if (::testing::Test::HasFailure()) return n;
    }
}

// A folder tree of a few files and a subfolder.
std::string MakeTree(World& w) {
    w.Write("tree\\a.txt", "alpha");
    w.Write("tree\\b.txt", "bravo");
    w.Write("tree\\sub\\c.txt", "charlie");
    return w.src / "tree";
}

bool DispatchTells(World& w, const std::string& path) {
    w.Repo().DispatchPaths({path}, true);
    return !w.prompt.shown.empty();
}

const Operation kOperations[] = {
    {"catalogue save",
     [](World& w) {
         w.Evacuate(w.Write("one.txt", "first"));
         w.Evacuate(w.Write("two.txt", "second"));
     },
     [](World& w) {
         CBrennaItem* item = w.Find(w.src / "one.txt", 0);
         EXPECT_TRUE(item && item->SetDescription("described"));
         return !w.Repo().SaveOrTell(TRUE);
     },
     {},
     5},
    {"backup run updating its history",
     [](World& w) {
         std::string def = w.Definition(MakeTree(w));
         EXPECT_FALSE(DispatchTells(w, def));
         w.Write("tree\\a.txt", "alpha, changed");
         w.Write("tree\\sub\\d.txt", "delta");
     },
     [](World& w) { return DispatchTells(w, w.defs / "Data.brn"); },
     [](World& w) {
         // The newest pack holds every file as it is now, the changed and the new one too.
         CDataFile disk;
         disk.SetFolder(w.repo.Path());
         disk.Load();
         const CBrennaItem* newest = disk.GetItem(disk.GetCount() - 1);
         ASSERT_TRUE(newest->m_pHistory && newest->m_pHistory->LoadAllEntries());
         const CBrnBackupItemPack* pack = newest->m_pHistory->LastPack();
         ASSERT_EQ(pack->EntryCount(), 4);
         for (const auto& e : pack->Entries())
             EXPECT_EQ(testutil::ReadFile(w.repo / e->StoredName()),
                       testutil::ReadFile(e->Source()))
                 << e->Source();
     },
     10},
    {"deletion of a pack",
     [](World& w) {
         std::string def = w.Definition(MakeTree(w));
         EXPECT_FALSE(DispatchTells(w, def));
         w.Write("tree\\a.txt", "alpha, changed");
         EXPECT_FALSE(DispatchTells(w, def));
     },
     [](World& w) {
         CBrennaItem* first = w.Find(w.src / "tree", 1);
         return !first || !w.Repo().DeleteItem(first);
     },
     {},
     6},
    {"evacuation of a folder tree",
     [](World& w) {
         w.Evacuate(w.Write("earlier.txt", "earlier"));
         MakeTree(w);
     },
     [](World& w) {
         w.originals[w.src / "tree"] = World::Contents(w.src / "tree");
         return DispatchTells(w, w.src / "tree");
     },
     {},
     10},
    {"restore of a file",
     [](World& w) {
         w.Evacuate(w.Write("one.txt", "as evacuated"));
         w.Write("one.txt", "changed since, and longer");
     },
     [](World& w) {
         CBrennaItem* item = w.Find(w.src / "one.txt", 0);
         return !item || !item->WriteOut(item->m_source.c_str());
     },
     [](World& w) { EXPECT_EQ(testutil::ReadFile(w.src / "one.txt"), "as evacuated"); }, 2},
    {"restore of a folder",
     [](World& w) {
         w.Evacuate(MakeTree(w));
         w.Write("tree\\a.txt", "changed since");
         DeleteFileA((w.src / "tree\\sub\\c.txt").c_str());
     },
     [](World& w) {
         CBrennaItem* item = w.Find(w.src / "tree", 0);
         return !item || !item->WriteOut(item->m_source.c_str());
     },
     [](World& w) { EXPECT_EQ(World::Contents(w.src / "tree"), w.originals[w.src / "tree"]); }, 6},
};

// The variable that tells this program, started again, to carry out one operation of an attempt
// prepared by its parent: "<operation index>|<repository>|<sources>|<definitions>".
constexpr char kChildVariable[] = "BRENNA_FAULT_LOOP_CHILD";

// Ends a second process at step n (n = 1, 2, ...) of the operation until it no longer reaches
// step n, and checks what each ended process left; returns the number of steps it took.
int LoopOverEndedProcesses(size_t index) {
    const Operation& op = kOperations[index];
    World reference;
    op.prepare(reference);
    EXPECT_FALSE(op.run(reference)) << "unhindered";
    const DiskState expected = reference.Read();

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string child =
        testutil::Quote(self) + " --gtest_filter=KilledOperation.Child --gtest_brief=1";
    for (int n = 1;; ++n) {
        SCOPED_TRACE("process ended at step " + std::to_string(n));
        World w;
        op.prepare(w);
        const DiskState old = w.Read();
        w.scratch.reset();  // the second process is the one that works now
        std::string job =
            std::to_string(index) + "|" + w.repo.Path() + "|" + w.src.Path() + "|" + w.defs.Path();
        SetEnvironmentVariableA(kChildVariable, job.c_str());
        SetEnvironmentVariableA(fw::kEndAtWriteVariable, std::to_string(n).c_str());
        DWORD exitCode = testutil::RunCommand(child);
        SetEnvironmentVariableA(fw::kEndAtWriteVariable, nullptr);
        SetEnvironmentVariableA(kChildVariable, nullptr);
        if (exitCode == 0) {
            // It completed without reaching step n.
            EXPECT_TRUE(w.Read().SameKindAs(expected));
            return n - 1;
        }
        EXPECT_EQ(exitCode, fw::kEndedAtWrite);
        if (exitCode != fw::kEndedAtWrite) return n;
        // A pack that no record names may be left (a run ended before its catalogue save, a
        // deletion before its history update): nothing shows it, and the next run of its
        // definition takes it out. What the program shows is the old state or the new one.
        DiskState now = w.Read();
        EXPECT_TRUE(now.quiet);
        EXPECT_TRUE(now.faults.empty()) << now.faults.front();
        const bool isOld = now.SameAs(old, true), isNew = now.SameKindAs(expected, true);
        EXPECT_TRUE(isOld || isNew) << "neither the old nor the new catalogue and history";
        // The next process finishes the work, whatever the ended one left behind.
        w.Restart();
        w.prompt.shown.clear();
        if (!isNew || op.verify) {
            EXPECT_FALSE(op.run(w)) << "after the ended process: "
                                    << (w.prompt.shown.empty() ? "" : w.prompt.shown.back().text);
        }
        DiskState after = w.Read();
        EXPECT_TRUE(after.quiet && after.faults.empty());
        EXPECT_TRUE(after.SameKindAs(expected, true));
        // A run of the definition leaves no pack behind that no record names.
        if (!isNew) {
            EXPECT_EQ(after.packCounts, after.recordedCounts);
        }
        if (op.verify) op.verify(w);
        if (::testing::Test::HasFailure()) return n;
    }
}

struct FaultKind {
    const char* name;
    fw::FileOp op;
    DWORD error;
};

const FaultKind kFaultKinds[] = {
    {"any step", fw::FileOp::any, ERROR_WRITE_FAULT},
    {"disk full", fw::FileOp::write, ERROR_DISK_FULL},
};

class FaultLoop : public ::testing::TestWithParam<const Operation*> {
protected:
    void TearDown() override { fw::DisarmFaults(); }
};

TEST_P(FaultLoop, EveryFailingStepLeavesOldOrNewAndCanBeRetried) {
    for (const FaultKind& kind : kFaultKinds) {
        SCOPED_TRACE(kind.name);
        DWORD start = GetTickCount();
        int steps = LoopOverSteps(*GetParam(), kind.op, kind.error);
        // A loop that reached no step proves nothing.
        EXPECT_GE(steps, kind.op == fw::FileOp::any ? GetParam()->minSteps : 1);
        RecordProperty(kind.op == fw::FileOp::any ? "steps" : "writes", steps);
        std::printf("%s, %s: %d steps, %lu ms\n", GetParam()->name, kind.name, steps,
                    GetTickCount() - start);
    }
}

std::string OperationName(const ::testing::TestParamInfo<const Operation*>& info) {
    std::string name;
    for (const char* p = info.param->name; *p; ++p)
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
    return name;
}

TEST_P(FaultLoop, AProcessEndedAtEachStepLeavesOldOrNewAndTheNextOneFinishes) {
    size_t index = static_cast<size_t>(GetParam() - kOperations);
    DWORD start = GetTickCount();
    int steps = LoopOverEndedProcesses(index);
    EXPECT_GE(steps, GetParam()->minSteps);
    RecordProperty("steps", steps);
    std::printf("%s, process ended: %d steps, %lu ms\n", GetParam()->name, steps,
                GetTickCount() - start);
}

// The second process of the loop above: carries out the operation its parent prepared, and
// ends itself at the step the parent chose. Skipped when not started that way.
TEST(KilledOperation, Child) {
    char job[3 * MAX_PATH + 16];
    DWORD len = GetEnvironmentVariableA(kChildVariable, job, sizeof job);
    if (len == 0 || len >= sizeof job)
        GTEST_SKIP() << "runs only as the second process of a fault loop";
    std::vector<std::string> parts;
    std::string rest = job;
    for (size_t bar; (bar = rest.find('|')) != std::string::npos; rest.erase(0, bar + 1))
        parts.push_back(rest.substr(0, bar));
    parts.push_back(rest);
    ASSERT_EQ(parts.size(), 4u);
    size_t index = std::stoul(parts[0]);
    ASSERT_LT(index, std::size(kOperations));
    World w(parts[1], parts[2], parts[3]);
    EXPECT_FALSE(kOperations[index].run(w));
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultLoop,
                         ::testing::Values(&kOperations[0], &kOperations[1], &kOperations[2],
                                           &kOperations[3], &kOperations[4], &kOperations[5]),
                         OperationName);

}  // namespace
