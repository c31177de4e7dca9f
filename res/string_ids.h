// String table ids: every text the program shows has one entry in each language's table.
#pragma once

// Document string of the single document template (shares its number with other resource kinds).
#define IDR_MAINFRAME_DOC 128

// Command prompts, "status text\ntooltip", kept under the command's own id so that the frame finds
// the prompt of a menu item or toolbar button from its command id alone.
#define IDS_CMD_PROPERTY 32771
#define IDS_CMD_WRITE 32772
#define IDS_CMD_DELETE 32773
#define IDS_CMD_SETTING 32774
#define IDS_CMD_RESTORE 32775
#define IDS_CMD_SELECT_ALL 32776
#define IDS_CMD_SORT_ASCENDING 32778
#define IDS_CMD_SORT_DESCENDING 32780
#define IDS_CMD_ORVANE_HOMEPAGE 32781
#define IDS_CMD_BRENNAHOLD_HOMEPAGE 32782
#define IDS_CMD_QUILLON 32783
#define IDS_CMD_EXTERNAL_REPOSITORY 32784
#define IDS_CMD_BRN_CREATE 32785
#define IDS_CMD_BRN_OPEN 32786
#define IDS_CMD_BRN_RESTORE 32787
#define IDS_CMD_CHECK 32788
#define IDS_CMD_EDIT_COPY 57634
#define IDS_CMD_EDIT_PASTE 57637
#define IDS_CMD_APP_ABOUT 57664
#define IDS_CMD_APP_EXIT 57665
#define IDS_CMD_HELP_FINDER 57667
#define IDS_CMD_CONTEXT_HELP 57669
#define IDS_CMD_HELP 57670
#define IDS_CMD_VIEW_TOOLBAR 59392
#define IDS_CMD_VIEW_STATUS_BAR 59393
#define IDS_CMD_VIEW_SMALLICON 59408
#define IDS_CMD_VIEW_LARGEICON 59409
#define IDS_CMD_VIEW_LIST 59410
#define IDS_CMD_VIEW_DETAILS 59411

// Application and status bar.
#define IDS_APP_TITLE 57344
#define IDS_STATUS_READY 57345
#define IDS_STATUS_HELP_MODE 57346
#define IDS_INDICATOR_CAPS 59137
#define IDS_INDICATOR_NUM 59138
#define IDS_INDICATOR_SCRL 59139
#define IDS_INDICATOR_KANA 59142

// Texts whose numbers are fixed; the profile key and section are stored names, never translated.
#define IDS_FILE_TYPE_SUFFIX 59400
#define IDS_FILE_FOLDER 59401
#define IDS_COLUMNWIDTH_FMT 59404
#define IDS_SETTINGS_SECTION 59405
#define IDS_FAILED_SAVE_FILE 59418
#define IDS_DECOY_TITLE 59434
#define IDS_QUILLON_HOMEPAGE 59447
#define IDS_QUILLON_HELP 59448
#define IDS_EASY_BACKUP 59461

// Restore, write-out, delete and paste, and the folder browser they share with the dialogs.
#define IDS_RESTORE_MANY 61000
#define IDS_RESTORE_ONE 61001
#define IDS_RESTORE_FAILED 61002
#define IDS_OVERWRITE_EXISTING 61003
#define IDS_FAILED_WRITE_FILE 61004
#define IDS_DELETE_MANY 61005
#define IDS_DELETE_ONE 61006
#define IDS_DELETE_FAILED 61007
#define IDS_PASTE_ERROR 61008
#define IDS_SELECT_FOLDER 61009
#define IDS_SYSTEM_ERROR 61010
#define IDS_PASTE_SOURCE_KEPT 61011

// Backup definitions: file dialog filters and the definition dialog's messages.
#define IDS_FILTER_BRN 61100
#define IDS_FILTER_ALL 61101
#define IDS_BRN_INVALID_NAME 61102
#define IDS_FAILED_OPEN_FILE 61103
#define IDS_SPECIFY_FILE_NAME 61104
#define IDS_FILE_NOT_EXIST 61105

