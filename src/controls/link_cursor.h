// The hand shown over a link.
#pragma once

#include "common/scoped_win.h"

// A copy of the hand cursor that old Windows keeps in winhlp32.exe, else of
// the system's own hand; empty when neither can be loaded.
ScopedCursor LoadLinkHandCursor();
