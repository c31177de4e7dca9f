// Tests of the ".brn" definition files and the history data files: their exact bytes, the
// rejection of damaged files, crash-safe rewriting and the release of copies by DeletePack.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "TestUtil.h"
#include "Bytes.h"
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "fw/Strings.h"
#include "store/BrennaItem.h"
#include "string_ids.h"

namespace {

using testutil::ReadFile;
using testutil::ScriptedPrompt;
using testutil::TempDir;
using testutil::GuidAt;
using testutil::GuidBytes;
using testutil::U32;
using testutil::WriteFile;

constexpr GUID kFileId = {
    0x11223344, 0x5566, 0x7788, {0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xF0, 0x01}};
constexpr GUID kPackId = {0xA1A2A3A4, 0xB1B2, 0xC1C2, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr FILETIME kTime1 = {0x89ABCDEF, 0x01D9AAAA};
constexpr FILETIME kTime2 = {0x89ABCDF0, 0x01D9AAAA};

std::string Z(const std::string& s) { return s + '\0'; }

std::string DefinitionBytes(const GUID& id, const std::string& folder,
                            const std::vector<std::string>& patterns) {
    std::string block;
    for (const auto& p : patterns) block += U32(p.size() + 1) + Z(p);
    return "BBDF" + U32(0x10000) + GuidBytes(id) + U32(folder.size() + 1) + U32(patterns.size()) +
           U32(block.size()) + Z(folder) + block;
}

struct Entry {
    std::string source, stored;
    uint32_t owned;
};

struct Pack {
    FILETIME time;
    std::string folder;
    std::vector<std::string> patterns;
    std::vector<Entry> entries;
};

// The history image; guidAt receives the offsets of the identifiers embedded in the packs.
std::string HistoryBytes(const GUID& id, const std::vector<Pack>& packs,
                         std::vector<size_t>* guidAt = nullptr) {
    std::string out = "BRND" + U32(0x10000) + GuidBytes(id) + U32(packs.size());
    for (const auto& p : packs) {
        out += U32(p.time.dwLowDateTime) + U32(p.time.dwHighDateTime) + U32(p.entries.size());
        if (guidAt) guidAt->push_back(out.size() + 8);
        out += DefinitionBytes(kPackId, p.folder, p.patterns);
        for (const auto& e : p.entries)
            out += U32(e.source.size() + 1) + U32(e.stored.size() + 1) + U32(e.owned) +
                   Z(e.source) + Z(e.stored);
    }
    return out;
}

bool SameGuid(const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof a) == 0; }

// A stop box with the standard text of one of ids, naming the file at path.
bool IsStopBoxWith(const ScriptedPrompt::Shown& s, std::initializer_list<UINT> ids,
                   const std::string& path) {
    if (s.type != (MB_OK | MB_ICONSTOP)) return false;
    for (UINT id : ids)
        if (!fw::LoadStr(id).empty() &&
            s.text == fw::FormatStr(IDS_FAULT_IN_FILE, fw::LoadStr(id).c_str(), path.c_str()))
            return true;
    return false;
}

const std::initializer_list<UINT> kReadFaults = {IDS_ERR_END_OF_FILE, IDS_ERR_BAD_FORMAT,
                                                 IDS_ERR_DAMAGED, IDS_ERR_NO_MEMORY};

// ---------------------------------------------------------------------------------------------
// Definition files.

TEST(BrnFile, DefinitionWithoutExclusionsIsHeaderAndFolderOnly) {
    TempDir dir;
    std::string path = dir / "a.brn";
    CBrnFile def;
    ASSERT_TRUE(def.CreateNew(path));
    ASSERT_TRUE(def.SetFolder("C:\\Data"));
    ASSERT_TRUE(def.Save());
    def.Close();
    std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 36u + 8u);
    EXPECT_EQ(bytes.substr(0, 8), "BBDF" + U32(0x10000));
    EXPECT_EQ(bytes.substr(24), U32(8) + U32(0) + U32(0) + Z("C:\\Data"));
}

