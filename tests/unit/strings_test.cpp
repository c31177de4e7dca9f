// Tests of the English and Japanese string tables: every id present in both, the texts that must
// stay verbatim, and translations that keep what the code and stored data rely on.
#include "fw/Strings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "resource.h"

namespace {

const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

struct NamedId {
    UINT id;
    const char* name;
};

#define NAMED(x) \
    { x, #x }
const NamedId kAllIds[] = {
    NAMED(IDR_MAINFRAME_DOC),
    NAMED(IDS_CMD_PROPERTY),
    NAMED(IDS_CMD_WRITE),
    NAMED(IDS_CMD_DELETE),
    NAMED(IDS_CMD_SETTING),
    NAMED(IDS_CMD_RESTORE),
    NAMED(IDS_CMD_SELECT_ALL),
    NAMED(IDS_CMD_SORT_ASCENDING),
    NAMED(IDS_CMD_SORT_DESCENDING),
    NAMED(IDS_CMD_ORVANE_HOMEPAGE),
    NAMED(IDS_CMD_BRENNAHOLD_HOMEPAGE),
    NAMED(IDS_CMD_QUILLON),
    NAMED(IDS_CMD_EXTERNAL_REPOSITORY),
    NAMED(IDS_CMD_BRN_CREATE),
    NAMED(IDS_CMD_BRN_OPEN),
    NAMED(IDS_CMD_BRN_RESTORE),
    NAMED(IDS_CMD_CHECK),
    NAMED(IDS_CMD_EDIT_COPY),
    NAMED(IDS_CMD_EDIT_PASTE),
    NAMED(IDS_CMD_APP_ABOUT),
    NAMED(IDS_CMD_APP_EXIT),
    NAMED(IDS_CMD_HELP_FINDER),
    NAMED(IDS_CMD_CONTEXT_HELP),
    NAMED(IDS_CMD_HELP),
    NAMED(IDS_CMD_VIEW_TOOLBAR),
    NAMED(IDS_CMD_VIEW_STATUS_BAR),
    NAMED(IDS_CMD_VIEW_SMALLICON),
    NAMED(IDS_CMD_VIEW_LARGEICON),
    NAMED(IDS_CMD_VIEW_LIST),
    NAMED(IDS_CMD_VIEW_DETAILS),
    NAMED(IDS_APP_TITLE),
    NAMED(IDS_STATUS_READY),
    NAMED(IDS_STATUS_HELP_MODE),
    NAMED(IDS_INDICATOR_CAPS),
    NAMED(IDS_INDICATOR_NUM),
    NAMED(IDS_INDICATOR_SCRL),
    NAMED(IDS_INDICATOR_KANA),
    NAMED(IDS_FILE_TYPE_SUFFIX),
    NAMED(IDS_FILE_FOLDER),
    NAMED(IDS_COLUMNWIDTH_FMT),
    NAMED(IDS_SETTINGS_SECTION),
    NAMED(IDS_FAILED_SAVE_FILE),
    NAMED(IDS_DECOY_TITLE),
    NAMED(IDS_QUILLON_HOMEPAGE),
    NAMED(IDS_QUILLON_HELP),
    NAMED(IDS_EASY_BACKUP),
    NAMED(IDS_RESTORE_MANY),
    NAMED(IDS_RESTORE_ONE),
    NAMED(IDS_RESTORE_FAILED),
    NAMED(IDS_OVERWRITE_EXISTING),
    NAMED(IDS_FAILED_WRITE_FILE),
    NAMED(IDS_DELETE_MANY),
    NAMED(IDS_DELETE_ONE),
    NAMED(IDS_DELETE_FAILED),
    NAMED(IDS_PASTE_ERROR),
    NAMED(IDS_SELECT_FOLDER),
    NAMED(IDS_SYSTEM_ERROR),
    NAMED(IDS_PASTE_SOURCE_KEPT),
    NAMED(IDS_FILTER_BRN),
    NAMED(IDS_FILTER_ALL),
    NAMED(IDS_BRN_INVALID_NAME),
    NAMED(IDS_FAILED_OPEN_FILE),
    NAMED(IDS_SPECIFY_FILE_NAME),
    NAMED(IDS_FILE_NOT_EXIST),
    NAMED(IDS_EXT_BAD_DIRECTORY),
    NAMED(IDS_EXT_CREATE_DIRECTORY),
    NAMED(IDS_EXT_DIRECTORY_FAILED),
    NAMED(IDS_EXT_INI_FAILED),
    NAMED(IDS_EXT_SET_SHORTCUT_NAME),
    NAMED(IDS_EXT_SHORTCUT_EXISTS),
    NAMED(IDS_EXT_COPY_FAILED),
    NAMED(IDS_EXT_SHORTCUT_FAILED),
    NAMED(IDS_EXT_NOT_COPIED),
    NAMED(IDS_INI_NOT_FOUND),
    NAMED(IDS_FINDINI_CHOOSE_DRIVE),
    NAMED(IDS_COL_NAME),
    NAMED(IDS_COL_LOCATION),
    NAMED(IDS_COL_SAVE),
    NAMED(IDS_COL_BRN),
    NAMED(IDS_COL_SIZE),
    NAMED(IDS_COL_TYPE),
    NAMED(IDS_COL_UPDATE),
    NAMED(IDS_COL_DESCRIPTION),
    NAMED(IDS_SIZE_BYTES),
    NAMED(IDS_SIZE_KB),
    NAMED(IDS_SIZE_MB),
    NAMED(IDS_SIZE_GB),
    NAMED(IDS_PROPERTY_SIZE),
    NAMED(IDS_EXTENSION_ON),
    NAMED(IDS_EXTENSION_OFF),
    NAMED(IDS_QUILLON_ITEMS),
    NAMED(IDS_QUILLON_ITEM_FAILED),
    NAMED(IDS_ERR_END_OF_FILE),
    NAMED(IDS_ERR_BAD_FORMAT),
    NAMED(IDS_ERR_DAMAGED),
    NAMED(IDS_ERR_NO_MEMORY),
    NAMED(IDS_ERR_FILE_NOT_FOUND),
    NAMED(IDS_ERR_FILE_GENERIC),
    NAMED(IDS_ERR_DISK_FULL),
    NAMED(IDS_ERR_ACCESS_DENIED),
    NAMED(IDS_MISSING_COPIES),
    NAMED(IDS_CATALOGUE_DAMAGED),
    NAMED(IDS_CATALOGUE_KEPT),
    NAMED(IDS_FAULT_IN_FILE),
    NAMED(IDS_DAMAGED_HISTORIES),
    NAMED(IDS_CATALOGUE_NOT_SAVED_KEPT),
    NAMED(IDS_NO_FILES_ADDED),
    NAMED(IDS_RUN_HISTORY_DAMAGED),
    NAMED(IDS_CHECK_TITLE),
    NAMED(IDS_CHECK_MISSING),
    NAMED(IDS_CHECK_CHANGED),
    NAMED(IDS_CHECK_HISTORY_DAMAGED),
    NAMED(IDS_CHECK_RUN_MISSING),
    NAMED(IDS_CHECK_HISTORY_MISSING_COPY),
    NAMED(IDS_CHECK_ORPHAN_FOLDER),
    NAMED(IDS_CHECK_ORPHAN_ENTRY),
    NAMED(IDS_CHECK_CLEAN),
    NAMED(IDS_CHECK_PROBLEMS),
    NAMED(IDS_CHECK_NO_REPOSITORY),
    NAMED(IDS_CHECK_CATALOGUE_UNREADABLE),
    NAMED(IDS_CHECK_LOCK_UNAVAILABLE),
    NAMED(IDS_CHECK_OTHER_INSTANCE),
    NAMED(IDS_CHECK_RECOVER_ASK),
    NAMED(IDS_CHECK_RECOVERED),
    NAMED(IDS_EMPTY_LIST_HINT),
    NAMED(IDS_HELP_LANGUAGE),
    NAMED(IDS_PROGRESS_EVACUATING),
    NAMED(IDS_PROGRESS_RESTORING),
    NAMED(IDS_PROGRESS_WRITING),
    NAMED(IDS_PROGRESS_COPYING_REPOSITORY),
    NAMED(IDS_PROGRESS_LISTING),
    NAMED(IDS_PROGRESS_COPYING),
    NAMED(IDS_PROGRESS_RECORDING),
    NAMED(IDS_PROGRESS_COUNTS),
    NAMED(IDS_PROGRESS_FILE_COUNTS),
    NAMED(IDS_PROGRESS_CANCELLING),
    NAMED(IDS_WRITE_CANCELLED),
    NAMED(IDS_EXT_COPY_CANCELLED),
    NAMED(IDS_RESTORE_CANCELLED),
};
#undef NAMED

struct Verbatim {
    UINT id;
    const char* text;
};

// Texts that users, stored files and other processes rely on, misspellings included.
const Verbatim kVerbatimEnglish[] = {
    {IDR_MAINFRAME_DOC, "Brennahold\n\nBrenna\n\n\nBrenna.Document\nBrenna Document"},
    {IDS_APP_TITLE, "Brennahold"},
    {IDS_FILE_TYPE_SUFFIX, "File"},
    {IDS_FILE_FOLDER, "File Folder"},
    {IDS_COLUMNWIDTH_FMT, "columnwidth_%d"},
    {IDS_SETTINGS_SECTION, "Settings"},
    {IDS_FAILED_SAVE_FILE, "Failed to save file"},
    {IDS_DECOY_TITLE, "mooooooooooobububu"},
    {IDS_QUILLON_HOMEPAGE, "Homepage of Qui&llon"},
    {IDS_QUILLON_HELP, "Qui&llon Help"},
    {IDS_EASY_BACKUP, "Easy Backup Software"},
    {IDS_EMPTY_LIST_HINT, "Drop files or folders here to keep a copy of them"},
    {IDS_CMD_EXTERNAL_REPOSITORY, "Configure repository out of standard place"},
    {IDS_CMD_BRN_CREATE, "Create backup definition file"},
    {IDS_CMD_BRN_OPEN, "Modify backup definition file"},
    {IDS_CMD_BRN_RESTORE, "Restore backup definition file from backup history"},
    {IDS_RESTORE_MANY, "Do you want to restore these %d files?"},
    {IDS_RESTORE_ONE, "Do you want to restore file \"%s\"?"},
    {IDS_RESTORE_FAILED, "Failed to restore file \"%s\""},
    {IDS_OVERWRITE_EXISTING, "%s is already exists\nOverwrite?"},
    {IDS_FAILED_WRITE_FILE, "Failed to write file"},
    {IDS_DELETE_MANY, "Do You want to delete these %d files?"},
    {IDS_DELETE_ONE, "Do you want to delete file \"%s\"?"},
    {IDS_DELETE_FAILED, "Failed to delete file \"%s\""},
    {IDS_PASTE_ERROR, "Error occcured while pasting"},
    {IDS_SELECT_FOLDER, "Select folder"},
    {IDS_SYSTEM_ERROR, "System error occured"},
    {IDS_FILTER_BRN, "Brennahold backup definition file(*.brn)|*.brn"},
    {IDS_FILTER_ALL, "All files(*.*)|*.*"},
    {IDS_BRN_INVALID_NAME, "Invalid backup definition file name"},
    {IDS_FAILED_OPEN_FILE, "Failed to open file"},
    {IDS_SPECIFY_FILE_NAME, "Specify file name"},
    {IDS_FILE_NOT_EXIST, "File not exist"},
    {IDS_EXT_BAD_DIRECTORY, "Assign correct directory name"},
    {IDS_EXT_CREATE_DIRECTORY, "Directory \"%s\" not exist create it"},
    {IDS_EXT_DIRECTORY_FAILED, "Directory creation failed"},
    {IDS_EXT_INI_FAILED, "INI file creation failed"},
    {IDS_EXT_SET_SHORTCUT_NAME, "Set shortcut name"},
    {IDS_EXT_SHORTCUT_EXISTS, "Shortcut \"%s\" exists, contine"},
    {IDS_EXT_COPY_FAILED, "Directory copy failed"},
    {IDS_EXT_SHORTCUT_FAILED, "Failed to create shortcut \"%s\""},
    {IDS_EXT_NOT_COPIED, "These items do not fit in the new directory and are not copied:\n%s"},
    {IDS_INI_NOT_FOUND, "Failed to find \"%s\" ini file"},
    {IDS_FINDINI_CHOOSE_DRIVE, "Select one of the listed drives"},
    {IDS_COL_NAME, "Name"},
    {IDS_COL_LOCATION, "Location"},
    {IDS_COL_SAVE, "Save"},
    {IDS_COL_BRN, "BRN"},
    {IDS_COL_SIZE, "Size"},
    {IDS_COL_TYPE, "Type"},
    {IDS_COL_UPDATE, "Update"},
    {IDS_COL_DESCRIPTION, "Description"},
    {IDS_SIZE_BYTES, "%u B"},
    {IDS_SIZE_KB, "%u KB"},
    {IDS_SIZE_MB, "%u MB"},
    {IDS_SIZE_GB, "%u GB"},
    {IDS_PROPERTY_SIZE, "%lu byte"},
    {IDS_EXTENSION_ON, "ON"},
    {IDS_EXTENSION_OFF, "OFF"},
    {IDS_QUILLON_ITEMS, "Qui(&l)lon Items"},
    {IDS_QUILLON_ITEM_FAILED, "Failed to get Quillon item data"},
    {IDS_NO_FILES_ADDED, "No files to be added."},
};

// Stored names and window titles that other processes and saved settings look for.
const UINT kUntranslated[] = {IDS_APP_TITLE, IDS_COLUMNWIDTH_FMT, IDS_SETTINGS_SECTION,
                              IDS_DECOY_TITLE};

// The text of entry id in the table of one language, read from its resource block so that the
// user's language plays no part; nullopt when that language has no such entry.
std::optional<std::wstring> TableEntry(UINT id, LANGID lang) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceExA(module, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), lang);
    if (!res) return std::nullopt;
    const auto* p = static_cast<const WCHAR*>(LockResource(LoadResource(module, res)));
    const WCHAR* end = p + SizeofResource(module, res) / sizeof(WCHAR);
    for (UINT i = 0; i < id % 16 && p < end; ++i) p += 1 + *p;
    if (p >= end || *p == 0 || p + 1 + *p > end) return std::nullopt;
    return std::wstring(p + 1, *p);
}

