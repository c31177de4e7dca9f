// The list's row model: cell texts, sort orders and icon keys, on real files and registry keys.
#include <gtest/gtest.h>
#include <windows.h>
// shellapi.h builds on the types of windows.h.
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "fw/Strings.h"
#include "store/BrennaItem.h"
#include "string_ids.h"
#include "util/FileUtil.h"
#include "view/IconKey.h"
#include "view/RowModel.h"

using testutil::IsJapaneseCodePage;
using testutil::MakeDirs;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

using ItemPtr = std::unique_ptr<CBrennaItem>;

ItemPtr Item(const std::string& source, DWORD fileFlag) {
    auto item = std::make_unique<CBrennaItem>();
    item->SetSource(source.c_str());
    item->m_fileFlag = fileFlag;
    return item;
}

FILETIME Time(uint64_t value) {
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

std::string TimeText(const FILETIME& time) {
    char text[64];
    util::FormatFileTime(time, text);
    return text;
}

// The names of the rows' items, in row order.
std::vector<std::string> Names(const std::vector<CBrennaItem*>& rows) {
    std::vector<std::string> names;
    for (const CBrennaItem* item : rows) names.push_back(view::NameText(*item));
    return names;
}

std::vector<CBrennaItem*> Rows(const std::vector<ItemPtr>& items) {
    std::vector<CBrennaItem*> rows;
    for (const ItemPtr& item : items) rows.push_back(item.get());
    return rows;
}

// The folder type text: the registered Directory name when it fits, else the table's
// "File Folder".
std::string ExpectedFolderType() {
    char name[64];
    DWORD size = sizeof name;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Directory", nullptr, RRF_RT_REG_SZ,
                     nullptr, name, &size) == ERROR_SUCCESS &&
        size <= 32)
        return name;
    return fw::LoadStr(IDS_FILE_FOLDER);
}

}  // namespace

TEST(RowModel, ColumnTable) {
    const char* headings[] = {"Name", "Location", "Save",   "BRN",
                              "Size", "Type",     "Update", "Description"};
    const int widths[] = {100, 300, 100, 40, 80, 100, 100, 200};
    for (int i = 0; i < view::kColumnCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(view::kColumns[i].headingId, static_cast<UINT>(IDS_COL_NAME + i));
        if (!IsJapaneseCodePage()) {
            EXPECT_EQ(fw::LoadStr(view::kColumns[i].headingId), headings[i]);
        }
        EXPECT_EQ(view::kColumns[i].defaultWidth, widths[i]);
        bool right = i == view::kColBrn || i == view::kColSize;
        EXPECT_EQ(view::kColumns[i].align, right ? view::Align::right : view::Align::left);
    }
}

TEST(RowModel, SizeTexts) {
    struct Case {
        DWORD size;
        const char* text;
    } cases[] = {
        {0, "0 B"},           {1023, "1023 B"},        {1024, "1 KB"},       {1535, "1 KB"},
        {1536, "2 KB"},       {1048575, "1024 KB"},    {1048576, "1 MB"},    {1572863, "1 MB"},
        {1572864, "2 MB"},    {1073741823, "1024 MB"}, {1073741824, "1 GB"}, {1610612735, "1 GB"},
        {1610612736, "2 GB"}, {4294967295u, "4 GB"},
    };
    for (const Case& c : cases) EXPECT_EQ(view::SizeText(c.size), c.text) << c.size;
}

