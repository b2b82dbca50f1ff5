#include "album/settings/material_folders.h"

#include "browser/path_helpers.h"

MaterialFolders MaterialFolders::FromStartDirectory(const std::string& start_directory) {
    MaterialFolders folders;
    folders.start = start_directory;
    EnsureTrailingSeparator(folders.start);  // "/" stays "/", so no doubled separator
    const std::string base = folders.start + "Material" + kPathSeparator;
    folders.sound = base + "SOUND" + kPathSeparator;
    folders.wallpaper = base + "BKGROUND" + kPathSeparator;
    folders.rule = base + "BORDER" + kPathSeparator;
    folders.theme = base + "THEME" + kPathSeparator;
    return folders;
}
