// Tests of the file-system and formatting helpers on real files, the real registry and locales.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "TestUtil.h"
#include "fw/File.h"
#include "util/FileUtil.h"

using testutil::Exists;
using testutil::IsDir;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

// Names of a folder's entries in the order the file system lists them, dots left out.
std::vector<std::string> ListNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

void SetReadOnly(const std::string& path) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    ASSERT_NE(attrs, INVALID_FILE_ATTRIBUTES) << path;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attrs | FILE_ATTRIBUTE_READONLY)) << path;
}

bool IsReadOnly(const std::string& path) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY);
}

// Creates a file with exactly the given path, without splitting it at backslash bytes (the
// multi-byte names below carry 0x5C as a trail byte).
void CreateExactFile(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD done = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(h);
}

// A folder path of exactly length bytes under base, made of nested folders that all exist, or
// an empty string when the file system refuses one of them.
std::string MakeDeepFolder(const std::string& base, size_t length) {
    std::string path = base;
    if (!CreateDirectoryA(path.c_str(), nullptr)) return {};
    while (path.size() + 1 < length) {
        size_t part = std::min<size_t>(60, length - path.size() - 1);
        // Never leave a single byte over: a further level needs a backslash and a name.
        if (length - path.size() - 1 - part == 1) --part;
        path += '\\';
        path.append(part, 'd');
        if (!CreateDirectoryA(path.c_str(), nullptr)) return {};
    }
    return path;
}

// ---- Deleting ----

TEST(FileUtilDelete, ForceDeleteFileRemovesReadOnlyFile) {
    TempDir dir;
    std::string file = dir / "ro.txt";
    WriteFile(file, "x");
    SetReadOnly(file);
    ASSERT_FALSE(DeleteFileA(file.c_str())) << "a plain delete must be refused first";

    EXPECT_TRUE(util::ForceDeleteFile(file.c_str()));
    EXPECT_FALSE(Exists(file));
}

TEST(FileUtilDelete, ForceDeleteFileFailsOnMissingFile) {
    TempDir dir;
    EXPECT_FALSE(util::ForceDeleteFile((dir / "missing.txt").c_str()));
}

TEST(FileUtilDelete, DeleteFolderTreeRemovesReadOnlyTree) {
    TempDir dir;
    std::string root = dir / "tree";
    WriteFile(root + "\\a.txt", "a");
    WriteFile(root + "\\sub\\b.txt", "b");
    WriteFile(root + "\\sub\\deeper\\c.txt", "c");
    testutil::MakeDirs(root + "\\empty");
    for (const char* rel : {"\\sub\\deeper\\c.txt", "\\sub\\deeper", "\\sub\\b.txt", "\\sub",
                            "\\a.txt", "\\empty", ""})
        SetReadOnly(root + rel);

    EXPECT_TRUE(util::DeleteFolderTree(root.c_str()));
    EXPECT_FALSE(Exists(root));
    EXPECT_TRUE(IsDir(dir.Path()));
}

TEST(FileUtilDelete, DeleteFolderTreeFailsOnMissingFolder) {
    TempDir dir;
    EXPECT_FALSE(util::DeleteFolderTree((dir / "missing").c_str()));
}

TEST(FileUtilDelete, DeleteFolderTreeStopsAtLockedFile) {
    TempDir dir;
    std::string root = dir / "tree";
    for (const char* name : {"f1.txt", "f2.txt", "f3.txt", "f4.txt", "f5.txt", "f6.txt"})
        WriteFile(root + "\\" + name, name);
    std::vector<std::string> order = ListNames(root);
    ASSERT_EQ(order.size(), 6u);
    // Lock an entry in the middle of the listing so that some come before it and some after.
    const size_t locked = 3;
    HANDLE h = CreateFileA((root + "\\" + order[locked]).c_str(), GENERIC_READ, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);

    BOOL ok = util::DeleteFolderTree(root.c_str());
    CloseHandle(h);

    EXPECT_FALSE(ok);
    EXPECT_TRUE(IsDir(root));
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(Exists(root + "\\" + order[i]), i >= locked) << order[i];
}

