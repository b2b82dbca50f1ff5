#include "album/cli/xdg_shell_opener.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "platform/user_dialogs.h"

void XdgShellOpener::OpenWithShell(const std::string& path) {
    std::string reason;
    if (!PathExists(path)) {
        // xdg-open runs on its own and would report a missing file nowhere the user looks.
        reason = std::strerror(ENOENT);
    } else {
        QProcess launcher;
        launcher.setProgram(program_);
        launcher.setArguments(QStringList{QString::fromUtf8(path.data(), path.size())});
        launcher.setStandardInputFile(QProcess::nullDevice());
        launcher.setStandardOutputFile(QProcess::nullDevice());
        launcher.setStandardErrorFile(QProcess::nullDevice());
        launcher.start();
        // xdg-open tells only by its exit status that no program took the file, and the program
        // ends right after: it is waited for. One still running is showing the file (a viewer
        // run in the foreground); only the opener is ended, the viewer stays.
        if (!launcher.waitForStarted()) {
            reason = NoShellProgramReason(path);
        } else if (launcher.waitForFinished(kAnswerMs)) {
            if (launcher.exitStatus() != QProcess::NormalExit || launcher.exitCode() != 0)
                reason = NoShellProgramReason(path);
        } else {
            launcher.kill();
            launcher.waitForFinished();
        }
    }
    if (!reason.empty()) {
        dialogs_.ShowMessage(ShellOpenFailureText(path, reason),
                             std::string(kShellOpenFailureCaption), MessageIcon::Exclamation,
                             MessageButtons::Ok);
    }
}