TEST(RowModel, NameAndLocationSplitAtTheLastBackslash) {
    struct Case {
        const char* source;
        const char* name;
        const char* location;
    } cases[] = {
        {"C:\\Docs\\a.txt", "a.txt", "C:\\Docs"},
        {"C:\\a.txt", "a.txt", "C:"},
        {"\\\\server\\share\\f", "f", "\\\\server\\share"},
        {"C:\\dir\\", "", "C:\\dir"},
        {"archive", "archive", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        ItemPtr item = Item(c.source, 1);
        EXPECT_EQ(view::NameText(*item), c.name) << c.source;
        EXPECT_EQ(view::LocationText(*item), c.location) << c.source;
        EXPECT_EQ(view::CellText(*item, view::kColName), c.name);
        EXPECT_EQ(view::CellText(*item, view::kColLocation), c.location);
    }
}

TEST(RowModel, CellsOfAFileItem) {
    TempDir dir;
    std::string stored = dir / "br000000\\report.txt";
    WriteFile(stored, std::string(1536, 'x'));
    CBrennaItem item;
    ASSERT_TRUE(item.InitNew("C:\\Docs\\report.txt", stored.c_str(), 1));
    item.SetDescription("notes");

    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(stored.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(view::CellText(item, view::kColName), "report.txt");
    EXPECT_EQ(view::CellText(item, view::kColLocation), "C:\\Docs");
    EXPECT_EQ(view::CellText(item, view::kColSave), TimeText(item.m_evacuationTime));
    EXPECT_FALSE(view::CellText(item, view::kColSave).empty());
    EXPECT_EQ(view::CellText(item, view::kColBrn), "");
    EXPECT_EQ(view::CellText(item, view::kColSize), "2 KB");
    EXPECT_EQ(view::CellText(item, view::kColUpdate), TimeText(data.ftLastWriteTime));
    EXPECT_EQ(view::CellText(item, view::kColDescription), "notes");
    EXPECT_EQ(view::CellText(item, view::kColumnCount), "");
    EXPECT_EQ(view::CellText(item, -1), "");

    // The Type cell is kept on the item, where the Type sort and the property dialog read it.
    std::string type = view::CellText(item, view::kColType);
    EXPECT_FALSE(type.empty());
    EXPECT_EQ(item.m_typeText, type);
    item.m_typeText = "Kept";
    EXPECT_EQ(view::EnsureTypeText(item), "Kept");
}

TEST(RowModel, SizeCellShowsWhatTheLastRefreshRead) {
    TempDir dir;
    std::string stored = dir / "br000000\\report.txt";
    WriteFile(stored, std::string(1536, 'x'));
    CBrennaItem item;
    ASSERT_TRUE(item.InitNew("C:\\Docs\\report.txt", stored.c_str(), 1));
    ASSERT_EQ(view::CellText(item, view::kColSize), "2 KB");

    // Painting never opens the copy: neither a changed nor a vanished copy shows before Refresh.
    const struct {
        const char* what;
        int size;  // -1: the copy is gone
        const char* before;
        const char* after;
    } cases[] = {
        {"grown", 3 * 1048576, "2 KB", "3 MB"},
        {"shrunk", 100, "3 MB", "100 B"},
        {"gone", -1, "100 B", "0 B"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.size < 0)
            ASSERT_TRUE(DeleteFileA(stored.c_str()));
        else
            WriteFile(stored, std::string(c.size, 'x'));
        EXPECT_EQ(view::CellText(item, view::kColSize), c.before);
        item.Refresh();
        EXPECT_EQ(view::CellText(item, view::kColSize), c.after);
    }
}

TEST(RowModel, CellsOfAFolderItem) {
    TempDir dir;
    std::string stored = dir / "br000001\\Photos";
    MakeDirs(stored);
    WriteFile(stored + "\\inside.bin", std::string(5000, 'x'));
    CBrennaItem item;
    ASSERT_TRUE(item.InitNew("D:\\Photos", stored.c_str(), 0));

    EXPECT_EQ(view::CellText(item, view::kColName), "Photos");
    EXPECT_EQ(view::CellText(item, view::kColLocation), "D:");
    EXPECT_EQ(view::CellText(item, view::kColSize), "");
    EXPECT_EQ(view::CellText(item, view::kColUpdate), "");
    EXPECT_EQ(view::CellText(item, view::kColType), ExpectedFolderType());
}

TEST(RowModel, BrnShowsTheGenerationOfBackupRuns) {
    ItemPtr item = Item("C:\\Work", 0);
    EXPECT_EQ(view::BrnText(*item), "");
    item->m_generation = 7;
    EXPECT_EQ(view::CellText(*item, view::kColBrn), "7");
    item->m_generation = 4294967295u;
    EXPECT_EQ(view::BrnText(*item), "4294967295");
}

// Temporary file types under HKLM\SOFTWARE\Classes, removed at the end.
class RowModelTypes : public testing::Test {
protected:
    void SetUp() override {
        DWORD pid = GetCurrentProcessId();
        m_ext = ".brrow" + std::to_string(pid);
        m_fitExt = ".brfit" + std::to_string(pid);
        m_longExt = ".brlong" + std::to_string(pid);
        m_class = "Brenna.RowType" + std::to_string(pid);
        m_fitClass = "Brenna.RowFit" + std::to_string(pid);
        m_longClass = "Brenna.RowLong" + std::to_string(pid);
        if (!SetDefault(m_ext, m_class)) GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable";
        ASSERT_TRUE(SetDefault(m_class, "Brenna Row Document"));
        ASSERT_TRUE(SetDefault(m_fitExt, m_fitClass));
        ASSERT_TRUE(SetDefault(m_fitClass, std::string(31, 'F')));
        ASSERT_TRUE(SetDefault(m_longExt, m_longClass));
        ASSERT_TRUE(SetDefault(m_longClass, std::string(32, 'L')));
    }
    void TearDown() override {
        for (const std::string* key :
             {&m_ext, &m_class, &m_fitExt, &m_fitClass, &m_longExt, &m_longClass})
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Classes\\" + *key).c_str());
    }

    std::string m_ext, m_fitExt, m_longExt, m_class, m_fitClass, m_longClass;

private:
    static bool SetDefault(const std::string& key, const std::string& value) {
        HKEY h;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Classes\\" + key).c_str(), 0, nullptr,
                            0, KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
            return false;
        LONG r = RegSetValueExA(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1));
        RegCloseKey(h);
        return r == ERROR_SUCCESS;
    }
};

TEST_F(RowModelTypes, TypeTexts) {
    std::string upperExt = m_ext;
    CharUpperBuffA(upperExt.data(), static_cast<DWORD>(upperExt.size()));
    const std::string file = fw::LoadStr(IDS_FILE_TYPE_SUFFIX);  // "File"
    struct Case {
        std::string source;
        DWORD fileFlag;
        std::string type;
    } cases[] = {
        {"C:\\a\\archive", 1, file},
        {"C:\\a\\a.xyz", 1, "XYZ " + file},
        {"C:\\a\\a.b.Xyz", 1, "XYZ " + file},
        {"C:\\a.dir\\readme", 1, file},
        {"C:\\a\\x" + m_ext, 1, "Brenna Row Document"},
        {"C:\\a\\X" + upperExt, 1, "Brenna Row Document"},
        {"C:\\a\\f" + m_fitExt, 1, std::string(31, 'F')},
        // A name that does not fit the 32-byte buffer with its terminator is not used.
        {"C:\\a\\l" + m_longExt, 1, "BRLONG" + std::to_string(GetCurrentProcessId()) + " " + file},
        {"C:\\a\\Folder.xyz", 0, ExpectedFolderType()},
    };
    for (const Case& c : cases) {
        ItemPtr item = Item(c.source, c.fileFlag);
        EXPECT_EQ(view::TypeText(*item), c.type) << c.source;
        EXPECT_EQ(view::CellText(*item, view::kColType), c.type) << c.source;
        EXPECT_EQ(item->m_typeText, c.type) << c.source;
    }
}

TEST_F(RowModelTypes, TypeSortFillsMissingTypeTexts) {
    std::vector<ItemPtr> items;
    items.push_back(Item("C:\\a\\b.zzq", 1));
    items.push_back(Item("C:\\a\\x" + m_ext, 1));
    items.push_back(Item("C:\\a\\c", 0));
    items.push_back(Item("C:\\a\\a.yyq", 1));
    std::vector<CBrennaItem*> rows = Rows(items);
    view::SortRows(rows, view::kColType, true, false);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"c", "x" + m_ext, "a.yyq", "b.zzq"}));
    for (const ItemPtr& item : items) EXPECT_EQ(item->m_typeText, view::TypeText(*item));
}