// ---- Copying ----

TEST(FileUtilCopy, CopyFileMakePathCreatesMissingFolders) {
    TempDir dir;
    std::string source = dir / "src.txt";
    WriteFile(source, "payload");
    std::string dest = dir / "one\\two\\three\\copy.txt";

    EXPECT_TRUE(util::CopyFileMakePath(source.c_str(), dest.c_str(), TRUE));
    EXPECT_TRUE(IsDir(dir / "one"));
    EXPECT_TRUE(IsDir(dir / "one\\two"));
    EXPECT_TRUE(IsDir(dir / "one\\two\\three"));
    EXPECT_EQ(ReadFile(dest), "payload");
}

TEST(FileUtilCopy, CopyFileMakePathHonoursFailIfExists) {
    TempDir dir;
    std::string source = dir / "src.txt";
    std::string dest = dir / "sub\\dst.txt";
    WriteFile(source, "new");
    WriteFile(dest, "old");

    EXPECT_FALSE(util::CopyFileMakePath(source.c_str(), dest.c_str(), TRUE));
    EXPECT_EQ(ReadFile(dest), "old");
    EXPECT_TRUE(util::CopyFileMakePath(source.c_str(), dest.c_str(), FALSE));
    EXPECT_EQ(ReadFile(dest), "new");
}

TEST(FileUtilCopy, CopyFileMakePathRefusesDestinationWithoutBackslash) {
    TempDir dir;
    std::string source = dir / "src.txt";
    WriteFile(source, "x");
    char name[64];
    wsprintfA(name, "brtest_nobackslash_%lu.txt", GetCurrentProcessId());

    EXPECT_FALSE(util::CopyFileMakePath(source.c_str(), name, FALSE));
    EXPECT_FALSE(Exists(name)) << "nothing may be copied into the current folder";
    DeleteFileA(name);
}

TEST(FileUtilCopy, CopyFileMakePathRefusesOverlongDestination) {
    TempDir dir;
    std::string source = dir / "src.txt";
    WriteFile(source, "x");
    std::string dest = dir / "made\\" + std::string(MAX_PATH, 'n') + ".txt";

    EXPECT_FALSE(util::CopyFileMakePath(source.c_str(), dest.c_str(), FALSE));
    EXPECT_FALSE(Exists(dir / "made")) << "no folder is created for a refused path";
}

TEST(FileUtilCopy, CopyFolderTreeMergesAndReplaces) {
    TempDir dir;
    std::string src = dir / "src";
    std::string dst = dir / "dst";
    WriteFile(src + "\\same.txt", "source same");
    WriteFile(src + "\\sub\\inner.txt", "inner");
    WriteFile(src + "\\was_dir", "now a file");
    WriteFile(src + "\\was_file\\x.txt", "x");

    WriteFile(dst + "\\same.txt", "destination same");
    SetReadOnly(dst + "\\same.txt");
    WriteFile(dst + "\\was_dir\\nested\\old.txt", "old");
    SetReadOnly(dst + "\\was_dir\\nested\\old.txt");
    SetReadOnly(dst + "\\was_dir");
    WriteFile(dst + "\\was_file", "old file");
    SetReadOnly(dst + "\\was_file");
    WriteFile(dst + "\\unrelated.txt", "keep");
    WriteFile(dst + "\\unrelated_dir\\keep.txt", "keep too");
    SetReadOnly(dst);

    EXPECT_TRUE(util::CopyFolderTree(src.c_str(), dst.c_str()));

    EXPECT_EQ(ReadFile(dst + "\\same.txt"), "source same");
    EXPECT_EQ(ReadFile(dst + "\\sub\\inner.txt"), "inner");
    EXPECT_FALSE(IsDir(dst + "\\was_dir"));
    EXPECT_EQ(ReadFile(dst + "\\was_dir"), "now a file");
    EXPECT_TRUE(IsDir(dst + "\\was_file"));
    EXPECT_EQ(ReadFile(dst + "\\was_file\\x.txt"), "x");
    EXPECT_EQ(ReadFile(dst + "\\unrelated.txt"), "keep");
    EXPECT_EQ(ReadFile(dst + "\\unrelated_dir\\keep.txt"), "keep too");
    EXPECT_FALSE(IsReadOnly(dst)) << "the destination's read-only bit is cleared";
}

