#pragma once

#include <string>

class QLineEdit;

// A folder path shown in a line edit. Paths are bytes; a name that is not valid UTF-8 (Shift-JIS
// from an old disk) can only be shown with replacement characters, and reading the text back would
// lose its bytes. These two remember the bytes beside the text shown, so a path chosen in the tree
// comes back exactly as long as the user leaves the text alone.

// Shows `path` in the edit and remembers its bytes.
void SetPathText(QLineEdit* edit, const std::string& path);

// The path the edit holds: the bytes last given to SetPathText while the text is still the one
// shown for them, else the text as typed (UTF-8).
std::string PathText(const QLineEdit* edit);
