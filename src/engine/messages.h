// The setup's German message table (the string resources of resources/resource.h).
#pragma once

#include <windows.h>

#include <string>

#include "resources/resource.h"

// The text of a message; an empty string when it cannot be loaded.
std::string LoadMessage(int id);

// Shows message id in a box with the setup's caption (message 4) and notes
// it in the run log; the box's answer.
int ShowMessage(HWND owner, int id, UINT style);
