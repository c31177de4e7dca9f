// Backup runs through the dispatcher: what each run copies, what its pack and catalogue item
// record, and how run items are written out and deleted.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestUtil.h"
#include "Bytes.h"
#include "ScratchRepository.h"
#include "backup/BackupRun.h"
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "store/RepositoryCheck.h"
#include "fw/Exceptions.h"
#include "fw/Strings.h"
#include "string_ids.h"
#include "util/CaseFold.h"
#include "util/FileUtil.h"

using testutil::TempDir;

namespace {

// The history file as it is on disk, read through an object of its own.
struct HistoryOnDisk {
    HistoryOnDisk(const std::string& repository, const std::string& path) : file(repository) {
        link.m_stored = path;
        file.LinkItem(&link);
        loaded = file.LoadAllEntries();
    }
    const CBrnBackupItemPack& Pack(size_t i) const { return *file.Packs().at(i); }
    CBrennaItem link;
    CBrnDataFile file;
    bool loaded;
};

// Source path, stored name and owned flag of every entry of a pack.
struct Entry {
    std::string source, stored;
    bool owned;
    bool operator==(const Entry&) const = default;
};

std::vector<Entry> EntriesOf(const CBrnBackupItemPack& pack) {
    std::vector<Entry> out;
    for (const auto& e : pack.Entries())
        out.push_back({e->Source(), e->StoredName(), e->IsOwned()});
    return out;
}

FILETIME LastWriteOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void SetLastWrite(const std::string& path, FILETIME t) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
}

class BackupRun : public ::testing::Test {
protected:
    void SetUp() override { scratch->Settings().brnFile = true; }

    void UseRepository(const std::string& folder) { ASSERT_TRUE(scratch->SetFolder(folder)); }
    std::string Repo(const std::string& rel) const { return repo / rel; }

    // Writes a definition file for target and returns its path.
    std::string Definition(const std::string& target, const char* exclusions = nullptr,
                           const std::string& name = "Photos.brn") {
        CBrnFile def;
        EXPECT_TRUE(def.SetFolder(target));
        def.SetExclusions(exclusions);
        std::string path = defs / name;
        EXPECT_TRUE(def.CreateNew(path));
        EXPECT_TRUE(def.Save());
        def.Close();
        return path;
    }
    // a.txt, b.txt and sub\c.txt below src\<folder>.
    std::string ThreeFiles(const std::string& folder = "data") {
        testutil::WriteFile(src / (folder + "\\a.txt"), "alpha");
        testutil::WriteFile(src / (folder + "\\b.txt"), "beta");
        testutil::WriteFile(src / (folder + "\\sub\\c.txt"), "gamma");
        return src / folder;
    }
    int Run(const std::string& definition) { return scratch->Dispatch(definition.c_str()); }
    size_t Count() const { return scratch->Catalogue().GetCount(); }
    CBrennaItem* Item(size_t i) const { return scratch->Item(i); }
    bool SaidNothingToAdd() const {
        return !prompt.shown.empty() && prompt.shown.back().text == fw::LoadStr(IDS_NO_FILES_ADDED);
    }

    TempDir repo;
    TempDir src;
    TempDir defs;
    testutil::ScratchRepository scratch{repo.Path()};
    testutil::ScriptedPrompt prompt;
};

TEST_F(BackupRun, FirstRunCopiesEveryFileIntoOnePack) {
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(static_cast<int>(scratch.observer.added.size()), 1);
    ASSERT_EQ(Count(), 1u);
    const CBrennaItem* item = Item(0);
    EXPECT_EQ(item->m_generation, 1u);
    EXPECT_EQ(item->m_fileFlag, 0u);
    EXPECT_EQ(item->m_source, data);
    EXPECT_EQ(item->m_stored, Repo("br000000\\Photos.dat"));
    EXPECT_TRUE(item->m_pHistory != nullptr);
    // The run's item is on disk with its pack at once.
    EXPECT_FALSE(scratch->Catalogue().IsChanged());
    EXPECT_EQ(scratch->Catalogue().GetHistoryCount(), 1u);
    EXPECT_NE(item->m_attributes, INVALID_FILE_ATTRIBUTES);

    HistoryOnDisk h(repo.Path(), item->m_stored);
    ASSERT_TRUE(h.loaded);
    ASSERT_EQ(h.file.Packs().size(), 1u);
    EXPECT_EQ(util::CompareFileTimeValues(h.Pack(0).RunTime(), item->m_evacuationTime), 0);
    EXPECT_EQ(h.Pack(0).Definition().Folder(), data);
    std::vector<Entry> expected = {{data + "\\a.txt", "br000000\\a.txt", true},
                                   {data + "\\b.txt", "br000000\\b.txt", true},
                                   {data + "\\sub\\c.txt", "br000000\\c.txt", true}};
    EXPECT_EQ(EntriesOf(h.Pack(0)), expected);
    EXPECT_EQ(testutil::ReadFile(Repo("br000000\\c.txt")), "gamma");
    // The copy keeps the source's last-write time, which later runs compare.
    FILETIME a = LastWriteOf(data + "\\a.txt"), copy = LastWriteOf(Repo("br000000\\a.txt"));
    EXPECT_EQ(util::CompareFileTimeValues(a, copy), 0);
}