TEST(BrnFile, WorkedExampleGivesExactBytes) {
    TempDir dir;
    ScriptedPrompt prompt;
    std::string path = dir / "a.brn";
    WriteFile(path, DefinitionBytes(kFileId, "C:\\Old", {}));
    CBrnFile def;
    ASSERT_TRUE(def.OpenForEdit(path));
    ASSERT_TRUE(def.SetFolder("C:\\Data"));
    ASSERT_TRUE(def.SetExclusions("*.TMP;~*"));
    ASSERT_TRUE(def.Save());
    def.Close();
    const char expected[] =
        "BBDF\x00\x00\x01\x00"
        "\x44\x33\x22\x11\x66\x55\x88\x77\x99\xAA\xBB\xCC\xDD\xEE\xF0\x01"
        "\x08\x00\x00\x00\x02\x00\x00\x00\x11\x00\x00\x00"
        "C:\\Data\x00"
        "\x06\x00\x00\x00*.TMP\x00"
        "\x03\x00\x00\x00~*\x00";
    EXPECT_EQ(ReadFile(path), std::string(expected, sizeof expected - 1));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST(BrnFile, SetFolderDropsTrailingBackslashes) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"D:\\Work\\\\", "D:\\Work"},
                 {"C:\\", "C:"},
                 {"\\\\", ""},
                 {"C:\\Data", "C:\\Data"},
                 {"D:\\a\\b\\", "D:\\a\\b"}};
    for (const auto& c : cases) {
        CBrnFile def;
        EXPECT_TRUE(def.SetFolder(c.in));
        EXPECT_EQ(def.Folder(), c.out) << c.in;
    }
}

TEST(BrnFile, SetExclusionsSplitsAtSemicolonsAndDropsEmptyPieces) {
    const struct {
        const char* text;
        std::vector<std::string> patterns;
    } cases[] = {{"*.tmp;;~*", {"*.tmp", "~*"}},
                 {" a ; B;", {" a ", " B"}},
                 {";;", {}},
                 {"", {}},
                 {nullptr, {}},
                 {"obj", {"obj"}}};
    for (const auto& c : cases) {
        CBrnFile def;
        ASSERT_TRUE(def.SetExclusions("old;list"));
        EXPECT_TRUE(def.SetExclusions(c.text));
        EXPECT_EQ(def.Exclusions(), c.patterns) << (c.text ? c.text : "(null)");
    }
}

TEST(BrnFile, UnknownIdentifierIsFreshForEveryWriteAndKnownOneIsKept) {
    TempDir dir;
    ScriptedPrompt prompt;
    std::string a = dir / "a.brn", b = dir / "b.brn", c = dir / "c.brn";
    CBrnFile first, second;
    ASSERT_TRUE(first.CreateNew(a) && first.SetFolder("C:\\Data") && first.Save());
    first.Close();
    ASSERT_TRUE(second.CreateNew(b) && second.SetFolder("C:\\Data") && second.Save());
    second.Close();
    // The same object written once more still has no identifier of its own.
    ASSERT_TRUE(first.CreateNew(c) && first.Save());
    first.Close();
    EXPECT_FALSE(first.IsIdentifierKnown());
    EXPECT_TRUE(SameGuid(first.Identifier(), GUID{}));
    GUID ga = GuidAt(ReadFile(a), 8), gb = GuidAt(ReadFile(b), 8), gc = GuidAt(ReadFile(c), 8);
    EXPECT_FALSE(SameGuid(ga, GUID{}));
    EXPECT_FALSE(SameGuid(ga, gb));
    EXPECT_FALSE(SameGuid(ga, gc));

    CBrnFile edit;
    ASSERT_TRUE(edit.OpenForEdit(a));
    EXPECT_TRUE(edit.IsIdentifierKnown());
    ASSERT_TRUE(edit.SetExclusions("*.obj") && edit.Save());
    edit.Close();
    EXPECT_TRUE(SameGuid(GuidAt(ReadFile(a), 8), ga));

    CBrnFile loaded;
    ASSERT_TRUE(loaded.Load(a));
    EXPECT_TRUE(loaded.IsIdentifierKnown());
    EXPECT_TRUE(SameGuid(loaded.Identifier(), ga));
    EXPECT_EQ(loaded.Exclusions(), std::vector<std::string>{"*.obj"});
    EXPECT_TRUE(prompt.shown.empty());
}

TEST(BrnFile, RewriteInPlaceKeepsLengthAndReadsOnlyNewExclusions) {
    TempDir dir;
    std::string path = dir / "a.brn";
    WriteFile(path, DefinitionBytes(kFileId, "C:\\Data", {"*.tmp", "*.bak", "Thumbs.db"}));
    size_t before = ReadFile(path).size();
    CBrnFile def;
    ASSERT_TRUE(def.OpenForEdit(path));
    ASSERT_TRUE(def.SetExclusions("*.o") && def.Save());
    def.Close();
    std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.size(), before);
    std::string record = DefinitionBytes(kFileId, "C:\\Data", {"*.o"});
    EXPECT_EQ(bytes.substr(0, record.size()), record);
    CBrnFile again;
    ASSERT_TRUE(again.Load(path));
    EXPECT_EQ(again.Folder(), "C:\\Data");
    EXPECT_EQ(again.Exclusions(), std::vector<std::string>{"*.o"});
}