namespace {

// Six rows whose keys differ in every column, so each sort order is total.
class RowSortTable : public testing::Test {
protected:
    void SetUp() override {
        struct Row {
            const char* source;
            DWORD flag;
            DWORD generation;
            uint64_t save;
            uint64_t update;
            const char* type;
            const char* description;
        } rows[] = {
            {"C:\\m\\Mu", 0, 0, 50, 0, "Folder B", "x"},           // A
            {"D:\\a\\alpha", 0, 2, 10, 0, "Folder A", "Zed"},      // B
            {"C:\\z\\gamma.txt", 1, 0, 30, 300, "Text", "apple"},  // C
            {"E:\\Delta.doc", 1, 5, 60, 100, "Doc", "Mango"},      // D
            {"C:\\b\\epsilon.bin", 1, 2, 20, 200, "Bin", "kiwi"},  // E
            {"C:\\Y\\Zeta", 1, 0, 40, 100, "File", "x"},           // F
        };
        for (const Row& r : rows) {
            ItemPtr item = Item(r.source, r.flag);
            item->m_generation = r.generation;
            item->m_evacuationTime = Time(r.save);
            item->m_lastWriteTime = Time(r.update);
            item->m_typeText = r.type;
            item->SetDescription(r.description);
            m_items.push_back(std::move(item));
        }
    }

