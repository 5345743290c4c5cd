// Fonts of the custom controls: the window's own font, and the fonts the
// colour static paints with, made from it.
#pragma once

#include <windows.h>

// The font a control draws with: its own (WM_GETFONT), else the stock GUI
// font, else the stock ANSI variable font.
HFONT ControlFont(HWND control);
// That font's LOGFONTA; false when it cannot be read (record left zeroed).
bool ReadControlFont(HWND control, LOGFONTA* log_font);

// SetBoldText and RebuildFont: the font with the weight the bold flag asks
// for, all else kept.
LOGFONTA WeightedFont(const LOGFONTA& font, bool bold);
// SetFontFace: with a face, a font that is zero but for the face (at most
// 31 characters), the height and antialiased quality; without one, the
// window's font with that height and quality.
LOGFONTA FaceFont(const char* face, const LOGFONTA& window_font, LONG height);
