#include <QApplication>

#include <string>
#include <utility>
#include <vector>

#include "imaging/image_library.h"
#include "platform/file_system.h"
#include "platform/stop_signals.h"
#include "resizer/shell/c_resize_dialog.h"
#include "resizer/shell/program_icon.h"
#include "widgets/message_box_dialogs.h"
#include "widgets/qt_translations.h"
#include "widgets/window_placement.h"

// Scalvo: the imaging check, the one modal dialog as the whole program, the release at the end.
int main(int argc, char* argv[]) {
    // A save beyond the file-size limit fails and is listed, instead of ending the program.
    IgnoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Scalvo"));
    QApplication::setDesktopFileName(QStringLiteral("scalvo"));
    QApplication::setWindowIcon(ScalvoIcon());
    InstallQtTranslations(app);
    // The window's size and place are kept between runs; the job's settings never are.
    SetWindowPlacementFile(DefaultWindowPlacementFile());

    MessageBoxDialogs dialogs;
    // A missing piece is reported by Load; the dialog opens all the same and its imaging fails
    // safely.
    ImageLibrary::Load(dialogs);
    {
        CResizeDialog dialog(dialogs);
        // A folder, or pictures of one folder, from the command line or a file manager's "Open
        // with", as the bytes of their names (the toolkit has taken its own options out of argv).
        std::vector<std::string> paths;
        for (int i = 1; i < argc; ++i) paths.push_back(AbsolutePath(argv[i]));
        dialog.SetOpenPaths(std::move(paths));
        dialog.exec();
    }
    ImageLibrary::Unload();
    return 0;
}
