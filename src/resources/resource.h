// Resource ids of the setup. Shared by the C++ code and the .rc files, so it
// holds nothing but #define lines.
#pragma once

// Message table
#define IDS_QUIT_BUTTON 1
#define IDS_FINISH_BUTTON 2
#define IDS_QUIT_QUESTION 3
#define IDS_CAPTION 4
#define IDS_INVALID_FOLDER 5
#define IDS_TARGET_FOLDER_LABEL 6
#define IDS_INSTALL_FAILED 7
#define IDS_TARGET_FOLDER_PROMPT 8
#define IDS_CONFIRM_ASSOCIATIONS 9
#define IDS_VIEWER_RUNNING 10
#define IDS_CANNOT_CREATE_FOLDER 11
#define IDS_REGISTRATION_INCOMPLETE 12  // %d: failed entries
#define IDS_RESTART_REQUIRED 13         // files in use are replaced at the restart
// After a file's path: its new version waits for the
// restart; a read-only file stayed.
#define IDS_FILE_REPLACED_AT_RESTART 14
#define IDS_FILE_KEPT_READ_ONLY 15
#define IDS_NOT_ENOUGH_SPACE 16       // silent mode only; %d: bytes needed, %d: bytes free
#define IDS_ANOTHER_SETUP_RUNNING 17  // silent mode only
#define IDS_LOG_NOT_CREATED 20  // %d: the Windows error
#define IDS_USAGE 21            // /? and /help
// Windows 8 and later, wizard only: before the default-apps settings open.
#define IDS_CHOOSE_DEFAULT_APPS 22
// Windows 8 and later: the finish page's hint on removing the viewer.
#define IDS_UNINSTALL_HINT_PROGRAMS 23
// An elevated setup refuses an existing target folder: %s the folder or the
// level above it at fault, %s who owns it; or one it could not protect.
#define IDS_FOLDER_OF_OTHER_USER 24
#define IDS_OWNER_UNKNOWN 28  // the owner, where it cannot be read
#define IDS_FOLDER_NOT_PROTECTED 25  // %s: the folder
// The elevated setup starts nothing itself where no desktop shell answers:
// the licence link (%s: its address) and the finish page.
#define IDS_LICENCE_ADDRESS 26
#define IDS_FINISH_NOT_STARTED 27  // %s: the FAQ page's address
// What Windows shows while a shutdown waits for the installation.
#define IDS_SHUTDOWN_REASON 40
// Silent mode only; %s: the settings folder as given
#define IDS_SETTINGS_FOR_EACH_USER 29
// After a settings file's path: it was not written whole.
#define IDS_SETTINGS_FILE_NOT_WRITTEN 30
// Silent mode only; %d: the Windows error of the lock that could not be made
#define IDS_LOCK_NOT_MADE 31
// After a file's path: an earlier version waits for the restart and comes
// back then.
#define IDS_EARLIER_FILE_AT_RESTART 32
// A folder or file name with characters the code page lacks and no exact
// form; the name follows it
#define IDS_NAME_BEYOND_CODE_PAGE 33
// The target folder is refused: %s the folder, %s the item others may
// re-permission or take over
#define IDS_FOLDER_OTHERS_CONTROL 34
// The target folder is refused: %s a level that is a link or junction
#define IDS_FOLDER_IS_LINK 35
// The settings folder is not used and the settings stay in the program
// folder: %s a level of its path and %s its owner; %s a level that is a link
#define IDS_SETTINGS_FOLDER_OF_OTHER_USER 36
#define IDS_SETTINGS_FOLDER_LINK 37
// The target folder is refused: %s the folder, which others could write,
// %s an item in it that the setup would have to keep
#define IDS_FOLDER_HOLDS_ITEM 38
// For the setup log: %s an item another account put into the target, %s
// that account, %s the quarantine name it was moved to
#define IDS_PLANTED_ITEM_MOVED 39
// The installation is incomplete: Windows' list of files to replace at the
// restart could not be read, so a file in it may come back then
#define IDS_RESTART_LIST_UNREADABLE 40

// Icon
#define IDI_SETUP 111

// The viewer archive, resource type "ZIP"
#define IDR_PAYLOAD 208
// Wizard pages (dialog templates)
#define IDD_WELCOME 101
#define IDD_ASSOCIATIONS 104
#define IDD_WHATS_NEW 108
#define IDD_READY 109
#define IDD_FINISH 110

// Logo bitmap and the change list (resource type "TXT"); the logo once more
// for displays of 144, 192 and 288 DPI
#define IDB_LOGO 113
#define IDB_LOGO_144 114
#define IDB_LOGO_192 115
#define IDB_LOGO_288 116
#define IDR_WHATS_NEW 128

// Controls of the pages
#define IDC_STATIC -1
#define IDC_TARGET_FOLDER 1000
#define IDC_WHATS_NEW_TEXT 1000
#define IDC_CUSTOM_INI_FOLDER 1000
#define IDC_BROWSE 1009
#define IDC_FOLDER_LINE 1010
#define IDC_DESKTOP_SHORTCUT 1011
#define IDC_START_MENU_SHORTCUT 1012
#define IDC_WELCOME_HEADING 1013
#define IDC_READY_HEADING 1014
#define IDC_FINISH_HEADING 1015
#define IDC_CURRENT_USER 1016
#define IDC_ALL_USERS 1017
#define IDC_NO_SHORTCUTS 1019
#define IDC_START_VIEWER 1020
#define IDC_THUMBNAILS_SHORTCUT 1021
#define IDC_SHOW_FAQ 1022
#define IDC_UNINSTALL_HINT 1023
#define IDC_ALL_USERS_XP 1037
#define IDC_INI_IN_PROGRAM_FOLDER 1038
#define IDC_INI_IN_APPDATA 1039
#define IDC_INI_CUSTOM 1040
#define IDC_INI_BROWSE 1042
#define IDC_WAIT_LABEL 1044
#define IDC_EULA_LINK 1045
#define IDC_MARK_ALL 1080
#define IDC_MARK_NONE 1081
#define IDC_MARK_IMAGES 1091
#define IDC_FORMAT_LIST 1579
