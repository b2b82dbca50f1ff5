#pragma once

#include <string>

// Opens a file with the program the desktop associates with its type (the browser for a page, the
// viewer or player for a material). Returns at once; a failure is reported by the implementation
// itself in an "Error" box with the system's text.
class ShellOpener {
  public:
    virtual ~ShellOpener() = default;

    // path: full path of the file (UTF-8).
    virtual void OpenWithShell(const std::string& path) = 0;
};
