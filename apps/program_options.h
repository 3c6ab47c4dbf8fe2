// What the four programs share on their command line, and where an installed
// program finds its data folder.
#pragma once

#include <string>

namespace chess {

// The version printed by --version, set by the build.
const char* program_version();

// Handles the arguments of a program that takes none but --help and
// --version: returns -1 when the program should run as usual (no
// arguments), otherwise the exit status after printing the usage text (0),
// the version (0) or a one-line complaint on standard error (2).
int handle_program_arguments(int argc, char** argv, const char* name, const char* usage);

// The folder of the installed book: the data folder next to the folder of
// the running executable (games/ -> share/games/quentaro-chess/), or empty
// when the executable does not stand in a folder of the installed layout, as
// in a build tree, or cannot be found.
std::string installed_data_folder();

// Sets that folder as the data folder of the opening-book files.
void use_installed_book();

}  // namespace chess
