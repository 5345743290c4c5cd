#include "controls/link_cursor.h"

#include <windows.h>

#include <cwchar>

ScopedCursor LoadLinkHandCursor() {
  ScopedCursor hand;
  // In UTF-16 throughout: the Windows folder's name is never converted.
  wchar_t path[MAX_PATH] = L"";
  const UINT length = GetWindowsDirectoryW(path, MAX_PATH);
  const wchar_t kProgram[] = L"\\winhlp32.exe";
  if (length > 0 && length + sizeof kProgram / sizeof kProgram[0] <= MAX_PATH) {
    wcscat(path, kProgram);
    ScopedLibrary module(LoadLibraryW(path));
    if (module) {
      // A copy, so that the cursor outlives the module it came from.
      HCURSOR cursor = LoadCursorA(module.Get(), MAKEINTRESOURCEA(106));
      if (cursor != nullptr) hand.Reset(CopyIcon(cursor));
    }
  }
  // Current Windows carries no winhlp32.exe with that cursor; the system's
  // own hand is the same pointer.
  if (!hand) {
    if (HCURSOR system_hand = LoadCursorA(nullptr, IDC_HAND)) hand.Reset(CopyIcon(system_hand));
  }
  return hand;
}
