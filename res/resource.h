// Resource ids shared by the program, its resources and the tests.
#pragma once

#include "string_ids.h"

// Menu bar, accelerators, toolbar and document template; the program icon.
#define IDR_MAINFRAME 128
#define IDI_BRENNAHOLD 128
// The toolbar's button images (layout in toolbar.h).
#define IDB_TOOLBAR 128
// Context menu of the item list: one popup.
#define IDR_CONTEXT_MENU 132
// Sort marks of the list header: an up and a down arrow, 7 pixels wide each.
#define IDB_SORT_ARROWS 130

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_PROPERTY 131
#define IDD_SETTING 133
#define IDD_FIND_INI 134
#define IDD_EXT_REPOSITORY 135
#define IDD_BRN_FILE 136
#define IDD_CHECK 137

// Commands of the program; each has its prompt in the string table under the same number.
#define ID_FILE_PROPERTY 32771
#define ID_FILE_WRITE 32772
#define ID_FILE_DELETE 32773
#define ID_EDIT_SETTING 32774
#define ID_FILE_RESTORE 32775
#define ID_EDIT_SELECT_ALL 32776
#define ID_SORT_ASCENDING 32778
#define ID_SORT_DESCENDING 32780
#define ID_HELP_ORVANE_HOMEPAGE 32781
#define ID_HELP_BRENNAHOLD_HOMEPAGE 32782
#define ID_HELP_QUILLON 32783
#define ID_FILE_EXTERNAL_REPOSITORY 32784
#define ID_BRN_CREATE 32785
#define ID_BRN_OPEN 32786
#define ID_BRN_RESTORE 32787
#define ID_FILE_CHECK 32788

// Items of the extension's submenu: extension item n has command ID_QUILLON_ITEM_FIRST + n.
#define ID_QUILLON_ITEM_FIRST 18
#define ID_QUILLON_ITEM_LAST 32766

// Standard commands, with the numbers Windows frameworks give them.
#define ID_EDIT_COPY 57634
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP_FINDER 57667
#define ID_CONTEXT_HELP 57669
#define ID_HELP 57670
#define ID_DEFAULT_HELP 57671
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393
#define ID_VIEW_SMALLICON 59408
#define ID_VIEW_LARGEICON 59409
#define ID_VIEW_LIST 59410
#define ID_VIEW_DETAILS 59411
#define ID_VIEW_LINEUP 59412
#define ID_VIEW_BYNAME 59413

// Bars and the view inside the frame, with the numbers Windows frameworks give them.
#define IDW_TOOLBAR 0xE800
#define IDW_STATUS_BAR 0xE801
#define IDW_PANE_FIRST 0xE900

// Help ids: a command's id plus HID_BASE_COMMAND, a window's resource id plus HID_BASE_RESOURCE,
// the frame's border and caption HID_BASE_NONCLIENT, a control HID_BASE_CONTROL.
#define HID_BASE_COMMAND 0x10000
#define HID_BASE_RESOURCE 0x20000
#define HID_BASE_NONCLIENT 0x40000
#define HID_BASE_CONTROL 0x50000

// Topics of the compiled help file.
#define HELP_TOPIC_QUILLON_HELP 0x10011
#define HELP_TOPIC_QUILLON 0x10012
#define HELP_TOPIC_CONTENTS 0x10013
#define HELP_TOPIC_WINDOW 0x10014
#define HELP_TOPIC_NONCLIENT 0x10015
#define HELP_TOPIC_BARS 0x10016
#define HELP_TOPIC_ITEMS 0x10017
#define HELP_TOPIC_CLIPBOARD 0x10018
#define HELP_TOPIC_SETTINGS 0x10019
#define HELP_TOPIC_VIEW 0x10020
#define HELP_TOPIC_EXT_REPOSITORY 0x10021
#define HELP_TOPIC_BACKUP_DEFINITION 0x10022
#define HELP_TOPIC_ORVANE_HOMEPAGE 0x10023
#define HELP_TOPIC_BRENNAHOLD_HOMEPAGE 0x10024
#define HELP_TOPIC_FINDER 0x10025
#define HELP_TOPIC_ABOUT 0x10026

// The program's private window messages.
// To the frame: bring the window to the front (sent by the watcher thread).
#define WM_BRING_TO_FRONT (WM_USER + 4)
// To the frame: restore the saved window and bar placement (sent by the list at its first update).
#define WM_RESTORE_PLACEMENT (WM_USER + 5)
// To the list: the property dialog stored a description; wParam is the row, -1 the first selected.
#define WM_DESCRIPTION_CHANGED (WM_USER + 6)

// Controls; the prefix names the dialog.
#define IDC_STATIC (-1)
#define IDC_PROP_ICON 1001
#define IDC_PROP_SIZE 1002
#define IDC_PROP_SAVED 1003
#define IDC_PROP_UPDATE 1004
#define IDC_PROP_READONLY 1005
#define IDC_PROP_HIDDEN 1006
#define IDC_PROP_ARCHIVE 1007
#define IDC_PROP_COMPRESSED 1008
#define IDC_PROP_ENCRYPTED 1009
#define IDC_PROP_DESCRIPTION 1010
#define IDC_PROP_APPLY 1011
#define IDC_PROP_TYPE 1012
#define IDC_PROP_LOCATION 1013
#define IDC_PROP_NAME 1014
#define IDC_SET_ASKALWAYS 1015
#define IDC_SET_SORTANY 1016
#define IDC_FINDINI_PATH 1017
#define IDC_FINDINI_DRIVES 1018
#define IDC_EXT_SHORTCUT 1019
#define IDC_EXT_NAME 1020
#define IDC_EXT_NOTHING 1021
#define IDC_EXT_COPY 1022
#define IDC_EXT_MOVE 1023
#define IDC_EXT_DIRECTORY 1024
#define IDC_EXT_BROWSE 1025
#define IDC_EXT_NAME_LABEL 1026
#define IDC_ABOUT_EXTENSION 1027
#define IDC_SET_BRNFILE 1028
#define IDC_BRN_FOLDER 1029
#define IDC_BRN_EXCLUSIONS 1030
#define IDC_CHECK_REPORT 1031
#define IDC_CHECK_RECOVER 1032
#define IDD_PROGRESS 138
#define IDC_PROGRESS_STAGE 1033
#define IDC_PROGRESS_FILE 1034
#define IDC_PROGRESS_COUNTS 1035
#define IDC_PROGRESS_BAR 1036
// The backup definition dialog shares these two numbers with the dialogs above.
#define IDC_BRN_TARGET 1014
#define IDC_BRN_BROWSE 1025
