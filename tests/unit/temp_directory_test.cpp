// Tests of the repository's scratch folder on the real registry and real folders.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "fw/Profile.h"
#include "store/TempDirectory.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

using testutil::Exists;
using testutil::IsDir;
using testutil::TempDir;

namespace {

constexpr char kApp[] = "TempDirectory";

struct RegValue {
    DWORD type = 0;
    std::string data;
};

std::string GuidName(const GUID& id) {
    wchar_t wide[40];
    char name[40];
    StringFromGUID2(id, wide, 40);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, name, sizeof name, nullptr, nullptr);
    return name;
}

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }

// The names this platform gives temporary files made with the prefix "br": br<hex>.tmp.
bool IsTempFileName(const std::string& name) {
    if (name.size() < 7 || name.size() > 10) return false;
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), 2, "br", 2) != CSTR_EQUAL ||
        lstrcmpiA(name.c_str() + name.size() - 4, ".tmp") != 0)
        return false;
    return std::all_of(name.begin() + 2, name.end() - 4,
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// The user's temporary-files folder in its long form, without the closing backslash.
std::string LongTempFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = temp;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    char full[MAX_PATH];
    return util::GetShellFileSystemPath(folder.c_str(), full) ? full : folder;
}

}  // namespace

// Each test gets its own registry key HKCU\Software\<unique>\TempDirectory for the settings and
// the path table, removed at the end with every folder the objects made.
class TempDirectory : public testing::Test {
protected:
    void SetUp() override {
        static LONG counter = 0;
        wsprintfA(m_company, "BrennaTest_%lu_%ld_%lu", GetCurrentProcessId(),
                  InterlockedIncrement(&counter), GetTickCount());
        m_profile.UseRegistry(m_company, kApp);
    }
    void TearDown() override {
        for (const auto& [name, value] : TableValues())
            if (value.type == REG_SZ) Forget(value.data.c_str());
        for (const auto& path : m_made) testutil::RemoveTree(path);
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\") + m_company).c_str());
    }

    // A new object on the test profile after Initialize; its folder is removed at the end.
    std::unique_ptr<CBrnTempDirectory> Start() {
        auto dir = std::make_unique<CBrnTempDirectory>(m_profile, m_company, kApp);
        EXPECT_TRUE(dir->Initialize());
        Forget(dir->GetPath());
        return dir;
    }
    void Forget(const char* path) {
        // Only folders the platform's temporary-file naming made are ours to remove.
        if (path[0] && IsTempFileName(util::NameOf(path))) m_made.push_back(path);
    }

    std::string SettingsKey() const {
        return std::string("Software\\") + m_company + "\\" + kApp + "\\Settings";
    }
    std::string TableKey() const {
        return std::string("Software\\") + m_company + "\\" + kApp + "\\tempdir";
    }