TEST(BrnFile, CopyTakesTheDefinitionButNotTheFile) {
    TempDir dir;
    std::string path = dir / "a.brn";
    WriteFile(path, DefinitionBytes(kFileId, "C:\\Data", {"*.tmp"}));
    CBrnFile def;
    ASSERT_TRUE(def.OpenForEdit(path));
    CBrnFile copy(def);
    EXPECT_FALSE(copy.IsOpen());
    EXPECT_TRUE(def.IsOpen());
    EXPECT_TRUE(copy.IsIdentifierKnown());
    EXPECT_TRUE(SameGuid(copy.Identifier(), kFileId));
    EXPECT_EQ(copy.Folder(), "C:\\Data");
    EXPECT_EQ(copy.Exclusions(), def.Exclusions());
    EXPECT_FALSE(copy.Save());
}

TEST(BrnFile, PathsThatDoNotFitInMaxPathAreRefused) {
    CBrnFile def;
    ASSERT_TRUE(def.SetFolder("C:\\Data"));
    EXPECT_FALSE(def.SetFolder("C:\\" + std::string(257, 'a')));
    EXPECT_EQ(def.Folder(), "C:\\Data");
    EXPECT_TRUE(def.SetFolder("C:\\" + std::string(256, 'a')));
    EXPECT_TRUE(def.SetFolder("C:\\" + std::string(256, 'a') + "\\\\"));

    CBrnBackupItem entry;
    EXPECT_FALSE(entry.Set("C:\\" + std::string(257, 'a'), "br000000\\a"));
    EXPECT_FALSE(entry.Set("C:\\a", "br000000\\" + std::string(251, 'a')));
    EXPECT_TRUE(entry.Set("C:\\a", "br000000\\" + std::string(250, 'a')));
    EXPECT_EQ(entry.SourceLength(), 5u);
    EXPECT_EQ(entry.StoredLength(), 260u);
}

TEST(BrnFile, DamagedDefinitionsAreRejectedAndReported) {
    std::string good = DefinitionBytes(kFileId, "C:\\Data", {"*.TMP", "~*"});
    auto patched = [&](size_t at, const std::string& bytes) {
        std::string s = good;
        s.replace(at, bytes.size(), bytes);
        return s;
    };
    const size_t block = 36 + 8;
    const struct {
        const char* what;
        std::string bytes;
        UINT id;
    } cases[] = {
        {"magic", patched(0, "BBDG"), IDS_ERR_BAD_FORMAT},
        {"version", patched(4, U32(0x20000)), IDS_ERR_BAD_FORMAT},
        {"folder length 0", patched(24, U32(0)), IDS_ERR_DAMAGED},
        {"folder past end", patched(24, U32(1000)), IDS_ERR_DAMAGED},
        {"folder without zero", patched(24, U32(7)), IDS_ERR_DAMAGED},
        {"folder with inner zero", patched(36 + 2, std::string(1, '\0')), IDS_ERR_DAMAGED},
        {"folder over MAX_PATH", DefinitionBytes(kFileId, "C:\\" + std::string(257, 'a'), {}),
         IDS_ERR_DAMAGED},
        {"block past end", patched(32, U32(18)), IDS_ERR_DAMAGED},
        {"block left over", patched(32, U32(25)) + std::string(8, '\0'), IDS_ERR_DAMAGED},
        {"entries run past block", patched(28, U32(3)), IDS_ERR_DAMAGED},
        {"count too large", patched(28, U32(4)), IDS_ERR_DAMAGED},
        {"count 0 with a block", patched(28, U32(0)), IDS_ERR_DAMAGED},
        {"entry past block", patched(block + 10, U32(4)), IDS_ERR_DAMAGED},
        {"entry length 0", patched(block, U32(0)), IDS_ERR_DAMAGED},
        {"entry without zero", patched(block, U32(5)), IDS_ERR_DAMAGED},
        {"huge count", patched(28, U32(0xFFFFFFFF)), IDS_ERR_DAMAGED},
    };
    TempDir dir;
    std::string path = dir / "a.brn";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(path, c.bytes);
        ScriptedPrompt prompt;
        CBrnFile def;
        ASSERT_TRUE(def.SetFolder("C:\\Before") && def.SetExclusions("keep"));
        EXPECT_FALSE(def.Load(path));
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_TRUE(IsStopBoxWith(prompt.shown[0], {c.id}, path));
        EXPECT_EQ(def.Folder(), "C:\\Before");
        EXPECT_EQ(def.Exclusions(), std::vector<std::string>{"keep"});
        EXPECT_FALSE(def.IsIdentifierKnown());
        EXPECT_FALSE(def.OpenForEdit(path));
        EXPECT_FALSE(def.IsOpen());
    }
}

