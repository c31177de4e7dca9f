// The repository object: saves that keep what other processes recorded, the catalogue's
// decisions about damaged files, and runs that leave nothing half done.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "Bytes.h"
#include "ScratchRepository.h"
#include "TestUtil.h"
#include "backup/BackupRun.h"
#include "fw/Faults.h"
#include "fw/Strings.h"
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "string_ids.h"

using testutil::ScratchRepository;
using testutil::TempDir;

namespace {

class Repository : public ::testing::Test {
protected:
    void SetUp() override { scratch->SetMutexName("BrennaholdTestMutex_" + repo.Path()); }
    void TearDown() override { fw::FailCalls(fw::FileOp::rename, {}); }

    std::string DataPath() const { return repo / "brenna.dat"; }
    // A file below src with content; returns its path.
    std::string Source(const std::string& rel, const std::string& content = "x") {
        testutil::WriteFile(src / rel, content);
        return src / rel;
    }
    // The stored paths "brenna.dat" holds, read by a catalogue of its own.
    std::vector<std::string> StoredOnDisk() {
        CDataFile disk;
        disk.SetFolder(repo.Path());
        disk.Load();
        std::vector<std::string> out;
        for (size_t i = 0; i < disk.GetCount(); ++i) out.push_back(disk.GetItem(i)->m_stored);
        return out;
    }
    // A definition file for target at defs\<name>; returns its path.
    std::string Definition(const std::string& target, const std::string& name = "Data.brn") {
        CBrnFile def;
        EXPECT_TRUE(def.SetFolder(target));
        std::string path = defs / name;
        EXPECT_TRUE(def.CreateNew(path));
        EXPECT_TRUE(def.Save());
        def.Close();
        return path;
    }