BOOL CALLBACK AddBlock(HMODULE, LPCSTR, LPSTR name, LONG_PTR blocks) {
    if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<UINT>*>(blocks)->push_back(LOWORD(name));
    return TRUE;
}

// Every id that the table of one language holds.
std::set<UINT> TableIds(LANGID lang) {
    std::vector<UINT> blocks;
    EnumResourceNamesA(GetModuleHandleA(nullptr), RT_STRING, AddBlock,
                       reinterpret_cast<LONG_PTR>(&blocks));
    std::set<UINT> ids;
    for (UINT block : blocks)
        for (UINT i = 0; i < 16; ++i)
            if (TableEntry((block - 1) * 16 + i, lang)) ids.insert((block - 1) * 16 + i);
    return ids;
}

std::wstring Widen(const char* utf8) {
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, out.data(), n);
    return out;
}

std::wstring Widen(const char8_t* utf8) { return Widen(reinterpret_cast<const char*>(utf8)); }

// The text in code page cp; lost is set when a character has no form there.
std::string Narrow(const std::wstring& text, UINT cp, bool* lost = nullptr) {
    BOOL usedDefault = FALSE;
    BOOL* flag = cp == CP_UTF8 ? nullptr : &usedDefault;
    DWORD flags = cp == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(cp, flags, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, flag);
    std::string out(n, '\0');
    WideCharToMultiByte(cp, flags, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, flag);
    if (lost) *lost = usedDefault != FALSE;
    return out;
}

