// The windows of both programs as a desktop user meets them: each opens at its layout's size and
// grows from there, keeps its size and place across runs in a file of its own, takes a dropped
// folder or picture, shows every text whole, and names every control for what it is.

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionViewItem>
#include <QUrl>
#include <functional>
#include <map>

#include "album/settings/album_settings.h"
#include "album/shell/c_album_app.h"
#include "album/shell/c_picture_page.h"
#include "album/style/c_add_theme_dialog.h"
#include "platform/profile_store.h"
#include "resizer/shell/c_about_dlg.h"
#include "resizer/shell/c_resize_dialog.h"
#include "resizer/shell/resize_dialog_ids.h"
#include "sheet_fixture.h"
#include "widgets/c_folder_dlg.h"
#include "widgets/c_folder_tree.h"
#include "widgets/c_picture_list.h"
#include "widgets/c_progress_dlg.h"
#include "widgets/dialog_units.h"
#include "widgets/folder_dlg_ids.h"
#include "widgets/window_placement.h"

namespace {

namespace resize_ids = resize_dialog_ids;
namespace chooser_ids = folder_dlg_ids;

// Every window under test, opened on `root` as the trees' only root, with the shipped materials.
struct Rig {
    RecordingUserDialogs dialogs;
    RecordingShellOpener shell;
    MaterialFolders folders = MaterialFolders::FromStartDirectory(SourcePath(""));
    std::unique_ptr<CPropSheet> sheet;
    std::unique_ptr<CResizeDialog> resizer;
    std::unique_ptr<CFolderDlg> chooser;
    QWidget* window = nullptr;  // the top-level window
    QWidget* panel = nullptr;   // the page or dialog whose controls are checked

    // `which`: "picture", "html", "style", "output" (the sheet's pages), "resizer", "chooser".
    void Open(const QString& which, const std::string& root) {
        const auto only_root = [root] { return std::vector<FolderRoot>{{root, RootKind::Fixed}}; };
        if (which == "resizer") {
            resizer = std::make_unique<CResizeDialog>(dialogs);
            resizer->Tree()->SetRootProvider(only_root);
            resizer->show();
            resizer->Tree()->SelectPath(root);
            window = panel = resizer.get();
        } else if (which == "chooser") {
            chooser = std::make_unique<CFolderDlg>();
            chooser->Tree()->SetRootProvider(only_root);
            chooser->SetPath(root);
            chooser->show();
            window = panel = chooser.get();
        } else {
            sheet =
                std::make_unique<CPropSheet>(QStringLiteral("Pictavo"), folders, dialogs, shell);
            sheet->PicturePage()->Tree()->SetRootProvider(only_root);
            sheet->Settings().picture_path = root + "/";
            sheet->Create();
            const int tab = QStringList{"picture", "html", "style", "output"}.indexOf(which);
            sheet->Tabs()->setCurrentIndex(tab);
            window = sheet.get();
            panel = sheet->Page(tab);
        }
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
};

std::map<QWidget*, QRect> Geometries(QWidget* panel) {
    std::map<QWidget*, QRect> at;
    for (QWidget* control : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        at[control] = control->geometry();
    return at;
}

int TextWidth(const QWidget* control, const QString& text) {
    return control->fontMetrics().horizontalAdvance(text);
}

// The texts of the window's visible controls that are cut: a label, check box, radio button or
// push button whose text is wider than the room its style gives it, a line of a drop-down list
// wider than the list's field, or a list line cut although its column is narrower than half the
// list (a longer name is cut there on purpose and shown whole by its tooltip).
QStringList CutTexts(QWidget* window) {
    QStringList cut;
    QStyle* style = window->style();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty()) continue;
            if (TextWidth(label, label->text()) > label->contentsRect().width() ||
                label->fontMetrics().height() > label->contentsRect().height())
                cut << label->text();
        } else if (auto* push = qobject_cast<QPushButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(push);
            const QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, push);
            if (TextWidth(push, push->text()) > room.width()) cut << push->text();
        } else if (auto* box = qobject_cast<QAbstractButton*>(w)) {
            if (box->text().isEmpty()) continue;
            QStyleOptionButton option;
            option.initFrom(box);
            const bool radio = qobject_cast<QRadioButton*>(box) != nullptr;
            const QRect room = style->subElementRect(
                radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, box);
            if (TextWidth(box, box->text()) > room.width()) cut << box->text();
        } else if (auto* list = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            const QRect field = style->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, list);
            for (int i = 0; i < list->count(); ++i)
                if (TextWidth(list, list->itemText(i)) > field.width()) cut << list->itemText(i);
        } else if (auto* lines = qobject_cast<QListWidget*>(w)) {
            for (int i = 0; i < lines->count(); ++i) {
                QStyleOptionViewItem option;
                option.initFrom(lines->viewport());
                option.rect = lines->visualItemRect(lines->item(i));
                option.text = lines->item(i)->text();
                option.features = QStyleOptionViewItem::HasDisplay;
                if (lines->item(i)->data(Qt::CheckStateRole).isValid())
                    option.features |= QStyleOptionViewItem::HasCheckIndicator;
                const QRect room =
                    style->subElementRect(QStyle::SE_ItemViewItemText, &option, lines);
                if (TextWidth(lines, option.text) > room.width() &&
                    option.rect.width() < lines->viewport()->width() / 2)
                    cut << option.text;
            }
        }
    }
    return cut;
}