TEST(FileUtilCopy, CopyFolderTreeNeedsExistingDestination) {
    TempDir dir;
    WriteFile(dir / "src\\a.txt", "a");
    EXPECT_FALSE(util::CopyFolderTree((dir / "src").c_str(), (dir / "dst").c_str()));
    EXPECT_FALSE(Exists(dir / "dst"));
}

TEST(FileUtilCopy, CopyFolderTreeFromUnlistableSourceCopiesNothing) {
    TempDir dir;
    testutil::MakeDirs(dir / "dst");
    EXPECT_TRUE(util::CopyFolderTree((dir / "missing").c_str(), (dir / "dst").c_str()));
    EXPECT_TRUE(ListNames(dir / "dst").empty());
}

TEST(FileUtilCopy, CopyFolderTreeRefusesPathsBeyondMaxPath) {
    TempDir dir;
    testutil::MakeDirs(dir / "dst");
    // A source whose listing pattern would not fit fails instead of counting as unlistable.
    std::string longSource = dir / std::string(MAX_PATH - dir.Path().size() - 3, 's');
    EXPECT_FALSE(util::CopyFolderTree(longSource.c_str(), (dir / "dst").c_str()));

    // A destination child path that would not fit stops the copy before anything is made.
    std::string deep = MakeDeepFolder(dir / "deep", MAX_PATH - 20);
    ASSERT_FALSE(deep.empty());
    WriteFile(dir / "src\\" + std::string(30, 'f') + ".txt", "x");
    EXPECT_FALSE(util::CopyFolderTree((dir / "src").c_str(), deep.c_str()));
    EXPECT_TRUE(ListNames(deep).empty());
}

TEST(FileUtilDelete, DeleteFolderTreeRefusesOverlongFolder) {
    TempDir dir;
    std::string deep = MakeDeepFolder(dir / "deep", MAX_PATH - 3);
    // Windows itself limits new folders to 248 bytes; Wine does not.
    if (deep.empty()) GTEST_SKIP() << "the file system refuses a folder path this long";
    // "<folder>\*.*" would need 262 bytes with its terminator.
    EXPECT_FALSE(util::DeleteFolderTree(deep.c_str()));
    EXPECT_TRUE(IsDir(deep));
}

// ---- Wildcards ----