std::string Utf8(const std::wstring& text) { return Narrow(text, CP_UTF8); }

// The wsprintfA conversions in order of appearance ("%%" is a literal percent sign).
std::vector<std::wstring> FormatSpecs(const std::wstring& text) {
    std::vector<std::wstring> specs;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') continue;
        if (i + 1 < text.size() && text[i + 1] == L'%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < text.size() && wcschr(L"-#0123456789.lh", text[j])) ++j;
        specs.push_back(text.substr(i, j < text.size() ? j - i + 1 : j - i));
        i = j;
    }
    return specs;
}

// Menu accelerator marks ("&&" is a literal ampersand).
int Accelerators(const std::wstring& text) {
    int n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (i + 1 < text.size() && text[i + 1] == L'&')
            ++i;
        else
            ++n;
    }
    return n;
}

// The patterns of a "description|pattern|..." file dialog filter.
std::vector<std::wstring> FilterPatterns(const std::wstring& text) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t bar; (bar = text.find(L'|', start)) != std::wstring::npos; start = bar + 1)
        parts.push_back(text.substr(start, bar - start));
    parts.push_back(text.substr(start));
    std::vector<std::wstring> patterns;
    for (size_t i = 1; i < parts.size(); i += 2) patterns.push_back(parts[i]);
    return patterns;
}

