#include "controls/control_fonts.h"

#include <cstring>

static_assert(sizeof(FontRecord) == sizeof(LOGFONTA), "FontRecord mirrors LOGFONTA");
static_assert(offsetof(FontRecord, face_name) == offsetof(LOGFONTA, lfFaceName),
              "FontRecord mirrors LOGFONTA");

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

FontRecord ToFontRecord(const LOGFONTA& log_font) {
  FontRecord record;
  std::memcpy(&record, &log_font, sizeof record);
  return record;
}

LOGFONTA ToLogFont(const FontRecord& record) {
  LOGFONTA log_font;
  std::memcpy(&log_font, &record, sizeof log_font);
  return log_font;
}
