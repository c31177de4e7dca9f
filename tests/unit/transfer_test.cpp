// The clipboard and drag blocks byte for byte, their strict readers against hostile blocks,
// transfer paths of backup runs, and pasted or dropped items and files taken into a repository.
#include "store/Transfer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Bytes.h"
#include "ScratchRepository.h"
#include "TestUtil.h"
#include "fw/Faults.h"
#include "fw/Strings.h"
#include "store/BrnFile.h"
#include "string_ids.h"

using testutil::TempDir;
using testutil::U32;

namespace {

std::string Str(const store::Bytes& b) { return std::string(b.begin(), b.end()); }
store::Bytes Raw(const std::string& s) { return store::Bytes(s.begin(), s.end()); }

// One item record as the blocks carry it.
std::string Record(const FILETIME& t, const std::string& source, const std::string& copy,
                   const std::string& description) {
    return U32(t.dwLowDateTime) + U32(t.dwHighDateTime) + U32(source.size() + 1) +
           U32(copy.size() + 1) + U32(description.size() + 1) + source + '\0' + copy + '\0' +
           description + '\0';
}

std::string Header() { return U32(20) + U32(0) + U32(0) + U32(0) + U32(0); }

class Transfer : public ::testing::Test {
protected:
    std::vector<CBrennaItem*> Items() {
        std::vector<CBrennaItem*> items;
        for (size_t i = 0; i < scratch->Count(); ++i) items.push_back(scratch->Item(i));
        return items;
    }
    // Runs a backup definition of target (brnfile on) and returns its run item.
    CBrennaItem* Run(const std::string& target, const std::string& name) {
        scratch->Settings().brnFile = true;
        CBrnFile def;
        EXPECT_TRUE(def.SetFolder(target));
        std::string path = defs / name;
        EXPECT_TRUE(def.CreateNew(path));
        EXPECT_TRUE(def.Save());
        def.Close();
        size_t before = scratch->Count();
        EXPECT_NE(scratch->Dispatch(path.c_str()), 0);
        EXPECT_EQ(scratch->Count(), before + 1);
        return scratch->Count() > before ? scratch->Item(before) : nullptr;
    }