TEST(StringTable, EveryIdLoads) {
    for (const NamedId& e : kAllIds) {
        EXPECT_FALSE(fw::LoadStr(e.id).empty()) << e.name;
        EXPECT_TRUE(TableEntry(e.id, kEnglish)) << e.name << " has no English text";
        EXPECT_TRUE(TableEntry(e.id, kJapanese)) << e.name << " has no Japanese text";
    }
}

TEST(StringTable, EveryTableEntryIsKnown) {
    std::set<UINT> known;
    for (const NamedId& e : kAllIds) EXPECT_TRUE(known.insert(e.id).second) << e.name;
    for (LANGID lang : {kEnglish, kJapanese}) {
        std::set<UINT> held = TableIds(lang);
        std::vector<UINT> unknown;
        std::set_difference(held.begin(), held.end(), known.begin(), known.end(),
                            std::back_inserter(unknown));
        EXPECT_TRUE(unknown.empty())
            << "language " << lang << " holds unlisted ids " << testing::PrintToString(unknown);
    }
}

TEST(StringTable, VerbatimEnglishTexts) {
    for (const Verbatim& v : kVerbatimEnglish) {
        std::optional<std::wstring> text = TableEntry(v.id, kEnglish);
        ASSERT_TRUE(text) << v.id;
        EXPECT_EQ(Utf8(*text), v.text) << v.id;
    }
}