    // The rows as letters A-F.
    std::string Letters(const std::vector<CBrennaItem*>& rows) const {
        std::string letters;
        for (const CBrennaItem* row : rows)
            for (size_t i = 0; i < m_items.size(); ++i)
                if (m_items[i].get() == row) letters += static_cast<char>('A' + i);
        return letters;
    }

    std::vector<CBrennaItem*> Shuffled() const {
        std::vector<CBrennaItem*> rows;
        for (char c : std::string("DFACEB")) rows.push_back(m_items[c - 'A'].get());
        return rows;
    }

    std::vector<ItemPtr> m_items;
};

}  // namespace

TEST_F(RowSortTable, EveryColumnBothDirectionsWithAndWithoutSortAny) {
    struct Case {
        int column;
        const char* grouped;  // ascending, folders apart
        const char* mixed;    // ascending, "sortany" on
    } cases[] = {
        {view::kColName, "BADECF", "BDECAF"},        {view::kColLocation, "ABEFCD", "EAFCBD"},
        {view::kColSave, "BAECFD", "BECFAD"},        {view::kColBrn, "ABCFED", "CAFBED"},
        {view::kColType, "BAEDFC", "EDFBAC"},        {view::kColUpdate, "BADFEC", "BADFEC"},
        {view::kColDescription, "ABCEDF", "CEDAFB"},
    };
    for (const Case& c : cases) {
        for (bool sortAny : {false, true}) {
            std::string ascending = sortAny ? c.mixed : c.grouped;
            std::string descending(ascending.rbegin(), ascending.rend());
            for (bool asc : {true, false}) {
                SCOPED_TRACE(testing::Message() << "column " << c.column << " sortAny " << sortAny
                                                << " ascending " << asc);
                std::vector<CBrennaItem*> rows = Shuffled();
                view::SortRows(rows, c.column, asc, sortAny);
                EXPECT_EQ(Letters(rows), asc ? ascending : descending);
                // The single comparison agrees with the sort, pair by pair.
                for (size_t i = 0; i + 1 < rows.size(); ++i)
                    EXPECT_LT(view::Compare(c.column, *rows[i], *rows[i + 1], asc, sortAny), 0);
            }
        }
    }
}

TEST_F(RowSortTable, AColumnOutsideTheTableSortsByName) {
    for (int column : {-1, 8, 100}) {
        std::vector<CBrennaItem*> rows = Shuffled();
        view::SortRows(rows, column, true, false);
        EXPECT_EQ(Letters(rows), "BADECF") << column;
        EXPECT_EQ(view::Compare(column, *m_items[0], *m_items[1], true, false), 0);
    }
}

