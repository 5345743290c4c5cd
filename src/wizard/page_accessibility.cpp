// What screen readers learn about the pages beyond what the standard
// controls tell them: names for the inputs whose label is no text right
// before them, the logo as a picture, the separator as no text, the page
// headings as headings. Nothing on the screen changes.
#include <windows.h>

#include <string>

#include "common/ansi_path.h"
#include "common/messages.h"
#include "controls/control_accessibility.h"
#include "resources/resource.h"
#include "rules/control_rules.h"
#include "wizard/page_logo.h"
#include "wizard/wiz_property_page.h"

namespace {

const wchar_t kLogoName[] = L"Pellumara";

// The names are the setup's own texts: its messages and the templates'
// labels, read in UTF-16 and kept in code page 1252 as all its texts are.
std::string TextOfWindow(HWND window) { return OwnWindowText(window); }

void Name(HWND control, const std::string& name) {
  ControlDescription description;
  description.facts.names = true;
  description.facts.name = OwnText(name);
  DescribeControl(control, description);
}

bool IsGroupBox(HWND window) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  return lstrcmpiA(name, "Button") == 0 &&
         (GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// The text of the smallest group box around the control: what the control
// is for, where no label stands right before it.
std::string FramingGroupText(HWND page, HWND control) {
  RECT inner;
  GetWindowRect(control, &inner);
  std::string text;
  LONG smallest = 0;
  for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RECT frame;
    if (!IsGroupBox(child) || !GetWindowRect(child, &frame)) continue;
    RECT both;
    IntersectRect(&both, &frame, &inner);
    if (!EqualRect(&both, &inner)) continue;
    const LONG area = (frame.right - frame.left) * (frame.bottom - frame.top);
    if (text.empty() || area < smallest) {
      smallest = area;
      text = TextWithoutMnemonics(TextOfWindow(child));
    }
  }
  return text;
}

// A static text of underscores only is a drawn line, not text to read.
bool IsSeparatorLine(HWND window) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpiA(name, "Static") != 0) return false;
  const std::string text = TextOfWindow(window);
  return !text.empty() && text.find_first_not_of('_') == std::string::npos;
}

}  // namespace

void CWizPropertyPage::DescribeControlsForScreenReaders() {
  HWND page = m_hWnd;
  // The picture's window text is the bitmap's resource number.
  ControlDescription logo;
  logo.facts = {true, kLogoName, ROLE_SYSTEM_GRAPHIC};
  DescribeControl(FindPictureControl(page), logo);

  ControlDescription separator;
  separator.facts = {true, L"", ROLE_SYSTEM_SEPARATOR};
  ControlDescription heading;
  heading.heading_level = 1;
  for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(child);
    if (id == IDC_WELCOME_HEADING || id == IDC_READY_HEADING || id == IDC_FINISH_HEADING) {
      DescribeControl(child, heading);
    } else if (IsSeparatorLine(child)) {
      DescribeControl(child, separator);
    }
  }

  switch (TemplateId()) {
    case IDD_WELCOME:
      Name(GetDlgItem(page, IDC_TARGET_FOLDER), LoadMessage(IDS_TARGET_FOLDER_LABEL));
      break;
    case IDD_ASSOCIATIONS: {
      HWND list = GetDlgItem(page, IDC_FORMAT_LIST);
      Name(list, FramingGroupText(page, list));  // the template's text is a placeholder
      break;
    }
    case IDD_READY:
      // Either choice alone does not say that it is the settings' folder.
      for (int id : {IDC_INI_IN_PROGRAM_FOLDER, IDC_INI_IN_APPDATA}) {
        HWND choice = GetDlgItem(page, id);
        Name(choice, FramingGroupText(page, choice) + " " +
                         TextWithoutMnemonics(TextOfWindow(choice)));
      }
      break;
    default:
      break;
  }
}