TEST(StringTable, StoredNamesAndTitlesAreNotTranslated) {
    for (UINT id : kUntranslated) EXPECT_EQ(TableEntry(id, kJapanese), TableEntry(id, kEnglish));
}

TEST(StringTable, JapaneseKeepsFormatsLineBreaksAcceleratorsAndPatterns) {
    for (const NamedId& e : kAllIds) {
        std::wstring en = TableEntry(e.id, kEnglish).value_or(L"");
        std::wstring ja = TableEntry(e.id, kJapanese).value_or(L"");
        EXPECT_EQ(FormatSpecs(ja), FormatSpecs(en)) << e.name;
        EXPECT_EQ(std::count(ja.begin(), ja.end(), L'\n'), std::count(en.begin(), en.end(), L'\n'))
            << e.name;
        EXPECT_EQ(Accelerators(ja), Accelerators(en)) << e.name;
        EXPECT_EQ(FilterPatterns(ja), FilterPatterns(en)) << e.name;
    }
}

// wsprintfA writes at most 1024 bytes, and a %s is at most a full path.
TEST(StringTable, TextsFitTheirCodePageAndTheFormatter) {
    const std::set<std::wstring> supported = {L"%d", L"%s", L"%u", L"%lu"};
    for (const NamedId& e : kAllIds) {
        for (auto [lang, cp] : {std::pair{kEnglish, 1252u}, std::pair{kJapanese, 932u}}) {
            std::wstring text = TableEntry(e.id, lang).value_or(L"");
            bool lost = false;
            size_t bytes = Narrow(text, cp, &lost).size();
            EXPECT_FALSE(lost) << e.name << " has characters outside code page " << cp;
            for (const std::wstring& format : FormatSpecs(text)) {
                EXPECT_TRUE(supported.count(format)) << e.name << ": " << Utf8(format);
                bytes += format == L"%s" ? MAX_PATH - 1 : 10;
            }
            EXPECT_LT(bytes, 1024u) << e.name;
        }
    }
}

TEST(StringTable, EnglishSystemGetsEnglishTable) {
    if (GetACP() == 932) GTEST_SKIP() << "Japanese code page";
    for (const NamedId& e : kAllIds)
        EXPECT_EQ(fw::LoadStr(e.id), Narrow(TableEntry(e.id, kEnglish).value_or(L""), CP_ACP))
            << e.name;
    EXPECT_EQ(fw::LoadStr(IDS_OVERWRITE_EXISTING), "%s is already exists\nOverwrite?");
    EXPECT_EQ(fw::FormatStr(IDS_DELETE_ONE, "a.txt"), "Do you want to delete file \"a.txt\"?");
    EXPECT_EQ(fw::FormatStr(IDS_RESTORE_MANY, 12), "Do you want to restore these 12 files?");
}

TEST(StringTableMbcs, JapaneseSystemGetsJapaneseTable) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932";
    for (const NamedId& e : kAllIds)
        EXPECT_EQ(fw::LoadStr(e.id), Narrow(TableEntry(e.id, kJapanese).value_or(L""), 932))
            << e.name;

    struct Expected {
        UINT id;
        const char8_t* text;
    };
    // The prompt holds 表, whose Shift-JIS trail byte is a backslash.
    const Expected cases[] = {
        {IDS_FAILED_SAVE_FILE, u8"ファイルの保存に失敗しました"},
        {IDS_CMD_PROPERTY, u8"選択した項目のプロパティを表示します\nプロパティ"},
        {IDS_OVERWRITE_EXISTING, u8"%s は既に存在します。\n上書きしますか?"},
    };
    for (const Expected& c : cases)
        EXPECT_EQ(fw::LoadStr(c.id), Narrow(Widen(c.text), 932)) << Utf8(Widen(c.text));
    EXPECT_NE(fw::LoadStr(IDS_CMD_PROPERTY).find("\x95\x5C"), std::string::npos);

    std::string name = Narrow(Widen(u8"表.txt"), 932);
    EXPECT_EQ(fw::FormatStr(IDS_RESTORE_ONE, name.c_str()),
              Narrow(Widen(u8"ファイル \"表.txt\" を復元しますか?"), 932));
}

}  // namespace