TEST(RowSort, TextComparisonIgnoresCase) {
    ItemPtr lower = Item("C:\\x\\abc", 1), upper = Item("D:\\y\\ABC", 1);
    lower->SetDescription("Same Words");
    upper->SetDescription("same words");
    EXPECT_EQ(view::Compare(view::kColName, *lower, *upper, true, false), 0);
    EXPECT_EQ(view::Compare(view::kColName, *lower, *upper, false, true), 0);
    // Equal descriptions fall back to the names, equal too.
    EXPECT_EQ(view::Compare(view::kColDescription, *lower, *upper, true, false), 0);
    // A name that is a prefix of another goes first.
    ItemPtr longer = Item("C:\\x\\abcd", 1);
    EXPECT_LT(view::Compare(view::kColName, *upper, *longer, true, false), 0);
    EXPECT_GT(view::Compare(view::kColName, *upper, *longer, false, false), 0);
}

TEST(RowSort, BrnTiesGoByNameAndGenerationsAreSigned) {
    std::vector<ItemPtr> items;
    const std::pair<const char*, DWORD> runs[] = {
        {"zeta", 3}, {"Gamma", 0}, {"alpha", 3}, {"beta", 0}, {"huge", 0x80000000u}};
    for (auto [name, generation] : runs) {
        items.push_back(Item(std::string("C:\\r\\") + name, 1));
        items.back()->m_generation = generation;
    }
    std::vector<CBrennaItem*> rows = Rows(items);
    view::SortRows(rows, view::kColBrn, true, false);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"huge", "beta", "Gamma", "alpha", "zeta"}));
    view::SortRows(rows, view::kColBrn, false, false);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"zeta", "alpha", "Gamma", "beta", "huge"}));
}

TEST(RowSort, TimesCompareUnsigned) {
    ItemPtr early = Item("C:\\early", 1), late = Item("C:\\late", 1);
    early->m_evacuationTime = FILETIME{0xFFFFFFFF, 0x7FFFFFFF};
    late->m_evacuationTime = FILETIME{0, 0x80000000};
    early->m_lastWriteTime = early->m_evacuationTime;
    late->m_lastWriteTime = late->m_evacuationTime;
    for (int column : {view::kColSave, view::kColUpdate}) {
        EXPECT_LT(view::Compare(column, *early, *late, true, false), 0) << column;
        EXPECT_GT(view::Compare(column, *early, *late, false, false), 0) << column;
    }
}

TEST(RowSort, SizeIgnoresFoldersAndSortsBySizesReadAtRefresh) {
    TempDir dir;
    struct File {
        const char* name;
        int size;  // -1: a folder
    } files[] = {{"ten", 10}, {"empty", 0}, {"big", 2000}, {"fold", -1}, {"five", 5}};
    std::vector<ItemPtr> items;
    for (const File& f : files) {
        std::string stored = dir / f.name;
        if (f.size < 0)
            MakeDirs(stored);
        else
            WriteFile(stored, std::string(f.size, 'x'));
        items.push_back(Item(std::string("C:\\src\\") + f.name, f.size < 0 ? 0 : 1));
        items.back()->SetStored(stored.c_str());
        items.back()->Refresh();
    }
    for (bool sortAny : {false, true}) {
        std::vector<CBrennaItem*> rows = Rows(items);
        view::SortRows(rows, view::kColSize, true, sortAny);
        // The folder sorts among the empty files (equal sizes keep their order).
        EXPECT_EQ(Names(rows), (std::vector<std::string>{"empty", "fold", "five", "ten", "big"}));
        rows = Rows(items);
        view::SortRows(rows, view::kColSize, false, sortAny);
        EXPECT_EQ(Names(rows), (std::vector<std::string>{"big", "ten", "five", "empty", "fold"}));
    }
    EXPECT_EQ(view::Compare(view::kColSize, *items[1], *items[3], true, false), 0);

    // A sort never opens the copies: a grown copy moves only once its item is refreshed.
    WriteFile(dir / "five", std::string(3000, 'x'));
    std::vector<CBrennaItem*> rows = Rows(items);
    view::SortRows(rows, view::kColSize, true, false);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"empty", "fold", "five", "ten", "big"}));
    ASSERT_TRUE(items[4]->Refresh());
    rows = Rows(items);
    view::SortRows(rows, view::kColSize, true, false);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"empty", "fold", "ten", "big", "five"}));
}