TEST_F(BackupRun, UnchangedTargetRecordsNothingAndLeavesTheHistoryAlone) {
    // Names whose listing order and case vary: the run must still see every file as unchanged.
    std::string data = src / "data";
    for (const char* name :
         {"ab.txt", "ab\\x.txt", "ab-c.txt", "AB_d.txt", "B.TXT", "a", "ab\\Y\\z.txt", "_lead.txt"})
        testutil::WriteFile(data + "\\" + name, name);
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    ASSERT_EQ(Count(), 1u);
    std::string history = Item(0)->m_stored;
    {
        HistoryOnDisk h(repo.Path(), history);
        ASSERT_TRUE(h.loaded);
        const auto& entries = h.Pack(0).Entries();
        ASSERT_EQ(entries.size(), 8u);
        for (size_t i = 1; i < entries.size(); ++i)
            EXPECT_LT(util::CCaseFold::Get().Compare(entries[i - 1]->Source().c_str(),
                                           entries[i]->Source().c_str()),
                      0)
                << entries[i]->Source();
    }
    std::string before = testutil::ReadFile(history);
    FILETIME beforeTime = LastWriteOf(history);
    Sleep(20);

    ASSERT_TRUE(Run(def));
    EXPECT_TRUE(SaidNothingToAdd());
    EXPECT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(Count(), 1u);
    EXPECT_EQ(static_cast<int>(scratch.observer.added.size()), 1);
    EXPECT_EQ(testutil::ReadFile(history), before);
    EXPECT_EQ(util::CompareFileTimeValues(LastWriteOf(history), beforeTime), 0);
    EXPECT_FALSE(testutil::HasTempFileBeside(history));
    // Nothing was copied a second time.
    EXPECT_FALSE(testutil::Exists(Repo("br000001")));
}

TEST_F(BackupRun, EditedFilesAreCopiedAgainAndTheRestCarried) {
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    testutil::WriteFile(data + "\\b.txt", "beta, longer now");
    ASSERT_TRUE(Run(def));
    ASSERT_EQ(Count(), 2u);
    EXPECT_EQ(Item(1)->m_generation, 2u);
    EXPECT_EQ(Item(1)->m_stored, Item(0)->m_stored);
    EXPECT_EQ(static_cast<int>(scratch.observer.added.size()), 2);

    // Same size, another time: changed too.
    FILETIME t{0x12345600, 0x01D00000};
    SetLastWrite(data + "\\sub\\c.txt", t);
    ASSERT_TRUE(Run(def));
    ASSERT_EQ(Count(), 3u);
    EXPECT_EQ(Item(2)->m_generation, 3u);

    HistoryOnDisk h(repo.Path(), Item(0)->m_stored);
    ASSERT_TRUE(h.loaded);
    ASSERT_EQ(h.file.Packs().size(), 3u);
    std::vector<Entry> second = {{data + "\\a.txt", "br000000\\a.txt", false},
                                 {data + "\\b.txt", "br000001\\b.txt", true},
                                 {data + "\\sub\\c.txt", "br000000\\c.txt", false}};
    EXPECT_EQ(EntriesOf(h.Pack(1)), second);
    std::vector<Entry> third = {{data + "\\a.txt", "br000000\\a.txt", false},
                                {data + "\\b.txt", "br000001\\b.txt", false},
                                {data + "\\sub\\c.txt", "br000001\\c.txt", true}};
    EXPECT_EQ(EntriesOf(h.Pack(2)), third);
    EXPECT_EQ(testutil::ReadFile(Repo("br000000\\b.txt")), "beta");
    EXPECT_EQ(testutil::ReadFile(Repo("br000001\\b.txt")), "beta, longer now");
    EXPECT_EQ(util::CompareFileTimeValues(LastWriteOf(Repo("br000001\\c.txt")), t), 0);
}

TEST_F(BackupRun, DeletedFilesAreRecordedWhereverTheySort) {
    // The middle one, and the one that sorts last (after every file still listed).
    for (const char* gone : {"b.txt", "sub\\c.txt"}) {
        SCOPED_TRACE(gone);
        std::string folder = std::string("case_") + (gone[0] == 'b' ? "middle" : "last");
        std::string data = ThreeFiles(folder);
        std::string def = Definition(data, nullptr, folder + ".brn");
        size_t before = Count();
        ASSERT_TRUE(Run(def));
        ASSERT_TRUE(DeleteFileA((data + "\\" + gone).c_str()));
        ASSERT_TRUE(Run(def));
        ASSERT_EQ(Count(), before + 2);
        EXPECT_EQ(Item(before + 1)->m_generation, 2u);
        HistoryOnDisk h(repo.Path(), Item(before)->m_stored);
        ASSERT_TRUE(h.loaded);
        ASSERT_EQ(h.file.Packs().size(), 2u);
        const auto& entries = h.Pack(1).Entries();
        ASSERT_EQ(entries.size(), 2u);
        for (const auto& e : entries) {
            EXPECT_FALSE(e->IsOwned());
            EXPECT_NE(e->Source(), data + "\\" + gone);
        }
    }
    EXPECT_FALSE(SaidNothingToAdd());
}

