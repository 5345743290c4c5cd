// The viewer's settings file "p_mara64.ini".
#pragma once

#include <string>
#include <vector>

#include "common/messages.h"
#include "engine/flow/installation_plan.h"
#include "engine/flow/settings_file.h"
#include "rules/toolbar_skin_rules.h"

class FolderSecurityReader;

// Writes the language keys, a toolbar skin for this display (unless one is
// set already) and, for a settings folder of its own, the redirection into
// the program folder's file (program_folder: canonical, ending in a
// backslash). Each file is edited in a work folder of the setup's own and
// put in place as a fresh file moved over its name: a link or hard link at
// the name is replaced, never written through. For a folder in each user's
// profile (the setup runs as SYSTEM) only the redirection is written: the
// folder is neither made nor filled, as it would be SYSTEM's own. With
// judge (the setup runs elevated), the settings folder is judged like a
// target folder, before its chain and every level again after it, and its
// levels are held until the file is written: a level of its path that
// another user owns, or that is a link or junction, refuses it, and the
// settings then stay in the program folder's file, without redirection;
// refused receives why, in the message's words. An existing settings file
// that neither a trusted account nor the running user owns is then not
// read either: none of its keys are carried over. The files (full paths)
// that were not written whole, each noted in the run log with its reason;
// empty when all were.
std::vector<std::string> WriteViewerSettings(const std::string& program_folder,
                                             const SettingsPlan& settings,
                                             FolderSecurityReader* judge = nullptr,
                                             ShownText* refused = nullptr);

// The skin for this display: its usable full-screen height and the
// scaling of its logical inch (100 percent when no display context can be
// made).
ToolbarSkin ChooseToolbarSkin();
