// What the program writes, in every byte format that reaches it from outside the process, reads
// back whole. The same files seed the fuzzing corpus: with BRENNA_SEED_DIR set, each is also
// written to <dir>\<format>\<name>.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>

#include "ScratchRepository.h"
#include "TestUtil.h"
#include "fw/Archive.h"
#include "fw/Exceptions.h"
#include "fw/MemFile.h"
#include "store/BrnPack.h"
#include "store/CatalogueFormat.h"
#include "store/Transfer.h"
#include "store/TransferBlocks.h"

using testutil::TempDir;

namespace {

// The private clipboard format number the fuzz targets look for.
constexpr uint32_t kMarker = 0xC1F0;

template <class Read>
bool ReadsWhole(const std::string& bytes, Read&& read) {
    try {
        fw::CMemFile file(bytes.data(), bytes.size());
        fw::CArchive ar(file, fw::CArchive::load);
        read(ar);
        return ar.Remaining() == 0;
    } catch (const fw::CException&) {
        return false;
    }
}

std::string AsString(const store::Bytes& b) { return std::string(b.begin(), b.end()); }

class SeedWriter {
public:
    SeedWriter() {
        const char* dir = getenv("BRENNA_SEED_DIR");
        if (dir && *dir) m_dir = dir;
    }
    void Put(const std::string& format, const std::string& name, const std::string& bytes) {
        if (m_dir.empty()) return;
        testutil::WriteFile(m_dir + "\\" + format + "\\" + name, bytes);
    }

private:
    std::string m_dir;
};

}  // namespace

TEST(SeedCorpus, EveryFormatTheProgramWritesReadsBackWhole) {
    TempDir repo, src, defs, temp;
    testutil::ScriptedPrompt prompt;
    testutil::ScratchRepository scratch(repo.Path());
    scratch->Settings().brnFile = true;
    SeedWriter seeds;

    // Evacuated files and a folder, one with a description and a name whose second byte is 0x5C.
    testutil::WriteFile(src / "notes.txt", "notes");
    testutil::WriteFile(src / "\x95\x5C.txt", "table");
    testutil::WriteFile(src / "tree\\a.txt", "alpha");
    testutil::WriteFile(src / "tree\\sub\\b.txt", "beta");
    for (const char* name : {"notes.txt", "\x95\x5C.txt", "tree"})
        ASSERT_TRUE(scratch->Evacuate((src / name).c_str())) << name;
    ASSERT_TRUE(scratch->Item(0)->SetDescription("before the rewrite"));

    // A definition with exclusions, run twice with a change between: a history of two packs.
    testutil::WriteFile(src / "data\\keep.txt", "keep");
    testutil::WriteFile(src / "data\\skip.tmp", "skip");
    testutil::WriteFile(src / "data\\sub\\deep.txt", "deep");
    std::string definition = defs / "Photos.brn";
    {
        CBrnFile def;
        ASSERT_TRUE(def.SetFolder(src / "data"));
        ASSERT_TRUE(def.SetExclusions("*.tmp;~*"));
        ASSERT_TRUE(def.CreateNew(definition));
        ASSERT_TRUE(def.Save());
    }
    ASSERT_TRUE(scratch->Dispatch(definition.c_str()));
    testutil::WriteFile(src / "data\\new.txt", "new");
    ASSERT_TRUE(scratch->Dispatch(definition.c_str()));
    ASSERT_TRUE(scratch->Save(TRUE));
    ASSERT_EQ(scratch->Count(), 5u);

    std::string catalogue = testutil::ReadFile(repo / "brenna.dat");
    std::vector<std::unique_ptr<CBrennaItem>> items;
    EXPECT_TRUE(
        ReadsWhole(catalogue, [&](fw::CArchive& ar) { store::ReadCatalogue(ar, 0, items); }));
    EXPECT_EQ(items.size(), 5u);
    seeds.Put("catalogue", "five-items.dat", catalogue);

    std::string def = testutil::ReadFile(definition);
    CBrnFile read;
    EXPECT_TRUE(ReadsWhole(def, [&](fw::CArchive& ar) { read.Serialize(ar); }));
    EXPECT_EQ(read.Exclusions().size(), 2u);
    seeds.Put("definition", "two-exclusions.brn", def);

    std::string history = testutil::ReadFile(scratch->Item(3)->m_stored);
    GUID id{};
    std::vector<std::unique_ptr<CBrnBackupItemPack>> packs;
    EXPECT_TRUE(ReadsWhole(history, [&](fw::CArchive& ar) { store::ReadHistory(ar, id, packs); }));
    ASSERT_EQ(packs.size(), 2u);
    EXPECT_EQ(packs[1]->EntryCount(), 3);
    seeds.Put("history", "two-packs.dat", history);

    // The clipboard and drag blocks of every item, as copying the rows would build them.
    std::vector<CBrennaItem*> rows;
    for (size_t i = 0; i < scratch->Count(); ++i) rows.push_back(scratch->Item(i));
    std::vector<std::string> paths;
    std::vector<store::TransferRecord> records;
    store::CollectTransfers(rows, temp.Path(), paths, records);
    ASSERT_EQ(records.size(), 5u);
    store::Bytes block = store::BuildItemBlock(records);
    std::vector<store::TransferRecord> readRecords;
    EXPECT_TRUE(store::ReadItemBlock(block.data(), block.size(), readRecords));
    EXPECT_EQ(readRecords.size(), 5u);
    seeds.Put("item_block", "five-items.bin", AsString(block));

    store::Bytes dragged = store::BuildFileList(paths, &records, kMarker);
    store::Bytes plain = store::BuildFileList(paths);
    std::vector<std::string> readPaths;
    EXPECT_TRUE(store::ReadFileList(dragged.data(), dragged.size(), readPaths));
    EXPECT_EQ(readPaths, paths);
    size_t at = store::FindItemTrailer(dragged.data(), dragged.size(), kMarker);
    ASSERT_NE(at, 0u);
    EXPECT_TRUE(store::ReadItemBlock(dragged.data() + at, dragged.size() - at, readRecords));
    EXPECT_EQ(store::FindItemTrailer(plain.data(), plain.size(), kMarker), 0u);
    seeds.Put("drop_list", "with-trailer.bin", AsString(dragged));
    seeds.Put("drop_list", "plain.bin", AsString(plain));

    std::vector<std::string> handed = {src / "notes.txt", src / "\x95\x5C.txt", definition};
    store::Bytes handOff = store::BuildHandOffList(handed);
    std::vector<std::string> readHanded;
    store::ReadHandOffList(handOff.data(), handOff.size(), readHanded);
    EXPECT_EQ(readHanded, handed);
    seeds.Put("handoff_list", "three-paths.bin", AsString(handOff));
}