struct WildcardCase {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(FileUtilWildcard, MatchesTable) {
    const WildcardCase cases[] = {
        {"*.TXT", "A.TXT", true},
        {"*.TXT", "A.TXT.TXT", false},  // leftmost ".TXT" only, no backtracking
        {"*.TXT", ".TXT", true},
        {"A*", "A", true},
        {"A*", "ABC", true},
        {"A*", "BA", false},
        {"*A", "AB", false},
        {"*B*", "ABC", true},
        {"*B*", "AC", false},
        {"A*C", "AC", true},
        {"A*C", "ABC", true},
        {"A*C", "ABCD", false},
        {"A**C", "ABC", true},
        {"AB*AB", "AB", false},
        {"A*B*C", "AXBXC", true},
        {"A*B*C", "ACB", false},
        {"**", "", true},
        {"**", "ANY.NAME", true},
        {"*", "", true},
        {"abc", "abc", true},
        {"abc", "ABC", false},
        {"abc", "abcd", false},
        {"*abc*", "XABCX", false},
        {"?", "?", true},
        {"?", "A", false},
        {"[AB]", "A", false},
        {"[AB]", "[AB]", true},
        {"A;B", "A", false},
        {"A;B", "A;B", true},
    };
    for (const WildcardCase& c : cases)
        EXPECT_EQ(util::MatchWildcard(c.pattern, c.name) != FALSE, c.matches)
            << "pattern \"" << c.pattern << "\" name \"" << c.name << "\"";
}

TEST(FileUtilWildcard, PatternsBeyondTheUsualLimitsMatchInFull) {
    std::string longSegment(300, 'L');
    EXPECT_TRUE(
        util::MatchWildcard(("*" + longSegment + "*").c_str(), ("x" + longSegment).c_str()));
    EXPECT_FALSE(
        util::MatchWildcard(("*" + longSegment + "*").c_str(), longSegment.substr(1).c_str()));

    std::string manySegments;
    for (int i = 0; i < 200; ++i) manySegments += "A*";
    EXPECT_TRUE(util::MatchWildcard(manySegments.c_str(), std::string(200, 'A').c_str()));
    EXPECT_FALSE(util::MatchWildcard(manySegments.c_str(), std::string(199, 'A').c_str()));
}

// ---- Times ----

FILETIME MakeFileTime(DWORD high, DWORD low) {
    FILETIME ft;
    ft.dwHighDateTime = high;
    ft.dwLowDateTime = low;
    return ft;
}

TEST(FileUtilTime, CompareFileTimeValuesIsUnsigned) {
    FILETIME highBit = MakeFileTime(0x80000000, 0);
    FILETIME below = MakeFileTime(0x7FFFFFFF, 0xFFFFFFFF);
    EXPECT_EQ(util::CompareFileTimeValues(highBit, below), 1);
    EXPECT_EQ(util::CompareFileTimeValues(below, highBit), -1);
    EXPECT_EQ(util::CompareFileTimeValues(highBit, highBit), 0);

    FILETIME lowHighBit = MakeFileTime(5, 0x80000000);
    FILETIME lowBelow = MakeFileTime(5, 0x7FFFFFFF);
    EXPECT_EQ(util::CompareFileTimeValues(lowHighBit, lowBelow), 1);
    EXPECT_EQ(util::CompareFileTimeValues(lowBelow, lowHighBit), -1);
}

// The UTC file time that shows as the given local wall-clock time.
FILETIME FromLocal(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    FILETIME local;
    FILETIME utc;
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

class FileUtilTimeFormat : public testing::Test {
protected:
    void SetUp() override {
        m_saved = GetThreadLocale();
        ASSERT_TRUE(SetThreadLocale(MAKELCID(0x0409, SORT_DEFAULT)));
    }
    void TearDown() override { SetThreadLocale(m_saved); }

private:
    LCID m_saved = 0;
};

TEST_F(FileUtilTimeFormat, EnglishUnitedStatesShowsDateThenTimeWithoutSeconds) {
    struct Case {
        FILETIME time;
        const char* text;
    };
    const Case cases[] = {
        {FromLocal(2003, 1, 2, 16, 5, 37), "1/2/2003 4:05 PM"},
        {FromLocal(2021, 11, 30, 9, 7, 59), "11/30/2021 9:07 AM"},
        {FromLocal(1999, 12, 31, 0, 0, 1), "12/31/1999 12:00 AM"},
    };
    for (const Case& c : cases) {
        char out[64];
        int n = util::FormatFileTime(c.time, out);
        EXPECT_STREQ(out, c.text);
        EXPECT_EQ(n, lstrlenA(out));
    }
}

// ---- Shell and registry ----

TEST(FileUtilShell, AppDataFolderExists) {
    char path[MAX_PATH];
    ASSERT_TRUE(util::GetAppDataFolder(path));
    EXPECT_GT(lstrlenA(path), 0);
    EXPECT_TRUE(IsDir(path)) << path;
}

TEST(FileUtilShell, ShellPathOfExistingFileIsFullAndLong) {
    TempDir dir;
    std::string file = dir / "A Rather Long File Name.text";
    WriteFile(file, "x");
    char full[MAX_PATH];
    ASSERT_TRUE(util::GetShellFileSystemPath(file.c_str(), full));
    EXPECT_EQ(lstrcmpiA(full, file.c_str()), 0) << full;

    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(file.c_str(), shortPath, MAX_PATH);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
    if (lstrcmpiA(shortPath, file.c_str()) != 0) {
        ASSERT_TRUE(util::GetShellFileSystemPath(shortPath, full, MAX_PATH));
        EXPECT_EQ(lstrcmpiA(full, file.c_str()), 0) << shortPath << " gave " << full;
    }
}

TEST(FileUtilShell, ShellPathOfMissingFileFails) {
    TempDir dir;
    char full[MAX_PATH];
    EXPECT_FALSE(util::GetShellFileSystemPath((dir / "missing.txt").c_str(), full));
}

// Temporary extension and class keys under HKLM\SOFTWARE\Classes, removed at the end.
class FileUtilRegistry : public testing::Test {
protected:
    void SetUp() override {
        wsprintfA(m_ext, ".brtest%lu", GetCurrentProcessId());
        wsprintfA(m_bareExt, ".brbare%lu", GetCurrentProcessId());
        wsprintfA(m_danglingExt, ".brdangle%lu", GetCurrentProcessId());
        wsprintfA(m_class, "Brenna.TestType%lu", GetCurrentProcessId());
        wsprintfA(m_bareClass, "Brenna.BareType%lu", GetCurrentProcessId());
        wsprintfA(m_missingClass, "Brenna.NoSuchType%lu", GetCurrentProcessId());
        wsprintfA(m_rawExt, ".brraw%lu", GetCurrentProcessId());
        wsprintfA(m_rawClass, "Brenna.RawType%lu", GetCurrentProcessId());
        if (!SetDefault(m_ext, m_class)) GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable";
        ASSERT_TRUE(SetDefault(m_class, kTypeName));
        ASSERT_TRUE(SetDefault(m_bareExt, m_bareClass));
        ASSERT_TRUE(SetDefault(m_bareClass, nullptr));
        ASSERT_TRUE(SetDefault(m_danglingExt, m_missingClass));
        ASSERT_TRUE(SetDefault(m_rawExt, m_rawClass));
        ASSERT_TRUE(SetDefault(m_rawClass, kRawName, REG_BINARY, false));
    }
    void TearDown() override {
        for (const char* key :
             {m_ext, m_class, m_bareExt, m_bareClass, m_danglingExt, m_rawExt, m_rawClass})
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string("SOFTWARE\\Classes\\") + key).c_str());
    }

