#pragma once

#include <QString>

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
// saved under `key`, and saves them under `key` whenever the window is hidden or closed. A saved
// size below the window's minimum is raised to it, and a saved place that no longer lies on a
// screen is brought back onto the screen that holds most of it (the primary one when none does).
// False when no file is set or nothing was saved yet: the caller places the window itself.
bool KeepWindowPlacement(QWidget* window, const QString& key);