    static bool ReadValue(const std::string& key, const char* name, RegValue& out) {
        HKEY h;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
            return false;
        char buf[4096];
        DWORD size = sizeof buf;
        LONG r = RegQueryValueExA(h, name, nullptr, &out.type, reinterpret_cast<BYTE*>(buf), &size);
        RegCloseKey(h);
        if (r != ERROR_SUCCESS) return false;
        out.data.assign(buf, size);
        return true;
    }
    static void SetValue(const std::string& key, const char* name, DWORD type, const void* data,
                         DWORD size) {
        HKEY h;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(h, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
        RegCloseKey(h);
    }
    static void DeleteValue(const std::string& key, const char* name) {
        HKEY h;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &h),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegDeleteValueA(h, name), ERROR_SUCCESS);
        RegCloseKey(h);
    }

    std::map<std::string, RegValue> TableValues() const {
        std::map<std::string, RegValue> values;
        HKEY h;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, TableKey().c_str(), 0, KEY_QUERY_VALUE, &h) !=
            ERROR_SUCCESS)
            return values;
        for (DWORD i = 0;; ++i) {
            char name[256];
            char data[4096];
            DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
            if (RegEnumValueA(h, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                              &dataSize) != ERROR_SUCCESS)
                break;
            // Strings as the program reads them: up to their terminator.
            std::string text(data, dataSize);
            if (type == REG_SZ) text = text.c_str();
            values[name] = {type, text};
        }
        RegCloseKey(h);
        return values;
    }

    // The settings entry must hold exactly this identifier as 16 raw bytes.
    void ExpectStoredIdentifier(const GUID& id) const {
        RegValue v;
        ASSERT_TRUE(ReadValue(SettingsKey(), "tempdir", v));
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_BINARY));
        ASSERT_EQ(v.data.size(), sizeof(GUID));
        EXPECT_EQ(std::memcmp(v.data.data(), &id, sizeof id), 0);
    }
    // The table must hold one value: the identifier's string form naming the folder.
    void ExpectOnlyTableValue(const CBrnTempDirectory& dir) const {
        auto values = TableValues();
        ASSERT_EQ(values.size(), 1u);
        EXPECT_EQ(values.begin()->first, GuidName(dir.GetIdentifier()));
        EXPECT_EQ(values.begin()->second.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(values.begin()->second.data, dir.GetPath());
    }

    char m_company[64];
    fw::CProfile m_profile;
    std::vector<std::string> m_made;
};

TEST_F(TempDirectory, FirstStartMakesFolderAndRecordsIt) {
    auto dir = Start();
    std::string path = dir->GetPath();
    EXPECT_TRUE(IsDir(path)) << path;
    EXPECT_TRUE(IsTempFileName(util::NameOf(path))) << path;
    EXPECT_EQ(lstrcmpiA(Parent(path).c_str(), LongTempFolder().c_str()), 0) << path;
    EXPECT_EQ(GuidName(dir->GetIdentifier()).size(), 38u);
    ExpectStoredIdentifier(dir->GetIdentifier());
    ExpectOnlyTableValue(*dir);
}

TEST_F(TempDirectory, SecondStartFindsTheSameFolder) {
    auto first = Start();
    testutil::WriteFile(std::string(first->GetPath()) + "\\kept.txt", "prepared");
    auto second = Start();
    EXPECT_TRUE(IsEqualGUID(second->GetIdentifier(), first->GetIdentifier()));
    EXPECT_STREQ(second->GetPath(), first->GetPath());
    ExpectOnlyTableValue(*second);
    // Starting never clears what the last copy prepared.
    EXPECT_EQ(testutil::ReadFile(std::string(second->GetPath()) + "\\kept.txt"), "prepared");
}

TEST_F(TempDirectory, LostTableValueGetsNewFolderUnderSameIdentifier) {
    auto first = Start();
    DeleteValue(TableKey(), GuidName(first->GetIdentifier()).c_str());
    auto second = Start();
    EXPECT_TRUE(IsEqualGUID(second->GetIdentifier(), first->GetIdentifier()));
    EXPECT_STRNE(second->GetPath(), first->GetPath());
    EXPECT_TRUE(IsDir(second->GetPath()));
    ExpectOnlyTableValue(*second);
    ExpectStoredIdentifier(first->GetIdentifier());
}

TEST_F(TempDirectory, RemovedFolderIsMadeAgain) {
    auto first = Start();
    testutil::WriteFile(std::string(first->GetPath()) + "\\sub\\a.txt", "x");
    testutil::RemoveTree(first->GetPath());
    ASSERT_FALSE(Exists(first->GetPath()));
    auto second = Start();
    EXPECT_STREQ(second->GetPath(), first->GetPath());
    EXPECT_TRUE(IsDir(second->GetPath()));
}

