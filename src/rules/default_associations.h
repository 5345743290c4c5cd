// The default-associations file an administrator imports on many machines
// (Dism /Online /Import-DefaultAppAssociations, or the Group Policy "Set a
// default associations configuration file"), since from Windows 8 on the
// setup itself may only register the formats.
#pragma once

#include <string>

// The file that makes Pellumara the default for the formats /assoc=
// marks with `selection`: 1 the image formats, 2 all of them. One
// Association element per registered extension, in catalogue order.
// Empty for any other selection.
std::string DefaultAssociationsXml(int selection);
