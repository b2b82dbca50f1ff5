#pragma once

#include <QString>
#include <string>

#include "platform/shell_opener.h"

class UserDialogs;

// Opens a file with the desktop's preferred program through xdg-open and waits up to kAnswerMs for
// its answer. A missing file, no opener, or an opener that found no program for the file shows the
// file and the reason in a warning (kShellOpenFailureCaption) through `dialogs`.
class XdgShellOpener : public ShellOpener {
  public:
    // How long the opener's exit status is waited for, in milliseconds.
    static constexpr int kAnswerMs = 10000;

    // `program`: the opener, given the file as its one argument ("xdg-open" when empty).
    explicit XdgShellOpener(UserDialogs& dialogs, QString program = {})
        : dialogs_(dialogs),
          program_(program.isEmpty() ? QStringLiteral("xdg-open") : std::move(program)) {}

    void OpenWithShell(const std::string& path) override;

  private:
    UserDialogs& dialogs_;
    QString program_;
};