TEST(RowModelMbcs, SplitKeepsDoubleByteCharacters) {
    // 0x95 0x5C is one character in code page 932 and a byte plus a backslash elsewhere.
    ItemPtr item = Item("C:\\dir\\\x95\\.txt", 1);
    if (IsJapaneseCodePage()) {
        EXPECT_EQ(view::NameText(*item), "\x95\\.txt");
        EXPECT_EQ(view::LocationText(*item), "C:\\dir");
    } else {
        EXPECT_EQ(view::NameText(*item), ".txt");
        EXPECT_EQ(view::LocationText(*item), "C:\\dir\\\x95");
    }
}

TEST(RowModelMbcs, ExtensionUpperCasesOnlySingleBytes) {
    // 0x82 0x61 is one full-width letter in code page 932; its trail byte is an ASCII 'a'.
    ItemPtr item = Item(
        "C:\\d\\n.q\x82"
        "a",
        1);
    std::string suffix = " " + fw::LoadStr(IDS_FILE_TYPE_SUFFIX);
    EXPECT_EQ(view::TypeText(*item), (IsJapaneseCodePage() ? "Q\x82"
                                                             "a"
                                                           : "Q\x82"
                                                             "A") +
                                         suffix);
}

TEST(RowModelMbcs, TextComparisonByCharacter) {
    struct Case {
        const char* a;
        const char* b;
        int japanese;  // expected sign under code page 932
        int western;   // and under code page 1252
    } cases[] = {
        // Trail bytes 'A' and 'a' are parts of two different characters, not letters.
        {"\x83\x41", "\x83\x61", -1, 0},
        // A single byte is below every double-byte character (lead byte high).
        {"\xB1", "\x83\x41", -1, 1},
        // Full-width letters fold to their upper-case forms.
        {"\x82\x81", "\x82\x60", 0, 1},
        {"x\x82\x81z", "X\x82\x60Z", 0, 1},
    };
    for (const Case& c : cases) {
        int expected = IsJapaneseCodePage() ? c.japanese : c.western;
        ItemPtr a = Item(std::string("C:\\d\\") + c.a, 1),
                b = Item(std::string("C:\\d\\") + c.b, 1);
        int result = view::Compare(view::kColName, *a, *b, true, true);
        EXPECT_EQ((result > 0) - (result < 0), expected) << c.a << " / " << c.b;
        std::vector<CBrennaItem*> rows = {b.get(), a.get()};
        view::SortRows(rows, view::kColName, true, true);
        EXPECT_EQ(rows[0], expected < 0 ? a.get() : b.get()) << c.a << " / " << c.b;
    }
}

TEST(RowModelMbcs, SortKeysSplitLikeTheCells) {
    // Under 932 the first name is the whole character 0x95 0x5C plus "b", which sorts after "c".
    ItemPtr first = Item("C:\\q\\\x95\\b", 1), second = Item("C:\\q\\a\\c", 1);
    std::vector<CBrennaItem*> rows = {first.get(), second.get()};
    view::SortRows(rows, view::kColName, true, false);
    EXPECT_EQ(rows[0], IsJapaneseCodePage() ? second.get() : first.get());
}