// What keeps a tool from finding the controls of `window` by name: an object name made only of
// digits (anywhere, the toolkit's own parts included), a control the user can reach by mouse or
// keyboard without a name, and a name that two controls of the window share. Only the window, the
// sheet's tabs and pages hold controls; the widgets inside a control (a list's scroll bars, the
// arrows beside a number box) are its parts, and the toolkit's own "qt_" names are its business.
QStringList NamingFaults(QWidget* window) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    QStringList faults;
    std::map<QString, int> seen;
    const std::function<void(QWidget*, bool)> walk = [&](QWidget* widget, bool part) {
        const QString name = widget->objectName();
        const QString what =
            QStringLiteral("%1: %2 \"%3\"")
                .arg(window->objectName(), widget->metaObject()->className(), name);
        const bool holds_controls = widget == window || qobject_cast<PropertyPage*>(widget) ||
                                    qobject_cast<QTabWidget*>(widget) ||
                                    qobject_cast<QStackedWidget*>(widget);
        const bool reachable = widget->focusPolicy() != Qt::NoFocus ||
                               qobject_cast<QAbstractButton*>(widget) != nullptr;
        if (digits.match(name).hasMatch()) faults << what + " is named by a number";
        if (!part && !name.startsWith(QStringLiteral("qt_"))) {
            if (name.isEmpty() && (reachable || widget == window)) faults << what + " has no name";
            if (!name.isEmpty() && ++seen[name] == 2) faults << what + " names two controls";
        }
        const bool parts_below = part || (!holds_controls && (reachable || !name.isEmpty()));
        for (QObject* child : widget->children())
            if (auto* inner = qobject_cast<QWidget*>(child)) walk(inner, parts_below);
    };
    walk(window, false);
    return faults;
}

