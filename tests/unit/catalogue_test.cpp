// The catalogue file "brenna.dat": exact bytes, older versions, and damaged files.
#include <gtest/gtest.h>

#include <cstring>

#include "TestUtil.h"
#include "Bytes.h"
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "store/DataFile.h"
#include "string_ids.h"
#include "fw/Strings.h"

using testutil::TempDir;
using testutil::U32;

namespace {

std::string Header(uint32_t version, int32_t count) {
    return "BRNG" + U32(version) + U32(static_cast<uint32_t>(count));
}

std::string Record(uint32_t timeLow, uint32_t timeHigh, uint32_t flag, const std::string& source,
                   const std::string& stored, const std::string& description, uint32_t generation,
                   bool version1 = false) {
    std::string r = U32(timeLow) + U32(timeHigh) + U32(flag) + U32(source.size() + 1) +
                    U32(stored.size() + 1) + U32(description.size() + 1);
    if (!version1) r += U32(generation);
    r += source + '\0' + stored + '\0' + description + '\0';
    return r;
}

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(catalogue.SetFolder(repo.Path()));
        // Two stored copies that exist, one file and one folder.
        testutil::WriteFile(repo / "br000000\\a.txt", "alpha");
        testutil::MakeDirs(repo / "br000000\\Docs");
    }
    std::string DataPath() const { return repo / "brenna.dat"; }
    std::string TwoRecords() const {
        return Record(0x11111111, 0x01D00000, 1, "C:\\Docs\\a.txt", repo / "br000000\\a.txt",
                      "first", 0) +
               Record(0x22222222, 0x01D00001, 0, "C:\\Docs", repo / "br000000\\Docs", "", 0);
    }

    TempDir repo;
    CDataFile catalogue;
    testutil::ScriptedPrompt prompt;
};

TEST_F(Catalogue, EmptyCatalogueIsTwelveBytes) {
    EXPECT_FALSE(catalogue.Load());  // a new repository has no file: quietly empty
    EXPECT_TRUE(prompt.shown.empty());
    ASSERT_TRUE(catalogue.Save(TRUE));
    EXPECT_EQ(testutil::ReadFile(DataPath()), std::string("BRNG\0\0\2\0\0\0\0\0", 12));
}

TEST_F(Catalogue, WorkedExampleRecordIsSixtyThreeBytes) {
    // C:\Docs\a.txt stored as C:\R\br000000\a.txt with no description.
    CBrennaItem item;
    item.SetSource("C:\\Docs\\a.txt");
    item.SetStored("C:\\R\\br000000\\a.txt");
    item.m_fileFlag = 1;
    item.m_evacuationTime = {0x04030201, 0x08070605};
    {
        fw::CFile f;
        ASSERT_TRUE(f.Open((repo / "rec.bin").c_str(), fw::CFile::modeCreate));
        fw::CArchive ar(f, fw::CArchive::store);
        item.Serialize(ar);
        ar.Flush();
    }
    std::string expected = Record(0x04030201, 0x08070605, 1, "C:\\Docs\\a.txt",
                                  "C:\\R\\br000000\\a.txt", "", 0);
    EXPECT_EQ(expected.size(), 63u);
    EXPECT_EQ(testutil::ReadFile(repo / "rec.bin"), expected);
}