namespace {

constexpr DWORD kFile = FILE_ATTRIBUTE_ARCHIVE;

view::IconFacts Facts(const std::string& iconFile, bool hasIcons, const std::string& fallback,
                      DWORD attributes, bool perFile) {
    view::IconFacts f;
    f.iconFile = iconFile;
    f.iconFileHasIcons = hasIcons;
    f.fallback = fallback;
    f.fallbackAttributes = attributes;
    f.fallbackIconIsPerFile = perFile;
    return f;
}

std::string ExePath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

}  // namespace

TEST(IconKey, RowsShareAKeyExactlyWhenTheirIconIsTheSame) {
    const char* viewer = "C:\\windows\\viewer.exe";
    struct Case {
        const char* group;  // rows of one group share a key; groups never do
        view::IconFacts facts;
    } cases[] = {
        {"folder", Facts("C:\\a\\Dir", false, "C:\\a\\Dir", FILE_ATTRIBUTE_DIRECTORY, false)},
        {"folder", Facts("D:\\x.txt", false, "D:\\x.txt", FILE_ATTRIBUTE_DIRECTORY, false)},
        {"txt", Facts("C:\\a\\x.txt", false, "C:\\a\\x.txt", kFile, false)},
        {"txt", Facts("D:\\b.c\\Y.TXT", false, "D:\\b.c\\Y.TXT", kFile, false)},
        {"txt", Facts("C:\\gone\\x.txt", false, "C:\\R\\br000001\\x.txt", kFile, false)},
        {"doc", Facts("C:\\a\\x.doc", false, "C:\\a\\x.doc", kFile, false)},
        {"none", Facts("C:\\a.b\\noext", false, "C:\\a.b\\noext", kFile, false)},
        {"prog1", Facts("C:\\a\\prog.exe", true, "C:\\a\\prog.exe", kFile, true)},
        {"prog2", Facts("C:\\b\\prog.exe", true, "C:\\b\\prog.exe", kFile, true)},
        {"prog3", Facts("C:\\gone\\p.exe", false, "C:\\R\\br000002\\p.exe", kFile, true)},
        {"link1", Facts("C:\\a\\s.lnk", false, "C:\\a\\s.lnk", kFile, true)},
        {"link2", Facts("C:\\b\\s.lnk", false, "C:\\b\\s.lnk", kFile, true)},
        {"missing",
         Facts("C:\\gone\\x.txt", false, "C:\\R\\br000003\\x.txt", INVALID_FILE_ATTRIBUTES, false)},
        {"missing", Facts("C:\\gone\\Dir", false, "", INVALID_FILE_ATTRIBUTES, false)},
        {"bmp", Facts(viewer, true, "C:\\p\\a.bmp", kFile, false)},
        {"bmp", Facts(viewer, true, "D:\\q\\B.BMP", kFile, false)},
        {"viewer", Facts(viewer, true, viewer, kFile, true)},
    };
    for (const auto& x : cases) {
        view::IconSource s = view::IconSourceFrom(x.facts);
        EXPECT_EQ(s.iconFile, x.facts.iconFile);
        EXPECT_EQ(s.fallback, x.facts.fallback);
        for (const auto& y : cases) {
            bool same = std::string(x.group) == y.group;
            EXPECT_EQ(s.key == view::IconSourceFrom(y.facts).key, same)
                << x.facts.fallback << " / " << y.facts.fallback;
        }
    }
}

TEST(IconKey, BitmapNames) {
    struct Case {
        const char* path;
        bool bitmap;
    } cases[] = {{"C:\\p\\a.bmp", true}, {"C:\\p\\A.BMP", true}, {"x.Bmp", true},
                 {".bmp", true},         {"bmp", false},         {"C:\\a.bmpx", false},
                 {"C:\\a.bm", false},    {"C:\\abmp", false},    {"C:\\a.bmp\\b", false}};
    for (const Case& c : cases) EXPECT_EQ(view::IsBitmapPath(c.path), c.bitmap) << c.path;
}