TEST_F(BackupRun, EmptiedTargetRecordsNothing) {
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    std::string before = testutil::ReadFile(Item(0)->m_stored);
    testutil::RemoveTree(data);
    testutil::MakeDirs(data);
    ASSERT_TRUE(Run(def));
    EXPECT_TRUE(SaidNothingToAdd());
    EXPECT_EQ(Count(), 1u);
    EXPECT_EQ(testutil::ReadFile(Item(0)->m_stored), before);

    // A target that is gone altogether fails the dispatch.
    testutil::RemoveTree(data);
    prompt.shown.clear();
    EXPECT_EQ(Run(def), 0);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(BackupRun, SameNamedFilesTakeTheLowestFreeFolders) {
    std::string data = src / "site";
    for (const char* dir : {"", "x\\", "x\\deep\\", "y\\", "Z\\"})
        testutil::WriteFile(data + "\\" + dir + "index.html", dir);
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    HistoryOnDisk h(repo.Path(), Item(0)->m_stored);
    ASSERT_TRUE(h.loaded);
    std::vector<Entry> expected = {{data + "\\index.html", "br000000\\index.html", true},
                                   {data + "\\x\\deep\\index.html", "br000001\\index.html", true},
                                   {data + "\\x\\index.html", "br000002\\index.html", true},
                                   {data + "\\y\\index.html", "br000003\\index.html", true},
                                   {data + "\\Z\\index.html", "br000004\\index.html", true}};
    EXPECT_EQ(EntriesOf(h.Pack(0)), expected);
    EXPECT_EQ(testutil::ReadFile(Repo("br000003\\index.html")), "y\\");

    // A later run goes on above the copies that are there, and reuses a number freed meanwhile.
    ASSERT_TRUE(DeleteFileA(Repo("br000001\\index.html").c_str()));
    testutil::WriteFile(data + "\\x\\index.html", "changed");
    testutil::WriteFile(data + "\\y\\index.html", "changed too");
    ASSERT_TRUE(Run(def));
    HistoryOnDisk h2(repo.Path(), Item(0)->m_stored);
    ASSERT_TRUE(h2.loaded);
    const auto& e = h2.Pack(1).Entries();
    ASSERT_EQ(e.size(), 5u);
    // x\deep's copy is gone, so it counts as changed and takes the freed number.
    EXPECT_EQ(e[1]->StoredName(), "br000001\\index.html");
    EXPECT_EQ(e[2]->StoredName(), "br000005\\index.html");
    EXPECT_EQ(e[3]->StoredName(), "br000006\\index.html");
    EXPECT_FALSE(e[4]->IsOwned());
}

TEST_F(BackupRun, FilesThatCannotBeCopiedAreLeftOutOrKeepTheirOlderCopy) {
    // A plain file named like the first numbered folder is passed over.
    testutil::WriteFile(Repo("br000000"), "stray");
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    {
        // Held open without sharing: the first run cannot copy it and leaves it out.
        HANDLE locked = CreateFileA((data + "\\b.txt").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(locked, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(Run(def));
        CloseHandle(locked);
    }
    ASSERT_EQ(Count(), 1u);
    EXPECT_EQ(Item(0)->m_stored, Repo("br000001\\Photos.dat"));
    {
        HistoryOnDisk h(repo.Path(), Item(0)->m_stored);
        ASSERT_TRUE(h.loaded);
        std::vector<Entry> expected = {{data + "\\a.txt", "br000001\\a.txt", true},
                                       {data + "\\sub\\c.txt", "br000001\\c.txt", true}};
        EXPECT_EQ(EntriesOf(h.Pack(0)), expected);
    }
    EXPECT_FALSE(testutil::Exists(Repo("br000001\\b.txt")));

    // Now b is copied; then a changed a.txt that cannot be read keeps its older copy.
    ASSERT_TRUE(Run(def));
    testutil::WriteFile(data + "\\a.txt", "alpha, changed");
    HANDLE locked = CreateFileA((data + "\\a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_TRUE(Run(def));
    CloseHandle(locked);
    EXPECT_TRUE(SaidNothingToAdd());
    EXPECT_EQ(Count(), 2u);
    EXPECT_EQ(testutil::ReadFile(Repo("br000001\\a.txt")), "alpha");
    EXPECT_FALSE(testutil::Exists(Repo("br000002\\a.txt")));
}

TEST_F(BackupRun, ExclusionsIgnoreCaseAndSkipWholeFolders) {
    std::string data = src / "proj";
    for (const char* name : {"keep.txt", "A.TMP", "a.Tmp", "obj\\x.txt", "sub\\OBJ\\y.txt",
                             "objx\\z.txt", "sub\\w.tmp.txt"})
        testutil::WriteFile(data + "\\" + name, name);
    std::string def = Definition(data, "*.tmp;;obj");
    ASSERT_TRUE(Run(def));
    HistoryOnDisk h(repo.Path(), Item(0)->m_stored);
    ASSERT_TRUE(h.loaded);
    std::vector<std::string> sources;
    for (const auto& e : h.Pack(0).Entries()) sources.push_back(e->Source());
    std::vector<std::string> expected = {data + "\\keep.txt", data + "\\objx\\z.txt",
                                         data + "\\sub\\w.tmp.txt"};
    EXPECT_EQ(sources, expected);
    EXPECT_EQ(h.Pack(0).Definition().Exclusions(), (std::vector<std::string>{"*.tmp", "obj"}));
}

TEST_F(BackupRun, SingleFileTarget) {
    testutil::WriteFile(src / "one.txt", "only");
    ASSERT_TRUE(Run(Definition(src / "one.txt", nullptr, "One.brn")));
    ASSERT_EQ(Count(), 1u);
    const CBrennaItem* item = Item(0);
    EXPECT_EQ(item->m_fileFlag, 1u);
    EXPECT_EQ(item->m_source, src / "one.txt");
    EXPECT_EQ(item->m_stored, Repo("br000000\\One.dat"));
    EXPECT_EQ(util::CompareFileTimeValues(item->m_lastWriteTime, LastWriteOf(src / "one.txt")), 0);
    HistoryOnDisk h(repo.Path(), item->m_stored);
    ASSERT_TRUE(h.loaded);
    std::vector<Entry> expected = {{src / "one.txt", "br000000\\one.txt", true}};
    EXPECT_EQ(EntriesOf(h.Pack(0)), expected);

    // Excluded by its own name: the first run finds nothing.
    ASSERT_TRUE(Run(Definition(src / "one.txt", "*.TXT", "Two.brn")));
    EXPECT_TRUE(SaidNothingToAdd());
    EXPECT_EQ(Count(), 1u);
    EXPECT_FALSE(testutil::Exists(Repo("br000000\\Two.dat")));
}

TEST_F(BackupRun, FirstRunThatFindsNothingLeavesNoHistoryAndALaterRunWorks) {
    std::string data = src / "empty";
    testutil::WriteFile(data + "\\skip.tmp", "x");
    std::string def = Definition(data, "*.tmp");
    ASSERT_TRUE(Run(def));
    EXPECT_TRUE(SaidNothingToAdd());
    EXPECT_EQ(Count(), 0u);
    EXPECT_EQ(scratch->Catalogue().GetHistoryCount(), 0u);
    std::vector<std::string> files = testutil::FilesBelow(repo.Path());
    EXPECT_TRUE(files.empty()) << files.front();

    testutil::WriteFile(data + "\\real.txt", "r");
    ASSERT_TRUE(Run(def));
    ASSERT_EQ(Count(), 1u);
    EXPECT_EQ(Item(0)->m_generation, 1u);
    EXPECT_EQ(Item(0)->m_stored, Repo("br000000\\Photos.dat"));
    EXPECT_EQ(testutil::ReadFile(Repo("br000000\\real.txt")), "r");
}

TEST_F(BackupRun, PackTheCatalogueNeverRecordedIsNotTakenForABackup) {
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    ASSERT_TRUE(scratch->Save(TRUE));
    std::string before = testutil::ReadFile(Repo("brenna.dat"));
    // A run whose process ends after the history took its pack and before the catalogue was
    // saved: the history holds two packs, the catalogue on disk one item.
    testutil::WriteFile(data + "\\b.txt", "beta, longer now");
    ASSERT_TRUE(Run(def));
    testutil::WriteFile(Repo("brenna.dat"), before);

    testutil::ScratchRepository again(repo.Path());
    again->Settings().brnFile = true;
    again->Load();
    ASSERT_EQ(again->Count(), 1u);
    ASSERT_TRUE(again->Dispatch(def.c_str()));
    ASSERT_EQ(again->Count(), 2u) << "the edited file is not shown by any item";
    HistoryOnDisk h(repo.Path(), again->Item(1)->m_stored);
    ASSERT_TRUE(h.loaded);
    // The pack nothing recorded is gone; compared with the recorded one, b.txt is new again and
    // gets a copy of its own.
    ASSERT_EQ(h.file.Packs().size(), 2u);
    EXPECT_EQ(CompareFileTime(&h.Pack(0).RunTime(), &again->Item(0)->m_evacuationTime), 0);
    EXPECT_EQ(CompareFileTime(&h.Pack(1).RunTime(), &again->Item(1)->m_evacuationTime), 0);
    const auto& entries = h.Pack(1).Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(entries[1]->IsOwned());
    EXPECT_EQ(testutil::ReadFile(Repo(entries[1]->StoredName())), "beta, longer now");
    EXPECT_FALSE(entries[0]->IsOwned());
}

TEST_F(BackupRun, PackAnotherProcessRecordedIsKept) {
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    ASSERT_TRUE(scratch->Save(TRUE));
    // Another process runs the definition and saves; this one has not read its item.
    {
        testutil::ScratchRepository other(repo.Path());
        other->Settings().brnFile = true;
        other->Load();
        testutil::WriteFile(data + "\\a.txt", "alpha, edited elsewhere");
        ASSERT_TRUE(other->Dispatch(def.c_str()));
        ASSERT_TRUE(other->Save(TRUE));
    }
    testutil::WriteFile(data + "\\b.txt", "beta, edited here");
    ASSERT_TRUE(Run(def));
    ASSERT_TRUE(scratch->Save(TRUE));
    ASSERT_EQ(Count(), 3u);
    HistoryOnDisk h(repo.Path(), Item(0)->m_stored);
    ASSERT_TRUE(h.loaded);
    ASSERT_EQ(h.file.Packs().size(), 3u);
    for (size_t i = 0; i < Count(); ++i)
        EXPECT_NE(h.file.FindPack(Item(i)->m_evacuationTime), nullptr) << i;
}

TEST_F(BackupRun, HistoryWithoutItemsStartsAfresh) {
    // Two packs, but only the newer one has an item (the older one's was lost): deleting that
    // item leaves a history object that no item refers to.
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    testutil::WriteFile(data + "\\a.txt", "alpha 2");
    ASSERT_TRUE(Run(def));
    CBrnDataFile* history = Item(0)->m_pHistory;
    history->UnlinkItem(Item(0));
    ASSERT_TRUE(scratch->RemoveItem(Item(1)));
    ASSERT_EQ(scratch->Catalogue().GetHistoryCount(), 1u);
    ASSERT_TRUE(history->LinkedItems().empty());

    ASSERT_TRUE(Run(def));
    ASSERT_EQ(Count(), 2u);
    const CBrennaItem* item = Item(1);
    EXPECT_EQ(item->m_generation, 1u);
    EXPECT_EQ(item->m_pHistory, history);
    HistoryOnDisk h(repo.Path(), item->m_stored);
    ASSERT_TRUE(h.loaded);
    ASSERT_EQ(h.file.Packs().size(), 1u);
    EXPECT_EQ(h.Pack(0).EntryCount(), 3);
    for (const auto& e : h.Pack(0).Entries()) EXPECT_TRUE(e->IsOwned());
}

TEST_F(BackupRun, RunItemsAreWrittenOutRestoredAndDeleted) {
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    testutil::WriteFile(data + "\\b.txt", "beta 2");
    ASSERT_TRUE(Run(def));
    CBrennaItem* first = Item(0);
    CBrennaItem* second = Item(1);

    // Each run writes out as the folder was at its time, at the same relative places.
    TempDir out;
    ASSERT_TRUE(first->WriteOut((out / "one").c_str()));
    ASSERT_TRUE(second->WriteOut((out / "two").c_str()));
    std::vector<std::string> files = testutil::FilesBelow(out / "one");
    EXPECT_EQ(files, (std::vector<std::string>{"a.txt", "b.txt", "sub\\c.txt"}));
    EXPECT_EQ(testutil::ReadFile(out / "one\\b.txt"), "beta");
    EXPECT_EQ(testutil::ReadFile(out / "two\\b.txt"), "beta 2");
    EXPECT_EQ(testutil::ReadFile(out / "two\\sub\\c.txt"), "gamma");

    // Restore puts the older state back over the source.
    testutil::RemoveTree(data + "\\sub");
    ASSERT_TRUE(first->WriteOut(first->m_source.c_str()));
    EXPECT_EQ(testutil::ReadFile(data + "\\b.txt"), "beta");
    EXPECT_EQ(testutil::ReadFile(data + "\\sub\\c.txt"), "gamma");

    // Deleting the older run: copies the newer pack refers to pass to it, b's old copy goes.
    std::string history = first->m_stored;
    ASSERT_TRUE(scratch->RemoveItem(first));
    EXPECT_FALSE(testutil::Exists(Repo("br000000\\b.txt")));
    EXPECT_TRUE(testutil::Exists(Repo("br000000\\a.txt")));
    {
        HistoryOnDisk h(repo.Path(), history);
        ASSERT_TRUE(h.loaded);
        ASSERT_EQ(h.file.Packs().size(), 1u);
        for (const auto& e : h.Pack(0).Entries()) EXPECT_TRUE(e->IsOwned()) << e->Source();
    }
    TempDir again;
    ASSERT_TRUE(second->WriteOut((again / "x").c_str()));
    EXPECT_EQ(testutil::ReadFile(again / "x\\a.txt"), "alpha");

    // Deleting the last run removes its copies and the history file.
    ASSERT_TRUE(scratch->RemoveItem(second));
    EXPECT_EQ(Count(), 0u);
    EXPECT_EQ(scratch->Catalogue().GetHistoryCount(), 0u);
    // Only the catalogue, which the runs saved, is left.
    files = testutil::FilesBelow(repo.Path());
    EXPECT_EQ(files, std::vector<std::string>{"brenna.dat"});
}

TEST_F(BackupRun, SingleFileRunItemIsWrittenToTheTargetPath) {
    testutil::WriteFile(src / "one.txt", "v1");
    std::string def = Definition(src / "one.txt");
    ASSERT_TRUE(Run(def));
    testutil::WriteFile(src / "one.txt", "version 2");
    ASSERT_TRUE(Run(def));
    TempDir out;
    ASSERT_TRUE(Item(0)->WriteOut((out / "old.txt").c_str()));
    EXPECT_EQ(testutil::ReadFile(out / "old.txt"), "v1");
    ASSERT_TRUE(Item(0)->WriteOut(Item(0)->m_source.c_str()));
    EXPECT_EQ(testutil::ReadFile(src / "one.txt"), "v1");
}

TEST_F(BackupRun, DamagedHistoryIsReportedAndFailsTheRun) {
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    std::string history = Item(0)->m_stored;
    std::string bytes = testutil::ReadFile(history);
    // A pack count far beyond what the file holds.
    bytes[24] = '\x7F';
    testutil::WriteFile(history, bytes);
    testutil::WriteFile(data + "\\new.txt", "n");

    EXPECT_EQ(Run(def), 0);
    // The message names the history file, so the user knows which file is damaged.
    const std::string expected = fw::FormatStr(
        IDS_FAULT_IN_FILE,
        fw::LoadStr(fw::CArchiveException(fw::CArchiveException::damaged).MessageId()).c_str(),
        history.c_str());
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, expected);
    EXPECT_EQ(Count(), 1u);
    EXPECT_EQ(testutil::ReadFile(history), bytes);
    EXPECT_FALSE(testutil::Exists(Repo("br000000\\new.txt")));

    // Writing out an item of that history fails the same way and writes nothing.
    TempDir out;
    EXPECT_FALSE(Item(0)->WriteOut((out / "x").c_str()));
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[1].text, expected);
    EXPECT_FALSE(testutil::Exists(out / "x"));
}

TEST_F(BackupRun, HistoryHoldingMoreThanItsCountsIsDamagedAndLeftAlone) {
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    testutil::WriteFile(data + "\\b.txt", "beta 2");
    ASSERT_TRUE(Run(def));
    ASSERT_EQ(Count(), 2u);
    std::string history = Item(0)->m_stored;
    const std::string good = testutil::ReadFile(history);
    // The newer pack's entry count sits just before its definition's magic.
    const size_t lastPackDefinition = good.find("BBDF", good.find("BBDF") + 1);
    ASSERT_NE(lastPackDefinition, std::string::npos);
    auto patched = [&](size_t at, const std::string& bytes) {
        return std::string(good).replace(at, bytes.size(), bytes);
    };
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"one pack too few", patched(24, testutil::U32(1))},
        {"newest pack one entry short", patched(lastPackDefinition - 4, testutil::U32(2))},
        {"bytes after the last pack", good + "tail"},
        {"negative pack count", patched(24, testutil::U32(0xFFFFFFFF))},
    };
    const std::string expected = fw::FormatStr(
        IDS_FAULT_IN_FILE,
        fw::LoadStr(fw::CArchiveException(fw::CArchiveException::damaged).MessageId()).c_str(),
        history.c_str());
    testutil::WriteFile(data + "\\new.txt", "n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testutil::WriteFile(history, c.bytes);
        prompt.shown.clear();
        EXPECT_EQ(Run(def), 0);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.shown[0].text, expected);
        EXPECT_EQ(Count(), 2u);
        EXPECT_EQ(testutil::ReadFile(history), c.bytes);
        EXPECT_FALSE(testutil::HasTempFileBeside(history));
        EXPECT_FALSE(testutil::Exists(Repo("br000000\\new.txt")));

        // Deleting a run of that history refuses the same way.
        EXPECT_FALSE(scratch->RemoveItem(Item(1)));
        ASSERT_EQ(prompt.shown.size(), 2u);
        EXPECT_EQ(prompt.shown[1].text, expected);
        EXPECT_EQ(Count(), 2u);
        EXPECT_EQ(testutil::ReadFile(history), c.bytes);
        EXPECT_TRUE(testutil::Exists(Repo("br000001\\b.txt")));
    }
}