    TempDir repo, src, defs, temp;
    testutil::ScriptedPrompt prompt;
    testutil::ScratchRepository scratch{repo.Path()};
};

TEST_F(Transfer, TwoOrdinaryItemsGiveTheirStoredPathsAndRecordsByteForByte) {
    testutil::WriteFile(src / "a.txt", "a");
    testutil::WriteFile(src / "b.txt", "bb");
    ASSERT_TRUE(scratch->Dispatch((src / "a.txt").c_str()));
    ASSERT_TRUE(scratch->Dispatch((src / "b.txt").c_str()));
    scratch->Item(0)->m_description = "first one";
    std::vector<std::string> paths;
    std::vector<store::TransferRecord> records;
    store::CollectTransfers(Items(), temp.Path(), paths, records);

    std::string a = repo / "br000000\\a.txt", b = repo / "br000000\\b.txt";
    ASSERT_EQ(paths, (std::vector<std::string>{a, b}));
    EXPECT_EQ(Str(store::BuildFileList(paths)), Header() + a + '\0' + b + '\0' + '\0');
    EXPECT_EQ(Str(store::BuildDropEffectBlock(1)), U32(1));
    // The empty description takes one zero byte: L3 = 1.
    const FILETIME t0 = scratch->Item(0)->m_evacuationTime, t1 = scratch->Item(1)->m_evacuationTime;
    std::string block =
        U32(2) + Record(t0, src / "a.txt", a, "first one") + Record(t1, src / "b.txt", b, "");
    EXPECT_EQ(Str(store::BuildItemBlock(records)), block);
    EXPECT_EQ(testutil::U32At(block, 4 + Record(t0, src / "a.txt", a, "first one").size() + 16),
              1u);

    std::vector<store::TransferRecord> back;
    ASSERT_TRUE(
        store::ReadItemBlock(reinterpret_cast<const uint8_t*>(block.data()), block.size(), back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].source, src / "a.txt");
    EXPECT_EQ(back[0].copy, a);
    EXPECT_EQ(back[0].description, "first one");
    EXPECT_EQ(back[1].description, "");
    EXPECT_EQ(back[1].timeLow, t1.dwLowDateTime);
    EXPECT_EQ(back[1].timeHigh, t1.dwHighDateTime);
}

TEST_F(Transfer, DragTrailerCarriesTheMarkerSixteenBytesAfterTheListsEnd) {
    store::TransferRecord r{0x11223344, 0x01D00000, "C:\\src\\x.txt", "C:\\R\\br000000\\x.txt",
                            "d"};
    const uint32_t marker = 0xC1F5;
    std::vector<store::TransferRecord> records{r};
    store::Bytes list = store::BuildFileList({r.copy}, &records, marker);
    std::string items = U32(1) + Record(FILETIME{r.timeLow, r.timeHigh}, r.source, r.copy, "d");
    std::string expected =
        Header() + r.copy + '\0' + std::string(16, '\0') + U32(marker) + items + '\0';
    ASSERT_EQ(Str(list), expected);
    size_t end = 20 + r.copy.size() + 1;
    EXPECT_EQ(list[end], 0);
    EXPECT_EQ(testutil::U32At(Str(list), end + 16), marker);
    EXPECT_EQ(store::FindItemTrailer(list.data(), list.size(), marker), end + 20);
    EXPECT_EQ(store::FindItemTrailer(list.data(), list.size(), marker + 1), 0u);
    std::vector<std::string> paths;
    ASSERT_TRUE(store::ReadFileList(list.data(), list.size(), paths));
    EXPECT_EQ(paths, std::vector<std::string>{r.copy});
}

TEST_F(Transfer, BackupRunFolderItemIsAssembledUnderANumberedFolder) {
    testutil::WriteFile(src / "Docs\\a.txt", "alpha");
    testutil::WriteFile(src / "Docs\\sub\\c.txt", "gamma");
    testutil::WriteFile(src / "one.txt", "single");
    testutil::WriteFile(src / "plain.txt", "p");
    CBrennaItem* folderRun = Run(src / "Docs", "Docs.brn");
    ASSERT_TRUE(scratch->Dispatch((src / "plain.txt").c_str()));
    CBrennaItem* fileRun = Run(src / "one.txt", "One.brn");
    CBrennaItem* secondFolderRun = Run(src / "Docs", "Docs2.brn");
    ASSERT_TRUE(folderRun && fileRun && secondFolderRun);
    // What the last copy left is emptied by the caller; here a leftover is overwritten.
    testutil::WriteFile(temp / "0000\\Docs\\a.txt", "stale");

    std::vector<std::string> paths;
    std::vector<store::TransferRecord> records;
    store::CollectTransfers(Items(), temp.Path(), paths, records);
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths[0], temp / "0000\\Docs");
    EXPECT_EQ(paths[1], scratch->Item(1)->m_stored);
    // A single-file run names the copy of its pack's first entry, not its history data file.
    EXPECT_EQ(paths[2], repo / "br000000\\one.txt");
    EXPECT_NE(paths[2], fileRun->m_stored);
    // The counter counts assembled folders only.
    EXPECT_EQ(paths[3], temp / "0001\\Docs");
    EXPECT_EQ(testutil::ReadFile(temp / "0000\\Docs\\a.txt"), "alpha");
    EXPECT_EQ(testutil::ReadFile(temp / "0000\\Docs\\sub\\c.txt"), "gamma");
    EXPECT_EQ(testutil::ReadFile(temp / "0001\\Docs\\sub\\c.txt"), "gamma");
    // The clipboard's records carry the transfer path too, with the run's source and time.
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(records[i].copy, paths[i]);
        EXPECT_EQ(records[i].source, scratch->Item(i)->m_source);
        EXPECT_EQ(records[i].timeLow, scratch->Item(i)->m_evacuationTime.dwLowDateTime);
    }
    std::string block = U32(4);
    for (size_t i = 0; i < 4; ++i)
        block +=
            Record(scratch->Item(i)->m_evacuationTime, scratch->Item(i)->m_source, paths[i], "");
    EXPECT_EQ(Str(store::BuildItemBlock(records)), block);
}

