// The list view's stored state in a real INI file and under a real registry key.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "fw/Profile.h"
#include "view/ViewState.h"

using testutil::TempDir;

namespace {

enum class Store { ini, registry };

using Widths = std::array<int, view::kColumnCount>;
constexpr Widths kDefaults = {100, 300, 100, 40, 80, 100, 100, 200};

std::string WidthKey(int index) {
    char key[32];
    wsprintfA(key, "columnwidth_%d", index);
    return key;
}

// The profile under test, and raw access to its storage as another program version would have
// left it.
class ViewStateTest : public testing::TestWithParam<Store> {
protected:
    void SetUp() override {
        if (GetParam() == Store::ini) {
            m_ini = m_dir / "Brenna.ini";
            m_profile.UseIniFile(m_ini);
        } else {
            m_app = "ViewState" + std::to_string(GetCurrentProcessId()) + "_" +
                    std::to_string(GetTickCount());
            m_profile.UseRegistry("BrennaTests", m_app);
        }
    }
    void TearDown() override {
        if (GetParam() == Store::registry) {
            RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\BrennaTests\\" + m_app).c_str());
            // Removed only when no other test process still has a key under it.
            RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\BrennaTests");
        }
    }

    std::string SettingsKey() const { return "Software\\BrennaTests\\" + m_app + "\\Settings"; }

    void Put(const char* key, int value) {
        if (GetParam() == Store::ini) {
            ASSERT_TRUE(WritePrivateProfileStringA("Settings", key, std::to_string(value).c_str(),
                                                   m_ini.c_str()));
            return;
        }
        HKEY h;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey().c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        DWORD v = static_cast<DWORD>(value);
        RegSetValueExA(h, key, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
        RegCloseKey(h);
    }

    // The stored value, or -12345 when the key is absent.
    int Raw(const char* key) const {
        if (GetParam() == Store::ini)
            return static_cast<int>(GetPrivateProfileIntA("Settings", key, -12345, m_ini.c_str()));
        DWORD v = 0, size = sizeof v;
        if (RegGetValueA(HKEY_CURRENT_USER, SettingsKey().c_str(), key, RRF_RT_REG_DWORD, nullptr,
                         &v, &size) != ERROR_SUCCESS)
            return -12345;
        return static_cast<int>(v);
    }

    // Widths 0-6 as the seven-column layout stored them (index 3 was Size).
    void PutOldLayout() {
        for (int i = 0; i < 7; ++i) Put(WidthKey(i).c_str(), 11 + i);
    }

    std::pair<int, bool> Sort() const {
        int column = -99;
        bool ascending = false;
        view::ReadSort(m_profile, column, ascending);
        return {column, ascending};
    }

    TempDir m_dir;
    std::string m_ini;
    std::string m_app;
    fw::CProfile m_profile;
};

}  // namespace

TEST_P(ViewStateTest, FirstRunDefaults) {
    EXPECT_EQ(view::ReadColumnWidths(m_profile), kDefaults);
    EXPECT_EQ(Sort(), std::make_pair(0, true));
    EXPECT_EQ(view::ReadStyle(m_profile), 1);
}

TEST_P(ViewStateTest, OlderLayoutMovesWidthsAndSortIndexOnePlaceRight) {
    PutOldLayout();
    Put("sortindex", 3);
    Put("sortasc", 0);
    const Widths moved = {11, 12, 13, 40, 14, 15, 16, 17};
    EXPECT_EQ(view::ReadColumnWidths(m_profile), moved);
    EXPECT_EQ(Sort(), std::make_pair(int{view::kColSize}, false));

    // At exit all eight widths go out with the new layout version; read back unchanged.
    view::WriteViewState(m_profile, moved, view::kColSize, false, 1);
    EXPECT_EQ(Raw("colver"), 2);
    EXPECT_EQ(Raw("columnwidth_3"), 40);
    EXPECT_EQ(Raw("columnwidth_7"), 17);
    EXPECT_EQ(view::ReadColumnWidths(m_profile), moved);
    EXPECT_EQ(Sort(), std::make_pair(int{view::kColSize}, false));
}

TEST_P(ViewStateTest, OlderLayoutNeverReadsTheBrnWidth) {
    Put("columnwidth_3", 77);
    Put("columnwidth_7", 99);
    Put("colver", 1);
    const Widths expected = {100, 300, 100, 40, 77, 100, 100, 200};
    EXPECT_EQ(view::ReadColumnWidths(m_profile), expected);
}

TEST_P(ViewStateTest, SortIndexByLayout) {
    struct Case {
        int colver;  // 0: no "colver" stored
        int sortindex;
        int column;
    } cases[] = {
        {0, 0, 0}, {0, 2, 2}, {0, 3, 4}, {0, 6, 7}, {0, 7, 0},  {0, -1, 0},
        {1, 5, 6}, {2, 3, 3}, {2, 7, 7}, {2, 8, 0}, {2, -1, 0}, {3, 4, 4},
    };
    for (const Case& c : cases) {
        if (c.colver) Put("colver", c.colver);
        Put("sortindex", c.sortindex);
        EXPECT_EQ(Sort().first, c.column) << "colver " << c.colver << " index " << c.sortindex;
    }
}

TEST_P(ViewStateTest, AnyNonzeroSortascIsAscending) {
    for (auto [stored, ascending] :
         {std::pair{0, false}, std::pair{1, true}, std::pair{5, true}, std::pair{-1, true}}) {
        Put("sortasc", stored);
        EXPECT_EQ(Sort().second, ascending) << stored;
    }
}

TEST_P(ViewStateTest, ZeroWidthRoundTrip) {
    const Widths narrowed = {0, 300, 100, 0, 80, 100, 100, 0};
    view::WriteViewState(m_profile, narrowed, 7, true, 1);
    EXPECT_EQ(Raw("columnwidth_0"), 0);
    EXPECT_EQ(view::ReadColumnWidths(m_profile), narrowed);
    EXPECT_EQ(Sort(), std::make_pair(7, true));
}

TEST_P(ViewStateTest, StyleKeepsItsTwoLowBits) {
    for (auto [stored, style] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{3, 3}, std::pair{4, 0},
                                 std::pair{6, 2}, std::pair{7, 3}}) {
        Put("style", stored);
        EXPECT_EQ(view::ReadStyle(m_profile), style) << stored;
    }
    // Closing in the list style and reopening gives the list style.
    view::WriteViewState(m_profile, kDefaults, 0, true, 3);
    EXPECT_EQ(Raw("style"), 3);
    EXPECT_EQ(view::ReadStyle(m_profile), 3);
}