TEST_F(Catalogue, LoadAndSaveRoundTripByteForByte) {
    std::string bytes = Header(0x00020000, 2) + TwoRecords();
    testutil::WriteFile(DataPath(), bytes);
    ASSERT_TRUE(catalogue.Load());
    ASSERT_EQ(catalogue.GetCount(), 2u);
    CBrennaItem* file = catalogue.GetItem(0);
    EXPECT_EQ(file->m_source, "C:\\Docs\\a.txt");
    EXPECT_EQ(file->m_description, "first");
    EXPECT_EQ(file->m_evacuationTime.dwLowDateTime, 0x11111111u);
    EXPECT_FALSE(file->IsCopyMissing());
    EXPECT_TRUE(catalogue.GetItem(1)->m_attributes & FILE_ATTRIBUTE_DIRECTORY);

    // Nothing changed: a plain save leaves the file alone, a forced one writes the same bytes.
    FILETIME before{}, after{};
    HANDLE h = CreateFileA(DataPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    GetFileTime(h, nullptr, nullptr, &before);
    CloseHandle(h);
    testutil::WriteFile(repo / "marker", "");  // the file must not even be rewritten
    ASSERT_TRUE(catalogue.Save(FALSE));
    h = CreateFileA(DataPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                    nullptr);
    GetFileTime(h, nullptr, nullptr, &after);
    CloseHandle(h);
    EXPECT_EQ(CompareFileTime(&before, &after), 0);
    ASSERT_TRUE(catalogue.Save(TRUE));
    EXPECT_EQ(testutil::ReadFile(DataPath()), bytes);
}

TEST_F(Catalogue, VersionOneIsReadAndWrittenBackAsVersionTwo) {
    std::string v1 = Header(0x00010000, 2) +
                     Record(0x11111111, 0x01D00000, 1, "C:\\Docs\\a.txt",
                            repo / "br000000\\a.txt", "first", 0, true) +
                     Record(0x22222222, 0x01D00001, 0, "C:\\Docs", repo / "br000000\\Docs", "", 0,
                            true);
    testutil::WriteFile(DataPath(), v1);
    ASSERT_TRUE(catalogue.Load());
    ASSERT_EQ(catalogue.GetCount(), 2u);
    EXPECT_EQ(catalogue.GetItem(0)->m_generation, 0u);
    ASSERT_TRUE(catalogue.Save(TRUE));
    EXPECT_EQ(testutil::ReadFile(DataPath()), Header(0x00020000, 2) + TwoRecords());
}

TEST_F(Catalogue, DriveOverrideReplacesTheStoredDriveLetter) {
    std::string stored = repo / "br000000\\a.txt";
    std::string onOtherDrive = stored;
    onOtherDrive[0] = 'Q';
    testutil::WriteFile(DataPath(), Header(0x00020000, 1) +
                                        Record(1, 2, 1, "C:\\a.txt", onOtherDrive, "", 0));
    catalogue.m_driveOverride = stored[0];
    ASSERT_TRUE(catalogue.Load());
    EXPECT_EQ(catalogue.GetItem(0)->m_stored, stored);
    EXPECT_FALSE(catalogue.GetItem(0)->IsCopyMissing());
}

TEST_F(Catalogue, MissingCopyKeepsTheItemAndIsReportedOnce) {
    // Three records: one whose copy is gone, then the two good ones.
    std::string bytes = Header(0x00020000, 3) +
            Record(1, 2, 1, "C:\\gone1.txt", repo / "br000007\\gone1.txt", "", 0) + TwoRecords();
    testutil::WriteFile(DataPath(), bytes);
    EXPECT_TRUE(catalogue.Load());
    ASSERT_EQ(catalogue.GetCount(), 3u);
    EXPECT_TRUE(catalogue.GetItem(0)->IsCopyMissing());
    EXPECT_EQ(catalogue.GetItem(0)->m_attributes, 0xFFFFFFFFu);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_NE(prompt.shown[0].text.find(fw::LoadStr(IDS_MISSING_COPIES)), std::string::npos);
    EXPECT_NE(prompt.shown[0].text.find("gone1.txt"), std::string::npos);
    // Nothing is lost at the next save.
    ASSERT_TRUE(catalogue.Save(TRUE));
    EXPECT_EQ(testutil::ReadFile(DataPath()), bytes);
}

TEST_F(Catalogue, ForeignAndUnknownFilesAreReportedAndKept) {
    const std::string cases[] = {
        "",                                         // empty
        "BRN",                                      // shorter than the header
        "ZIP!" + U32(0x00020000) + U32(0),          // foreign magic
        Header(0x00030000, 0),                      // a version this program does not know
    };
    for (const auto& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        CDataFile c;
        c.SetFolder(repo.Path());
        testutil::WriteFile(DataPath(), bytes);
        prompt.shown.clear();
        EXPECT_FALSE(c.Load());
        EXPECT_EQ(c.GetCount(), 0u);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_NE(prompt.shown[0].text.find(DataPath()), std::string::npos);
        // An unchanged catalogue writes nothing, so the file stays where it is.
        EXPECT_TRUE(c.Save(FALSE));
        EXPECT_EQ(testutil::ReadFile(DataPath()), bytes);
        // The next real save keeps the original under another name first, and says where.
        ASSERT_TRUE(c.AddItem("C:\\a.txt", (repo / "br000000\\a.txt").c_str(), 1));
        ASSERT_TRUE(c.Save(FALSE));
        EXPECT_EQ(testutil::ReadFile(DataPath() + ".damaged"), bytes);
        ASSERT_EQ(prompt.shown.size(), 2u);
        EXPECT_NE(prompt.shown[1].text.find(DataPath() + ".damaged"), std::string::npos);
        DeleteFileA((DataPath() + ".damaged").c_str());
    }
}

TEST_F(Catalogue, EveryTruncationKeepsWhatWasReadAndTheOriginal) {
    std::string bytes = Header(0x00020000, 2) + TwoRecords();
    const size_t firstRecordEnd = 12 + Record(0x11111111, 0x01D00000, 1, "C:\\Docs\\a.txt",
                                              repo / "br000000\\a.txt", "first", 0)
                                           .size();
    for (size_t cut = 12; cut < bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        std::string truncated = bytes.substr(0, cut);
        testutil::WriteFile(DataPath(), truncated);
        CDataFile c;
        c.SetFolder(repo.Path());
        prompt.shown.clear();
        EXPECT_FALSE(c.Load());
        EXPECT_EQ(c.GetCount(), cut >= firstRecordEnd ? 1u : 0u);
        EXPECT_EQ(prompt.shown.size(), 1u);
        c.SetChanged();
        ASSERT_TRUE(c.Save(FALSE));
        EXPECT_EQ(testutil::ReadFile(DataPath() + ".damaged"), truncated);
        DeleteFileA((DataPath() + ".damaged").c_str());
    }
}

TEST_F(Catalogue, DamagedLengthsAreRejectedWithoutReadingPastTheData) {
    std::string good = Record(1, 2, 1, "C:\\a.txt", repo / "br000000\\a.txt", "", 0);
    std::string zeroLength = good;
    memcpy(&zeroLength[12], "\0\0\0\0", 4);
    std::string hugeLength = good;
    memcpy(&hugeLength[16], "\xff\xff\xff\x7f", 4);
    std::string noTerminator = good;
    noTerminator[28 + 9 - 1] = 'X';  // the source's zero byte
    std::string tooLongPath = Record(1, 2, 1, std::string(300, 'a'), repo / "x", "", 0);
    // A zero inside a path would make the program delete or restore a shorter path than the
    // record names (here the numbered folder itself).
    std::string zeroInPath =
        Record(1, 2, 1, "C:\a.txt", repo / "br000000" + std::string(1, '\0') + "a.txt", "", 0);
    for (const auto& rec : {zeroLength, hugeLength, noTerminator, tooLongPath, zeroInPath}) {
        testutil::WriteFile(DataPath(), Header(0x00020000, 2) + good + rec);
        CDataFile c;
        c.SetFolder(repo.Path());
        prompt.shown.clear();
        EXPECT_FALSE(c.Load());
        EXPECT_EQ(c.GetCount(), 1u);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_NE(prompt.shown[0].text.find(fw::LoadStr(IDS_ERR_DAMAGED)), std::string::npos);
    }
}

TEST_F(Catalogue, CountThatDisagreesWithTheRecordsIsDamageAndTheFileIsKept) {
    // A count lower than the records held (zero and negative ones included), or bytes after the
    // last record, would lose records at the next save; only a negative count over an empty
    // file reads as an empty catalogue.
    const struct {
        const char* what;
        std::string bytes;
        size_t items;
        bool damaged;
    } cases[] = {
        {"negative count, no records", Header(0x00020000, -5), 0, false},
        {"count one of two", Header(0x00020000, 1) + TwoRecords(), 1, true},
        {"count zero of two", Header(0x00020000, 0) + TwoRecords(), 0, true},
        {"negative count of two", Header(0x00020000, -5) + TwoRecords(), 0, true},
        {"byte after the last", Header(0x00020000, 2) + TwoRecords() + "x", 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testutil::WriteFile(DataPath(), c.bytes);
        CDataFile loaded;
        loaded.SetFolder(repo.Path());
        prompt.shown.clear();
        EXPECT_EQ(loaded.Load() != FALSE, !c.damaged);
        EXPECT_EQ(loaded.GetCount(), c.items);
        ASSERT_EQ(prompt.shown.size(), c.damaged ? 1u : 0u);
        if (c.damaged) {
            EXPECT_NE(prompt.shown[0].text.find(fw::LoadStr(IDS_ERR_DAMAGED)), std::string::npos);
        }
        ASSERT_TRUE(loaded.Save(TRUE));
        EXPECT_EQ(testutil::Exists(DataPath() + ".damaged"), c.damaged);
        if (c.damaged) {
            EXPECT_EQ(testutil::ReadFile(DataPath() + ".damaged"), c.bytes);
        }
        DeleteFileA((DataPath() + ".damaged").c_str());
    }
}

TEST_F(Catalogue, FailedSaveLeavesThePreviousFile) {
    std::string bytes = Header(0x00020000, 2) + TwoRecords();
    testutil::WriteFile(DataPath(), bytes);
    ASSERT_TRUE(catalogue.Load());
    ASSERT_TRUE(catalogue.AddItem("C:\\Docs\\a.txt", (repo / "br000000\\a.txt").c_str(), 1));
    // The old file is held open without delete sharing, so it cannot be replaced.
    HANDLE held = CreateFileA(DataPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(catalogue.Save(FALSE));
    CloseHandle(held);
    EXPECT_TRUE(catalogue.IsChanged());
    EXPECT_EQ(testutil::ReadFile(DataPath()), bytes);
    EXPECT_FALSE(testutil::HasTempFileBeside(DataPath()));
    EXPECT_TRUE(catalogue.Save(FALSE));
    CDataFile again;
    again.SetFolder(repo.Path());
    EXPECT_TRUE(again.Load());
    EXPECT_EQ(again.GetCount(), 3u);
}

TEST_F(Catalogue, BackupRunRecordWithUnreadableHistoryIsKept) {
    std::string history = repo / "br000001\\Photos.dat";
    testutil::WriteFile(history, "not a history file");
    std::string bytes = Header(0x00020000, 2) + Record(5, 6, 0, "C:\\Photos", history, "run", 1) +
                        Record(0x11111111, 0x01D00000, 1, "C:\\Docs\\a.txt",
                               repo / "br000000\\a.txt", "first", 0);
    testutil::WriteFile(DataPath(), bytes);
    catalogue.Load();
    ASSERT_EQ(catalogue.GetCount(), 2u);
    EXPECT_EQ(catalogue.GetItem(0)->m_pHistory, nullptr);
    EXPECT_TRUE(catalogue.GetItem(0)->IsCopyMissing());
    ASSERT_TRUE(catalogue.Save(TRUE));
    EXPECT_EQ(testutil::ReadFile(DataPath()), bytes);
}

TEST_F(Catalogue, HistoryPathsDifferingInCaseShareOneHistory) {
    GUID id{0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::string history = repo / "br000001\\Photos.dat";
    testutil::WriteFile(history, "BRND" + U32(0x00010000) +
                                     std::string(reinterpret_cast<const char*>(&id), 16) + U32(0));
    std::string upper = history;
    CharUpperA(upper.data());
    testutil::WriteFile(DataPath(), Header(0x00020000, 2) +
                                        Record(5, 6, 0, "C:\\Photos", history, "", 1) +
                                        Record(7, 8, 0, "C:\\Photos", upper, "", 2));
    catalogue.Load();
    ASSERT_EQ(catalogue.GetCount(), 2u);
    EXPECT_EQ(catalogue.GetHistoryCount(), 1u);
    ASSERT_NE(catalogue.GetItem(0)->m_pHistory, nullptr);
    EXPECT_EQ(catalogue.GetItem(0)->m_pHistory, catalogue.GetItem(1)->m_pHistory);
    EXPECT_EQ(catalogue.FindHistory(id), catalogue.GetItem(0)->m_pHistory);
}

TEST_F(Catalogue, RemoveItemDeletesTheCopyButKeepsTheNumberedFolder) {
    testutil::WriteFile(DataPath(), Header(0x00020000, 2) + TwoRecords());
    ASSERT_TRUE(catalogue.Load());
    ASSERT_TRUE(catalogue.RemoveItem(catalogue.GetItem(1)));
    ASSERT_TRUE(catalogue.RemoveItem(catalogue.GetItem(0)));
    EXPECT_EQ(catalogue.GetCount(), 0u);
    EXPECT_FALSE(testutil::Exists(repo / "br000000\\a.txt"));
    EXPECT_FALSE(testutil::Exists(repo / "br000000\\Docs"));
    EXPECT_TRUE(testutil::IsDir(repo / "br000000"));
    CBrennaItem stranger;
    EXPECT_FALSE(catalogue.RemoveItem(&stranger));
}

TEST_F(Catalogue, PathsTheReaderWouldRefuseAreNeverWritten) {
    // The reader takes at most MAX_PATH bytes with the zero: 259 characters.
    auto path = [](size_t length) { return "C:\\" + std::string(length - 3, 'p'); };
    const struct {
        const char* what;
        size_t source, stored;
        bool taken;
    } cases[] = {
        {"both at the limit", 259, 259, true},
        {"source one over", 260, 259, false},
        {"stored one over", 259, 260, false},
        {"source far over", 400, 20, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CDataFile out;
        ASSERT_TRUE(out.SetFolder(repo.Path()));
        // A folder item, so that its missing copy does not fail the add.
        EXPECT_EQ(out.AddItemWithInfo(path(c.source).c_str(), path(c.stored).c_str(),
                                      std::string(1000, 'd').c_str(), 0, FILETIME{1, 2}) != FALSE,
                  c.taken);
        EXPECT_EQ(out.GetCount(), c.taken ? 1u : 0u);
        ASSERT_TRUE(out.Save(TRUE));
        CDataFile in;
        ASSERT_TRUE(in.SetFolder(repo.Path()));
        prompt.shown.clear();
        EXPECT_TRUE(in.Load());
        ASSERT_EQ(in.GetCount(), out.GetCount());
        for (const auto& shown : prompt.shown)
            EXPECT_EQ(shown.text.find(fw::LoadStr(IDS_ERR_DAMAGED)), std::string::npos);
        if (c.taken) {
            EXPECT_EQ(in.GetItem(0)->m_description.size(), 1000u);
        }
    }

    // A refused path leaves the field as it was.
    CBrennaItem item;
    ASSERT_TRUE(item.SetSource("C:\\a.txt") && item.SetStored("C:\\R\\a.txt"));
    EXPECT_FALSE(item.SetSource(path(260).c_str()));
    EXPECT_FALSE(item.SetStored(path(260).c_str()));
    EXPECT_EQ(item.m_source, "C:\\a.txt");
    EXPECT_EQ(item.m_stored, "C:\\R\\a.txt");
}

TEST_F(Catalogue, ImportRefusesAnItemWhoseStoredPathWouldNotFit) {
    // Rebased from "C:\R" into the longer temporary folder, a name that fits in one repository
    // overflows in the other.
    const std::string oldFolder = "C:\\R";
    ASSERT_GT(repo.Path().size(), oldFolder.size());
    auto item = [&](size_t rebasedLength) {
        auto other = std::make_unique<CBrennaItem>();
        size_t name = rebasedLength - repo.Path().size() - std::string("\\br000000\\").size();
        other->m_source = "C:\\Docs\\x";
        other->m_stored = oldFolder + "\\br000000\\" + std::string(name, 'n');
        other->m_fileFlag = 1;
        return other;
    };
    auto fits = item(259), over = item(260);
    ASSERT_LT(over->m_stored.size(), static_cast<size_t>(MAX_PATH));
    EXPECT_TRUE(catalogue.ImportItem(*fits, oldFolder));
    EXPECT_FALSE(catalogue.ImportItem(*over, oldFolder));
    ASSERT_EQ(catalogue.GetCount(), 1u);
    EXPECT_EQ(catalogue.GetItem(0)->m_stored.size(), 259u);
    EXPECT_EQ(catalogue.GetItem(0)->m_stored.substr(0, repo.Path().size()), repo.Path());

    ASSERT_TRUE(catalogue.Save(TRUE));
    CDataFile again;
    ASSERT_TRUE(again.SetFolder(repo.Path()));
    prompt.shown.clear();
    EXPECT_TRUE(again.Load());
    EXPECT_EQ(again.GetCount(), 1u);
    for (const auto& shown : prompt.shown)
        EXPECT_EQ(shown.text.find(fw::LoadStr(IDS_ERR_DAMAGED)), std::string::npos);
}

TEST_F(Catalogue, ItemsWhoseCopyIsAlreadyGoneAreRemoved) {
    // A history of one definition with one recorded run.
    const FILETIME run{0x33333333, 0x01D00002};
    std::string historyPath;
    {
        CBrnDataFile history(repo.Path());
        CBrnFile definition;
        ASSERT_TRUE(definition.SetFolder("C:\\Photos"));
        ASSERT_TRUE(history.CreateForDefinition(repo / "Photos.brn", GUID{7, 8, 9, {1}}));
        ASSERT_TRUE(history.AddPack(definition, {}, run));
        ASSERT_TRUE(history.SavePacks());
        historyPath = history.Path();
    }
    const std::string historyBytes = testutil::ReadFile(historyPath);
    const std::string locked = repo / "br000000\\locked.txt";
    testutil::WriteFile(locked, "in use");

    const struct {
        const char* what;
        std::string record;
        bool dropHistory;  // the history file goes after the catalogue is read
        bool removed;
    } cases[] = {
        {"file whose copy is gone",
         Record(1, 2, 1, "C:\\gone.txt", repo / "br000000\\gone.txt", "", 0), false, true},
        {"file whose numbered folder is gone",
         Record(1, 2, 1, "C:\\gone.txt", repo / "br000009\\gone.txt", "", 0), false, true},
        {"folder whose copy is gone",
         Record(1, 2, 0, "C:\\Gone", repo / "br000000\\Gone", "", 0), false, true},
        {"run whose history file is gone",
         Record(run.dwLowDateTime, run.dwHighDateTime, 0, "C:\\Photos", historyPath, "", 1), true,
         true},
        {"run whose pack is not in its history",
         Record(5, 6, 0, "C:\\Photos", historyPath, "", 1), false, true},
        // A copy that is there but cannot be deleted still keeps its record.
        {"file whose copy is in use", Record(1, 2, 1, "C:\\locked.txt", locked, "", 0), false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testutil::WriteFile(historyPath, historyBytes);
        testutil::WriteFile(DataPath(), Header(0x00020000, 3) + c.record + TwoRecords());
        CDataFile cat;
        ASSERT_TRUE(cat.SetFolder(repo.Path()));
        cat.Load();
        ASSERT_EQ(cat.GetCount(), 3u);
        if (c.dropHistory) {
            ASSERT_TRUE(DeleteFileA(historyPath.c_str()));
        }
        HANDLE held = CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        prompt.shown.clear();
        EXPECT_EQ(cat.RemoveItem(cat.GetItem(0)) != FALSE, c.removed);
        CloseHandle(held);
        EXPECT_TRUE(prompt.shown.empty());
        EXPECT_EQ(cat.GetCount(), c.removed ? 2u : 3u);
        // The two other records are never touched.
        EXPECT_EQ(cat.GetItem(cat.GetCount() - 2)->m_source, "C:\\Docs\\a.txt");
        if (!c.dropHistory) {
            EXPECT_EQ(testutil::ReadFile(historyPath), historyBytes);
        }
        EXPECT_TRUE(testutil::Exists(locked));
        EXPECT_TRUE(testutil::Exists(repo / "br000000\\a.txt"));
    }
}

}  // namespace
