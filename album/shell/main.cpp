#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>

#include "album/shell/c_album_app.h"
#include "platform/file_system.h"
#include "platform/stop_signals.h"
#include "widgets/desktop_shell_opener.h"
#include "widgets/message_box_dialogs.h"
#include "widgets/qt_translations.h"
#include "widgets/window_placement.h"

int main(int argc, char* argv[]) {
    // A save beyond the file-size limit fails and is listed, instead of ending the program.
    IgnoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    // Message boxes without a caption of their own show the program's name.
    QCoreApplication::setApplicationName(QStringLiteral("Pictavo"));
    // The window's class (X11) and application id (Wayland) that the desktop entry names.
    QGuiApplication::setDesktopFileName(QStringLiteral("pictavo"));
    InstallQtTranslations(app);
    // The windows' sizes and places are kept in a file of their own, never in the profile.
    SetWindowPlacementFile(DefaultWindowPlacementFile());

    MessageBoxDialogs dialogs;
    DesktopShellOpener shell(dialogs);
    CAlbumApp::Options options;
    options.program_folder =
        QDir(QCoreApplication::applicationDirPath()).absolutePath().toStdString() + "/";
    // Folders and pictures from the command line or a file manager's "Open with", as the bytes
    // of their names (the toolkit has taken its own options out of argv).
    for (int i = 1; i < argc; ++i) options.open_paths.push_back(AbsolutePath(argv[i]));
    CAlbumApp album(dialogs, shell, options);
    if (!album.InitInstance()) return album.ExitInstance(1);
    const int code = QApplication::exec();
    return album.ExitInstance(code);
}
