#pragma once

// Shared pieces of the album maker's widget tests: a sheet over recording doubles, and the tables
// of its pages' control names.

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <string>

#include "album/settings/material_folders.h"
#include "album/shell/c_prop_sheet.h"
#include "album/shell/html_page_ids.h"
#include "album/shell/out_page_ids.h"
#include "album/shell/picture_page_ids.h"
#include "album/style/style_page_ids.h"
#include "imaging/image_library.h"
#include "tests/support/find_control.h"
#include "tests/support/recording_shell_opener.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"
#include "widgets/property_page.h"

namespace picture_ids = picture_page_ids;
namespace html_ids = html_page_ids;
namespace style_ids = style_page_ids;
namespace out_ids = out_page_ids;

// Points HOME at a fresh folder for the whole test program, so that "~/MyAlbum" and the like never
// touch the real home folder.
inline void UseTemporaryHome() {
    static TempDir home;
    qputenv("HOME", QByteArray::fromStdString(home.Path()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home / ".config"));
}

// What every album widget test program does first: the application's name (message captions), a
// temporary home, and the imaging layer bound as the program binds it at start-up.
inline void PrepareTestProgram() {
    QCoreApplication::setApplicationName(QStringLiteral("Pictavo"));
    UseTemporaryHome();
    RecordingUserDialogs dialogs;
    if (!ImageLibrary::Load(dialogs)) qFatal("imaging layer not available");
}

inline QString Q(const std::string& text) {
    return QString::fromUtf8(text.c_str());
}

// A sheet over recording dialogs and shell, with the material folders of a temporary start
// directory. Settings may be changed before Show() as LoadSettings would.
struct SheetFixture {
    TempDir start;
    MaterialFolders folders = MaterialFolders::FromStartDirectory(start.Path());
    RecordingUserDialogs dialogs;
    RecordingShellOpener shell;
    std::unique_ptr<CPropSheet> sheet =
        std::make_unique<CPropSheet>(QStringLiteral("Pictavo"), folders, dialogs, shell);

    AlbumSettings& Settings() { return sheet->Settings(); }

    void Show() {
        sheet->Create();
        sheet->activateWindow();
        if (!QTest::qWaitForWindowActive(sheet.get())) qWarning("sheet window not active");
    }

    // Chooses a tab as a click on it would; returns the tab that is current afterwards.
    int ChooseTab(int index) {
        sheet->Tabs()->setCurrentIndex(index);
        return sheet->Tabs()->currentIndex();
    }

    QWidget* Page(int index) { return sheet->Page(index); }

    // Types into a line edit as the user would: focus, select all, type.
    static void TypeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus(Qt::MouseFocusReason);
        edit->selectAll();
        if (edit->hasSelectedText()) QTest::keyClick(edit, Qt::Key_Delete);
        TypeText(edit, text);
    }

    // Types text into the focused widget: ASCII as key presses, anything else as an input
    // method would commit it (Japanese text arrives that way).
    static void TypeText(QWidget* widget, const QString& text) {
        QString run;
        auto flush = [&] {
            if (run.isEmpty()) return;
            QInputMethodEvent commit;
            commit.setCommitString(run);
            QApplication::sendEvent(widget, &commit);
            run.clear();
        };
        for (QChar ch : text) {
            if (ch.unicode() < 0x80) {
                flush();
                QTest::keyClick(widget, ch.toLatin1());
            } else {
                run += ch;
            }
        }
        flush();
    }
};
