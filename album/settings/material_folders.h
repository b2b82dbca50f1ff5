#pragma once

#include <string>

// The four material folders under the start directory (the current directory at start-up, not the
// program's folder), each ending in a separator: start + "Material/SOUND/" and so on.
struct MaterialFolders {
    std::string start;      // the start directory, ending in a separator
    std::string sound;      // background music
    std::string wallpaper;  // BKGROUND
    std::string rule;       // BORDER
    std::string theme;      // THEME

    // Forms the folders from a start directory (a separator is added when missing).
    static MaterialFolders FromStartDirectory(const std::string& start_directory);
};