TEST(BrnFile, EveryTruncationOfAValidFileIsRejected) {
    std::string good = DefinitionBytes(kFileId, "C:\\Data", {"*.TMP", "~*"});
    TempDir dir;
    std::string path = dir / "a.brn";
    for (size_t len = 0; len < good.size(); ++len) {
        SCOPED_TRACE(len);
        WriteFile(path, good.substr(0, len));
        ScriptedPrompt prompt;
        CBrnFile def;
        EXPECT_FALSE(def.Load(path));
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_TRUE(IsStopBoxWith(prompt.shown[0], kReadFaults, path));
        EXPECT_TRUE(def.Folder().empty());
        EXPECT_TRUE(def.Exclusions().empty());
    }
    WriteFile(path, good + "tail");
    CBrnFile def;
    ASSERT_TRUE(def.Load(path));
    EXPECT_EQ(def.Exclusions(), (std::vector<std::string>{"*.TMP", "~*"}));
}

TEST(BrnFile, MissingFileFailsWithoutMessage) {
    TempDir dir;
    ScriptedPrompt prompt;
    CBrnFile def;
    EXPECT_FALSE(def.Load(dir / "none.brn"));
    EXPECT_FALSE(def.OpenForEdit(dir / "none.brn"));
    EXPECT_FALSE(def.CreateNew(dir / "no\\such\\folder.brn"));
    EXPECT_FALSE(def.Save());
    EXPECT_TRUE(prompt.shown.empty());
}

// ---------------------------------------------------------------------------------------------
// History data files.

class BrnDataFile : public ::testing::Test {
protected:
    // A history file at br000000\Docs.dat linked through one catalogue item.
    std::string Install(const std::string& bytes) {
        std::string path = repo / "br000000\\Docs.dat";
        WriteFile(path, bytes);
        Link(path, 1);
        return path;
    }
    CBrennaItem* Link(const std::string& stored, DWORD generation) {
        items.push_back(std::make_unique<CBrennaItem>());
        CBrennaItem* item = items.back().get();
        item->m_stored = stored;
        item->m_generation = generation;
        history.LinkItem(item);
        return item;
    }
    void Copy(const std::string& storedName) { WriteFile(repo / storedName, storedName); }
    bool HasCopy(const std::string& storedName) { return testutil::Exists(repo / storedName); }

    TempDir repo;
    CBrnDataFile history{repo.Path()};
    std::vector<std::unique_ptr<CBrennaItem>> items;
};

const std::vector<Pack> kTwoRuns = {
    {kTime1,
     "C:\\Docs",
     {"*.TMP"},
     {{"C:\\Docs\\a.txt", "br000000\\a.txt", 1}, {"C:\\Docs\\b.txt", "br000000\\b.txt", 1}}},
    {kTime2,
     "C:\\Docs",
     {},
     {{"C:\\DOCS\\A.TXT", "br000000\\a.txt", 0}, {"C:\\Docs\\b.txt", "br000001\\b.txt", 1}}},
};

