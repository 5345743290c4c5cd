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

// Icon
#define IDI_SETUP 111

// The viewer archive, resource type "ZIP"
#define IDR_PAYLOAD 208
