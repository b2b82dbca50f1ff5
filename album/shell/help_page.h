#pragma once

#include <string>

// The file name of the help page shipped with the album maker.
inline constexpr const char* kHelpPageName = "pictavo_help.html";

// Where the help page lies: the first that exists of the start directory (the installed program
// starts in its data folder), the data folder beside the program's own folder
// ("<bin>/../share/pictavo/") and the source tree's resources/help/ under the start directory.
// When none exists, the start directory's name is returned, so that opening it reports the file as
// missing. Both folders end in a separator or are empty.
std::string FindHelpPage(const std::string& start_directory, const std::string& program_folder);
