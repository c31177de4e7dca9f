// Writing ordinary file and folder items out of the repository, and run items that have nothing
// to write.
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "store/BrnDataFile.h"
#include "store/BrennaItem.h"

using testutil::TempDir;

namespace {

class ItemWriteOut : public ::testing::Test {
protected:
    // An ordinary item whose stored copy is repo\br000000\<name>.
    void MakeItem(CBrennaItem& item, const std::string& name, DWORD fileFlag) {
        item.m_source = "C:\\Elsewhere\\" + name;
        item.m_stored = repo / ("br000000\\" + name);
        item.m_fileFlag = fileFlag;
    }

    TempDir repo;
    TempDir out;
    testutil::ScriptedPrompt prompt;
};

TEST_F(ItemWriteOut, FileItemReplacesTheTargetButNeedsItsFolder) {
    testutil::WriteFile(repo / "br000000\\doc.txt", "stored");
    CBrennaItem item;
    MakeItem(item, "doc.txt", 1);

    ASSERT_TRUE(item.WriteOut((out / "new.txt").c_str()));
    EXPECT_EQ(testutil::ReadFile(out / "new.txt"), "stored");
    testutil::WriteFile(out / "old.txt", "older content");
    ASSERT_TRUE(item.WriteOut((out / "old.txt").c_str()));
    EXPECT_EQ(testutil::ReadFile(out / "old.txt"), "stored");
    EXPECT_FALSE(item.WriteOut((out / "missing\\x.txt").c_str()));
    EXPECT_FALSE(testutil::Exists(out / "missing"));
}

TEST_F(ItemWriteOut, FolderItemMergesReplacesOrFails) {
    testutil::WriteFile(repo / "br000000\\Docs\\a.txt", "a stored");
    testutil::WriteFile(repo / "br000000\\Docs\\sub\\b.txt", "b stored");
    CBrennaItem item;
    MakeItem(item, "Docs", 0);

    struct Case {
        const char* what;
        void (*prepare)(const std::string& target);
    } cases[] = {
        {"nothing there", [](const std::string&) {}},
        {"a folder with other things",
         [](const std::string& t) {
             testutil::WriteFile(t + "\\a.txt", "to be replaced");
             testutil::WriteFile(t + "\\mine.txt", "stays");
         }},
        {"a plain file", [](const std::string& t) { testutil::WriteFile(t, "plain"); }},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string target = out / std::to_string(n++);
        c.prepare(target);
        bool hadMine = testutil::Exists(target + "\\mine.txt");
        ASSERT_TRUE(item.WriteOut(target.c_str()));
        EXPECT_TRUE(testutil::IsDir(target));
        EXPECT_EQ(testutil::ReadFile(target + "\\a.txt"), "a stored");
        EXPECT_EQ(testutil::ReadFile(target + "\\sub\\b.txt"), "b stored");
        EXPECT_EQ(testutil::Exists(target + "\\mine.txt"), hadMine);
    }
    EXPECT_FALSE(item.WriteOut((out / "no\\such\\parent").c_str()));
    EXPECT_FALSE(testutil::Exists(out / "no"));
}

TEST_F(ItemWriteOut, ItemWithoutItsCopyLeavesTheTargetAlone) {
    // A plain file where a folder copy should be counts as no copy as well.
    testutil::WriteFile(repo / "br000000\\NotAFolder", "plain");
    const struct {
        const char* what;
        const char* name;
        DWORD fileFlag;
    } items[] = {
        {"file item", "gone.txt", 1},
        {"folder item", "Gone", 0},
        {"folder item whose copy is a file", "NotAFolder", 0},
    };
    const struct {
        const char* what;
        void (*prepare)(const std::string& target);
    } targets[] = {
        {"nothing there", [](const std::string&) {}},
        {"a user's file", [](const std::string& t) { testutil::WriteFile(t, "user's own"); }},
        {"a user's folder", [](const std::string& t) { testutil::WriteFile(t + "\\x", "x"); }},
    };
    int n = 0;
    for (const auto& i : items) {
        for (const auto& t : targets) {
            SCOPED_TRACE(std::string(i.what) + ", " + t.what);
            CBrennaItem item;
            MakeItem(item, i.name, i.fileFlag);
            std::string target = out / std::to_string(n++);
            t.prepare(target);
            const bool existed = testutil::Exists(target), wasDir = testutil::IsDir(target);
            EXPECT_FALSE(item.WriteOut(target.c_str()));
            EXPECT_EQ(testutil::Exists(target), existed);
            EXPECT_EQ(testutil::IsDir(target), wasDir);
            if (existed && !wasDir) {
                EXPECT_EQ(testutil::ReadFile(target), "user's own");
            } else if (wasDir) {
                EXPECT_EQ(testutil::ReadFile(target + "\\x"), "x");
            }
        }
    }
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(ItemWriteOut, RunItemWithoutHistoryOrPackWritesNothing) {
    CBrennaItem item;
    MakeItem(item, "Photos.dat", 0);
    item.m_generation = 1;
    EXPECT_FALSE(item.WriteOut((out / "a").c_str()));
    EXPECT_FALSE(testutil::Exists(out / "a"));

    // A history file that has no pack of the item's time.
    CBrnDataFile history(repo.Path());
    CBrnFile definition;
    ASSERT_TRUE(definition.SetFolder("C:\\Data"));
    ASSERT_TRUE(history.CreateForDefinition(repo / "Photos.brn", GUID{1, 2, 3, {4}}));
    FILETIME packTime{100, 200};
    ASSERT_TRUE(history.AddPack(definition, {}, packTime));
    ASSERT_TRUE(history.SavePacks());
    item.m_stored = history.Path();
    history.LinkItem(&item);
    item.m_evacuationTime = FILETIME{101, 200};
    EXPECT_FALSE(item.WriteOut((out / "b").c_str()));
    EXPECT_FALSE(testutil::Exists(out / "b"));
    testutil::WriteFile(out / "mine", "user's own");
    EXPECT_FALSE(item.WriteOut((out / "mine").c_str()));
    EXPECT_EQ(testutil::ReadFile(out / "mine"), "user's own");
    // The pack of its time with no entries writes nothing and succeeds.
    item.m_evacuationTime = packTime;
    EXPECT_TRUE(item.WriteOut((out / "c").c_str()));
    EXPECT_FALSE(testutil::Exists(out / "c"));
    EXPECT_TRUE(prompt.shown.empty());

    // A history that cannot be read is reported, and nothing is made at the target.
    testutil::WriteFile(history.Path(), testutil::ReadFile(history.Path()) + "tail");
    EXPECT_FALSE(item.WriteOut((out / "d").c_str()));
    EXPECT_FALSE(testutil::Exists(out / "d"));
    EXPECT_EQ(prompt.shown.size(), 1u);
}

}  // namespace
