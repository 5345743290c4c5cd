// An owning font object: the font is deleted with the object.
#pragma once

#include <windows.h>

#include "common/scoped_win.h"

class CFont {
 public:
  CFont() = default;
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  BOOL CreateFontIndirect(const LOGFONTA* log_font) {
    // Deleted first: Reset would make the new font before the old one goes.
    font_.Close();
    font_.Reset(::CreateFontIndirectA(log_font));
    return font_.IsValid();
  }
  // Takes ownership of a font made elsewhere.
  void Attach(HFONT font) { font_.Reset(font); }
  // FALSE when there was no font or it could not be deleted.
  BOOL DeleteObject() {
    if (!font_) return FALSE;
    return font_.Close() ? TRUE : FALSE;
  }
  HFONT GetSafeHandle() const { return font_.Get(); }
  operator HFONT() const { return font_.Get(); }

 private:
  ScopedGdiObject<HFONT> font_;
};
