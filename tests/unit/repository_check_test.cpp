// The repository check on repositories built by evacuations and backup runs and then damaged
// behind the program's back: what it finds, what its report says, and the recording of
// unreferenced copies as items.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>
#include <tuple>

#include "ScratchRepository.h"
#include "TestUtil.h"
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "store/RepositoryCheck.h"
#include "util/FileUtil.h"

using store::CheckKind;
using testutil::TempDir;

namespace {

FILETIME HourLater(const FILETIME& t) {
    ULARGE_INTEGER v{{t.dwLowDateTime, t.dwHighDateTime}};
    v.QuadPart += 3600ull * 10000000ull;
    return {v.LowPart, v.HighPart};
}

void SetLastWrite(const std::string& path, const FILETIME& t) {
    fw::CHandle h(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(h) << path;
    ASSERT_TRUE(SetFileTime(h.Get(), nullptr, nullptr, &t)) << path;
}

// A repository as the program leaves it: a file and a folder evacuated, and a backup definition
// run twice with one file changed in between; the catalogue saved.
//   br000000\a.txt        the file a.txt
//   br000000\Docs         the folder Docs with sub\b.txt
//   br000000\Photos.dat   the history of Photos.brn, two packs
//   br000000\x.txt, y.txt the first run's copies
//   br000001\y.txt        the second run's copy of the changed y.txt
struct CheckedRepository {
    CheckedRepository() {
        scratch->Settings().brnFile = true;
        testutil::WriteFile(src / "a.txt", "alpha");
        testutil::WriteFile(src / "Docs\\sub\\b.txt", "beta");
        testutil::WriteFile(src / "data\\x.txt", "ex");
        testutil::WriteFile(src / "data\\y.txt", "why");
        EXPECT_TRUE(scratch->Dispatch((src / "a.txt").c_str()));
        EXPECT_TRUE(scratch->Dispatch((src / "Docs").c_str()));
        CBrnFile def;
        EXPECT_TRUE(def.SetFolder(src / "data"));
        definition = defs / "Photos.brn";
        EXPECT_TRUE(def.CreateNew(definition));
        EXPECT_TRUE(def.Save());
        def.Close();
        EXPECT_TRUE(scratch->Dispatch(definition.c_str()));
        testutil::WriteFile(src / "data\\y.txt", "why not");
        EXPECT_TRUE(scratch->Dispatch(definition.c_str()));
        EXPECT_EQ(scratch->Count(), 4u);
        EXPECT_TRUE(scratch->Save(FALSE));
    }
    std::string Repo(const std::string& rel) const { return repo / rel; }
    CBrennaItem& ItemStoredAt(const std::string& rel) {
        for (size_t i = 0; i < scratch->Count(); ++i)
            if (scratch->Item(i)->m_stored == Repo(rel) && !scratch->Item(i)->IsBackupRun())
                return *scratch->Item(i);
        ADD_FAILURE() << rel;
        return *scratch->Item(0);
    }
    // A process that copied src\rel into the repository and ended before it recorded the copy.
    std::string InterruptedEvacuation(const std::string& rel, const std::string& content) {
        if (content.empty())
            testutil::WriteFile(src / (rel + "\\inner.txt"), "inner");
        else
            testutil::WriteFile(src / rel, content);
        testutil::ScratchRepository other(repo.Path());
        EXPECT_TRUE(other->Dispatch((src / rel).c_str()));
        return other->Item(0)->m_stored;
    }
    store::CheckResult Check() { return store::CheckRepository(*scratch); }

    TempDir repo, src, defs;
    std::string definition;
    testutil::ScriptedPrompt prompt;
    testutil::ScratchRepository scratch{repo.Path()};
};

struct Expected {
    CheckKind kind;
    std::string path;     // relative to the repository
    std::string history;  // relative to the repository, or empty
    std::string line;     // the report's English line for it, with $ for the repository
    bool operator<(const Expected& o) const {
        return std::tie(kind, path, history) < std::tie(o.kind, o.path, o.history);
    }
    bool operator==(const Expected& o) const {
        return std::tie(kind, path, history) == std::tie(o.kind, o.path, o.history);
    }
};

std::vector<Expected> Found(const store::CheckResult& r, const std::string& repo) {
    std::vector<Expected> out;
    auto rel = [&](const std::string& p) {
        return p.empty()                                         ? p
               : p.compare(0, repo.size() + 1, repo + "\\") == 0 ? p.substr(repo.size() + 1)
                                                                 : p;
    };
    for (const auto& f : r.findings) out.push_back({f.kind, rel(f.path), rel(f.history), {}});
    std::sort(out.begin(), out.end());
    return out;
}

std::string Replace(std::string text, const std::string& repo) {
    for (size_t at; (at = text.find('$')) != std::string::npos;) text.replace(at, 1, repo);
    return text;
}

std::ostream& operator<<(std::ostream& os, const Expected& e) {
    return os << static_cast<int>(e.kind) << ' ' << e.path << ' ' << e.history;
}

struct DamageCase {
    const char* name;
    void (*damage)(CheckedRepository& r);
    std::vector<Expected> expected;
};

// What a damage case finds first, followed by the runs' copies that nothing refers to any more.
std::vector<Expected> ThenRunCopiesOrphaned(Expected first) {
    return {first,
            {CheckKind::OrphanEntry, "br000000\\x.txt", "",
             "Copy that no item refers to: $\\br000000\\x.txt"},
            {CheckKind::OrphanEntry, "br000000\\y.txt", "",
             "Copy that no item refers to: $\\br000000\\y.txt"},
            {CheckKind::OrphanFolder, "br000001", "",
             "Numbered folder that no item refers to: $\\br000001"}};
}

const DamageCase kDamage[] = {
    {"CopyDeleted",
     [](CheckedRepository& r) { ASSERT_TRUE(DeleteFileA(r.Repo("br000000\\a.txt").c_str())); },
     {{CheckKind::MissingCopy, "br000000\\a.txt", "", "Stored copy missing: $\\br000000\\a.txt"}}},
    {"FolderCopyDeleted",
     [](CheckedRepository& r) {
         ASSERT_TRUE(util::DeleteFolderTree(r.Repo("br000000\\Docs").c_str()));
     },
     {{CheckKind::MissingCopy, "br000000\\Docs", "", "Stored copy missing: $\\br000000\\Docs"}}},
    {"CopyWrittenAfterItWasStored",
     [](CheckedRepository& r) {
         testutil::WriteFile(r.Repo("br000000\\a.txt"), "overwritten");
         SetLastWrite(r.Repo("br000000\\a.txt"),
                      HourLater(r.ItemStoredAt("br000000\\a.txt").m_evacuationTime));
     },
     {{CheckKind::ChangedCopy, "br000000\\a.txt", "",
       "Copy changed after it was stored: $\\br000000\\a.txt"}}},
    {"FileInsideAFolderCopyWrittenAfterItWasStored",
     [](CheckedRepository& r) {
         SetLastWrite(r.Repo("br000000\\Docs\\sub\\b.txt"),
                      HourLater(r.ItemStoredAt("br000000\\Docs").m_evacuationTime));
     },
     {{CheckKind::ChangedCopy, "br000000\\Docs\\sub\\b.txt", "",
       "Copy changed after it was stored: $\\br000000\\Docs\\sub\\b.txt"}}},
    {"BackupCopyWrittenAfterItsRun",
     [](CheckedRepository& r) {
         // The first run's copy of x.txt, which the second pack still uses.
         SetLastWrite(r.Repo("br000000\\x.txt"), HourLater(r.scratch->Item(2)->m_evacuationTime));
     },
     {{CheckKind::ChangedCopy, "br000000\\x.txt", "",
       "Copy changed after it was stored: $\\br000000\\x.txt"}}},
    {"HistoryFailsItsHeader",
     [](CheckedRepository& r) {
         std::string bytes = testutil::ReadFile(r.Repo("br000000\\Photos.dat"));
         testutil::WriteFile(r.Repo("br000000\\Photos.dat"), "XXXX" + bytes.substr(4));
     },
     // No readable pack refers to the runs' copies any more.
     ThenRunCopiesOrphaned({CheckKind::DamagedHistory, "br000000\\Photos.dat", "",
                            "Backup history that fails its header check or cannot be read: "
                            "$\\br000000\\Photos.dat"})},
    {"HistoryCutShort",
     [](CheckedRepository& r) {
         std::string bytes = testutil::ReadFile(r.Repo("br000000\\Photos.dat"));
         testutil::WriteFile(r.Repo("br000000\\Photos.dat"), bytes.substr(0, 60));
     },
     // No readable pack refers to the runs' copies any more.
     ThenRunCopiesOrphaned({CheckKind::DamagedHistory, "br000000\\Photos.dat", "",
                            "Backup history that fails its header check or cannot be read: "
                            "$\\br000000\\Photos.dat"})},
    {"HistoryPointsAtAMissingCopy",
     [](CheckedRepository& r) { ASSERT_TRUE(DeleteFileA(r.Repo("br000000\\x.txt").c_str())); },
     {{CheckKind::HistoryMissingCopy, "br000000\\x.txt", "br000000\\Photos.dat",
       "Copy missing that a backup history refers to: $\\br000000\\x.txt (history "
       "$\\br000000\\Photos.dat)"}}},
    {"HistoryDeleted",
     [](CheckedRepository& r) { ASSERT_TRUE(DeleteFileA(r.Repo("br000000\\Photos.dat").c_str())); },
     // Nothing refers to the runs' copies any more.
     ThenRunCopiesOrphaned({CheckKind::MissingCopy, "br000000\\Photos.dat", "",
                            "Stored copy missing: $\\br000000\\Photos.dat"})},
    {"RunTakenOutOfItsHistory",
     [](CheckedRepository& r) {
         // The history rewritten without the second run, whose item stays in the catalogue.
         CBrennaItem link;
         link.m_stored = r.Repo("br000000\\Photos.dat");
         CBrnDataFile history(r.repo.Path());
         history.LinkItem(&link);
         ASSERT_TRUE(history.DeletePack(r.scratch->Item(3)->m_evacuationTime));
     },
     {{CheckKind::MissingRun, "br000000\\Photos.dat", "",
       "Backup history without the run of one of its items: $\\br000000\\Photos.dat"}}},
    {"CopyLeftInAUsedFolderByAnInterruptedEvacuation",
     [](CheckedRepository& r) { r.InterruptedEvacuation("c.txt", "see"); },
     {{CheckKind::OrphanEntry, "br000000\\c.txt", "",
       "Copy that no item refers to: $\\br000000\\c.txt"}}},
    {"NumberedFolderLeftByAnInterruptedEvacuation",
     [](CheckedRepository& r) {
         // y.txt is taken in br000000 and br000001, so the copy gets a folder of its own.
         r.InterruptedEvacuation("other\\y.txt", "another why");
     },
     {{CheckKind::OrphanFolder, "br000002", "",
       "Numbered folder that no item refers to: $\\br000002"}}},
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class RepositoryCheckDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(RepositoryCheckDamage, ReportNamesWhatWasDamaged) {
    CheckedRepository r;
    ASSERT_TRUE(r.Check().Clean()) << store::FormatCheckReport(r.Check(), r.repo.Path());
    GetParam().damage(r);
    if (HasFatalFailure()) return;
    const std::map<std::string, std::string> before = testutil::SnapshotTree(r.repo.Path());

    store::CheckResult result = r.Check();
    ASSERT_EQ(result.status, store::CheckStatus::Ran);
    std::vector<Expected> expected = GetParam().expected;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Found(result, r.repo.Path()), expected);

    std::string report = store::FormatCheckReport(result, r.repo.Path());
    EXPECT_EQ(report.find("Check of the repository " + r.repo.Path() + "\r\n"), 0u) << report;
    for (const Expected& e : expected)
        EXPECT_NE(report.find(Replace(e.line, r.repo.Path()) + "\r\n"), std::string::npos)
            << report << "\nlacks: " << Replace(e.line, r.repo.Path());
    EXPECT_NE(report.find("Problems found: " + std::to_string(expected.size()) + ".\r\n"),
              std::string::npos)
        << report;
    // The check changes nothing.
    EXPECT_EQ(testutil::SnapshotTree(r.repo.Path()), before);
    EXPECT_FALSE(r.scratch->Catalogue().IsChanged());
}

INSTANTIATE_TEST_SUITE_P(Damage, RepositoryCheckDamage, ::testing::ValuesIn(kDamage),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RepositoryCheck, WhatTheProgramLeavesBehindIsClean) {
    CheckedRepository r;
    // A deletion keeps its numbered folder, empty. A history without packs and without an item
    // is what a first run that found nothing leaves when it keeps its history file. Neither is
    // damage.
    testutil::WriteFile(r.src / "z\\y.txt", "zed");
    ASSERT_TRUE(r.scratch->Dispatch((r.src / "z\\y.txt").c_str()));
    ASSERT_EQ(r.scratch->Item(4)->m_stored, r.Repo("br000002\\y.txt"));
    ASSERT_TRUE(r.scratch->RemoveItem(r.scratch->Item(4)));
    CBrnDataFile empty(r.repo.Path());
    ASSERT_TRUE(empty.CreateForDefinition(r.defs / "Empty.brn", GUID{1, 2, 3, {4}}));
    ASSERT_TRUE(empty.SavePacks());
    ASSERT_EQ(testutil::ReadFile(r.Repo("br000000\\Empty.dat")).size(), 28u);
    ASSERT_TRUE(r.scratch->Save(FALSE));

    store::CheckResult result = r.Check();
    EXPECT_TRUE(result.Clean());
    std::string report = store::FormatCheckReport(result, r.repo.Path());
    EXPECT_EQ(report, "Check of the repository " + r.repo.Path() + "\r\nNo problems found.\r\n");
}

TEST(RepositoryCheck, ItemsNotYetSavedAndItemsSavedByAnotherProcessAreNoOrphans) {
    CheckedRepository r;
    // Recorded in memory only.
    testutil::WriteFile(r.src / "unsaved.txt", "u");
    ASSERT_TRUE(r.scratch->Dispatch((r.src / "unsaved.txt").c_str()));
    // Recorded on disk by another process.
    testutil::WriteFile(r.src / "theirs.txt", "t");
    {
        testutil::ScratchRepository other(r.repo.Path());
        ASSERT_TRUE(other->Load());
        ASSERT_TRUE(other->Dispatch((r.src / "theirs.txt").c_str()));
        ASSERT_TRUE(other->Save(FALSE));
    }
    EXPECT_TRUE(r.Check().Clean()) << store::FormatCheckReport(r.Check(), r.repo.Path());
}

TEST(RepositoryCheck, ARepositoryThatCannotBeCheckedSaysWhy) {
    TempDir base;
    testutil::ScriptedPrompt prompt;
    CRepository missing;
    ASSERT_TRUE(missing.SetFolder(base / "nowhere"));
    store::CheckResult result = store::CheckRepository(missing);
    EXPECT_EQ(result.status, store::CheckStatus::NoRepository);
    EXPECT_NE(store::FormatCheckReport(result, missing.Folder())
                  .find("The check could not run: the repository folder does not exist."),
              std::string::npos);

    CRepository damaged;
    ASSERT_TRUE(damaged.SetFolder(base.Path()));
    testutil::WriteFile(base / "brenna.dat", std::string("BRNG\0\0\2\0\5\0\0\0garbage", 19));
    result = store::CheckRepository(damaged);
    EXPECT_EQ(result.status, store::CheckStatus::CatalogueUnreadable);
    EXPECT_TRUE(prompt.shown.empty());

    // Held by another thread for longer than the check waits.
    damaged.SetMutexName("BrennaholdCheckTestMutex");
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HANDLE m = CreateMutexA(nullptr, TRUE, "BrennaholdCheckTestMutex");
        SetEvent(held);
        WaitForSingleObject(release, INFINITE);
        ReleaseMutex(m);
        CloseHandle(m);
    });
    WaitForSingleObject(held, INFINITE);
    result = store::CheckRepository(damaged, 100);
    EXPECT_EQ(result.status, store::CheckStatus::LockUnavailable);
    SetEvent(release);
    holder.join();
    CloseHandle(held);
    CloseHandle(release);
}