    TempDir repo, src, defs;
    ScratchRepository scratch{repo.Path()};
    testutil::ScriptedPrompt prompt;
};

TEST_F(Repository, SaveKeepsWhatAnotherProcessSavedMeanwhile) {
    // This process loaded the empty repository; another process of the same repository (the
    // command line's road) then evacuated and saved on its own.
    scratch->Load();
    ASSERT_TRUE(scratch->Dispatch(Source("mine.txt").c_str()));
    {
        CRepository other;
        ASSERT_TRUE(other.SetFolder(repo.Path()));
        other.SetMutexName(scratch->MutexName());
        other.Reload();
        other.DispatchPaths({Source("theirs.txt")}, true);
    }
    ASSERT_EQ(StoredOnDisk(), std::vector<std::string>{repo / "br000000\\theirs.txt"});

    ASSERT_TRUE(scratch->Save(FALSE));
    EXPECT_EQ(StoredOnDisk(), (std::vector<std::string>{repo / "br000000\\mine.txt",
                                                         repo / "br000000\\theirs.txt"}));
    // The list hears of the other process's item, as one it did not evacuate.
    ASSERT_EQ(scratch->Count(), 2u);
    ASSERT_FALSE(scratch.observer.added.empty());
    EXPECT_EQ(scratch.observer.added.back().first, 1u);
    EXPECT_FALSE(scratch.observer.added.back().evacuated);

    // What this process deletes stays deleted; what the other adds later comes in too.
    ASSERT_TRUE(scratch->RemoveItem(scratch->Item(0)));
    ASSERT_TRUE(scratch->Save(FALSE));
    {
        CRepository other;
        ASSERT_TRUE(other.SetFolder(repo.Path()));
        other.Reload();
        other.DispatchPaths({Source("later.txt")}, true);
    }
    ASSERT_TRUE(scratch->Save(TRUE));
    EXPECT_EQ(StoredOnDisk(), (std::vector<std::string>{repo / "br000000\\theirs.txt",
                                                         repo / "br000000\\later.txt"}));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(Repository, ReloadDecidesAboutDamageAfresh) {
    std::string good;
    {
        ASSERT_TRUE(scratch->Dispatch(Source("a.txt").c_str()));
        ASSERT_TRUE(scratch->Save(FALSE));
        good = testutil::ReadFile(DataPath());
    }
    testutil::WriteFile(DataPath(), good.substr(0, good.size() - 3));
    CDataFile catalogue;
    catalogue.SetFolder(repo.Path());
    EXPECT_FALSE(catalogue.Load());
    // Another process puts a sound file in place; this catalogue reads it again.
    testutil::WriteFile(DataPath(), good);
    EXPECT_TRUE(catalogue.Reload());
    catalogue.SetChanged();
    ASSERT_TRUE(catalogue.Save(FALSE));
    EXPECT_FALSE(testutil::Exists(DataPath() + ".damaged"));
    EXPECT_EQ(testutil::ReadFile(DataPath()), good);
}

TEST_F(Repository, FailedRenameOfADamagedCatalogueLeavesOrNamesTheOriginal) {
    const std::string damaged = "BRNG" + testutil::U32(0x00020000) + testutil::U32(3) + "xx";
    const struct {
        std::initializer_list<int> failing;
        bool putBack;
    } cases[] = {
        // The original is moved aside, the new file cannot take its place: it goes back.
        {{2}, true},
        // Nor can the original go back: the user is told where it is.
        {{2, 3}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.putBack);
        testutil::WriteFile(DataPath(), damaged);
        DeleteFileA((DataPath() + ".damaged").c_str());
        CDataFile catalogue;
        catalogue.SetFolder(repo.Path());
        prompt.shown.clear();
        EXPECT_FALSE(catalogue.Load());
        catalogue.SetChanged();
        fw::FailCalls(fw::FileOp::rename, c.failing);
        EXPECT_FALSE(catalogue.Save(FALSE));
        fw::FailCalls(fw::FileOp::rename, {});
        EXPECT_FALSE(testutil::HasTempFileBeside(DataPath()));
        if (c.putBack) {
            EXPECT_EQ(testutil::ReadFile(DataPath()), damaged);
            EXPECT_FALSE(testutil::Exists(DataPath() + ".damaged"));
            EXPECT_EQ(prompt.shown.size(), 1u);
        } else {
            EXPECT_EQ(testutil::ReadFile(DataPath() + ".damaged"), damaged);
            ASSERT_EQ(prompt.shown.size(), 2u);
            EXPECT_EQ(prompt.shown[1].text,
                      fw::FormatStr(IDS_CATALOGUE_NOT_SAVED_KEPT, (DataPath() + ".damaged").c_str()));
        }
        // Without the fault the save goes through and keeps the original aside.
        ASSERT_TRUE(catalogue.Save(FALSE));
        EXPECT_TRUE(testutil::Exists(DataPath()));
    }
}

TEST_F(Repository, RunItemsBeforeADamagedRecordGetTheirValues) {
    scratch->Settings().brnFile = true;
    std::string target = Source("data\\single.txt", "12345");
    ASSERT_TRUE(scratch->Dispatch(Definition(target).c_str()));
    ASSERT_TRUE(scratch->Save(FALSE));
    // A second record announced but cut short.
    std::string bytes = testutil::ReadFile(DataPath());
    bytes.replace(8, 4, testutil::U32(2));
    testutil::WriteFile(DataPath(), bytes + "cut");

    CDataFile catalogue;
    catalogue.SetFolder(repo.Path());
    EXPECT_FALSE(catalogue.Load());
    ASSERT_EQ(catalogue.GetCount(), 1u);
    const CBrennaItem& run = *catalogue.GetItem(0);
    EXPECT_FALSE(run.IsCopyMissing());
    EXPECT_EQ(run.m_attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(run.m_lastWriteTime.dwHighDateTime, 0u);
}

TEST_F(Repository, DamagedHistoryIsReportedAsSuchAndNoSecondOneStarts) {
    scratch->Settings().brnFile = true;
    std::string data = Source("data\\a.txt");
    std::string def = Definition(src / "data");
    ASSERT_TRUE(scratch->Dispatch(def.c_str()));
    ASSERT_TRUE(scratch->Save(FALSE));
    std::string history = scratch->Item(0)->m_stored;
    testutil::WriteFile(history, "BRNDxx");

    ScratchRepository again(repo.Path());
    again->Settings().brnFile = true;
    prompt.shown.clear();
    again->Load();
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text.find(fw::LoadStr(IDS_MISSING_COPIES)), std::string::npos);
    EXPECT_NE(prompt.shown[0].text.find(fw::LoadStr(IDS_DAMAGED_HISTORIES)), std::string::npos);
    EXPECT_NE(prompt.shown[0].text.find(history), std::string::npos);

    // Running the definition again would hide the damage behind a new history.
    Source("data\\b.txt");
    prompt.shown.clear();
    EXPECT_EQ(again->Dispatch(def.c_str()), 0);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::FormatStr(IDS_RUN_HISTORY_DAMAGED, history.c_str()));
    EXPECT_EQ(again->Count(), 1u);
    EXPECT_EQ(testutil::ReadFile(history), "BRNDxx");
    EXPECT_FALSE(testutil::Exists(repo / "br000001\\Data.dat"));
    EXPECT_FALSE(testutil::Exists(repo / "br000000\\b.txt"));
}

TEST_F(Repository, RunWhoseItemCannotBeAddedLeavesNoPack) {
    std::string target = src / "data";
    Source("data\\a.txt", "first");
    std::string defPath = Definition(target);
    CBrnFile def;
    ASSERT_TRUE(def.Load(defPath));
    auto refuse = [](std::unique_ptr<CBrennaItem>&, CBrnDataFile&,
                     std::unique_ptr<CBrnDataFile>&) { return false; };
    FILETIME t1{0x10000000, 0x01DA0000}, t2{0x20000000, 0x01DA0000};
    int changes = 0;

    // A first run: no history file and no copies stay behind.
    EXPECT_FALSE(backup::RecordRun(scratch->Catalogue(), def, defPath, t1, changes, refuse));
    EXPECT_EQ(scratch->Count(), 0u);
    EXPECT_FALSE(testutil::Exists(repo / "br000000\\Data.dat"));
    EXPECT_FALSE(testutil::Exists(repo / "br000000\\a.txt"));

    // A later run: its pack and the copies it made are taken out of the history again.
    ASSERT_TRUE(backup::RecordRun(scratch->Catalogue(), def, defPath, t1, changes));
    Source("data\\a.txt", "second, longer");
    EXPECT_FALSE(backup::RecordRun(scratch->Catalogue(), def, defPath, t2, changes, refuse));
    EXPECT_EQ(scratch->Count(), 1u);
    CBrnDataFile& history = *scratch->Item(0)->m_pHistory;
    ASSERT_TRUE(history.LoadPacks());
    ASSERT_EQ(history.Packs().size(), 1u);
    EXPECT_EQ(CompareFileTime(&history.Packs()[0]->RunTime(), &t1), 0);
    EXPECT_FALSE(testutil::Exists(repo / "br000001\\a.txt"));
    EXPECT_EQ(testutil::ReadFile(repo / "br000000\\a.txt"), "first");
}

TEST_F(Repository, ShortcutToADefinitionRunsIt) {
    scratch->Settings().brnFile = true;
    Source("data\\a.txt");
    std::string def = Definition(src / "data");
    std::string link = src / "Data.lnk";
    IShellLinkA* sl = scratch.link.Link();
    ASSERT_HRESULT_SUCCEEDED(sl->SetPath(def.c_str()));
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    ASSERT_HRESULT_SUCCEEDED(scratch.link.File()->Save(wide, TRUE));

    ASSERT_TRUE(scratch->Dispatch(link.c_str()));
    ASSERT_EQ(scratch->Count(), 1u);
    EXPECT_EQ(scratch->Item(0)->m_generation, 1u);
    EXPECT_EQ(scratch->Item(0)->m_source, src / "data");
    // With the setting off, the shortcut's target is evacuated as a file.
    scratch->Settings().brnFile = false;
    ASSERT_TRUE(scratch->Dispatch(link.c_str()));
    ASSERT_EQ(scratch->Count(), 2u);
    EXPECT_EQ(scratch->Item(1)->m_generation, 0u);
    EXPECT_EQ(lstrcmpiA(scratch->Item(1)->m_source.c_str(), def.c_str()), 0);
}

TEST_F(Repository, FolderDeletionStoppedByAnOpenFileLeavesNoRecordOfAPartialCopy) {
    Source("tree\\a.txt", "alpha");
    Source("tree\\b.txt", "bravo");
    Source("tree\\sub\\c.txt", "charlie");
    ASSERT_TRUE(scratch->Evacuate((src / "tree").c_str()));
    ASSERT_TRUE(scratch->Save(TRUE));
    CBrennaItem* item = scratch->Item(0);
    const std::string copy = item->m_stored;
    const auto whole = testutil::SnapshotTree(copy);
    // A file of the copy held open without delete sharing, as a viewer or scanner would.
    HANDLE held = CreateFileA((copy + "\\b.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    BOOL deleted = scratch->DeleteItem(item);
    CloseHandle(held);
    if (deleted) {
        // Gone from the catalogue, in memory and on disk; the remains lie aside.
        EXPECT_EQ(scratch->Count(), 0u);
        EXPECT_TRUE(StoredOnDisk().empty());
        EXPECT_FALSE(testutil::Exists(copy));
    } else {
        // Kept, with its copy whole.
        EXPECT_EQ(StoredOnDisk(), std::vector<std::string>{copy});
        EXPECT_EQ(testutil::SnapshotTree(copy), whole);
    }
}

TEST_F(Repository, DispatchedPathsAreSavedAndFailuresReported) {
    scratch->DispatchPaths({Source("a.txt"), src / "missing.txt", Source("b.txt")}, true);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::LoadStr(IDS_FAILED_SAVE_FILE));
    EXPECT_EQ(StoredOnDisk(), (std::vector<std::string>{repo / "br000000\\a.txt",
                                                         repo / "br000000\\b.txt"}));
    EXPECT_FALSE(scratch->Catalogue().IsChanged());
}

}  // namespace
