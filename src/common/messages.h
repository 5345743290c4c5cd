// The setup's German message table (the string resources of resources/resource.h).
#pragma once

#include <windows.h>

#include <string>

#include "resources/resource.h"

// The text of a message; an empty string when it cannot be loaded.
std::string LoadMessage(int id);

// Shows text in a box with the setup's caption (message 4); the box's
// answer. Every box of the setup is this one.
int ShowTextBox(HWND owner, const std::string& text, UINT style);

// Shows message id in that box and notes it in the run log; the box's
// answer.
int ShowMessage(HWND owner, int id, UINT style);
