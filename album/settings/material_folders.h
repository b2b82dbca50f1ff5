#pragma once

#include <string>
#include <string_view>

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

// The file name of a chosen material (wallpaper, rule image or music) when `name` is one file name
// of its material folder: not "." or "..", no "/", "\\" or NUL. Anything else gives "", which the
// material copies and every page treat as no material, so that a profile or theme file holding
// "../../x.txt" can neither read nor write a file outside the material folders and the album.
std::string MaterialFileName(std::string_view name);
