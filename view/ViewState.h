// The list view's remembered state: column widths, sorted column and direction, list style.
#pragma once

#include <array>
#include <span>

#include "fw/Profile.h"
#include "view/RowModel.h"

namespace view {

// The width of each of the eight columns: the stored one, else the column's default. Widths
// stored by the older seven-column layout (no "BRN") are moved to their columns.
std::array<int, kColumnCount> ReadColumnWidths(const fw::CProfile& profile);

// The stored sorted column (0-7; anything else reads as 0) and direction.
void ReadSort(const fw::CProfile& profile, int& column, bool& ascending);

// The stored list style: 0 large icons, 1 details, 2 small icons, 3 list.
int ReadStyle(const fw::CProfile& profile);

// Stores the widths of the header items present (by index), the sort, the layout version and
// the list style bits, in that order.
void WriteViewState(const fw::CProfile& profile, std::span<const int> widths, int sortColumn,
                    bool ascending, int styleBits);

}  // namespace view