TEST_F(BrnDataFile, HistoryPathsFollowTheDefinitionName) {
    ScriptedPrompt prompt;
    ASSERT_TRUE(history.CreateForDefinition("C:\\defs\\Photos.brn", kFileId));
    EXPECT_EQ(history.Path(), repo / "br000000\\Photos.dat");
    CBrnDataFile other(repo.Path());
    ASSERT_TRUE(other.CreateForDefinition("D:\\elsewhere\\Photos.brn", kPackId));
    EXPECT_EQ(other.Path(), repo / "br000001\\Photos.dat");

    ASSERT_TRUE(history.SavePacks());
    ASSERT_TRUE(other.SavePacks());
    EXPECT_EQ(ReadFile(history.Path()), HistoryBytes(kFileId, {}));
    EXPECT_EQ(ReadFile(other.Path()), HistoryBytes(kPackId, {}));
    EXPECT_FALSE(testutil::HasTempFileBeside(history.Path()));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(BrnDataFile, FirstRunIsWrittenOnlyWhenSaved) {
    ASSERT_TRUE(history.CreateForDefinition("C:\\defs\\Docs.brn", kFileId));
    std::string path = history.Path();
    // Until SavePacks the name is only reserved: no header check accepts it.
    EXPECT_EQ(ReadFile(path), "");
    history.AbandonUpdate();
    CBrnDataFile check(repo.Path());
    items.push_back(std::make_unique<CBrennaItem>());
    items.back()->m_stored = path;
    check.LinkItem(items.back().get());
    EXPECT_FALSE(check.CheckHeader());

    CBrnFile def;
    ASSERT_TRUE(def.SetFolder("C:\\Docs") && def.SetExclusions("*.TMP"));
    ASSERT_TRUE(history.CreateForDefinition("C:\\defs\\Docs.brn", kFileId));
    std::vector<std::unique_ptr<CBrnBackupItem>> entries;
    for (const auto& e : kTwoRuns[0].entries) {
        entries.push_back(std::make_unique<CBrnBackupItem>());
        ASSERT_TRUE(entries.back()->Set(e.source, e.stored));
        entries.back()->SetOwned(true);
    }
    ASSERT_TRUE(history.AddPack(def, std::move(entries), kTime1));
    ASSERT_TRUE(history.SavePacks());
    EXPECT_EQ(history.Path(), repo / "br000001\\Docs.dat");
    EXPECT_EQ(history.PackCount(), 1);

    std::vector<size_t> guidAt;
    std::string expected = HistoryBytes(kFileId, {kTwoRuns[0]}, &guidAt);
    std::string bytes = ReadFile(history.Path());
    ASSERT_EQ(bytes.size(), expected.size());
    expected.replace(guidAt[0], 16, bytes.substr(guidAt[0], 16));
    EXPECT_EQ(bytes, expected);
}

TEST_F(BrnDataFile, RewriteKeepsEverythingButThePackIdentifiers) {
    std::vector<size_t> guidAt;
    std::string original = HistoryBytes(kFileId, kTwoRuns, &guidAt);
    std::string path = Install(original);
    ASSERT_TRUE(history.ReloadForUpdate());
    ASSERT_EQ(history.Packs().size(), 2u);
    ASSERT_TRUE(history.SavePacks());
    std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), original.size());
    for (size_t at : guidAt) {
        EXPECT_FALSE(SameGuid(GuidAt(bytes, at), kPackId));
        original.replace(at, 16, bytes.substr(at, 16));
    }
    EXPECT_FALSE(SameGuid(GuidAt(bytes, guidAt[0]), GuidAt(bytes, guidAt[1])));
    EXPECT_EQ(bytes, original);

    ASSERT_TRUE(history.LoadPacks());
    EXPECT_TRUE(SameGuid(history.Identifier(), kFileId));
    const CBrnBackupItemPack& older = *history.Packs()[0];
    EXPECT_EQ(CompareFileTime(&older.RunTime(), &kTime1), 0);
    EXPECT_EQ(older.Definition().Folder(), "C:\\Docs");
    EXPECT_EQ(older.Definition().Exclusions(), std::vector<std::string>{"*.TMP"});
    EXPECT_FALSE(older.Definition().IsIdentifierKnown());
    ASSERT_EQ(older.EntryCount(), 2);
    EXPECT_EQ(older.Entries()[1]->Source(), "C:\\Docs\\b.txt");
    EXPECT_EQ(older.Entries()[1]->StoredName(), "br000000\\b.txt");
    EXPECT_FALSE(history.Packs()[1]->Entries()[0]->IsOwned());
    EXPECT_EQ(history.LastPack(), history.Packs()[1].get());
}

TEST_F(BrnDataFile, FindPackMatchesTheRunTime) {
    Install(HistoryBytes(kFileId, kTwoRuns));
    CBrnBackupItemPack* pack = history.FindPack(kTime2);
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(pack->Entries()[1]->StoredName(), "br000001\\b.txt");
    EXPECT_EQ(history.FindPack(FILETIME{kTime2.dwLowDateTime, 0}), nullptr);
}

TEST_F(BrnDataFile, CheckHeaderReadsOnlyTheHeader) {
    const struct {
        std::string bytes;
        bool valid;
    } cases[] = {
        {HistoryBytes(kFileId, kTwoRuns), true},
        // The packs are not read here, so a cut after the header still passes.
        {HistoryBytes(kFileId, kTwoRuns).substr(0, 28), true},
        {HistoryBytes(kFileId, kTwoRuns).substr(0, 27), false},
        {"BRNG" + HistoryBytes(kFileId, {}).substr(4), false},
        {HistoryBytes(kFileId, {}).replace(4, 4, U32(0x20000)), false},
    };
    std::string path = Install(cases[0].bytes);
    for (const auto& c : cases) {
        WriteFile(path, c.bytes);
        EXPECT_EQ(history.CheckHeader(), c.valid) << c.bytes.size();
    }
    WriteFile(path, HistoryBytes(kPackId, kTwoRuns));
    ASSERT_TRUE(history.CheckHeader());
    EXPECT_TRUE(SameGuid(history.Identifier(), kPackId));
    EXPECT_EQ(history.PackCount(), 2);
}

TEST_F(BrnDataFile, DeletingTheOnlyPackDeletesTheHistoryFile) {
    Copy("br000000\\a.txt");
    std::string path = Install(HistoryBytes(kFileId, {kTwoRuns[0]}));
    EXPECT_TRUE(history.DeletePack(kTime1));
    EXPECT_FALSE(testutil::Exists(path));
    EXPECT_FALSE(testutil::HasTempFileBeside(path));
    EXPECT_FALSE(HasCopy("br000000\\a.txt"));
    EXPECT_EQ(history.PackCount(), 0);
}

