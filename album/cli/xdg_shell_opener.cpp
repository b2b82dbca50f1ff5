#include "album/cli/xdg_shell_opener.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "platform/user_dialogs.h"

void XdgShellOpener::OpenWithShell(const std::string& path) {
    std::string error;
    if (!PathExists(path)) {
        // xdg-open runs on its own and would report a missing file nowhere the user looks.
        error = std::strerror(ENOENT);
    } else {
        QProcess launcher;
        launcher.setProgram(QStringLiteral("xdg-open"));
        launcher.setArguments(QStringList{QString::fromUtf8(path.data(), path.size())});
        launcher.setStandardOutputFile(QProcess::nullDevice());
        launcher.setStandardErrorFile(QProcess::nullDevice());
        if (!launcher.startDetached()) error = launcher.errorString().toStdString();
    }
    if (!error.empty()) {
        dialogs_.ShowMessage(error, std::string("Error"), MessageIcon::Information,
                             MessageButtons::Ok);
    }
}
