#include "album/shell/desktop_shell_opener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "platform/user_dialogs.h"

namespace {

bool OpenWithDesktop(const std::string& path) {
    return QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromUtf8(path.data(), int(path.size()))));
}

// The system's text for an error number, in the user's language where the C library has it.
std::string SystemText(int error) {
    return std::strerror(error);
}

constexpr const char* kNoProgramText = "このファイルを開くプログラムが関連付けられていません。";

}  // namespace

DesktopShellOpener::DesktopShellOpener(UserDialogs& dialogs, Launcher launcher)
    : dialogs_(dialogs), launcher_(launcher ? std::move(launcher) : Launcher(OpenWithDesktop)) {}

void DesktopShellOpener::OpenWithShell(const std::string& path) {
    std::string failure;
    // The desktop only answers yes or no, so a missing file is looked for first to give the user
    // the system's own reason.
    if (!PathExists(path)) {
        failure = SystemText(ENOENT);
    } else if (!launcher_(path)) {
        // The file is there but nothing on this desktop opens it; the system has no text of its
        // own for that, so the box says it plainly.
        failure = kNoProgramText;
    } else {
        return;
    }
    dialogs_.ShowMessage(failure, std::string("Error"), MessageIcon::Information,
                         MessageButtons::Ok);
}