TEST_F(Transfer, RunWhosePackIsMissingOrWithoutTemporaryFolderIsLeftOut) {
    testutil::WriteFile(src / "Docs\\a.txt", "alpha");
    testutil::WriteFile(src / "plain.txt", "p");
    CBrennaItem* run = Run(src / "Docs", "Docs.brn");
    ASSERT_TRUE(run);
    ASSERT_TRUE(scratch->Dispatch((src / "plain.txt").c_str()));
    unsigned counter = 0;
    EXPECT_EQ(store::PrepareTransferPath(*run, "", counter), "");
    // A run whose time matches no pack of its history.
    run->m_evacuationTime.dwLowDateTime ^= 1;
    EXPECT_EQ(store::PrepareTransferPath(*run, temp.Path(), counter), "");
    EXPECT_EQ(counter, 0u);
    std::vector<std::string> paths;
    std::vector<store::TransferRecord> records;
    store::CollectTransfers(Items(), temp.Path(), paths, records);
    EXPECT_EQ(paths, std::vector<std::string>{scratch->Item(1)->m_stored});
    EXPECT_EQ(records.size(), 1u);
}

class TransferMbcs : public Transfer {};

TEST_F(TransferMbcs, FolderRunWhoseNameEndsInABackslashTrailByteIsAssembledUnderItsName) {
    if (!testutil::IsJapaneseCodePage()) GTEST_SKIP() << "needs code page 932";
    // 0x95 0x5C is one character whose second byte is a backslash.
    const std::string mb = "\x95\x5C";
    testutil::WriteFile(src / (mb + "\\" + mb + ".txt"), "in");
    CBrennaItem* run = Run(src / mb, "Mb.brn");
    ASSERT_TRUE(run);
    std::vector<std::string> paths;
    std::vector<store::TransferRecord> records;
    store::CollectTransfers(Items(), temp.Path(), paths, records);
    ASSERT_EQ(paths, std::vector<std::string>{temp / ("0000\\" + mb)});
    EXPECT_EQ(testutil::ReadFile(paths[0] + "\\" + mb + ".txt"), "in");
    store::Bytes list = store::BuildFileList(paths, &records, 7);
    EXPECT_EQ(store::FindItemTrailer(list.data(), list.size(), 7), 20 + paths[0].size() + 1 + 20);
    std::vector<store::TransferRecord> back;
    size_t at = store::FindItemTrailer(list.data(), list.size(), 7);
    ASSERT_TRUE(store::ReadItemBlock(list.data() + at, list.size() - at, back));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].source, src / mb);
    EXPECT_EQ(back[0].copy, paths[0]);
}

// Hostile item blocks: each is rejected without reading outside it, keeping the records before
// the bad one.
TEST(TransferBlocks, HostileItemBlocksAreRejected) {
    std::string good = Record(FILETIME{1, 2}, "C:\\a", "C:\\b", "d");
    std::string bad_len = U32(1) + U32(2) + U32(0x7FFFFFFF) + U32(5) + U32(2);
    const struct {
        const char* name;
        std::string block;
        size_t kept;
    } cases[] = {
        {"three bytes", std::string("\1\0\0", 3), 0},
        {"empty", "", 0},
        {"count past the end", U32(2) + good, 1},
        {"count 0xFFFFFFFF", U32(0xFFFFFFFF) + good, 1},
        {"record header cut", U32(1) + good.substr(0, 12), 0},
        {"length past the end", U32(1) + bad_len + "C:\\a", 0},
        {"lengths that wrap around",
         U32(1) + U32(0) + U32(0) + U32(0xFFFFFFFF) + U32(2) + U32(2) + "x", 0},
        {"zero length", U32(1) + U32(0) + U32(0) + U32(0) + U32(1) + U32(1) + std::string(2, '\0'),
         0},
        {"string without its zero",
         U32(2) + good + U32(0) + U32(0) + U32(2) + U32(1) + U32(1) + "ab" + std::string(2, '\0'),
         1},
        {"zero inside a string",
         U32(1) + U32(0) + U32(0) + U32(3) + U32(1) + U32(1) + std::string("a\0\0\0\0", 5), 0},
        {"path of 260 bytes",
         U32(1) + U32(0) + U32(0) + U32(261) + U32(1) + U32(1) + std::string(260, 'p') +
             std::string(3, '\0'),
         0},
        {"description cut",
         U32(1) + U32(0) + U32(0) + U32(1) + U32(1) + U32(9) + std::string(4, '\0'), 0},
    };
    for (const auto& c : cases) {
        // The block is copied into a buffer of exactly its size, so a read past it is caught by
        // the bounds of the vector in a checked build and by the count of records here.
        store::Bytes bytes = Raw(c.block);
        std::vector<store::TransferRecord> out;
        EXPECT_FALSE(store::ReadItemBlock(bytes.data(), bytes.size(), out)) << c.name;
        EXPECT_EQ(out.size(), c.kept) << c.name;
    }
    std::vector<store::TransferRecord> none;
    EXPECT_TRUE(store::ReadItemBlock(reinterpret_cast<const uint8_t*>("\0\0\0\0"), 4, none));
    EXPECT_TRUE(none.empty());
}

