#include "widgets/desktop_shell_opener.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "platform/user_dialogs.h"

#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
#include <QDesktopServices>
#include <QUrl>
#endif

namespace {

// The system's text for an error number, in the user's language where the C library has it.
std::string SystemText(int error) {
    return std::strerror(error);
}

#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
// The file as the opener's argument: the path itself when it is UTF-8, else a file URL whose
// percent-escapes carry the name's bytes exactly (an argument list holds text, not bytes).
QString OpenerArgument(const std::string& path) {
    if (IsValidUtf8(path)) return QString::fromUtf8(path.data(), qsizetype(path.size()));
    const QByteArray bytes(path.data(), qsizetype(path.size()));
    return QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
}
#endif

}  // namespace

DesktopShellOpener::DesktopShellOpener(UserDialogs& dialogs, QString program, QObject* parent)
    : QObject(parent),
      dialogs_(dialogs),
      program_(program.isEmpty() ? QStringLiteral("xdg-open") : std::move(program)) {}

DesktopShellOpener::~DesktopShellOpener() {
    for (QProcess* launch : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        disconnect(launch, nullptr, this, nullptr);
        if (launch->state() == QProcess::NotRunning) continue;
        // Ending the opener leaves the viewer or browser it started running on its own.
        launch->kill();
        launch->waitForFinished(1000);
    }
}

void DesktopShellOpener::Report(const std::string& path, const std::string& reason) {
    dialogs_.ShowMessage(ShellOpenFailureText(path, reason), std::string(kShellOpenFailureCaption),
                         MessageIcon::Exclamation, MessageButtons::Ok);
}

void DesktopShellOpener::OpenWithShell(const std::string& path) {
    // The opener is watched by this object's event loop, and the box belongs to that thread.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, path] { OpenWithShell(path); });
        return;
    }
    // The desktop only answers yes or no, so a missing file is looked for first to give the user
    // the system's own reason.
    if (!PathExists(path)) {
        Report(path, SystemText(ENOENT));
        return;
    }
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    if (!QDesktopServices::openUrl(
            QUrl::fromLocalFile(QString::fromUtf8(path.data(), qsizetype(path.size())))))
        Report(path, NoShellProgramReason(path));
#else
    auto* launch = new QProcess(this);
    launch->setProgram(program_);
    launch->setArguments({OpenerArgument(path)});
    launch->setStandardInputFile(QProcess::nullDevice());
    launch->setStandardOutputFile(QProcess::nullDevice());
    launch->setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer since;
    since.start();
    ++pending_;
    auto ended = [this, launch, path, since](bool failed) {
        --pending_;
        launch->deleteLater();
        if (failed && since.elapsed() < kWatchMs) Report(path, NoShellProgramReason(path));
    };
    connect(launch, &QProcess::finished, this, [ended](int code, QProcess::ExitStatus status) {
        ended(status != QProcess::NormalExit || code != 0);
    });
    // No opener on this system: nothing else will be heard from this launch.
    connect(launch, &QProcess::errorOccurred, this, [ended](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) ended(true);
    });
    launch->start();
#endif
}