// A later run appends its pack to the history in place, under a journal that names the length
// before. An append cut short (the process ended between the pack and its count) leaves the
// history as it was to every reader, and the next run cuts it back; bytes after the last pack
// without such a journal are still damage (above).
TEST_F(BackupRun, AppendCutShortReadsAsBeforeAndTheNextRunCutsItBack) {
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    testutil::WriteFile(data + "\\b.txt", "beta 2");
    ASSERT_TRUE(Run(def));
    const std::string history = Item(0)->m_stored;
    const std::string journal = history + kAppendJournalSuffix;
    EXPECT_FALSE(testutil::Exists(journal));
    const std::string good = testutil::ReadFile(history);
    std::string note = "BRNA";
    const uint64_t size = good.size();
    note.append(reinterpret_cast<const char*>(&size), 8);
    note += testutil::U32(2);

    const struct {
        const char* what;
        std::string tail;
    } cases[] = {{"half a pack", "\x01\x02\x03partial pack"}, {"nothing yet", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testutil::WriteFile(history, good + c.tail);
        testutil::WriteFile(journal, note);
        prompt.shown.clear();
        {
            CRepository other;
            ASSERT_TRUE(other.SetFolder(repo.Path()));
            other.Load();
            ASSERT_EQ(other.Count(), 2u);
            ASSERT_TRUE(other.Item(1)->m_pHistory->LoadPacks());
            EXPECT_EQ(other.Item(1)->m_pHistory->Packs().size(), 2u);
            store::CheckResult check = store::CheckRepository(other);
            EXPECT_TRUE(check.Clean()) << store::FormatCheckReport(check, repo.Path());
        }
        EXPECT_TRUE(prompt.shown.empty());
    }
    // The next run cuts the file back, appends its own pack and drops the journal.
    scratch->Reload();
    testutil::WriteFile(data + "\\c.txt", "gamma 3");
    ASSERT_TRUE(Run(def));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_FALSE(testutil::Exists(journal));
    HistoryOnDisk disk(repo.Path(), history);
    ASSERT_TRUE(disk.loaded);
    EXPECT_EQ(disk.file.Packs().size(), 3u);
    EXPECT_EQ(testutil::ReadFile(history).compare(0, 24, good, 0, 24), 0);
    EXPECT_EQ(testutil::ReadFile(history).substr(28, good.size() - 28), good.substr(28));
}

TEST_F(BackupRun, RunItemSizeIsReadOnceAndNotFromTheHistory) {
    testutil::WriteFile(src / "one.txt", "only");
    ASSERT_TRUE(Run(Definition(src / "one.txt", nullptr, "One.brn")));
    ASSERT_EQ(Count(), 1u);
    std::string history = Item(0)->m_stored;
    const std::string bytes = testutil::ReadFile(history);
    // Taken when the run made its item, and again when the catalogue is read.
    for (const char* when : {"new run item", "reloaded item"}) {
        SCOPED_TRACE(when);
        EXPECT_EQ(Item(0)->GetSize(), 4u);
        ASSERT_TRUE(DeleteFileA(history.c_str()));
        EXPECT_EQ(Item(0)->GetSize(), 4u);
        testutil::WriteFile(history, bytes);
        ASSERT_TRUE(scratch->Catalogue().Save(TRUE));
        ASSERT_TRUE(scratch->Reload());
        ASSERT_EQ(Count(), 1u);
    }
}

TEST_F(BackupRun, RepositoryInsideTheTargetIsNotBackedUp) {
    std::string data = ThreeFiles();
    UseRepository(data + "\\Repo");
    testutil::MakeDirs(data + "\\Repo");
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    HistoryOnDisk h(data + "\\Repo", Item(0)->m_stored);
    ASSERT_TRUE(h.loaded);
    EXPECT_EQ(h.Pack(0).EntryCount(), 3);
    ASSERT_TRUE(Run(def));
    EXPECT_TRUE(SaidNothingToAdd());
}

TEST_F(BackupRun, PathsLongerThanMaxPathAreSkipped) {
    std::string data = ThreeFiles();
    // Built through the wide "\\?\" form, which has no MAX_PATH limit.
    std::wstring deep = L"\\\\?\\";
    for (char c : data) deep += static_cast<wchar_t>(c);
    for (int i = 0; i < 3; ++i) {
        deep += L"\\" + std::wstring(80, static_cast<wchar_t>(L'k' + i));
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    }
    HANDLE f = CreateFileW((deep + L"\\far.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);

    ASSERT_TRUE(Run(Definition(data)));
    HistoryOnDisk h(repo.Path(), Item(0)->m_stored);
    ASSERT_TRUE(h.loaded);
    EXPECT_EQ(h.Pack(0).EntryCount(), 3);
    for (int i = 2; i >= 0; --i) {
        DeleteFileW((deep + L"\\far.txt").c_str());
        RemoveDirectoryW(deep.c_str());
        deep.resize(deep.size() - 81);
    }
}

TEST(BackupPathOrder, FoldsSingleByteLettersToLowerCase) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"C:\\Data\\A.TXT", "c:\\data\\a.txt", 0},
        {"a", "B", -1},
        {"ab", "a", 1},
        // Lower-case folding puts "_" (0x5F) before letters; upper-case folding would not.
        {"_x", "ax", -1},
        // A folder's files continue with a backslash, which sorts after "." and "-".
        {"d\\ab.txt", "d\\ab\\x.txt", -1},
        {"d\\ab-c.txt", "d\\ab.txt", -1},
        {"", "", 0},
    };
    for (const Case& c : cases) {
        int r = util::CCaseFold::Get().Compare(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " / " << c.b;
        int back = util::CCaseFold::Get().Compare(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " / " << c.a;
    }
    EXPECT_EQ(util::CCaseFold::Get().Upper("a.Tmp"), "A.TMP");
}

class BackupRunMbcs : public BackupRun {};

TEST_F(BackupRunMbcs, NamesAreListedOrderedAndCopiedWhole) {
    if (!testutil::IsJapaneseCodePage()) GTEST_SKIP() << "needs code page 932";
    // 0x95 0x5C is one character whose second byte is a backslash.
    const std::string mb = "\x95\x5C";
    std::string data = src / "mb";
    testutil::WriteFile(data + "\\" + mb + "\\" + mb + ".txt", "in folder");
    testutil::WriteFile(data + "\\" + mb + ".txt", "plain");
    testutil::WriteFile(data + "\\a" + mb, "tail");
    testutil::WriteFile(data + "\\b.txt", "b");
    std::string def = Definition(data, ("*" + mb + ".TXT").c_str());
    ASSERT_TRUE(Run(def));
    HistoryOnDisk h(repo.Path(), Item(0)->m_stored);
    ASSERT_TRUE(h.loaded);
    std::vector<Entry> expected = {{data + "\\a" + mb, "br000000\\a" + mb, true},
                                   {data + "\\b.txt", "br000000\\b.txt", true}};
    EXPECT_EQ(EntriesOf(h.Pack(0)), expected);
    EXPECT_EQ(testutil::ReadFile(Repo("br000000\\a" + mb)), "tail");

    // Without the exclusion the folder of that name is entered, and its file keeps its name.
    std::string all = Definition(data, nullptr, "All.brn");
    ASSERT_TRUE(Run(all));
    HistoryOnDisk h2(repo.Path(), Item(1)->m_stored);
    ASSERT_TRUE(h2.loaded);
    std::vector<std::string> sources;
    for (const auto& e : h2.Pack(0).Entries()) sources.push_back(e->Source());
    ASSERT_EQ(sources.size(), 4u);
    for (size_t i = 1; i < sources.size(); ++i)
        EXPECT_LT(util::CCaseFold::Get().Compare(sources[i - 1].c_str(), sources[i].c_str()), 0);
    EXPECT_NE(std::find(sources.begin(), sources.end(), data + "\\" + mb + "\\" + mb + ".txt"),
              sources.end());
    EXPECT_EQ(testutil::ReadFile(Repo("br000001\\" + mb + ".txt")), "in folder");
    ASSERT_TRUE(Run(all));
    EXPECT_TRUE(SaidNothingToAdd());

    // Full-width letters compare by their upper-case form.
    EXPECT_EQ(util::CCaseFold::Get().Compare("\x82\x81", "\x82\x60"), 0);
    EXPECT_LT(util::CCaseFold::Get().Compare(("x" + mb).c_str(), ("x" + mb + "a").c_str()), 0);
    EXPECT_GT(util::CCaseFold::Get().Compare(("x" + mb).c_str(), "x\\zzz"), 0);
}

}  // namespace

namespace {

// Every pack of a history as a reader without its index finds it, entries and all.
struct PackSummary {
    FILETIME time;
    std::string folder;
    std::vector<Entry> entries;
    bool operator==(const PackSummary& o) const {
        return util::CompareFileTimeValues(time, o.time) == 0 && folder == o.folder &&
               entries == o.entries;
    }
};

std::vector<PackSummary> SummaryOf(CBrnDataFile& file) {
    std::vector<PackSummary> out;
    for (const auto& p : file.Packs()) {
        CBrnBackupItemPack* pack = file.FindPack(p->RunTime());
        if (!pack) return {};
        out.push_back({pack->RunTime(), pack->Definition().Folder(), EntriesOf(*pack)});
    }
    return out;
}

// Rewrites bytes of a file in place and gives it back its times, so that nothing but its
// content tells it changed.
void PatchKeepingTimes(const std::string& path, size_t at, const std::string& bytes) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFilePointer(h, static_cast<LONG>(at), nullptr, FILE_BEGIN);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    SetFileTime(h, &data.ftCreationTime, nullptr, &data.ftLastWriteTime);
    CloseHandle(h);
}

}  // namespace