TEST(TransferBlocks, HostileFileListsAndDropEffectsAreRejected) {
    const uint32_t marker = 0xC200;
    std::string list = Header() + "C:\\a" + '\0';
    const struct {
        const char* name;
        std::string block;
    } lists[] = {
        {"three bytes", "abc"},
        {"header only", Header()},
        {"list without its end", list},
        {"offset past the end", U32(400) + Header().substr(4) + "C:\\a" + '\0' + '\0'},
        {"offset inside the header", U32(4) + Header().substr(4) + '\0' + '\0'},
        {"wide list", U32(20) + U32(0) + U32(0) + U32(0) + U32(1) + std::string(4, '\0')},
    };
    for (const auto& c : lists) {
        store::Bytes bytes = Raw(c.block);
        std::vector<std::string> paths;
        EXPECT_FALSE(store::ReadFileList(bytes.data(), bytes.size(), paths)) << c.name;
        EXPECT_EQ(store::FindItemTrailer(bytes.data(), bytes.size(), marker), 0u) << c.name;
    }
    // A trailer needs the 16 bytes, the marker and at least one byte of block after the end.
    std::string whole = list + '\0' + std::string(15, '\0') + U32(marker);
    store::Bytes shortTrailer = Raw(whole);
    EXPECT_EQ(store::FindItemTrailer(shortTrailer.data(), shortTrailer.size(), marker), 0u);
    store::Bytes withBlock = Raw(whole + '\0');
    EXPECT_EQ(store::FindItemTrailer(withBlock.data(), withBlock.size(), marker), whole.size());
    EXPECT_EQ(store::FindItemTrailer(withBlock.data(), withBlock.size(), 0), 0u);

    const struct {
        std::string block;
        int effect;
    } effects[] = {{U32(1), 1}, {U32(2), 2}, {U32(3), 1},   {U32(4), 3}, {U32(6), 2},
                   {U32(8), 0}, {U32(0), 0}, {"\1\0\0", 0}, {"", 0}};
    for (const auto& e : effects) {
        store::Bytes bytes = Raw(e.block);
        EXPECT_EQ(store::DropEffectOf(bytes.data(), bytes.size()), e.effect) << e.block.size();
    }
}

