// The logo of a page at the size its picture control has on this screen.
#pragma once

#include <windows.h>

#include "common/scoped_win.h"

// The page's picture control (the static control with SS_BITMAP), or null.
HWND FindPictureControl(HWND page);

// Shows the logo in the page's picture control (the static control with
// SS_BITMAP, which keeps its template rectangle through SS_REALSIZECONTROL)
// as large as the control's real size in pixels allows without distorting
// it, and shrinks the control to the image, so that nothing is stretched.
// The image is the 96-DPI bitmap where that is the size, else the next
// larger rendering of the logo scaled down to the size, put on the system's
// face colour. Returns the bitmap now shown, which the caller keeps while
// the control lives, or an empty owner when the page has no picture control
// or the logo cannot be made (the control keeps its own bitmap then).
ScopedBitmap FitPageLogo(HWND page);