TEST_F(BrnDataFile, DeletingTheOlderPackPassesSharedCopiesToTheNewer) {
    for (const char* c : {"br000000\\a.txt", "br000000\\b.txt", "br000001\\b.txt"}) Copy(c);
    std::string path = Install(HistoryBytes(kFileId, kTwoRuns));
    EXPECT_TRUE(history.DeletePack(kTime1));
    // a.txt is only referred to by the newer pack: its copy stays and becomes the newer's own.
    EXPECT_TRUE(HasCopy("br000000\\a.txt"));
    EXPECT_FALSE(HasCopy("br000000\\b.txt"));
    EXPECT_TRUE(HasCopy("br000001\\b.txt"));

    std::vector<size_t> guidAt;
    Pack left = kTwoRuns[1];
    left.entries[0].owned = 1;
    std::string expected = HistoryBytes(kFileId, {left}, &guidAt);
    std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), expected.size());
    expected.replace(guidAt[0], 16, bytes.substr(guidAt[0], 16));
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(history.PackCount(), 1);
}

TEST_F(BrnDataFile, DeletingTheNewestPackDeletesTheCopiesItOwns) {
    for (const char* c : {"br000000\\a.txt", "br000000\\b.txt", "br000001\\b.txt"}) Copy(c);
    std::string path = Install(HistoryBytes(kFileId, kTwoRuns));
    EXPECT_TRUE(history.DeletePack(kTime2));
    EXPECT_TRUE(HasCopy("br000000\\a.txt"));
    EXPECT_TRUE(HasCopy("br000000\\b.txt"));
    EXPECT_FALSE(HasCopy("br000001\\b.txt"));
    ASSERT_TRUE(history.LoadPacks());
    ASSERT_EQ(history.Packs().size(), 1u);
    EXPECT_TRUE(history.Packs()[0]->Entries()[0]->IsOwned());
    EXPECT_TRUE(history.Packs()[0]->Entries()[1]->IsOwned());
}

TEST_F(BrnDataFile, DeletingAPackWhoseFileVanishedLaterDeletesItsCopy) {
    // c.txt is gone from the newer run: the older pack was the only one to use its copy.
    Pack older = {
        kTime1,
        "C:\\Docs",
        {},
        {{"C:\\Docs\\c.txt", "br000000\\c.txt", 1}, {"C:\\Docs\\d.txt", "br000000\\d.txt", 1}}};
    Pack newer = {kTime2, "C:\\Docs", {}, {{"C:\\Docs\\d.txt", "br000000\\d.txt", 0}}};
    for (const char* c : {"br000000\\c.txt", "br000000\\d.txt"}) Copy(c);
    Install(HistoryBytes(kFileId, {older, newer}));
    EXPECT_TRUE(history.DeletePack(kTime1));
    EXPECT_FALSE(HasCopy("br000000\\c.txt"));
    EXPECT_TRUE(HasCopy("br000000\\d.txt"));
}

TEST_F(BrnDataFile, DeletionNeverReachesOutsideTheNumberedFolders) {
    Copy("victim.txt");
    Copy("br000000\\sub\\x.txt");
    Pack pack = {kTime1,
                 "C:\\Docs",
                 {},
                 {{"C:\\Docs\\a", "br000000\\..\\victim.txt", 1},
                  {"C:\\Docs\\b", "..\\victim.txt", 1},
                  {"C:\\Docs\\c", "br000000\\sub\\x.txt", 1}}};
    std::string path = Install(HistoryBytes(kFileId, {pack}));
    EXPECT_TRUE(history.DeletePack(kTime1));
    EXPECT_FALSE(testutil::Exists(path));
    EXPECT_TRUE(HasCopy("victim.txt"));
    EXPECT_TRUE(HasCopy("br000000\\sub\\x.txt"));
}

TEST_F(BrnDataFile, DeletingAnUnknownTimeRemovesNothing) {
    for (const char* c : {"br000000\\a.txt", "br000000\\b.txt", "br000001\\b.txt"}) Copy(c);
    Install(HistoryBytes(kFileId, kTwoRuns));
    std::string before = ReadFile(history.Path());
    // Nothing to take out is no failure, and the file is not even rewritten.
    EXPECT_TRUE(history.DeletePack(FILETIME{1, 2}));
    EXPECT_EQ(ReadFile(history.Path()), before);
    EXPECT_FALSE(testutil::HasTempFileBeside(history.Path()));
    ASSERT_TRUE(history.LoadPacks());
    EXPECT_EQ(history.Packs().size(), 2u);
    for (const char* c : {"br000000\\a.txt", "br000000\\b.txt", "br000001\\b.txt"})
        EXPECT_TRUE(HasCopy(c));
}

TEST_F(BrnDataFile, AbandonedUpdateLeavesTheFileAsItWas) {
    std::string original = HistoryBytes(kFileId, kTwoRuns);
    std::string path = Install(original);
    ASSERT_TRUE(history.ReloadForUpdate());
    EXPECT_EQ(ReadFile(path), original);
    history.AbandonUpdate();
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_FALSE(testutil::HasTempFileBeside(path));
    EXPECT_FALSE(history.SavePacks());
}

