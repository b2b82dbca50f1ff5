#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "platform/shell_opener.h"

class UserDialogs;

// Opens files with the desktop's default program for their type and says so when that fails: a
// file that does not exist (the system's own text), or one for which the desktop has no program
// or whose program fails at once. Failures show in a warning (kShellOpenFailureCaption) that names
// the file; the caller's work goes on either way.
//
// On Linux the desktop's opener (xdg-open) answers only by its exit status, which may come a few
// seconds after the call, so the opener is watched from the event loop and a failure is shown when
// it ends. An opener still running after kWatchMs is showing the file (a viewer run in the
// foreground): how it ends later is no longer reported.
class DesktopShellOpener : public QObject, public ShellOpener {
    Q_OBJECT
  public:
    // How long after the start an opener's failure is still reported, in milliseconds.
    static constexpr int kWatchMs = 15000;

    // `dialogs` shows the failures and must outlive the opener. `program` is the desktop's opener,
    // given the file as its one argument ("xdg-open" when empty); Windows and macOS ask the system
    // directly and do not use it.
    explicit DesktopShellOpener(UserDialogs& dialogs, QString program = {},
                                QObject* parent = nullptr);
    // An opener still running is left to the program it started: only the opener itself is ended.
    ~DesktopShellOpener() override;

    void OpenWithShell(const std::string& path) override;

    // Openers started and not yet ended.
    int Pending() const { return pending_; }

  private:
    void Report(const std::string& path, const std::string& reason);

    UserDialogs& dialogs_;
    QString program_;
    int pending_ = 0;
};