TEST(IconKey, FactsFromRealFiles) {
    TempDir dir;
    std::string exe = ExePath();
    // A program keeps its own icon under any name; plain documents share their type's icon.
    ASSERT_TRUE(CopyFileA(exe.c_str(), (dir / "prog.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(exe.c_str(), (dir / "renamed.dat").c_str(), FALSE));
    WriteFile(dir / "a\\one.txt", "text");
    WriteFile(dir / "b\\TWO.TXT", "just text");
    WriteFile(dir / "plain.dat", "data");
    MakeDirs(dir / "Folder1");
    MakeDirs(dir / "Folder2");
    WriteFile(dir / "R\\br000000\\copy.exe", testutil::ReadFile(exe));

    HICON own = ExtractIconA(GetModuleHandleA(nullptr), (dir / "renamed.dat").c_str(), 0);
    EXPECT_GT(reinterpret_cast<UINT_PTR>(own), 1u) << "a renamed program still yields its icon";
    if (reinterpret_cast<UINT_PTR>(own) > 1) DestroyIcon(own);

    auto source = [&](const std::string& path, DWORD flag, const std::string& stored = "") {
        ItemPtr item = Item(path, flag);
        item->SetStored(stored.c_str());
        return view::IconSourceFor(*item);
    };
    view::IconSource prog = source(dir / "prog.exe", 1);
    view::IconSource renamed = source(dir / "renamed.dat", 1);
    view::IconSource one = source(dir / "a\\one.txt", 1);
    view::IconSource two = source(dir / "b\\TWO.TXT", 1);
    view::IconSource plain = source(dir / "plain.dat", 1);
    view::IconSource folder1 = source(dir / "Folder1", 0);
    view::IconSource folder2 = source(dir / "Folder2", 0, dir / "Folder1");
    view::IconSource folderGone = source(dir / "GoneFolder", 0, dir / "Folder2");
    view::IconSource progGone = source(dir / "gone.exe", 1, dir / "R\\br000000\\copy.exe");
    view::IconSource bothGone = source(dir / "gone.txt", 1, dir / "R\\br000009\\gone.txt");
    ItemPtr run = Item(dir / "gone2.txt", 1);
    run->m_generation = 1;  // a backup run without its history has no copy
    view::IconSource runGone = view::IconSourceFor(*run);

    EXPECT_EQ(one.iconFile, dir / "a\\one.txt");
    EXPECT_EQ(one.fallback, dir / "a\\one.txt");
    EXPECT_EQ(one.key, two.key);
    EXPECT_NE(one.key, plain.key);
    EXPECT_NE(renamed.key, plain.key);
    EXPECT_NE(prog.key, renamed.key);
    EXPECT_NE(prog.key, one.key);
    EXPECT_EQ(folder1.key, folder2.key);
    EXPECT_EQ(folderGone.key, folder1.key);
    EXPECT_EQ(folderGone.fallback, dir / "Folder2");
    // A program whose source is gone shows the icon of its stored copy.
    EXPECT_EQ(progGone.iconFile, dir / "gone.exe");
    EXPECT_EQ(progGone.fallback, dir / "R\\br000000\\copy.exe");
    EXPECT_NE(progGone.key, prog.key);
    EXPECT_NE(progGone.key, one.key);
    EXPECT_EQ(bothGone.key, runGone.key);
    EXPECT_EQ(runGone.fallback, "");
    EXPECT_NE(bothGone.key, one.key);
    EXPECT_NE(bothGone.key, folder1.key);
}

TEST(IconKey, BitmapTakesTheProgramThatOpensIt) {
    TempDir dir;
    WriteFile(dir / "pic.BMP", "BM");
    ItemPtr item = Item(dir / "pic.BMP", 1);
    view::IconFacts facts = view::GatherIconFacts(*item);
    char program[MAX_PATH] = "";
    bool registered = reinterpret_cast<INT_PTR>(
                          FindExecutableA((dir / "pic.BMP").c_str(), nullptr, program)) > 32;
    EXPECT_EQ(facts.iconFile, registered ? std::string(program) : dir / "pic.BMP");
    EXPECT_EQ(facts.fallback, dir / "pic.BMP");
    EXPECT_FALSE(facts.fallbackIconIsPerFile);
}
