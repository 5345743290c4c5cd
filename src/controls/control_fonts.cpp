#include "controls/control_fonts.h"

#include <cstring>

HFONT ControlFont(HWND control) {
  auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
  return font;
}

bool ReadControlFont(HWND control, LOGFONTA* log_font) {
  std::memset(log_font, 0, sizeof *log_font);
  HFONT font = ControlFont(control);
  return font != nullptr && GetObjectA(font, sizeof *log_font, log_font) == sizeof *log_font;
}

LOGFONTA WeightedFont(const LOGFONTA& font, bool bold) {
  LOGFONTA weighted = font;
  weighted.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  return weighted;
}

LOGFONTA FaceFont(const char* face, const LOGFONTA& window_font, LONG height) {
  LOGFONTA font = {};
  if (face != nullptr) {
    std::memcpy(font.lfFaceName, face, strnlen(face, sizeof font.lfFaceName - 1));
  } else {
    font = window_font;
  }
  font.lfHeight = height;
  font.lfQuality = ANTIALIASED_QUALITY;
  return font;
}