TEST_F(TempDirectory, StoredIdentifierWithoutTableValueIsKept) {
    const GUID id = {0x3C1D2E4F, 0x1122, 0x3344, {0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC}};
    SetValue(SettingsKey(), "tempdir", REG_BINARY, &id, sizeof id);
    auto dir = Start();
    EXPECT_TRUE(IsEqualGUID(dir->GetIdentifier(), id));
    EXPECT_EQ(GuidName(id), "{3C1D2E4F-1122-3344-5566-778899AABBCC}");
    ExpectOnlyTableValue(*dir);
    EXPECT_TRUE(IsDir(dir->GetPath()));
}

TEST_F(TempDirectory, DamagedIdentifierIsReplaced) {
    // Sixteen bytes with its terminator, so that only the type tells it from an identifier.
    const char text[] = "123456789abcdef";
    const std::string big(4096, 'x');
    const DWORD dword = 7;
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
    } cases[] = {
        {"15 bytes", REG_BINARY, big.data(), 15},
        {"17 bytes", REG_BINARY, big.data(), 17},
        {"no bytes", REG_BINARY, big.data(), 0},
        {"4096 bytes", REG_BINARY, big.data(), 4096},
        {"a string of 16 bytes", REG_SZ, text, sizeof text},
        {"a number", REG_DWORD, &dword, sizeof dword},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\") + m_company).c_str());
        SetValue(SettingsKey(), "tempdir", c.type, c.data, c.size);
        auto dir = Start();
        ExpectStoredIdentifier(dir->GetIdentifier());
        EXPECT_NE(std::memcmp(&dir->GetIdentifier(), text, sizeof(GUID)), 0);
        ExpectOnlyTableValue(*dir);
        EXPECT_TRUE(IsDir(dir->GetPath()));
        // The replacement is what the next start finds.
        auto again = Start();
        EXPECT_TRUE(IsEqualGUID(again->GetIdentifier(), dir->GetIdentifier()));
        EXPECT_STREQ(again->GetPath(), dir->GetPath());
    }
}

TEST_F(TempDirectory, DamagedTableValueIsReplaced) {
    TempDir base;
    const std::string folder = base / "scratch";
    const std::string tooLong = "C:\\" + std::string(300, 'a');
    // Without a terminator (the registry adds one itself when the byte after the data is zero):
    // a buffer's worth, which reading must not run past, and a short one.
    const std::string unterminated = "C:\\" + std::string(MAX_PATH - 2, 'b');
    const std::string shortUnterminated = folder + "x";
    const DWORD dword = 7;
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
    } cases[] = {
        {"binary", REG_BINARY, folder.c_str(), static_cast<DWORD>(folder.size() + 1)},
        {"expandable", REG_EXPAND_SZ, folder.c_str(), static_cast<DWORD>(folder.size() + 1)},
        {"number", REG_DWORD, &dword, sizeof dword},
        {"longer than a path", REG_SZ, tooLong.c_str(), static_cast<DWORD>(tooLong.size() + 1)},
        {"not terminated", REG_SZ, unterminated.data(), MAX_PATH},
        {"short, not terminated", REG_SZ, shortUnterminated.data(),
         static_cast<DWORD>(folder.size())},
        {"empty", REG_SZ, "", 1},
        {"relative", REG_SZ, "scratch\\folder", 15},
        {"a drive root", REG_SZ, "C:\\", 4},
    };
    auto first = Start();
    const std::string name = GuidName(first->GetIdentifier());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetValue(TableKey(), name.c_str(), c.type, c.data, c.size);
        auto dir = Start();
        EXPECT_TRUE(IsEqualGUID(dir->GetIdentifier(), first->GetIdentifier()));
        EXPECT_TRUE(IsTempFileName(util::NameOf(dir->GetPath()))) << dir->GetPath();
        EXPECT_TRUE(IsDir(dir->GetPath()));
        ExpectOnlyTableValue(*dir);
    }
    EXPECT_FALSE(Exists(folder));
}

