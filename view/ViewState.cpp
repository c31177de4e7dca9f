// Reads and writes the list view's state in section "Settings" of the program's profile.
#include "view/ViewState.h"

#include <string>

#include "fw/Strings.h"
#include "string_ids.h"

namespace view {
namespace {

// Version 1 is the layout before "BRN" existed: seven columns, BRN's place taken by Size.
constexpr int kOldLayout = 1;
constexpr int kLayout = 2;

std::string Section() { return fw::LoadStr(IDS_SETTINGS_SECTION); }

std::string WidthKey(int index) { return fw::FormatStr(IDS_COLUMNWIDTH_FMT, index); }

bool IsOldLayout(const fw::CProfile& profile, const std::string& section) {
    return profile.GetInt(section.c_str(), "colver", kOldLayout) == kOldLayout;
}

}  // namespace

std::array<int, kColumnCount> ReadColumnWidths(const fw::CProfile& profile) {
    std::string section = Section();
    bool old = IsOldLayout(profile, section);
    std::array<int, kColumnCount> widths{};
    for (int i = 0; i < kColumnCount; ++i) {
        int def = kColumns[i].defaultWidth;
        if (old && i == kColBrn) {
            widths[i] = def;
            continue;
        }
        int keyIndex = old && i > kColBrn ? i - 1 : i;
        widths[i] =
            static_cast<int>(profile.GetInt(section.c_str(), WidthKey(keyIndex).c_str(), def));
    }
    return widths;
}

void ReadSort(const fw::CProfile& profile, int& column, bool& ascending) {
    std::string section = Section();
    ascending = profile.GetInt(section.c_str(), "sortasc", 1) != 0;
    int index = static_cast<int>(profile.GetInt(section.c_str(), "sortindex", kColName));
    if (IsOldLayout(profile, section) && index > kColSave) ++index;
    column = index >= 0 && index < kColumnCount ? index : kColName;
}

int ReadStyle(const fw::CProfile& profile) {
    UINT style = profile.GetInt(Section().c_str(), "style", 1);
    return static_cast<int>(style & 0x3);
}

void WriteViewState(const fw::CProfile& profile, std::span<const int> widths, int sortColumn,
                    bool ascending, int styleBits) {
    std::string section = Section();
    const char* s = section.c_str();
    for (size_t i = 0; i < widths.size(); ++i)
        profile.WriteInt(s, WidthKey(static_cast<int>(i)).c_str(), widths[i]);
    profile.WriteInt(s, "sortasc", ascending ? 1 : 0);
    profile.WriteInt(s, "sortindex", sortColumn);
    profile.WriteInt(s, "colver", kLayout);
    profile.WriteInt(s, "style", styleBits & 0x3);
}

}  // namespace view
