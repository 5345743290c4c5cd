// Windows' own place where the user chooses the default apps. Since
// Windows 8 no program can make itself the default for a file type: it
// registers, and the user chooses there.
#pragma once

// The address of the default-apps settings at Pellumara's entry in
// HKLM\SOFTWARE\RegisteredApplications (Windows 11 since its 2023 updates
// goes there; earlier builds show the default-apps page).
constexpr char kDefaultAppsAddress[] = "ms-settings:defaultapps?registeredAppMachine=Pellumara";

// Opens that place as the user at the desktop: the settings on Windows 10
// and later, the control panel's associations of Pellumara on 8 and 8.1.
void OpenDefaultAppsSettings();