TEST(RepositoryCheck, DamagedOrForeignFilesInNumberedFoldersAreOnlyOrphans) {
    CheckedRepository r;
    // Files that look like histories but are not, or are cut short, lie unreferenced.
    testutil::WriteFile(r.Repo("br000003\\fake.dat"), std::string("BRND\0\0\1\0", 8) + "short");
    testutil::WriteFile(r.Repo("br000003\\huge.dat"),
                        std::string("BRND\0\0\1\0", 8) + std::string(16, 'g') + "\xFF\xFF\xFF\x7F");
    testutil::WriteFile(r.Repo("br000003\\empty"), "");
    store::CheckResult result = r.Check();
    std::vector<Expected> expected = {{CheckKind::OrphanFolder, "br000003", "", ""}};
    EXPECT_EQ(Found(result, r.repo.Path()), expected);
}

std::vector<std::tuple<std::string, std::string, std::string, DWORD, DWORD>> Records(
    const std::string& repo) {
    testutil::ScriptedPrompt quiet;
    CDataFile catalogue;
    EXPECT_TRUE(catalogue.SetFolder(repo));
    EXPECT_TRUE(catalogue.Load());
    std::vector<std::tuple<std::string, std::string, std::string, DWORD, DWORD>> out;
    for (size_t i = 0; i < catalogue.GetCount(); ++i) {
        const CBrennaItem* item = catalogue.GetItem(i);
        out.emplace_back(item->m_source, item->m_stored, item->m_description, item->m_fileFlag,
                         item->m_generation);
    }
    return out;
}

