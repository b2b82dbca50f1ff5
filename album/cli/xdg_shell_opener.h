#pragma once

#include <string>

#include "platform/shell_opener.h"

class UserDialogs;

// Opens a file with the desktop's preferred program through xdg-open, started detached so that the
// caller goes on at once. A missing file or a launcher that cannot start shows the system's text in
// an "Error" box (information icon) through `dialogs`.
class XdgShellOpener : public ShellOpener {
  public:
    explicit XdgShellOpener(UserDialogs& dialogs) : dialogs_(dialogs) {}

    void OpenWithShell(const std::string& path) override;

  private:
    UserDialogs& dialogs_;
};
