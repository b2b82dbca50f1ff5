#pragma once

#include <QString>
#include <string>

class QWidget;

// Where the windows' sizes, positions and maximised states are kept between runs: a settings file
// of its own, never the album's profile. Empty (the default) keeps nothing, so that windows made by
// tests and tools neither read nor write the user's files; the programs set it at start.
void SetWindowPlacementFile(const QString& path);
QString WindowPlacementFile();
// The program's own file: "<configuration folder>/<program name in lower case>/windows.conf", the
// configuration folder being $XDG_CONFIG_HOME, else ~/.config.
QString DefaultWindowPlacementFile();

// Gives `window` (a top-level window not shown yet) the size, position and maximised state last
// saved under `key`, and saves them under `key` whenever the window is hidden or closed. The file
// is read as plain text: only "x", "y", "width" and "height" given as plain decimal integers, and
// "maximized", are taken; any other key or form of value is ignored, and a side that is not a
// plain integer counts as never saved. The window comes back on the screen that holds most of its
// saved place (the primary one, in its middle, when none does), shrunk to that screen's free area
// but never below its minimum size, and moved so that its whole frame is on the screen; a window
// whose minimum size is larger than the screen keeps its frame's top-left corner on it.
// False when no file is set or nothing was saved yet: the caller places the window itself.
bool KeepWindowPlacement(QWidget* window, const QString& key);

// A choice a window keeps beside its place in the same file (the picture list's view), by group
// and key: empty when no file is set or nothing was kept. Only plain words are meant to be kept.
std::string KeptWindowValue(const std::string& group, const std::string& key);
// Keeps `value` under `group` and `key`; nothing happens when no file is set.
void KeepWindowValue(const std::string& group, const std::string& key, const std::string& value);
