// The setup's German message table (the string resources of resources/resource.h)
// and the way its texts reach the screen.
#pragma once

#include <windows.h>

#include <string>
#include <vector>
#include <string_view>

#include "resources/resource.h"

// The text of a message as code page 1252 bytes, the form the setup keeps
// its own texts in whatever code page the system runs; an empty string when
// it cannot be loaded.
std::string LoadMessage(int id);

// A text for the screen that joins the setup's own texts (code page 1252)
// and names in the setup's ANSI form (paths, in the system's code page):
// each part goes over to UTF-16 from its own code page, since bytes of
// the one read in the other name other letters. bytes() is the parts as
// they were joined, for the logs.
class ShownText {
 public:
  ShownText& Own(std::string_view text);
  ShownText& Name(std::string_view name);
  ShownText& Join(const ShownText& more);

  const std::string& bytes() const { return bytes_; }
  const std::wstring& wide() const { return wide_; }

 private:
  std::string bytes_;
  std::wstring wide_;
};

// One of the setup's own texts with each placeholder in turn taken by a
// value (a name, or an own text such as "unknown"): the bytes those of
// FillPlaceholders, each part on screen from its own code page.
ShownText FillShown(std::string_view own_text, std::string_view placeholder,
                    const std::vector<ShownText>& values);
// A name in the setup's ANSI form, as a value of FillShown.
ShownText NameShown(std::string_view name);

// Shows text in a box with the setup's caption (message 4); the box's
// answer. Every box of the setup is this one. The text is one of the
// setup's own; one that names a path too is a ShownText.
int ShowTextBox(HWND owner, const std::string& text, UINT style);
int ShowTextBox(HWND owner, const ShownText& text, UINT style);

// Shows message id in that box and notes it in the run log; the box's
// answer.
int ShowMessage(HWND owner, int id, UINT style);

// One of the setup's own texts as a window's or a dialog control's text,
// in UTF-16.
BOOL SetOwnWindowText(HWND window, std::string_view text);
BOOL SetOwnDlgItemText(HWND dialog, int id, std::string_view text);

// A window's text that is one of the setup's own (a template's label), as
// code page 1252 bytes.
std::string OwnWindowText(HWND window);
