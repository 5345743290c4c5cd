// The stand-in's static-text control: a window object for a dialog's static
// control, given its behaviour by the classes derived from it.
#pragma once

#include "framework/wnd.h"

class CStatic : public CWnd {};