TEST_F(TempDirectory, RecordedFolderIsUsedAsItIs) {
    TempDir base;
    auto first = Start();
    const std::string name = GuidName(first->GetIdentifier());
    const std::string folder = base / "scratch";
    SetValue(TableKey(), name.c_str(), REG_SZ, folder.c_str(),
             static_cast<DWORD>(folder.size() + 1));
    auto dir = Start();
    EXPECT_EQ(dir->GetPath(), folder);
    EXPECT_TRUE(IsDir(folder));

    // The longest path that fits is taken as it is; emptying it refuses rather than overflow.
    const std::string longest =
        base.Path() + "\\" + std::string(MAX_PATH - 2 - base.Path().size(), 'c');
    ASSERT_EQ(longest.size(), static_cast<size_t>(MAX_PATH - 1));
    SetValue(TableKey(), name.c_str(), REG_SZ, longest.c_str(),
             static_cast<DWORD>(longest.size() + 1));
    auto edge = Start();
    EXPECT_EQ(edge->GetPath(), longest);
    EXPECT_FALSE(edge->Empty());
}

TEST_F(TempDirectory, IniProfileKeepsIdentifierAsLetters) {
    TempDir base;
    const std::string ini = base / "Brenna.ini";
    m_profile.UseIniFile(ini);
    auto first = Start();
    char text[64];
    GetPrivateProfileStringA("Settings", "tempdir", "", text, sizeof text, ini.c_str());
    ASSERT_EQ(std::strlen(text), 32u) << text;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&first->GetIdentifier());
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(text[2 * i], 'A' + (bytes[i] & 0x0F)) << i;
        EXPECT_EQ(text[2 * i + 1], 'A' + (bytes[i] >> 4)) << i;
    }
    RegValue none;
    EXPECT_FALSE(ReadValue(SettingsKey(), "tempdir", none));
    ExpectOnlyTableValue(*first);

    auto second = Start();
    EXPECT_TRUE(IsEqualGUID(second->GetIdentifier(), first->GetIdentifier()));
    EXPECT_STREQ(second->GetPath(), first->GetPath());

    // The byte 0x3C is the letters M and D.
    std::string letters = "MD" + std::string(30, 'A');
    WritePrivateProfileStringA("Settings", "tempdir", letters.c_str(), ini.c_str());
    auto chosen = Start();
    EXPECT_EQ(reinterpret_cast<const BYTE*>(&chosen->GetIdentifier())[0], 0x3C);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(&chosen->GetIdentifier())[1], 0);
}

TEST_F(TempDirectory, DamagedIniIdentifierIsReplaced) {
    TempDir base;
    const std::string ini = base / "Brenna.ini";
    m_profile.UseIniFile(ini);
    const char* cases[] = {
        "ABCD",                                // too short
        "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA",   // 33 letters
        "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAZ",    // a letter past P
        "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",    // small letters
        "0000000000000000000000000000000000",  // digits
    };
    for (const char* damaged : cases) {
        SCOPED_TRACE(damaged);
        WritePrivateProfileStringA("Settings", "tempdir", damaged, ini.c_str());
        auto dir = Start();
        char text[64];
        GetPrivateProfileStringA("Settings", "tempdir", "", text, sizeof text, ini.c_str());
        EXPECT_EQ(std::strlen(text), 32u) << text;
        EXPECT_STRNE(text, damaged);
        EXPECT_TRUE(IsDir(dir->GetPath()));
        auto again = Start();
        EXPECT_TRUE(IsEqualGUID(again->GetIdentifier(), dir->GetIdentifier()));
    }
}