// External repositories: creation and the search for a moved INI file.
#define IDS_EXT_BAD_DIRECTORY 61200
#define IDS_EXT_CREATE_DIRECTORY 61201
#define IDS_EXT_DIRECTORY_FAILED 61202
#define IDS_EXT_INI_FAILED 61203
#define IDS_EXT_SET_SHORTCUT_NAME 61204
#define IDS_EXT_SHORTCUT_EXISTS 61205
#define IDS_EXT_COPY_FAILED 61206
#define IDS_EXT_SHORTCUT_FAILED 61207
#define IDS_EXT_NOT_COPIED 61208
#define IDS_INI_NOT_FOUND 61210
#define IDS_FINDINI_CHOOSE_DRIVE 61211

// List view: column headings in column order (IDS_COL_NAME + column index), then the size texts
// in unit order (bytes, KB, MB, GB).
#define IDS_COL_NAME 61300
#define IDS_COL_LOCATION 61301
#define IDS_COL_SAVE 61302
#define IDS_COL_BRN 61303
#define IDS_COL_SIZE 61304
#define IDS_COL_TYPE 61305
#define IDS_COL_UPDATE 61306
#define IDS_COL_DESCRIPTION 61307
#define IDS_SIZE_BYTES 61310
#define IDS_SIZE_KB 61311
#define IDS_SIZE_MB 61312
#define IDS_SIZE_GB 61313

// Property dialog and about box.
#define IDS_PROPERTY_SIZE 61400
#define IDS_EXTENSION_ON 61401
#define IDS_EXTENSION_OFF 61402

// Extension item menu.
#define IDS_QUILLON_ITEMS 61500
#define IDS_QUILLON_ITEM_FAILED 61501

// Standard messages of the framework-style errors and of catalogue loading.
#define IDS_ERR_END_OF_FILE 61700
#define IDS_ERR_BAD_FORMAT 61701
#define IDS_ERR_DAMAGED 61702
#define IDS_ERR_NO_MEMORY 61703
#define IDS_ERR_FILE_NOT_FOUND 61704
#define IDS_ERR_FILE_GENERIC 61705
#define IDS_ERR_DISK_FULL 61706
#define IDS_ERR_ACCESS_DENIED 61707
#define IDS_MISSING_COPIES 61710
#define IDS_CATALOGUE_DAMAGED 61711
#define IDS_CATALOGUE_KEPT 61712
// A reading or writing error, then the file it concerns.
#define IDS_FAULT_IN_FILE 61713
#define IDS_DAMAGED_HISTORIES 61714
#define IDS_CATALOGUE_NOT_SAVED_KEPT 61715

// Backup run.
#define IDS_NO_FILES_ADDED 61720
#define IDS_RUN_HISTORY_DAMAGED 61721

// The repository check: its report lines, why it could not run, and recovery.
#define IDS_CHECK_TITLE 61730
#define IDS_CHECK_MISSING 61731
#define IDS_CHECK_CHANGED 61732
#define IDS_CHECK_HISTORY_DAMAGED 61733
#define IDS_CHECK_RUN_MISSING 61734
#define IDS_CHECK_HISTORY_MISSING_COPY 61735
#define IDS_CHECK_ORPHAN_FOLDER 61736
#define IDS_CHECK_ORPHAN_ENTRY 61737
#define IDS_CHECK_CLEAN 61738
#define IDS_CHECK_PROBLEMS 61739
#define IDS_CHECK_NO_REPOSITORY 61740
#define IDS_CHECK_CATALOGUE_UNREADABLE 61741
#define IDS_CHECK_LOCK_UNAVAILABLE 61742
#define IDS_CHECK_OTHER_INSTANCE 61743
#define IDS_CHECK_RECOVER_ASK 61744
#define IDS_CHECK_RECOVERED 61745

// The list's first-run hint while it has no rows.
#define IDS_EMPTY_LIST_HINT 61750
// The progress window of long operations.
#define IDS_PROGRESS_EVACUATING 61760
#define IDS_PROGRESS_RESTORING 61761
#define IDS_PROGRESS_WRITING 61762
#define IDS_PROGRESS_COPYING_REPOSITORY 61763
#define IDS_PROGRESS_LISTING 61764
#define IDS_PROGRESS_COPYING 61765
#define IDS_PROGRESS_RECORDING 61766
#define IDS_PROGRESS_COUNTS 61767
#define IDS_PROGRESS_FILE_COUNTS 61768
#define IDS_PROGRESS_CANCELLING 61769
#define IDS_WRITE_CANCELLED 61770
#define IDS_EXT_COPY_CANCELLED 61771
#define IDS_RESTORE_CANCELLED 61772
// The language of the string table in use: "ja" picks the Japanese help file.
#define IDS_HELP_LANGUAGE 61751
