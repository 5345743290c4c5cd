#include "common/messages.h"

#include <windows.h>

#include "common/ansi_path.h"
#include "common/run_log.h"

std::string LoadMessage(int id) {
  // The table is UTF-16; LoadStringA would convert it to the system's code
  // page, which on a Japanese system has no umlauts. With a zero length
  // LoadStringW points into the resource itself.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id),
                                 reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return TextOf(std::wstring_view(text, static_cast<std::size_t>(length)), kOwnTextCodePage);
}

ShownText& ShownText::Own(std::string_view text) {
  bytes_ += text;
  wide_ += OwnText(text);
  return *this;
}

ShownText& ShownText::Name(std::string_view name) {
  bytes_ += name;
  wide_ += WideOf(name, CP_ACP);
  return *this;
}

ShownText& ShownText::Join(const ShownText& more) {
  bytes_ += more.bytes_;
  wide_ += more.wide_;
  return *this;
}

ShownText FillShown(std::string_view own_text, std::string_view placeholder,
                    const std::vector<ShownText>& values) {
  ShownText shown;
  std::size_t from = 0;
  for (const ShownText& value : values) {
    const std::size_t found = own_text.find(placeholder, from);
    if (found == std::string_view::npos) break;
    shown.Own(own_text.substr(from, found - from)).Join(value);
    from = found + placeholder.size();
  }
  return shown.Own(own_text.substr(from));
}

ShownText NameShown(std::string_view name) { return ShownText().Name(name); }

int ShowTextBox(HWND owner, const std::string& text, UINT style) {
  return ShowTextBox(owner, ShownText().Own(text), style);
}

int ShowTextBox(HWND owner, const ShownText& text, UINT style) {
  return MessageBoxW(owner, text.wide().c_str(), OwnText(LoadMessage(IDS_CAPTION)).c_str(), style);
}

int ShowMessage(HWND owner, int id, UINT style) {
  const std::string text = LoadMessage(id);
  TheRunLog().NoteMessage(text);
  return ShowTextBox(owner, text, style);
}

BOOL SetOwnWindowText(HWND window, std::string_view text) {
  return SetWindowTextW(window, OwnText(text).c_str());
}

BOOL SetOwnDlgItemText(HWND dialog, int id, std::string_view text) {
  return SetDlgItemTextW(dialog, id, OwnText(text).c_str());
}

std::string OwnWindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return TextOf(text, kOwnTextCodePage);
}
