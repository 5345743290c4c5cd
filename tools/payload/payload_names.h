// The name rules of a release payload, the same for a folder and for a
// ready archive: every entry name must reach the target folder exactly as
// written, or the setup fails on the user's machine halfway through.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Why Windows would not keep one component of a name (a file or folder name
// without separators) as given; empty when it would. Refused: an empty
// component, characters Windows does not allow in names, a trailing dot or
// blank (Windows drops them), anything outside printable ASCII (the setup
// writes names in the ANSI code page), and the reserved device names CON,
// PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, in any case and with any
// extension.
std::string NameComponentProblem(std::string_view component);

// Every required entry the names lack and every name that would leave the
// target folder or that has a component Windows would not keep; one line of
// text per problem, each naming its entry.
void CheckPayloadNames(const std::vector<std::string>& names, std::vector<std::string>& problems);
