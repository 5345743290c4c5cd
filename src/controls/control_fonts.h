// Fonts of the custom controls: the window's own font record, and the
// conversion to the plain records the font decisions work on.
#pragma once

#include <windows.h>

#include "rules/control_rules.h"

// The font a control draws with: its own (WM_GETFONT), else the stock GUI
// font, else the stock ANSI variable font.
HFONT ControlFont(HWND control);
// That font's LOGFONTA; false when it cannot be read (record left zeroed).
bool ReadControlFont(HWND control, LOGFONTA* log_font);

FontRecord ToFontRecord(const LOGFONTA& log_font);
LOGFONTA ToLogFont(const FontRecord& record);
