// The viewer's settings file "p_mara64.ini".
#pragma once

// Writes the language keys, a toolbar skin for this display (unless one is
// set already) and, when ini_folder is not empty, the settings-folder
// redirection. Failures are not reported.
void WriteViewerSettings(const char* target_folder, const char* ini_folder);
