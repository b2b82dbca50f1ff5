#pragma once

#include <functional>
#include <string>

#include "platform/shell_opener.h"

class UserDialogs;

// Opens files with the desktop's default program for their type. A file that does not exist, or
// one the desktop cannot open, is reported in an "Error" box with the information icon and the
// system's own text; the caller's work goes on either way.
class DesktopShellOpener : public ShellOpener {
  public:
    // Hands a local file to the desktop; true when the desktop accepted it.
    using Launcher = std::function<bool(const std::string& path)>;

    // `dialogs` shows the failures and must outlive the opener. The launcher defaults to
    // QDesktopServices::openUrl on the file's URL.
    explicit DesktopShellOpener(UserDialogs& dialogs, Launcher launcher = {});

    void OpenWithShell(const std::string& path) override;

  private:
    UserDialogs& dialogs_;
    Launcher launcher_;
};
