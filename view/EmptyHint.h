// The first-run hint that an empty list shows in its middle.
#pragma once

#include <windows.h>

namespace view {

// Draws the hint (IDS_EMPTY_LIST_HINT) centred in the part of list's client area below its
// header, in the list's font and the grey of disabled text, over what is painted there.
void DrawEmptyHint(HWND list);

// Handles the list messages that concern the hint: paints it after the list when there are no
// rows, and repaints the whole list when rows come or go or the size changes while it is empty
// (the list itself repaints only what changed). Returns the list's own answer to the message.
LRESULT EmptyHintMessage(HWND list, UINT msg, WPARAM wp, LPARAM lp,
                         LRESULT(WINAPI* next)(HWND, UINT, WPARAM, LPARAM));

}  // namespace view
