/* Resource identifiers of ZelSATA: the two user-interface libraries (ZelSATAResUS.dll,
 * ZelSATARes.dll) and the program's own resources. Plain #defines, read by windres for
 * the .rc files, by the program's C++ code and by the string table generator
 * (res/tools/rc_strings.py), which accepts only "#define NAME number" lines here. */
#ifndef ZEL_RES_RESOURCE_IDS_H
#define ZEL_RES_RESOURCE_IDS_H

/* ---- strings of the user-interface libraries ---------------------------------------- */

/* Labels of the command menu; the device list label is also the tray tip (63 characters
 * at most). */
#define IDS_MENU_EXIT 1
#define IDS_MENU_VERSION 2
#define IDS_MENU_HELP 3
#define IDS_MENU_WEB_PAGE 4
#define IDS_MENU_DEVICE_LIST 5

/* Device menu items: IDS_DEVICE_ITEM_LETTERS stands between a drive's name and its drive
 * letters; IDS_DEVICE_ITEM_ACTION is joined to every item (after the name in Japanese,
 * before it otherwise). */
#define IDS_DEVICE_ITEM_LETTERS 6
#define IDS_DEVICE_ITEM_ACTION 7

/* Device list dialog. */
#define IDS_DEVICES_PROMPT 8
#define IDS_DEVICES_NOTE 9
#define IDS_COLUMN_NAME 10
#define IDS_COLUMN_DRIVE_LETTERS 11
#define IDS_COLUMN_TYPE 12
#define IDS_NO_DEVICES 13 /* the single item of an empty menu or list */
#define IDS_TYPE_HOST_ADAPTER 14
#define IDS_TYPE_DRIVE 15
#define IDS_AUTORUN_LABEL 19
#define IDS_AUTORUN_NOTICE 20
#define IDS_TYPE_CD_DVD 21

/* Removal. */
#define IDS_REMOVING 16
#define IDS_REMOVE_SUCCEEDED 17
#define IDS_CONFIRM_SYSTEM_DISK 18 /* read into 128 characters: 127 at most */

/* Version dialog. */
#define IDS_VERSION_NOTICE 22
#define IDS_COLUMN_INSTALLED_VERSION 23
#define IDS_COLUMN_PUBLISHED_VERSION 24
#define IDS_LAST_UPDATE_CHECK 25
#define IDS_AUTOUPDATE_LABEL 27
#define IDS_AUTOUPDATE_NOTICE 28

/* Update check and the web page. */
#define IDS_ASK_OPEN_HOME_PAGE 26
#define IDS_ASK_CHECK_FOR_UPDATE 29
#define IDS_WEB_ADDRESS 30

/* Command menu: asks Windows to look below the host adapters for new devices. */
#define IDS_MENU_RESCAN 31

/* Failures and results. */
#define IDS_LIBRARY_UNUSABLE 5000
#define IDS_REMOVE_FAILED 5001
#define IDS_DOWNLOAD_FAILED 5003
#define IDS_NO_NEW_VERSION 5004
#define IDS_LIST_CHANGED 5010
/* Lines added below IDS_REMOVE_FAILED when a removal fails: the programs using the drive
 * ("%s": "name.exe (1234), ..., and 3 more"), the "and %u more" of that list, a removal
 * Windows left to the next restart, and a search for the programs that needed rights. */
#define IDS_REMOVE_HELD_BY 5011
#define IDS_HOLDERS_MORE 5012
#define IDS_REMOVE_AT_RESTART 5013
#define IDS_HOLDERS_NO_RIGHTS 5014
#define IDS_REMOVAL_BUSY 5015 /* another program holds the removal marker */

/* ---- dialogs, icon and bitmap of the user-interface libraries ----------------------- */

#define IDD_VERSION 106
#define IDD_DEVICE_LIST 107
#define IDD_REMOVE_PROGRESS 108
#define IDD_DOWNLOAD 109

#define IDI_ZELSATA 128
#define IDB_MENU_IMAGES 130 /* five 16 x 16 images side by side */

/* Images of IDB_MENU_IMAGES, by column (the command menu's item data). */
#define MENU_IMAGE_DEVICE_LIST 0
#define MENU_IMAGE_WEB_PAGE 1
#define MENU_IMAGE_HELP 2
#define MENU_IMAGE_VERSION 3
#define MENU_IMAGE_EXIT 4
#define MENU_IMAGE_COUNT 5
#define MENU_IMAGE_SIZE 16

/* ---- controls --------------------------------------------------------------------- */

/* Version dialog (IDD_VERSION). */
#define IDC_VERSION_PRODUCT 1000
#define IDC_VERSION_LAST_CHECK_LABEL 1001
#define IDC_VERSION_COPYRIGHT 1002
#define IDC_VERSION_LAST_CHECK 1003
#define IDC_VERSION_FILE_VERSION 1006
#define IDC_VERSION_LIST 1007
#define IDC_VERSION_AUTOUPDATE 1008
#define IDC_VERSION_APPLY 1009
#define IDC_VERSION_NOTICE 1011

/* Device list dialog (IDD_DEVICE_LIST). */
#define IDC_DEVICES_PROMPT 1000
#define IDC_DEVICES_NOTE 1006
#define IDC_DEVICES_LIST 1007
#define IDC_DEVICES_AUTORUN 1008
#define IDC_DEVICES_APPLY 1009

/* Removal progress window (IDD_REMOVE_PROGRESS). */
#define IDC_PROGRESS_TEXT 1000

/* Download dialog (IDD_DOWNLOAD). */
#define IDC_DOWNLOAD_PROGRESS 1012

/* Where the version dialog draws icon IDI_ZELSATA, in dialog units (left, top). */
#define VERSION_ICON_LEFT 20
#define VERSION_ICON_TOP 28

/* ---- the program's own resources (ZelSATA.exe) ------------------------------------- */

#define IDR_MAINFRAME 128   /* document-template string and the program's icon */
#define IDS_APP_TITLE 57344 /* the program title, read before the libraries are loaded */

#endif
