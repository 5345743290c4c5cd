#include "controls/link_cursor.h"

#include <windows.h>

#include "common/install_options.h"
#include "rules/text_rules.h"

ScopedCursor LoadLinkHandCursor() {
  ScopedCursor hand;
  char path[kPathSize] = "";
  UINT length = GetWindowsDirectoryA(path, sizeof path);
  if (length > 0 && length < sizeof path && AppendBounded(path, sizeof path, "\\winhlp32.exe")) {
    ScopedLibrary module(LoadLibraryA(path));
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