TEST_F(BrnDataFile, FailedSaveLeavesTheOldFileIntact) {
    ScriptedPrompt prompt;
    std::string original = HistoryBytes(kFileId, kTwoRuns);
    std::string path = Install(original);
    ASSERT_TRUE(history.ReloadForUpdate());
    ASSERT_TRUE(history.AddPack(CBrnFile(), {}, FILETIME{5, 6}));
    // A target held open without delete sharing cannot be replaced.
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(history.SavePacks());
    CloseHandle(reader);
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_FALSE(testutil::HasTempFileBeside(path));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].type, static_cast<UINT>(MB_OK | MB_ICONSTOP));

    // A deletion whose rewrite fails keeps the pack and its copies.
    for (const char* c : {"br000000\\a.txt", "br000000\\b.txt", "br000001\\b.txt"}) Copy(c);
    reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(history.DeletePack(kTime2));
    CloseHandle(reader);
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_TRUE(HasCopy("br000001\\b.txt"));
}

TEST_F(BrnDataFile, EveryTruncationIsRejectedAndReported) {
    std::string good = HistoryBytes(kFileId, kTwoRuns);
    std::string path = Install(good);
    for (size_t len = 0; len < good.size(); ++len) {
        SCOPED_TRACE(len);
        std::string cut = good.substr(0, len);
        WriteFile(path, cut);
        EXPECT_THROW(history.LoadPacks(), fw::CException);
        EXPECT_TRUE(history.Packs().empty());
        ScriptedPrompt prompt;
        EXPECT_FALSE(history.DeletePack(kTime1));
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_TRUE(IsStopBoxWith(prompt.shown[0], kReadFaults, path));
        EXPECT_EQ(ReadFile(path), cut);
        EXPECT_FALSE(testutil::HasTempFileBeside(path));
    }
}

TEST_F(BrnDataFile, AnnouncedCountsAndLengthsAreCheckedAgainstTheData) {
    std::vector<size_t> guidAt;
    std::string good = HistoryBytes(kFileId, kTwoRuns, &guidAt);
    // Header, then the first pack's definition: 12 bytes of lengths, "C:\Docs" and one pattern.
    const size_t pack0 = 28, entries0 = guidAt[0] + 16 + 12 + 8 + 10;
    auto patched = [&](size_t at, const std::string& bytes) {
        std::string s = good;
        s.replace(at, bytes.size(), bytes);
        return s;
    };
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"magic", patched(0, "BRNG")},
        {"version", patched(4, U32(0x10001))},
        {"negative pack count", patched(24, U32(0xFFFFFFFF))},
        {"absurd pack count", patched(24, U32(0x7FFFFFFF))},
        {"one pack too many", patched(24, U32(3))},
        // Counts below what the file holds would drop the rest at the next rewrite.
        {"one pack too few", patched(24, U32(1))},
        {"no pack counted", patched(24, U32(0))},
        {"first pack one entry short", patched(pack0 + 8, U32(1))},
        {"last pack one entry short", patched(guidAt[1] - 12, U32(1))},
        {"bytes after the last pack", good + std::string(4, '\0')},
        {"negative entry count", patched(pack0 + 8, U32(0x80000000))},
        {"absurd entry count", patched(pack0 + 8, U32(1000000))},
        {"source length 0", patched(entries0, U32(0))},
        {"source past end", patched(entries0, U32(0xFFFFFFF0))},
        {"source over MAX_PATH", patched(entries0, U32(261))},
        {"source without zero", patched(entries0, U32(13))},
        {"stored length 0", patched(entries0 + 4, U32(0))},
        {"pack definition magic", patched(guidAt[1] - 8, "XBDF")},
    };
    std::string path = Install(good);
    ASSERT_TRUE(history.LoadPacks());
    ASSERT_EQ(history.Packs()[0]->Entries()[0]->Source(), "C:\\Docs\\a.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(path, c.bytes);
        EXPECT_THROW(history.LoadPacks(), fw::CException);
        EXPECT_TRUE(history.Packs().empty());
        EXPECT_THROW(history.FindPack(kTime1), fw::CException);
        ScriptedPrompt prompt;
        EXPECT_FALSE(history.DeletePack(kTime1));
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_TRUE(IsStopBoxWith(prompt.shown[0], kReadFaults, path));
        EXPECT_EQ(ReadFile(path), c.bytes);
    }
}

TEST_F(BrnDataFile, WrongMagicIsAFormatError) {
    std::string path = Install("BRNX" + HistoryBytes(kFileId, {}).substr(4));
    try {
        history.LoadPacks();
        ADD_FAILURE() << "no error raised";
    } catch (const fw::CArchiveException& e) {
        EXPECT_EQ(e.m_cause, fw::CArchiveException::badFormat);
    }
}

