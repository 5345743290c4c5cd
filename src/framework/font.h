// An owning font object: the font is deleted with the object.
#pragma once

#include <windows.h>

class CFont {
 public:
  CFont() = default;
  ~CFont() { DeleteObject(); }
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  BOOL CreateFontIndirect(const LOGFONTA* log_font) {
    DeleteObject();
    handle_ = ::CreateFontIndirectA(log_font);
    return handle_ != nullptr;
  }
  // Takes ownership of a font made elsewhere.
  void Attach(HFONT font) {
    DeleteObject();
    handle_ = font;
  }
  BOOL DeleteObject() {
    if (handle_ == nullptr) return FALSE;
    BOOL deleted = ::DeleteObject(handle_);
    handle_ = nullptr;
    return deleted;
  }
  HFONT GetSafeHandle() const { return handle_; }
  operator HFONT() const { return handle_; }

 private:
  HFONT handle_ = nullptr;
};