    static constexpr const char* kTypeName = "Brenna Test Document";
    static constexpr const char* kRawName = "Brenna Raw Type";
    char m_ext[32];
    char m_bareExt[32];
    char m_danglingExt[32];
    char m_class[64];
    char m_bareClass[64];
    char m_missingClass[64];
    char m_rawExt[32];
    char m_rawClass[64];

private:
    // Creates the key and, unless value is null, sets its default value.
    static bool SetDefault(const char* key, const char* value, DWORD type = REG_SZ,
                           bool terminated = true) {
        HKEY h;
        std::string path = std::string("SOFTWARE\\Classes\\") + key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &h, nullptr) != ERROR_SUCCESS)
            return false;
        LONG r = ERROR_SUCCESS;
        if (value)
            r = RegSetValueExA(h, nullptr, 0, type, reinterpret_cast<const BYTE*>(value),
                               lstrlenA(value) + (terminated ? 1 : 0));
        RegCloseKey(h);
        return r == ERROR_SUCCESS;
    }
};

TEST_F(FileUtilRegistry, ExtensionLeadsToTheClassName) {
    char out[32];
    ASSERT_TRUE(util::GetFileTypeName(m_ext, out, sizeof out));
    EXPECT_STREQ(out, kTypeName);
}

TEST_F(FileUtilRegistry, NameMustFitWithItsTerminator) {
    const DWORD exact = lstrlenA(kTypeName) + 1;
    char out[64];
    EXPECT_TRUE(util::GetFileTypeName(m_ext, out, exact));
    EXPECT_STREQ(out, kTypeName);
    EXPECT_FALSE(util::GetFileTypeName(m_ext, out, exact - 1));
}