TEST_F(BrnDataFile, LinkedItemsGiveThePathAndTheGeneration) {
    EXPECT_EQ(history.LastGeneration(), 0u);
    EXPECT_EQ(history.Path(), "");
    CBrennaItem* first = Link("C:\\R\\br000000\\Docs.dat", 1);
    CBrennaItem* second = Link("c:\\r\\BR000000\\docs.dat", 2);
    EXPECT_EQ(first->m_pHistory, &history);
    EXPECT_EQ(history.LastGeneration(), 2u);
    EXPECT_EQ(history.Path(), "C:\\R\\br000000\\Docs.dat");
    history.LinkItem(second);
    history.UnlinkItem(second);
    EXPECT_EQ(history.LinkedItems(), std::vector<CBrennaItem*>{first});
    EXPECT_EQ(history.LastGeneration(), 1u);
    history.UnlinkItem(first);
    EXPECT_EQ(history.LastGeneration(), 0u);
    EXPECT_FALSE(history.ReloadForUpdate());
}

// ---------------------------------------------------------------------------------------------
// Multi-byte text (meaningful under code page 932, where 0x95 0x5C is one character).

TEST(BrnFormatMbcs, DoubleByteFolderAndPatternRoundTrip) {
    TempDir dir;
    const std::string folder = "C:\\\x95\x5C\\Data";
    const std::string pattern = "\x95\x5C*.txt";
    std::string path = dir / "a.brn";
    CBrnFile def;
    ASSERT_TRUE(def.CreateNew(path));
    ASSERT_TRUE(def.SetFolder(folder + "\\"));
    ASSERT_TRUE(def.SetExclusions((pattern + ";\x95\x5C").c_str()));
    ASSERT_TRUE(def.Save());
    def.Close();
    CBrnFile back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.Folder(), folder);
    EXPECT_EQ(back.Exclusions(), (std::vector<std::string>{pattern, "\x95\x5C"}));
}

TEST(BrnFormatMbcs, TrailingDoubleByteCharacterIsNotABackslash) {
    CBrnFile def;
    ASSERT_TRUE(def.SetFolder("C:\\\x95\x5C"));
    if (testutil::IsJapaneseCodePage())
        EXPECT_EQ(def.Folder(), "C:\\\x95\x5C");
    else
        EXPECT_EQ(def.Folder(), "C:\\\x95");
}

TEST(BrnFormatMbcs, SemicolonsSplitOnlyBetweenCharacters) {
    CBrnFile def;
    ASSERT_TRUE(def.SetExclusions("x\x95\x5C;\x95\x5Cy;;z"));
    EXPECT_EQ(def.Exclusions(), (std::vector<std::string>{"x\x95\x5C", "\x95\x5Cy", "z"}));
    // cp932 has no double-byte character whose trail byte is ';'; should a code page have
    // one, that byte must not split.
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        if (!IsDBCSLeadByte(static_cast<BYTE>(lead))) continue;
        const char pair[2] = {static_cast<char>(lead), ';'};
        WCHAR w[2];
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pair, 2, w, 2) != 1) continue;
        std::string text = std::string("a") + pair[0] + ";b;c";
        ASSERT_TRUE(def.SetExclusions(text.c_str()));
        EXPECT_EQ(def.Exclusions(), (std::vector<std::string>{text.substr(0, 4), "c"}));
    }
}

TEST(BrnFormatMbcs, DoubleByteNamesInHistoryAreKeptAndReleased) {
    if (!testutil::IsJapaneseCodePage()) GTEST_SKIP() << "needs code page 932";
    TempDir repo;
    const std::string name = "br000000\\\x95\x5C.txt";
    testutil::WriteFile(repo / name, "");
    ASSERT_TRUE(testutil::Exists(repo / name));
    Pack pack = {kTime1, "C:\\\x95\x5C", {"\x95\x5C*"}, {{"C:\\\x95\x5C\\\x95\x5C.txt", name, 1}}};
    std::string path = repo / "br000000\\Docs.dat";
    WriteFile(path, HistoryBytes(kFileId, {pack}));
    CBrnDataFile history(repo.Path());
    CBrennaItem item;
    item.m_stored = path;
    history.LinkItem(&item);
    ASSERT_TRUE(history.LoadPacks());
    EXPECT_EQ(history.Packs()[0]->Definition().Folder(), "C:\\\x95\x5C");
    EXPECT_EQ(history.Packs()[0]->Entries()[0]->StoredName(), name);
    EXPECT_TRUE(history.DeletePack(kTime1));
    EXPECT_FALSE(testutil::Exists(repo / name));
}

}  // namespace
