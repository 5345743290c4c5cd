// Work inside a folder that the setup holds open: names are resolved
// relative to the folder's handle, never from a path again, so that no
// level of the path can lead elsewhere between the hold and the use.
#pragma once

#include "common/scoped_win.h"

// Deletes the file name in the held folder (a handle with list access):
// exactly that file, when it is a real file with no other name. A link
// placed at the name, or anything else, stays. False, with the error, when
// nothing was deleted.
bool DeleteRealFileIn(const ScopedHandle& folder, const char* name);

// True when the object behind item is owned by the account this process
// runs as (its user, or the owner it gives what it creates).
bool OwnedByThisAccount(const ScopedHandle& item);