void Drop(QWidget* target, const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    const QPointF at = QPointF(target->rect().center());
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
}

}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT

  private:
    TempDir disk_;  // trip/ with three pictures, trip/sub/, and an empty "other/"

  private slots:
    void initTestCase() {
        PrepareTestProgram();
        for (const char* name : {"trip/a.jpg", "trip/b.jpg", "trip/夏の海辺で撮った写真.jpg"})
            QVERIFY(WriteTestFile(disk_ / name, "x"));
        std::filesystem::create_directories(disk_ / "trip/sub");
        std::filesystem::create_directories(disk_ / "other");
    }
    void cleanup() { SetWindowPlacementFile(QString()); }

    void eachWindowOpensAsLaidOutAndGivesTheNewSpaceToThePictures_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QList<ControlId>>("growing");  // controls that must grow
        QTest::addColumn<QList<QRect>>("placed");  // their places at the opening size, in units
        QTest::newRow("Pictavo, picture page")
            << "picture"
            << QList<ControlId>{picture_ids::kFolderTree, picture_ids::kFileList,
                                picture_ids::kPreview, picture_ids::kCommentEdit}
            << QList<QRect>{
                   {7, 4, 113, 97}, {7, 103, 113, 103}, {126, 4, 117, 124}, {126, 148, 117, 36}};
        QTest::newRow("Pictavo, style page: the lists never shrink")
            << "style"
            << QList<ControlId>{style_ids::kPreview, style_ids::kThemeList,
                                style_ids::kWallpaperList, style_ids::kRuleList,
                                style_ids::kMusicList}
            << QList<QRect>{{112, 7, 131, 96},
                            {7, 18, 97, 62},
                            {148, 118, 70, 14},
                            {148, 158, 70, 14},
                            {148, 199, 70, 14}};
        QTest::newRow("Scalvo") << "resizer"
                                << QList<ControlId>{resize_ids::kFolderTree, resize_ids::kFileList,
                                                    resize_ids::kPreview}
                                << QList<QRect>{
                                       {7, 30, 120, 148}, {133, 30, 110, 130}, {249, 30, 144, 130}};
        QTest::newRow("folder chooser")
            << "chooser" << QList<ControlId>{chooser_ids::kFolderTree, chooser_ids::kPathEdit}
            << QList<QRect>{{7, 27, 157, 119}, {7, 7, 157, 14}};
    }
    void eachWindowOpensAsLaidOutAndGivesTheNewSpaceToThePictures() {
        QFETCH(QString, which);
        QFETCH(QList<ControlId>, growing);
        QFETCH(QList<QRect>, placed);
        Rig rig;
        rig.Open(which, disk_.Path());
        const DialogUnits du(DialogFont());
        QCOMPARE(rig.window->size(), rig.window->minimumSize());
        QCOMPARE(rig.window->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        for (int i = 0; i < growing.size(); ++i) {
            const QRect& u = placed[i];
            QCOMPARE(Control(rig.panel, growing[i])->geometry(),
                     du.ToPixels(u.x(), u.y(), u.width(), u.height()));
        }
        const std::map<QWidget*, QRect> opening = Geometries(rig.panel);

        const QSize small = rig.window->size();
        rig.window->resize(small + QSize(240, 160));
        for (ControlId id : growing) {
            QWidget* control = Control(rig.panel, id);
            QTRY_VERIFY2(control->width() * control->height() >
                             opening.at(control).width() * opening.at(control).height(),
                         id.object_name);
            QVERIFY(control->width() >= opening.at(control).width());
            QVERIFY(control->height() >= opening.at(control).height());
            QVERIFY(rig.panel->rect().contains(control->geometry()));
        }

        rig.window->resize(small);
        QTRY_VERIFY(Geometries(rig.panel) == opening);
    }

    void sizePlaceAndMaximisedStateAreKeptOutsideTheProfile() {
        TempDir config;
        const QString file = QString::fromStdString(config / "pictavo/windows.conf");
        SetWindowPlacementFile(file);
        const std::string profile = config / "Pictavo.INI";
        RecordingUserDialogs dialogs;
        RecordingShellOpener shell;
        CAlbumApp::Options options{profile, disk_.Path(), {}};
        auto run = [&](const std::function<void(CPropSheet&)>& act) {
            CAlbumApp app(dialogs, shell, options);
            QVERIFY(app.InitInstance());
            QVERIFY(QTest::qWaitForWindowExposed(app.Sheet()));
            act(*app.Sheet());
            app.Sheet()->Settings().save_param = 1;
            app.Sheet()->close();
            app.ExitInstance();
        };

        QRect grown;
        run([&](CPropSheet& sheet) {
            sheet.resize(sheet.size() + QSize(120, 90));
            sheet.move(40, 30);
            grown = sheet.geometry();
        });
        QSettings kept(file, QSettings::IniFormat);
        QCOMPARE(kept.value("sheet/width").toInt(), grown.width());
        QCOMPARE(kept.value("sheet/x").toInt(), grown.x());
        // The profile holds its 33 keys, byte for byte what the settings alone give.
        AlbumSettings expected;
        LoadSettings(ProfileStore(profile), expected);
        const std::string alone = config / "alone.INI";
        ProfileStore store(alone);
        SaveSettings(store, expected);
        QCOMPARE(ReadTestFile(profile), ReadTestFile(alone));
        QCOMPARE(QString::fromStdString(ReadTestFile(profile)).count(QLatin1Char('=')), 36);

        run([&](CPropSheet& sheet) {
            QCOMPARE(sheet.geometry(), grown);
            sheet.showMaximized();
            QTRY_VERIFY(sheet.isMaximized());
        });
        run([&](CPropSheet& sheet) {
            QTRY_VERIFY(sheet.isMaximized());
            sheet.showNormal();
            QTRY_COMPARE(sheet.geometry(), grown);
        });

        // A place on a screen that is gone comes back onto the screen.
        kept.setValue("sheet/x", -40000);
        kept.setValue("sheet/y", 40000);
        kept.sync();
        run([&](CPropSheet& sheet) {
            const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY2(free.contains(sheet.geometry().topLeft()), qPrintable(file));
        });

        // Scalvo's window is kept too; its job's values start fresh at every run.
        QSize scalvo;
        {
            CResizeDialog dialog(dialogs);
            dialog.show();
            dialog.resize(dialog.size() + QSize(60, 40));
            scalvo = dialog.size();
            SheetFixture::TypeInto(Control<QLineEdit>(&dialog, resize_ids::kPercentEdit),
                                   QStringLiteral("55"));
            dialog.reject();
        }
        CResizeDialog again(dialogs);
        QCOMPARE(again.size(), scalvo);
        again.show();
        QCOMPARE(Control<QLineEdit>(&again, resize_ids::kPercentEdit)->text(),
                 QStringLiteral("100"));
    }

    // Saved places on the screen the window comes back to (the default one, and 1024 x 768 in a
    // second ctest): places relative to the screen's free area, sizes in pixels.
    void aRememberedPlaceComesBackWholeOnTheScreen_data() {
        QTest::addColumn<QRect>("saved");
        QTest::addColumn<QSize>("minimum");  // the window's opening size
        QTest::addColumn<QSize>("size");     // expected; empty: the free area less the frame
        const QSize free = QGuiApplication::primaryScreen()->availableGeometry().size();
        QTest::newRow("hanging over the right edge")
            << QRect(free.width() - 100, 50, 300, 200) << QSize(200, 150) << QSize(300, 200);
        QTest::newRow("larger than the screen, shrunk to it")
            << QRect(0, 0, 1500, 950) << QSize(400, 300) << QSize();
        QTest::newRow("title bar above the screen")
            << QRect(100, -650, 500, 400) << QSize(400, 300) << QSize(500, 400);
        QTest::newRow("opening size larger than the screen: its top-left corner on it")
            << QRect(300, 200, 400, 300) << free + QSize(100, 50) << free + QSize(100, 50);
    }
    void aRememberedPlaceComesBackWholeOnTheScreen() {
        QFETCH(QRect, saved);
        QFETCH(QSize, minimum);
        QFETCH(QSize, size);
        const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
        saved.translate(free.topLeft());
        TempDir config;
        QVERIFY(WriteTestFile(config / "windows.conf",
                              QStringLiteral("[w]\nx=%1\ny=%2\nwidth=%3\nheight=%4\n")
                                  .arg(saved.x())
                                  .arg(saved.y())
                                  .arg(saved.width())
                                  .arg(saved.height())
                                  .toStdString()));
        SetWindowPlacementFile(Q(config / "windows.conf"));
        QWidget window;
        window.setMinimumSize(minimum);
        QVERIFY(KeepWindowPlacement(&window, QStringLiteral("w")));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect frame = window.frameGeometry();
        QCOMPARE(window.size(),
                 size.isEmpty() ? free.size() - (frame.size() - window.size()) : size);
        if (minimum.width() < free.width() && minimum.height() < free.height())
            QVERIFY2(free.contains(frame), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                          .arg(frame.x())
                                                          .arg(frame.y())
                                                          .arg(frame.width())
                                                          .arg(frame.height())));
        else
            QCOMPARE(frame.topLeft(), free.topLeft());
    }

    // A windows.conf that someone else wrote: the window opens (placed only from plain integers),
    // no larger than the screen, and what it writes at closing is read back.
    void aHostileWindowsFileNeitherStopsNorSwellsTheWindow_data() {
        QTest::addColumn<QByteArray>("group");  // the window's lines
        QTest::addColumn<bool>("placed");
        // 40,000 lists nested in one another, as Qt's settings would write a variant: its reader
        // takes one level of the stack per level of nesting.
        QByteArray nested = "@Variant(";
        for (int i = 0; i < 40000; ++i) nested += "\\0\\0\\0\\t\\0\\0\\0\\x1";
        nested += "\\0\\0\\0\\x2\\0\\0\\0\\x5)";
        QTest::newRow("lists nested 40,000 deep")
            << "x=" + nested + "\ny=10\nwidth=500\nheight=400\n"
            << false;
        QTest::newRow("a byte array")
            << QByteArray("x=@ByteArray(10)\ny=10\nwidth=500\nheight=400\n") << false;
        QTest::newRow("numbers not written plainly")
            << QByteArray("x=0x10\ny=1e3\nwidth=+500\nheight=400px\n") << false;
        QTest::newRow("more digits than any place has")
            << QByteArray("x=99999999999999999999\ny=10\nwidth=500\nheight=400\n") << false;
        QTest::newRow("the largest window size")
            << QByteArray("x=0\ny=0\nwidth=16777215\nheight=16777215\n") << true;
        QTest::newRow("the largest integers")
            << QByteArray("x=2147483647\ny=2147483647\nwidth=2147483647\nheight=2147483647\n")
            << true;
        QTest::newRow("the smallest integers, negative sizes")
            << QByteArray("x=-2147483648\ny=-2147483648\nwidth=-500\nheight=-2147483648\n") << true;
        QTest::newRow("other keys ignored")
            << QByteArray(
                   "geometry=@ByteArray(\\0\\x1)\nx=10\ny=20\nwidth=500\nheight=400\n"
                   "maximized=@Variant(\\0\\0\\0\\x1\\x1)\nstate=" +
                   nested + "\n")
            << true;
    }
    void aHostileWindowsFileNeitherStopsNorSwellsTheWindow() {
        QFETCH(QByteArray, group);
        QFETCH(bool, placed);
        const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
        TempDir config;
        QVERIFY(WriteTestFile(config / "windows.conf", "[w]\n" + group.toStdString()));
        SetWindowPlacementFile(Q(config / "windows.conf"));
        QRect closed;
        {
            QWidget window;
            window.setMinimumSize(400, 300);
            QCOMPARE(KeepWindowPlacement(&window, QStringLiteral("w")), placed);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(!window.isMaximized());
            QVERIFY(free.contains(window.frameGeometry()));
            window.setGeometry(QRect(free.topLeft() + QPoint(30, 40), window.minimumSize()));
            closed = window.geometry();
            window.close();
        }
        QWidget again;
        again.setMinimumSize(400, 300);
        QVERIFY(KeepWindowPlacement(&again, QStringLiteral("w")));
        QCOMPARE(again.geometry(), closed);
    }

    void aDroppedFolderOrPictureOpensInTheTree_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("dropped");   // under the root
        QTest::addColumn<ControlId>("target");  // the control it is dropped on
        QTest::addColumn<int>("highlighted");   // the line highlighted afterwards
        QTest::newRow("Pictavo: a folder on the list") << "picture"
                                                       << "trip" << picture_ids::kFileList << -1;
        QTest::newRow("Pictavo: a picture on the HTML page's title")
            << "html"
            << "trip/b.jpg" << html_ids::kTitleEdit << 1;
        QTest::newRow("Scalvo: a folder on the preview") << "resizer"
                                                         << "trip/" << resize_ids::kPreview << -1;
        QTest::newRow("Scalvo: a picture on the output folder")
            << "resizer"
            << "trip/a.jpg" << resize_ids::kOutputFolderEdit << 0;
    }
    void aDroppedFolderOrPictureOpensInTheTree() {
        QFETCH(QString, which);
        QFETCH(QString, dropped);
        QFETCH(ControlId, target);
        QFETCH(int, highlighted);
        Rig rig;
        rig.Open(which, disk_.Path());
        CFolderTree* tree = rig.resizer ? rig.resizer->Tree() : rig.sheet->PicturePage()->Tree();
        CPictureList* list = rig.resizer ? rig.resizer->List() : rig.sheet->PicturePage()->List();
        QLineEdit* edit = qobject_cast<QLineEdit*>(Control(rig.panel, target));
        const QString text_before = edit ? edit->text() : QString();
        QSignalSpy chosen(tree, &CFolderTree::FolderSelected);

        Drop(Control(rig.panel, target), disk_ / dropped.toStdString());
        QCOMPARE(chosen.count(), 1);  // as one click on the folder
        QCOMPARE(tree->SelectedPath(), disk_ / "trip");
        QCOMPARE(list->Count(), 3);
        QCOMPARE(list->FirstHighlighted(), highlighted);
        if (edit) QCOMPARE(edit->text(), text_before);  // nothing was pasted
        if (rig.sheet) QCOMPARE(rig.sheet->Tabs()->currentIndex(), 0);
    }

    void everyTextIsShownWhole() {
        // Run also under QT_SCALE_FACTOR=2 (a second ctest).
        Rig rig;
        rig.Open("picture", disk_.Path());
        for (int tab = 0; tab < 4; ++tab) {
            rig.sheet->Tabs()->setCurrentIndex(tab);
            QCOMPARE(rig.sheet->Tabs()->currentIndex(), tab);
            QVERIFY2(CutTexts(rig.sheet.get()).isEmpty(),
                     qPrintable(CutTexts(rig.sheet.get()).join(" | ")));
        }
        QVERIFY(Control<QComboBox>(rig.sheet->Page(2), style_ids::kMusicList)
                    ->findText("umi_no_kaze.wav") > 0);

        Rig scalvo;
        scalvo.Open("resizer", disk_.Path() + "/trip");
        QCOMPARE(scalvo.resizer->List()->Count(), 3);
        QVERIFY2(CutTexts(scalvo.window).isEmpty(),
                 qPrintable(CutTexts(scalvo.window).join(" | ")));
        Rig chooser;
        chooser.Open("chooser", disk_.Path());
        QVERIFY2(CutTexts(chooser.window).isEmpty(),
                 qPrintable(CutTexts(chooser.window).join(" | ")));

        const ThemeList themes;
        CAddThemeDialog add_theme(themes, rig.dialogs);
        CAboutDlg about;
        for (QDialog* dialog : std::initializer_list<QDialog*>{&add_theme, &about}) {
            dialog->show();
            QVERIFY2(CutTexts(dialog).isEmpty(), qPrintable(CutTexts(dialog).join(" | ")));
        }
        CProgressDlg progress(rig.sheet.get());
        progress.Open();
        for (const char* phase :
             {"フォルダの準備をしています...", "具材をコピーしています...",
              "サムネイルを作成しています...", "HTMLを作成しています...", "作成しています..."}) {
            progress.SetMessage(phase);
            QVERIFY2(CutTexts(&progress).isEmpty(), phase);
        }
        progress.Close();
    }

    void everyControlIsNamedForWhatItIs() {
        Rig pictavo;
        pictavo.Open("picture", disk_.Path());
        Rig scalvo;
        scalvo.Open("resizer", disk_.Path());
        Rig chooser;
        chooser.Open("chooser", disk_.Path());
        const ThemeList themes;
        CAddThemeDialog add_theme(themes, pictavo.dialogs);
        CAboutDlg about;
        CProgressDlg progress;
        QStringList faults;
        for (QWidget* window : std::initializer_list<QWidget*>{
                 pictavo.window, scalvo.window, chooser.window, &add_theme, &about, &progress})
            faults << NamingFaults(window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(" | ")));
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_wtest.moc"
