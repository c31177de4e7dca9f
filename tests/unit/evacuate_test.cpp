// Evacuation into the repository: numbered folders, folder trees, shortcuts and the dispatcher.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "TestUtil.h"
#include "ScratchRepository.h"
#include "store/BrnFile.h"
#include "store/StoredPath.h"
#include "string_ids.h"

using testutil::TempDir;

namespace {

class Evacuation : public ::testing::Test {
protected:
    std::string Repo(const std::string& rel) const { return repo / rel; }

    TempDir repo;
    TempDir src;
    testutil::ScratchRepository scratch{repo.Path()};
    testutil::ScriptedPrompt prompt;
};

TEST_F(Evacuation, LowestFreeNumberedFolderIsUsedAndReused) {
    testutil::WriteFile(src / "a\\x.txt", "1");
    testutil::WriteFile(src / "b\\x.txt", "2");
    testutil::WriteFile(src / "c\\y.txt", "3");
    testutil::WriteFile(src / "d\\x.txt", "4");
    ASSERT_TRUE(scratch->Dispatch((src / "a\\x.txt").c_str()));
    ASSERT_TRUE(scratch->Dispatch((src / "b\\x.txt").c_str()));
    ASSERT_TRUE(scratch->Dispatch((src / "c\\y.txt").c_str()));
    ASSERT_EQ(scratch->Catalogue().GetCount(), 3u);
    EXPECT_EQ(scratch->Item(0)->m_stored, Repo("br000000\\x.txt"));
    EXPECT_EQ(scratch->Item(1)->m_stored, Repo("br000001\\x.txt"));
    EXPECT_EQ(scratch->Item(2)->m_stored, Repo("br000000\\y.txt"));
    EXPECT_EQ(testutil::ReadFile(Repo("br000001\\x.txt")), "2");
    EXPECT_EQ(scratch->Item(0)->m_source, src / "a\\x.txt");
    EXPECT_EQ(scratch->Item(0)->m_fileFlag, 1u);
    EXPECT_TRUE(scratch->Catalogue().IsChanged());

    // A number freed by a delete is taken again.
    ASSERT_TRUE(scratch->RemoveItem(scratch->Item(0)));
    ASSERT_TRUE(scratch->Dispatch((src / "d\\x.txt").c_str()));
    EXPECT_EQ(scratch->Item(2)->m_stored, Repo("br000000\\x.txt"));
    EXPECT_EQ(testutil::ReadFile(Repo("br000000\\x.txt")), "4");
}

TEST_F(Evacuation, NumbersPastSixDigitsGrow) {
    EXPECT_EQ(store::NumberedFolder("C:\\R", 0), "C:\\R\\br000000");
    EXPECT_EQ(store::NumberedFolder("C:\\R", 999999), "C:\\R\\br999999");
    EXPECT_EQ(store::NumberedFolder("C:\\R", 1000000), "C:\\R\\br1000000");
}

TEST_F(Evacuation, StrayFileNamedLikeANumberedFolderIsSkipped) {
    testutil::WriteFile(Repo("br000000"), "not a folder");
    testutil::WriteFile(src / "x.txt", "1");
    ASSERT_TRUE(scratch->Dispatch((src / "x.txt").c_str()));
    EXPECT_EQ(scratch->Item(0)->m_stored, Repo("br000001\\x.txt"));
}

TEST_F(Evacuation, FolderTreeIsCopiedWithItsTimes) {
    testutil::WriteFile(src / "Docs\\a.txt", "a");
    testutil::WriteFile(src / "Docs\\sub\\deep\\b.txt", "b");
    testutil::MakeDirs(src / "Docs\\empty");
    SetFileAttributesA((src / "Docs\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    // A distinctive folder time that the copy must carry.
    FILETIME t{0x12345600, 0x01D00000};
    HANDLE h = CreateFileA((src / "Docs").c_str(), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    SetFileTime(h, &t, &t, &t);
    CloseHandle(h);

    ASSERT_TRUE(scratch->Dispatch((src / "Docs").c_str()));
    const CBrennaItem* item = scratch->Item(0);
    EXPECT_EQ(item->m_fileFlag, 0u);
    EXPECT_EQ(item->m_stored, Repo("br000000\\Docs"));
    EXPECT_EQ(testutil::ReadFile(Repo("br000000\\Docs\\sub\\deep\\b.txt")), "b");
    EXPECT_TRUE(testutil::IsDir(Repo("br000000\\Docs\\empty")));
    EXPECT_TRUE(GetFileAttributesA(Repo("br000000\\Docs\\a.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(Repo("br000000\\Docs").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &t), 0);
    EXPECT_EQ(item->GetSize(), 0u);
    SetFileAttributesA((src / "Docs\\a.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Evacuation, TrailingBackslashNamesTheFolder) {
    testutil::WriteFile(src / "Docs\\a.txt", "a");
    ASSERT_TRUE(scratch->Dispatch((src / "Docs\\").c_str()));
    EXPECT_EQ(scratch->Item(0)->m_stored, Repo("br000000\\Docs"));
    EXPECT_EQ(scratch->Item(0)->m_source, src / "Docs");
}

TEST_F(Evacuation, ShortcutEvacuatesItsTarget) {
    testutil::WriteFile(src / "target.txt", "payload");
    std::string link = src / "target.lnk";
    IShellLinkA* sl = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IShellLinkA, reinterpret_cast<void**>(&sl)));
    sl->SetPath((src / "target.txt").c_str());
    IPersistFile* pf = nullptr;
    sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf));
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    ASSERT_HRESULT_SUCCEEDED(pf->Save(wide, TRUE));
    pf->Release();
    sl->Release();

    ASSERT_TRUE(scratch->Dispatch(link.c_str()));
    ASSERT_EQ(scratch->Catalogue().GetCount(), 1u);
    EXPECT_EQ(lstrcmpiA(scratch->Item(0)->m_source.c_str(), (src / "target.txt").c_str()), 0);
    EXPECT_EQ(testutil::ReadFile(scratch->Item(0)->m_stored), "payload");

    testutil::WriteFile(src / "broken.lnk", "not a shortcut");
    EXPECT_FALSE(scratch->Dispatch((src / "broken.lnk").c_str()));
}

TEST_F(Evacuation, InsideTheRepositoryMeansTheFolderOrBelowIt) {
    testutil::WriteFile(Repo("br000000\\in.txt"), "x");
    ASSERT_TRUE(scratch->Dispatch(Repo("br000000\\in.txt").c_str()));
    ASSERT_TRUE(scratch->Dispatch(repo.Path().c_str()));
    EXPECT_EQ(scratch->Catalogue().GetCount(), 0u);

    // A sibling whose name merely starts with the repository's is evacuated.
    std::string sibling = repo.Path() + "2";
    testutil::WriteFile(sibling + "\\a.txt", "sib");
    ASSERT_TRUE(scratch->Dispatch((sibling + "\\a.txt").c_str()));
    EXPECT_EQ(scratch->Catalogue().GetCount(), 1u);
    testutil::RemoveTree(sibling);
}

TEST_F(Evacuation, FolderHoldingTheRepositoryDoesNotCopyItIntoItself) {
    TempDir outer;
    std::string inner = outer / "Repo";
    testutil::MakeDirs(inner);
    ASSERT_TRUE(scratch->SetFolder(inner));
    testutil::WriteFile(outer / "a.txt", "a");
    ASSERT_TRUE(scratch->Dispatch(outer.Path().c_str()));
    std::string copy = scratch->Item(0)->m_stored;
    EXPECT_EQ(testutil::ReadFile(copy + "\\a.txt"), "a");
    EXPECT_FALSE(testutil::Exists(copy + "\\Repo"));
}

TEST_F(Evacuation, FailuresReturnZero) {
    EXPECT_EQ(scratch->Dispatch((src / "missing.txt").c_str()), 0);
    std::string longPath = src.Path() + "\\" + std::string(250, 'x');
    EXPECT_EQ(scratch->Dispatch(longPath.c_str()), 0);
    EXPECT_EQ(scratch->Catalogue().GetCount(), 0u);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(Evacuation, DefinitionFilesAreEvacuatedUnlessTheSettingIsOn) {
    testutil::WriteFile(src / "data\\a.txt", "a");
    CBrnFile def;
    ASSERT_TRUE(def.SetFolder(src / "data"));
    ASSERT_TRUE(def.CreateNew(src / "x.BRN"));
    ASSERT_TRUE(def.Save());
    def.Close();
    testutil::WriteFile(src / "x.brn.txt", "txt");
    ASSERT_TRUE(scratch->Dispatch((src / "x.BRN").c_str()));
    ASSERT_EQ(scratch->Catalogue().GetCount(), 1u);
    EXPECT_EQ(scratch->Item(0)->m_generation, 0u);
    EXPECT_EQ(scratch->Item(0)->m_stored, Repo("br000000\\x.BRN"));

    // With the setting on, the definition is run: one backup-run item for its target.
    scratch->Settings().brnFile = true;
    ASSERT_TRUE(scratch->Dispatch((src / "x.BRN").c_str()));
    ASSERT_EQ(scratch->Catalogue().GetCount(), 2u);
    EXPECT_EQ(scratch->Item(1)->m_generation, 1u);
    EXPECT_EQ(scratch->Item(1)->m_source, src / "data");
    EXPECT_EQ(scratch->Item(1)->m_stored, Repo("br000000\\x.dat"));
    EXPECT_EQ(testutil::ReadFile(Repo("br000000\\a.txt")), "a");
    ASSERT_TRUE(scratch->Dispatch((src / "x.brn.txt").c_str()));
    EXPECT_EQ(scratch->Catalogue().GetCount(), 3u);
    EXPECT_EQ(scratch->Item(2)->m_generation, 0u);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(Evacuation, WithInfoRecordsTheGivenSourceDescriptionAndTime) {
    testutil::WriteFile(src / "tmp\\a.txt", "a");
    FILETIME t{0x100, 0x01D00000};
    ASSERT_TRUE(scratch->EvacuateWithInfo("C:\\Orig\\a.txt", (src / "tmp\\a.txt").c_str(), "note", t));
    const CBrennaItem* item = scratch->Item(0);
    EXPECT_EQ(item->m_source, "C:\\Orig\\a.txt");
    EXPECT_EQ(item->m_description, "note");
    EXPECT_EQ(CompareFileTime(&item->m_evacuationTime, &t), 0);
    EXPECT_FALSE(scratch->EvacuateWithInfo("C:\\x", (src / "none").c_str(), "", t));
}

TEST_F(Evacuation, MbcsNameWithBackslashTrailByteKeepsItsWholeName) {
    if (!testutil::IsJapaneseCodePage()) GTEST_SKIP() << "needs code page 932";
    // 0x95 0x5C is one character in code page 932; its second byte is a backslash.
    const std::string name = "\x95\x5C\x95\x5C.txt";
    testutil::WriteFile(src / ("\x95\x5C" + std::string("\\") + name), "mb");
    std::string path = src / ("\x95\x5C\\" + name);
    ASSERT_TRUE(testutil::Exists(path));
    ASSERT_TRUE(scratch->Dispatch(path.c_str()));
    EXPECT_EQ(scratch->Item(0)->m_stored, Repo("br000000\\" + name));
    EXPECT_EQ(testutil::ReadFile(Repo("br000000\\" + name)), "mb");
    // And a folder of such a name.
    ASSERT_TRUE(scratch->Dispatch((src / "\x95\x5C").c_str()));
    EXPECT_EQ(scratch->Item(1)->m_stored, Repo("br000000\\\x95\x5C"));
    EXPECT_EQ(testutil::ReadFile(Repo("br000000\\\x95\x5C\\" + name)), "mb");
}

}  // namespace

// Suite name carries "Mbcs" so the code page 932 pass runs it.
class EvacuationMbcs : public Evacuation {};
TEST_F(EvacuationMbcs, HistoryPathOfAMultiByteDefinitionName) {
    if (!testutil::IsJapaneseCodePage()) GTEST_SKIP() << "needs code page 932";
    std::string out;
    ASSERT_TRUE(store::AllocateHistoryPath(scratch->Folder(), "C:\\\x95\x5C\\\x95\x5C.brn", out));
    EXPECT_EQ(out, Repo("br000000\\\x95\x5C.dat"));
}
