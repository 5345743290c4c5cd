// How the wizard's controls become the installation's choices.
#pragma once

#include <string>

#include "common/install_options.h"
#include "rules/code_page_characters.h"

// The settings folder offered on the ready page, left unexpanded.
std::string AppDataSettingsFolder();

// Reads the association marks from the state bits of the list's items
// (LVIS_STATEIMAGEMASK part): a state image other than 1 (unchecked) marks
// the row. Clears every mark and associate first; rows beyond the list stay
// unmarked.
void MarksFromListStates(const unsigned* states, int count, InstallOptions& options);