TEST(RepositoryCheck, RecoveryRecordsEveryOrphanAsAnItemAndChangesNothingElse) {
    CheckedRepository r;
    std::string file = r.InterruptedEvacuation("c.txt", "see");
    std::string folder = r.InterruptedEvacuation("Pics", "");
    std::string alone = r.InterruptedEvacuation("other\\y.txt", "another why");
    ASSERT_EQ(folder, r.Repo("br000000\\Pics"));
    ASSERT_EQ(alone, r.Repo("br000002\\y.txt"));
    const auto recordsBefore = Records(r.repo.Path());
    auto treeBefore = testutil::SnapshotTree(r.repo.Path());
    treeBefore.erase("brenna.dat");

    store::CheckResult result = r.Check();
    ASSERT_EQ(result.OrphanCount(), 3u);
    r.scratch.observer.added.clear();
    bool saved = false;
    EXPECT_EQ(store::RecoverOrphans(*r.scratch, result, saved), 3u);
    EXPECT_TRUE(saved);
    ASSERT_EQ(r.scratch.observer.added.size(), 1u);
    EXPECT_EQ(r.scratch.observer.added[0].first, 4u);
    EXPECT_EQ(r.scratch.observer.added[0].count, 3u);
    // Not an evacuation: no property dialog follows, whatever "askalways" says.
    EXPECT_FALSE(r.scratch.observer.added[0].evacuated);

    auto records = Records(r.repo.Path());
    ASSERT_EQ(records.size(), recordsBefore.size() + 3);
    EXPECT_TRUE(std::equal(recordsBefore.begin(), recordsBefore.end(), records.begin()));
    std::vector<std::tuple<std::string, std::string, std::string, DWORD, DWORD>> added(
        records.begin() + recordsBefore.size(), records.end());
    std::sort(added.begin(), added.end());
    decltype(added) expected = {{file, file, "recovered", 1, 0},
                                {folder, folder, "recovered", 0, 0},
                                {alone, alone, "recovered", 1, 0}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(added, expected);

    auto treeAfter = testutil::SnapshotTree(r.repo.Path());
    treeAfter.erase("brenna.dat");
    EXPECT_EQ(treeAfter, treeBefore);
    EXPECT_TRUE(r.Check().Clean()) << store::FormatCheckReport(r.Check(), r.repo.Path());
    // A second recovery from the same findings records nothing twice.
    EXPECT_EQ(store::RecoverOrphans(*r.scratch, result, saved), 0u);
    EXPECT_EQ(Records(r.repo.Path()).size(), records.size());
}

TEST(RepositoryCheckMbcs, MultiByteNamesAreCheckedAndRecovered) {
    // 表 ends in the byte 0x5C, a backslash when read byte by byte.
    const bool ja = testutil::IsJapaneseCodePage();
    const std::string name = ja ? "\x95\x5C.txt" : "caf\xE9.txt";
    const std::string dir = ja ? "\x95\x5C" : "D\xE9j\xE0";
    CheckedRepository r;
    testutil::WriteFile(r.src / (dir + "\\" + name), "mb");
    testutil::WriteFile(r.src / name, "mb");
    ASSERT_TRUE(r.scratch->Dispatch((r.src / dir).c_str()));
    ASSERT_TRUE(r.scratch->Dispatch((r.src / name).c_str()));
    ASSERT_TRUE(r.scratch->Save(FALSE));
    EXPECT_TRUE(r.Check().Clean()) << store::FormatCheckReport(r.Check(), r.repo.Path());

    SetLastWrite(r.Repo("br000000\\" + dir + "\\" + name),
                 HourLater(r.scratch->Item(4)->m_evacuationTime));
    std::string orphan = r.InterruptedEvacuation(dir + "\\" + name, "mb2");
    ASSERT_EQ(orphan, r.Repo("br000001\\" + name));
    store::CheckResult result = r.Check();
    std::vector<Expected> expected = {
        {CheckKind::ChangedCopy, "br000000\\" + dir + "\\" + name, "", ""},
        {CheckKind::OrphanEntry, "br000001\\" + name, "", ""}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Found(result, r.repo.Path()), expected);
    bool saved = false;
    EXPECT_EQ(store::RecoverOrphans(*r.scratch, result, saved), 1u);
    EXPECT_EQ(r.scratch->Item(r.scratch->Count() - 1)->m_source, orphan);
}

}  // namespace
