// The list's rows without a window: the column set, each cell's text and the sort orders.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "store/BrennaItem.h"

namespace view {

enum ColumnIndex : int {
    kColName = 0,
    kColLocation = 1,
    kColSave = 2,
    kColBrn = 3,
    kColSize = 4,
    kColType = 5,
    kColUpdate = 6,
    kColDescription = 7,
};

inline constexpr int kColumnCount = 8;

enum class Align { left, right };

struct ColumnInfo {
    UINT headingId;  // string table id of the heading
    Align align;
    int defaultWidth;  // pixels, when no width is stored
};

// The eight columns by index (= subitem number = insertion order).
extern const std::array<ColumnInfo, kColumnCount> kColumns;

// The source path after its last backslash; the whole path when it has none.
std::string NameText(const CBrennaItem& item);
// The source path before its last backslash; empty when it has none.
std::string LocationText(const CBrennaItem& item);
// The evacuation time in local time.
std::string SaveText(const CBrennaItem& item);
// The generation number of a backup-run item; empty for an ordinary item.
std::string BrnText(const CBrennaItem& item);
// A byte count in B, KB, MB or GB, rounded to the nearest whole unit (halves up).
std::string SizeText(DWORD size);
// The registered name of the item's type, or "XYZ File", "File" or "File Folder".
std::string TypeText(const CBrennaItem& item);
// The last write time of a file item's copy; empty for a folder.
std::string UpdateText(const CBrennaItem& item);

// Fills item.m_typeText with TypeText(item) unless it already holds a text; returns it.
const std::string& EnsureTypeText(CBrennaItem& item);

// The text of one cell. Size opens the item's copy; Type is filled into the item once. A column
// outside 0-7 gives an empty text.
std::string CellText(CBrennaItem& item, int column);

// Three-way comparison of two items by column (negative: a goes first). Folders and files are
// kept apart unless sortAny (except by Size); descending is ascending with the items swapped.
// Type compares the items' stored type texts, so fill them first (EnsureTypeText). Size reads
// both copies' sizes at each call. A column outside 0-7 compares as 0.
int Compare(int column, const CBrennaItem& a, const CBrennaItem& b, bool ascending, bool sortAny);

// Sorts rows as Compare orders them, keeping equal rows in their order. Each row's key is read
// once per sort (a Size sort opens every copy once); empty type texts are filled for a Type
// sort. A column outside 0-7 sorts by column 0.
void SortRows(std::vector<CBrennaItem*>& rows, int column, bool ascending, bool sortAny);

}  // namespace view