TEST_F(TempDirectory, EmptyRemovesContentsAndKeepsFolder) {
    auto dir = Start();
    const std::string root = dir->GetPath();
    EXPECT_TRUE(dir->Empty());
    testutil::WriteFile(root + "\\a.txt", "a");
    testutil::WriteFile(root + "\\0000\\Target\\deep\\b.txt", "b");
    testutil::WriteFile(root + "\\0000\\Target\\locked.txt", "c");
    SetFileAttributesA((root + "\\0000\\Target\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    testutil::WriteFile(root + "\\0001\\Other\\c.txt", "c");
    SetFileAttributesA((root + "\\0001").c_str(), FILE_ATTRIBUTE_READONLY);
    testutil::WriteFile(root + "\\hidden.txt", "h");
    SetFileAttributesA((root + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);

    EXPECT_TRUE(dir->Empty());
    EXPECT_TRUE(IsDir(root));
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((root + "\\*").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<std::string> left;
    do {
        if (std::strcmp(fd.cFileName, ".") && std::strcmp(fd.cFileName, ".."))
            left.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    EXPECT_TRUE(left.empty()) << left.front();
}

TEST_F(TempDirectory, EmptyStopsAtReadOnlyFile) {
    auto dir = Start();
    const std::string root = dir->GetPath();
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e"})
        testutil::WriteFile(root + "\\" + name + (name[1] ? "" : "\\inner.txt"), name);
    ASSERT_TRUE(SetFileAttributesA((root + "\\c.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    // In listing order, the entries before the read-only file are deleted; it and the rest stay.
    std::vector<std::string> order;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((root + "\\*").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do {
        if (std::strcmp(fd.cFileName, ".") && std::strcmp(fd.cFileName, ".."))
            order.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    ASSERT_EQ(order.size(), 5u);

    EXPECT_FALSE(dir->Empty());
    bool reached = false;
    for (const auto& name : order) {
        reached = reached || name == "c.txt";
        EXPECT_EQ(Exists(root + "\\" + name), reached) << name;
    }
}

TEST_F(TempDirectory, EmptyFailsWithoutFolder) {
    CBrnTempDirectory unready(m_profile, m_company, kApp);
    EXPECT_STREQ(unready.GetPath(), "");
    EXPECT_FALSE(unready.Empty());

    auto dir = Start();
    ASSERT_TRUE(RemoveDirectoryA(dir->GetPath()));
    EXPECT_FALSE(dir->Empty());
}

TEST_F(TempDirectory, ObjectEndLeavesFolderAndRecords) {
    std::string path;
    GUID id;
    {
        auto dir = Start();
        path = dir->GetPath();
        id = dir->GetIdentifier();
        testutil::WriteFile(path + "\\0000\\Target\\a.txt", "a");
    }
    // A paste completed after the program ended still finds what was prepared.
    EXPECT_EQ(testutil::ReadFile(path + "\\0000\\Target\\a.txt"), "a");
    ExpectStoredIdentifier(id);
    auto values = TableValues();
    ASSERT_EQ(values.count(GuidName(id)), 1u);
    EXPECT_EQ(values[GuidName(id)].data, path);
}

// A folder whose name ends in a double-byte character with the trail byte 0x5C.
TEST_F(TempDirectory, MbcsTrailByteFolderIsEmptied) {
    if (!testutil::IsJapaneseCodePage()) GTEST_SKIP() << "needs code page 932";
    TempDir base;
    auto first = Start();
    const std::string folder = base / "\x95\x5C";
    SetValue(TableKey(), GuidName(first->GetIdentifier()).c_str(), REG_SZ, folder.c_str(),
             static_cast<DWORD>(folder.size() + 1));
    auto dir = Start();
    ASSERT_EQ(dir->GetPath(), folder);
    ASSERT_TRUE(IsDir(folder));
    testutil::WriteFile(folder + "\\a.txt", "a");
    testutil::WriteFile(folder + "\\0000\\\x95\x5C\\b.txt", "b");
    EXPECT_TRUE(dir->Empty());
    EXPECT_TRUE(IsDir(folder));
    EXPECT_FALSE(Exists(folder + "\\a.txt"));
    EXPECT_FALSE(Exists(folder + "\\0000"));
}
