// Windows' own place where the user chooses the default apps. Since
// Windows 8 no program can make itself the default for a file type: it
// registers, and the user chooses there.
#pragma once

// Opens that place as the user at the desktop: the settings on Windows 10
// and later, the control panel's associations of Pellumara on 8 and 8.1.
void OpenDefaultAppsSettings();
