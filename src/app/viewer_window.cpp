#include "app/viewer_window.h"

#include <windows.h>

bool IsViewerRunning() { return FindWindowA(kViewerWindowClass, nullptr) != nullptr; }