TEST_F(Transfer, ItemsFromAnotherRepositoryAreRecordedAsTheyWereAndABadRecordStopsTheRest) {
    TempDir other;
    testutil::WriteFile(other / "br000000\\a.txt", "a");
    testutil::WriteFile(other / "br000001\\Docs\\in.txt", "in");
    std::string inside = repo / "br000009\\mine.txt";
    testutil::WriteFile(inside, "mine");
    const FILETIME t{0x12345678, 0x01D9AAAA};
    std::string block = U32(4) + Record(t, "C:\\was\\a.txt", other / "br000000\\a.txt", "kept") +
                        Record(t, "C:\\was\\Docs", other / "br000001\\Docs", "") +
                        // Already inside this repository: nothing to add.
                        Record(t, "C:\\was\\mine.txt", inside, "x") + U32(0) + U32(0) + U32(50) +
                        U32(1) + U32(1) + "cut";
    store::Bytes bytes = Raw(block);
    EXPECT_FALSE(store::AddTransferredItems(*scratch, bytes.data(), bytes.size()));
    ASSERT_EQ(scratch->Count(), 2u);
    EXPECT_EQ(scratch->Item(0)->m_source, "C:\\was\\a.txt");
    EXPECT_EQ(scratch->Item(0)->m_description, "kept");
    EXPECT_EQ(scratch->Item(0)->m_evacuationTime.dwHighDateTime, t.dwHighDateTime);
    EXPECT_EQ(scratch->Item(0)->m_evacuationTime.dwLowDateTime, t.dwLowDateTime);
    EXPECT_EQ(testutil::ReadFile(scratch->Item(0)->m_stored), "a");
    EXPECT_EQ(scratch->Item(1)->m_fileFlag, 0u);
    EXPECT_EQ(testutil::ReadFile(scratch->Item(1)->m_stored + "\\in.txt"), "in");
    // The records before the bad one are saved.
    CDataFile saved;
    saved.SetFolder(repo.Path());
    ASSERT_TRUE(saved.Load());
    EXPECT_EQ(saved.GetCount(), 2u);
}

class PasteFiles : public Transfer {
protected:
    void TearDown() override {
        fw::FailCalls(fw::FileOp::rename, {});
        SetFileAttributesA((src / "b.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::vector<std::string> ThreeFiles() {
        for (const char* n : {"a.txt", "b.txt", "c.txt"}) testutil::WriteFile(src / n, n);
        return {src / "a.txt", src / "b.txt", src / "c.txt"};
    }
};

TEST_F(PasteFiles, CutDeletesRecordedSourcesUntilOneCannotBeDeleted) {
    auto paths = ThreeFiles();
    SetFileAttributesA(paths[1].c_str(), FILE_ATTRIBUTE_READONLY);
    // Inside this repository: succeeds without a record, and its copy stays.
    std::string inside = repo / "br000050\\in.txt";
    testutil::WriteFile(inside, "i");
    paths.insert(paths.begin(), inside);
    paths.insert(paths.begin() + 1, src / "missing.txt");
    store::PastePaths(*scratch, paths, true);
    EXPECT_EQ(scratch->Count(), 3u);
    EXPECT_TRUE(testutil::Exists(inside));
    EXPECT_FALSE(testutil::Exists(src / "a.txt"));
    EXPECT_TRUE(testutil::Exists(src / "b.txt"));
    EXPECT_TRUE(testutil::Exists(src / "c.txt"));
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[0].text, fw::LoadStr(IDS_FAILED_SAVE_FILE));
    EXPECT_EQ(prompt.shown[1].text, fw::FormatStr(IDS_PASTE_SOURCE_KEPT, (src / "b.txt").c_str()));
    CDataFile saved;
    saved.SetFolder(repo.Path());
    ASSERT_TRUE(saved.Load());
    EXPECT_EQ(saved.GetCount(), 3u);
}

TEST_F(PasteFiles, NoSourceGoesBeforeTheCatalogueHoldsItsCopy) {
    auto paths = ThreeFiles();
    fw::FailCalls(fw::FileOp::rename, {1, 2});
    store::PastePaths(*scratch, paths, true);
    for (const auto& p : paths) EXPECT_TRUE(testutil::Exists(p)) << p;
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::LoadStr(IDS_FAILED_SAVE_FILE));
}

TEST_F(PasteFiles, CopyKeepsTheSources) {
    auto paths = ThreeFiles();
    store::PastePaths(*scratch, paths, false);
    EXPECT_EQ(scratch->Count(), 3u);
    for (const auto& p : paths) EXPECT_TRUE(testutil::Exists(p)) << p;
    EXPECT_TRUE(prompt.shown.empty());
}

}  // namespace