TEST_F(FileUtilRegistry, UnterminatedValueNeedsRoomForTheTerminator) {
    const DWORD exact = lstrlenA(kRawName) + 1;
    char out[64];
    memset(out, '#', sizeof out);
    EXPECT_FALSE(util::GetFileTypeName(m_rawExt, out, exact - 1));
    EXPECT_EQ(out[exact - 1], '#') << "nothing is written beyond the given size";
    ASSERT_TRUE(util::GetFileTypeName(m_rawExt, out, exact));
    EXPECT_STREQ(out, kRawName);
}

TEST_F(FileUtilRegistry, MissingEntriesFail) {
    char out[32];
    char missing[32];
    wsprintfA(missing, ".brnone%lu", GetCurrentProcessId());
    EXPECT_FALSE(util::GetFileTypeName(missing, out, sizeof out)) << "no extension key";
    EXPECT_FALSE(util::GetFileTypeName(m_bareExt, out, sizeof out)) << "class without a name";
    EXPECT_FALSE(util::GetFileTypeName(m_danglingExt, out, sizeof out)) << "no class key";
}

// ---- Multi-byte names (code page 932) ----

// One double-byte character whose trail byte is 0x5C, the backslash.
const std::string kDbcs = "\x95\x5C";

class FileUtilMbcs : public testing::Test {
protected:
    void SetUp() override {
        if (GetACP() != 932) GTEST_SKIP() << "needs code page 932";
    }
};

TEST_F(FileUtilMbcs, CopyFileMakePathKeepsWholeNames) {
    TempDir dir;
    std::string source = dir / (kDbcs + ".txt");
    CreateExactFile(source, "mb");
    // Cut at the trail byte, "a<lead>" would make a stray folder "a".
    const std::string folder = "a" + kDbcs + "b";
    std::string dest = dir / "dst\\" + folder + "\\" + kDbcs + ".txt";

    ASSERT_TRUE(util::CopyFileMakePath(source.c_str(), dest.c_str(), TRUE));
    EXPECT_EQ(ReadFile(dest), "mb");
    EXPECT_EQ(ListNames(dir / "dst"), std::vector<std::string>{folder});
    EXPECT_EQ(ListNames(dir / "dst\\" + folder), std::vector<std::string>{kDbcs + ".txt"});
}

TEST_F(FileUtilMbcs, CopyFolderTreeKeepsWholeNames) {
    TempDir dir;
    std::string src = dir / kDbcs;
    ASSERT_TRUE(CreateDirectoryA(src.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((src + "\\" + kDbcs).c_str(), nullptr));
    CreateExactFile(src + "\\" + kDbcs + "\\" + kDbcs + ".txt", "inner");
    CreateExactFile(src + "\\" + kDbcs + ".txt", "top");
    std::string dst = dir / "dst";
    ASSERT_TRUE(CreateDirectoryA(dst.c_str(), nullptr));

    ASSERT_TRUE(util::CopyFolderTree(src.c_str(), dst.c_str()));
    EXPECT_EQ(ReadFile(dst + "\\" + kDbcs + ".txt"), "top");
    EXPECT_EQ(ReadFile(dst + "\\" + kDbcs + "\\" + kDbcs + ".txt"), "inner");
    EXPECT_EQ(ListNames(dst).size(), 2u);
}

TEST_F(FileUtilMbcs, DeleteFolderTreeRemovesWholeNames) {
    TempDir dir;
    std::string root = dir / kDbcs;
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((root + "\\" + kDbcs).c_str(), nullptr));
    CreateExactFile(root + "\\" + kDbcs + "\\" + kDbcs + ".txt", "x");
    SetReadOnly(root + "\\" + kDbcs + "\\" + kDbcs + ".txt");

    EXPECT_TRUE(util::DeleteFolderTree(root.c_str()));
    EXPECT_FALSE(Exists(root));
    EXPECT_TRUE(ListNames(dir.Path()).empty());
}