TEST_P(ViewStateTest, WritesOnlyTheHeaderItemsPresent) {
    std::vector<int> widths = {10, 20, 30, 40, 50};
    view::WriteViewState(m_profile, widths, 2, false, 0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Raw(WidthKey(i).c_str()), widths[i]);
    for (int i = 5; i < 8; ++i) EXPECT_EQ(Raw(WidthKey(i).c_str()), -12345);
    EXPECT_EQ(Raw("sortasc"), 0);
    EXPECT_EQ(Raw("sortindex"), 2);
    EXPECT_EQ(Raw("colver"), 2);
    EXPECT_EQ(Raw("style"), 0);
    const Widths read = {10, 20, 30, 40, 50, 100, 100, 200};
    EXPECT_EQ(view::ReadColumnWidths(m_profile), read);
}

INSTANTIATE_TEST_SUITE_P(ViewState, ViewStateTest, testing::Values(Store::ini, Store::registry),
                         [](const testing::TestParamInfo<Store>& info) {
                             return info.param == Store::ini ? "Ini" : "Registry";
                         });

TEST(ViewState, WritesKeysInOrderUnderSettings) {
    TempDir dir;
    std::string ini = dir / "Brenna.ini";
    fw::CProfile profile;
    profile.UseIniFile(ini);
    view::WriteViewState(profile, kDefaults, 4, true, 2);
    std::string text = testutil::ReadFile(ini);
    ASSERT_EQ(text.find("[Settings]"), 0u) << text;
    size_t at = 0;
    for (const char* line :
         {"columnwidth_0=100", "columnwidth_1=300", "columnwidth_2=100", "columnwidth_3=40",
          "columnwidth_4=80", "columnwidth_5=100", "columnwidth_6=100", "columnwidth_7=200",
          "sortasc=1", "sortindex=4", "colver=2", "style=2"}) {
        size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " in order in\n" << text;
        at = found + 1;
    }
}
