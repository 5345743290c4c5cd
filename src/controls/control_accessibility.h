// Accessibility of a dialog's standard controls, given without changing
// what they show: a name or role for screen readers, UI Automation's
// heading and live-region marks, and announcements of changed text.
#pragma once

#include <windows.h>

#include "controls/accessible_object.h"

struct ControlDescription {
  AccessibleFacts facts;
  int heading_level = 0;     // 1 to 9: a heading of that level (Windows 10 1803 and later)
  bool polite_live = false;  // a polite live region (Windows 10 1709 and later)
};

// Gives the control its description for as long as its window lives: the
// name and role through Windows' annotation service, which both Active
// Accessibility and UI Automation's own proxies of the standard controls
// read; where that service refuses them, through an object of the control's
// own that WM_GETOBJECT hands out.
void DescribeControl(HWND control, const ControlDescription& description);

// Tells screen readers that the text of a shown control changed, so that
// they read it out: a live-region change where Windows knows live regions,
// else an alert.
void AnnounceChange(HWND control);
