// The setup's command line as Windows gives it, in UTF-16.
#pragma once

#include "rules/option_reader.h"

// Reads the command line once. Its text is read in the code page, a
// character the code page lacks as "?"; the values of "/log=", "/folder="
// and "/ini=" that hold such a character take their exact form (the short
// names of the levels that exist) or are marked as having none. Text that
// is no value needs no exact form: it changes nothing.
StartRequest ReadThisStartRequest();
