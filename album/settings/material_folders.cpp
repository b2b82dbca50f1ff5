#include "album/settings/material_folders.h"

#include "core/path_helpers.h"

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

std::string MaterialFileName(std::string_view name) {
    // A backslash is refused on every system: it separates folders on Windows, where the same
    // profile and theme files are read.
    if (name == "." || name == ".." ||
        name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) {
        return {};
    }
    return std::string(name);
}
