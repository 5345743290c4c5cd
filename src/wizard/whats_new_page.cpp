// What the wizard's page class does while the what's-new page is active.
#include <windows.h>

#include <string>

#include "common/messages.h"
#include "resources/resource.h"
#include "wizard/wiz_property_page.h"

void CWizPropertyPage::ShowWhatsNew() {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_WHATS_NEW), "TXT");
  if (found == nullptr) return;
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return;
  const char* bytes = static_cast<const char*>(LockResource(loaded));
  if (bytes == nullptr) return;
  // The resource has no terminating zero: its size bounds the text. It is
  // kept as the release wrote it, in code page 1252.
  const std::string text(bytes, SizeofResource(module, found));
  SetOwnDlgItemText(m_hWnd, IDC_WHATS_NEW_TEXT, text);
}
