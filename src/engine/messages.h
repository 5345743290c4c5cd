// The setup's German message table (string resources 1 to 12).
#pragma once

#include <string>

#include "resources/resource.h"

// The text of a message; an empty string when it cannot be loaded.
std::string LoadMessage(int id);