TEST_F(FileUtilMbcs, ShellPathKeepsWholeNames) {
    TempDir dir;
    std::string file = dir / (kDbcs + ".txt");
    CreateExactFile(file, "x");
    char full[MAX_PATH];
    ASSERT_TRUE(util::GetShellFileSystemPath(file.c_str(), full));
    EXPECT_EQ(lstrcmpiA(full, file.c_str()), 0);
}

TEST_F(FileUtilMbcs, WildcardNeverMatchesInsideACharacter) {
    const WildcardCase cases[] = {
        {"*\\*", "\x95\x5C.TXT", false},            // the only 0x5C is a trail byte
        {"*\\.TXT", "\x95\x5C.TXT", false},         // likewise
        {"\x95\x5C*", "\x95\x5C.TXT", true},        // a double-byte literal prefix
        {"*\x95\x5C*", "A\x95\x5C\x95\x5C", true},  // a double-byte literal inside
        {"*.TXT", "\x95\x5C.TXT", true},            // a plain suffix after one
        {"*\\*", "\x95\x5C\\", true},               // a real backslash after one
    };
    for (const WildcardCase& c : cases)
        EXPECT_EQ(util::MatchWildcard(c.pattern, c.name) != FALSE, c.matches)
            << "case " << (&c - cases);
}

// ---- Files held for a moment by another program ----

// Holds path open without sharing (as a virus scanner may) until holdMs have passed.
class Holder {
public:
    Holder(const std::string& path, DWORD holdMs)
        : m_handle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)),
          m_thread([this, holdMs] {
              Sleep(holdMs);
              m_handle.Reset();
          }) {}
    ~Holder() { m_thread.join(); }
    bool Holding() const { return static_cast<bool>(m_handle); }

private:
    fw::CHandle m_handle;
    std::thread m_thread;
};

TEST(SharingRetry, CopiesAndDeletesWaitOutAMomentButNotLonger) {
    testutil::TempDir dir;
    const std::string source = dir / "held.txt";
    const struct {
        const char* what;
        DWORD holdMs;
        bool done;
    } cases[] = {
        {"held a moment", 300, true},
        {"held for good", 4000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testutil::WriteFile(source, "payload");
        const std::string copy = dir / "copy.txt";
        DeleteFileA(copy.c_str());
        {
            Holder holder(source, c.holdMs);
            ASSERT_TRUE(holder.Holding());
            DWORD start = GetTickCount();
            EXPECT_EQ(fw::CopyFileRetrying(source.c_str(), copy.c_str(), FALSE) != FALSE, c.done);
            if (!c.done) {
                EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
                // About a second of trying, not the whole time the file is held.
                EXPECT_LT(GetTickCount() - start, 3000u);
            }
            EXPECT_EQ(fw::DeleteFileRetrying(source.c_str()) != FALSE, c.done);
        }
        EXPECT_EQ(testutil::Exists(copy), c.done);
        EXPECT_EQ(testutil::Exists(source), !c.done);
    }
    // Failures of another kind are not tried again.
    DWORD start = GetTickCount();
    EXPECT_FALSE(fw::CopyFileRetrying((dir / "missing.txt").c_str(), (dir / "x.txt").c_str(), FALSE));
    EXPECT_LT(GetTickCount() - start, 500u);
}

}  // namespace
