// The list's three backup definition commands: create, modify, and re-create from history.
#pragma once

#include <windows.h>

#include <functional>

class CBrennaItem;

namespace view {

// Whether command id (ID_BRN_CREATE, ID_BRN_OPEN or ID_BRN_RESTORE) is enabled: all three need
// the "brnfile" setting; re-creation also needs exactly one selected row whose item (selected,
// may be null) is a backup-run item. Any other id gives false.
bool IsDefinitionCommandEnabled(UINT id, bool brnFile, int selectedCount,
                                const CBrennaItem* selected);

// ID_BRN_CREATE: the definition dialog, empty; the file is named at OK. help, when set, is
// called with the dialog's help topic on F1. True when a definition file was written.
bool CreateDefinition(HWND owner, const std::function<void(DWORD topic)>& help = {});

// ID_BRN_OPEN: a definition file chosen in the Open dialog, then the dialog filled from it.
// True when the file was rewritten.
bool ModifyDefinition(HWND owner, const std::function<void(DWORD topic)>& help = {});

// ID_BRN_RESTORE: writes the definition with which the backup-run item's run was made to a
// file chosen in the Save As dialog. Failures are shown to the user; true when written.
bool RecreateDefinition(HWND owner, const CBrennaItem& item);

}  // namespace view