// A history is opened through the index beside it: only each pack's head is read, and a pack's
// entries when they are wanted. Whatever the index is (missing, from before the last run,
// damaged, for a history changed since), what a reader finds is what the history holds.
TEST_F(BackupRun, AHistoryOpensThroughItsIndexAndReadsOnlyThePacksItNeeds) {
    std::string data = ThreeFiles();
    std::string def = Definition(data);
    ASSERT_TRUE(Run(def));
    const std::string history = Item(0)->m_stored;
    const std::string index = history + kPackIndexSuffix;
    testutil::WriteFile(data + "\\b.txt", "beta 2");
    ASSERT_TRUE(Run(def));
    const std::string twoRunIndex = testutil::ReadFile(index);
    testutil::WriteFile(data + "\\sub\\c.txt", "gamma 3");
    ASSERT_TRUE(Run(def));
    ASSERT_TRUE(testutil::Exists(index));

    // What the packs hold, read whole with no index.
    const std::string goodIndex = testutil::ReadFile(index);
    DeleteFileA(index.c_str());
    std::vector<PackSummary> whole;
    {
        HistoryOnDisk disk(repo.Path(), history);
        ASSERT_TRUE(disk.loaded);
        for (const auto& p : disk.file.Packs()) EXPECT_TRUE(p->EntriesLoaded());
        whole = SummaryOf(disk.file);
        ASSERT_EQ(whole.size(), 3u);
        EXPECT_EQ(whole[2].entries[1].stored, "br000001\\b.txt");
        EXPECT_EQ(whole[2].entries[2].stored, "br000001\\c.txt");
    }

    // Through the index: heads only, then the entries of the packs asked for.
    testutil::WriteFile(index, goodIndex);
    {
        CBrennaItem link;
        link.m_stored = history;
        CBrnDataFile file(repo.Path());
        file.LinkItem(&link);
        ASSERT_TRUE(file.LoadPacks());
        ASSERT_EQ(file.Packs().size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            const CBrnBackupItemPack& p = *file.Packs()[i];
            EXPECT_FALSE(p.EntriesLoaded());
            EXPECT_EQ(p.EntryCount(), 3);
            EXPECT_EQ(p.FirstStoredName(), "br000000\\a.txt");
            EXPECT_THROW(p.Entries(), fw::CArchiveException);
        }
        ASSERT_NE(file.FindPack(whole[1].time), nullptr);
        EXPECT_FALSE(file.Packs()[0]->EntriesLoaded());
        EXPECT_TRUE(file.Packs()[1]->EntriesLoaded());
        EXPECT_EQ(SummaryOf(file), whole);
    }
    // A catalogue loaded afresh finds each run's copy through the heads.
    {
        CRepository other;
        ASSERT_TRUE(other.SetFolder(repo.Path()));
        other.Load();
        ASSERT_EQ(other.Count(), 3u);
        for (size_t i = 0; i < 3; ++i) EXPECT_NE(other.Item(i)->m_attributes, INVALID_FILE_ATTRIBUTES);
        store::CheckResult check = store::CheckRepository(other);
        EXPECT_TRUE(check.Clean()) << store::FormatCheckReport(check, repo.Path());
    }

    std::string badOffsets = goodIndex;
    std::swap_ranges(badOffsets.end() - 16, badOffsets.end() - 8, badOffsets.end() - 8);
    const struct {
        const char* what;
        std::string bytes;
    } indexes[] = {
        {"none", ""},
        {"from before the last run", twoRunIndex},
        {"cut short", goodIndex.substr(0, goodIndex.size() - 3)},
        {"foreign magic", "XXXX" + goodIndex.substr(4)},
        {"offsets out of order", badOffsets},
        {"an offset past the end", goodIndex.substr(0, goodIndex.size() - 8) + testutil::U32(0x7FFFFFF0) + testutil::U32(0)},
        {"zeros", std::string(goodIndex.size(), '\0')},
    };
    for (const auto& c : indexes) {
        SCOPED_TRACE(c.what);
        if (c.bytes.empty())
            DeleteFileA(index.c_str());
        else
            testutil::WriteFile(index, c.bytes);
        HistoryOnDisk disk(repo.Path(), history);
        ASSERT_TRUE(disk.loaded);
        EXPECT_EQ(SummaryOf(disk.file), whole);
    }

    // The next run writes the index again. A reader that had read the heads before it finds
    // the file changed when it wants a pack's entries, and reads it again.
    {
        CBrennaItem link;
        link.m_stored = history;
        CBrnDataFile file(repo.Path());
        file.LinkItem(&link);
        testutil::WriteFile(index, goodIndex);
        ASSERT_TRUE(file.LoadPacks());
        EXPECT_FALSE(file.Packs()[0]->EntriesLoaded());
        testutil::WriteFile(data + "\\a.txt", "alpha 4");
        ASSERT_TRUE(Run(def));
        EXPECT_NE(testutil::ReadFile(index), goodIndex);
        CBrnBackupItemPack* first = file.FindPack(whole[0].time);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(EntriesOf(*first), whole[0].entries);
        EXPECT_EQ(file.Packs().size(), 4u);
        EXPECT_FALSE(file.Packs()[3]->EntriesLoaded());
    }

    // Damage inside an older pack's entries, the history's size and times unchanged so that the
    // index still matches: it is found when that pack is read, and the check reports it.
    const std::string bytes = testutil::ReadFile(history);
    const size_t at = bytes.find("br000000\\b.txt");
    ASSERT_NE(at, std::string::npos);
    PatchKeepingTimes(history, at + 9, std::string(1, '\0'));
    {
        CBrennaItem link;
        link.m_stored = history;
        CBrnDataFile file(repo.Path());
        file.LinkItem(&link);
        ASSERT_TRUE(file.LoadPacks());
        EXPECT_FALSE(file.Packs()[0]->EntriesLoaded());
        EXPECT_THROW(file.FindPack(whole[0].time), fw::CException);
        EXPECT_NE(file.FindPack(whole[2].time), nullptr);
        EXPECT_THROW(file.LoadAllEntries(), fw::CException);
    }
    {
        CRepository other;
        ASSERT_TRUE(other.SetFolder(repo.Path()));
        other.Load();
        store::CheckResult check = store::CheckRepository(other);
        EXPECT_FALSE(check.Clean());
    }
    PatchKeepingTimes(history, at + 9, "b");

    // Deleting every run removes the history and its index.
    prompt.shown.clear();
    while (Count() > 0) ASSERT_TRUE(scratch->RemoveItem(Item(Count() - 1)));
    EXPECT_FALSE(testutil::Exists(history));
    EXPECT_FALSE(testutil::Exists(index));
}
