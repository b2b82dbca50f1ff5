// The windows of both programs as a desktop user meets them: each opens at its layout's size and
// grows from there, keeps its size and place across runs in a file of its own, takes a dropped
// folder or picture, shows every text whole, names every control for what it is, and reads to a
// screen reader and the keyboard from the top left.

#include <QAccessible>
#include <QButtonGroup>
#include <QColorDialog>
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
#include <QTimer>
#include <QUrl>
#include <functional>
#include <map>

#include "album/settings/album_setting_schema.h"
#include "album/settings/album_settings.h"
#include "album/shell/c_album_app.h"
#include "album/shell/c_picture_page.h"
#include "album/style/c_add_theme_dialog.h"
#include "album/style/c_color_button.h"
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
#include "widgets/message_box_dialogs.h"
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
    std::unique_ptr<QDialog> dialog;  // the theme title dialog, the about box, the progress window
    QWidget* window = nullptr;        // the top-level window
    QWidget* panel = nullptr;         // the page or dialog whose controls are checked

    // `which`: "picture", "html", "style", "output" (the sheet's pages), "resizer", "chooser",
    // "theme title", "about", "progress".
    void Open(const QString& which, const std::string& root) {
        const auto only_root = [root] { return std::vector<FolderRoot>{{root, RootKind::Fixed}}; };
        static const ThemeList no_themes;
        if (which == "theme title" || which == "about" || which == "progress") {
            if (which == "theme title")
                dialog = std::make_unique<CAddThemeDialog>(no_themes, dialogs);
            else if (which == "about")
                dialog = std::make_unique<CAboutDlg>();
            else
                dialog = std::make_unique<CProgressDlg>();
            dialog->show();
            window = panel = dialog.get();
        } else if (which == "resizer") {
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

// Gives the focus to the first control inside `within` that Tab would stop at.
void FocusFirst(QWidget* within) {
    for (QWidget* w = within->nextInFocusChain(); w != within; w = w->nextInFocusChain())
        if (within->isAncestorOf(w) && w->isVisible() && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
}

// What a screen reader finds in `window` and a keyboard user meets in `panel` (the window, or the
// open page of the sheet), as faults:
// - a control without a name: a showing object that the user acts on or reads as a thing of its
//   own (the lines of a list and the parts inside a control are read by their own text);
// - a control that takes the focus by Tab but is never reached by pressing Tab around the window
//   (a radio button counts as reached when its group is, as Tab stops once per group and the
//   arrow keys move within it);
// - a Tab order other than `order`, the names the user hears, starting from the first (an empty
//   list: the toolkit's own dialog, whose order is its business).
QStringList AccessibilityFaults(QWidget* window, QWidget* panel, const QStringList& order) {
    QStringList faults;
    // The name a control declares; a drop-down list's is its choice where the platform reads
    // it so (on Linux the list's label comes through a relation).
    const auto name_of = [](QWidget* widget) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        if (!widget->accessibleName().isEmpty()) return widget->accessibleName();
        return a ? a->text(QAccessible::Name) : QString();
    };

    static const QSet<QAccessible::Role> controls = {
        QAccessible::PushButton,   QAccessible::CheckBox,    QAccessible::RadioButton,
        QAccessible::EditableText, QAccessible::SpinBox,     QAccessible::ComboBox,
        QAccessible::List,         QAccessible::Tree,        QAccessible::Table,
        QAccessible::Slider,       QAccessible::ProgressBar, QAccessible::Graphic,
        QAccessible::PageTabList,  QAccessible::ButtonMenu,  QAccessible::ButtonDropDown,
        QAccessible::Border};
    static const QSet<QAccessible::Role> holders = {
        QAccessible::List,        QAccessible::Tree,      QAccessible::Table,
        QAccessible::ComboBox,    QAccessible::ScrollBar, QAccessible::PageTabList,
        QAccessible::PushButton,  QAccessible::CheckBox,  QAccessible::RadioButton,
        QAccessible::EditableText};
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* a) {
        for (int i = 0; i < a->childCount(); ++i) {
            QAccessibleInterface* child = a->child(i);
            if (!child || child->state().invisible) continue;
            auto* widget = qobject_cast<QWidget*>(child->object());
            // A control of a table row, anything the toolkit calls a control, anything Tab
            // stops at; not the sheet's tabs and pages, which only hold controls.
            const bool holder =
                qobject_cast<PropertyPage*>(widget) || qobject_cast<QTabWidget*>(widget);
            const bool named_by_table = widget && !widget->objectName().isEmpty() &&
                                        !widget->objectName().startsWith(QStringLiteral("qt_"));
            const bool focusable = widget && (widget->focusPolicy() & Qt::TabFocus);
            if (!holder && (controls.contains(child->role()) || named_by_table || focusable) &&
                child->text(QAccessible::Name).trimmed().isEmpty())
                faults << QStringLiteral("no name: %1 \"%2\" (role %3)")
                              .arg(widget ? widget->metaObject()->className() : "?",
                                   widget ? widget->objectName() : QString())
                              .arg(child->role());
            if (!holders.contains(child->role())) walk(child);
        }
    };
    walk(QAccessible::queryAccessibleInterface(window));

    // Tab around the window from where the focus is, back to it.
    QWidget* first = window->focusWidget();
    if (!first) {
        FocusFirst(window);
        first = window->focusWidget();
    }
    if (!first) return faults << "nothing in the window takes the focus";
    QList<QWidget*> round;
    for (QWidget* now = first; round.size() < 100;) {
        round << now;
        QTest::keyClick(now, Qt::Key_Tab);
        now = QApplication::focusWidget();
        if (!now || now == first) break;
    }
    QStringList heard;
    for (QWidget* w : round)
        if (panel->isAncestorOf(w) || w == panel) heard << name_of(w);
    if (!order.isEmpty()) {
        // The round began wherever the focus stood: read it from the first control of `order`.
        const qsizetype start = heard.indexOf(order.first());
        if (start > 0) heard = heard.mid(start) + heard.mid(0, start);
        if (heard != order) faults << "Tab reads " + heard.join(" > ");
    }
    for (QWidget* w : panel->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) ||
            w->focusProxy() || round.contains(w))
            continue;
        // Inside a control that takes the focus itself (a list's viewport): its part.
        bool part = false;
        for (QWidget* up = w->parentWidget(); up && up != panel; up = up->parentWidget())
            part = part || (up->focusPolicy() & Qt::TabFocus);
        if (part) continue;
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->autoExclusive()) {
            const QList<QAbstractButton*> group =
                button->group()
                    ? button->group()->buttons()
                    : w->parentWidget()->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly);
            if (std::any_of(group.begin(), group.end(),
                            [&](QAbstractButton* b) { return round.contains(b); }))
                continue;
        }
        faults << "out of Tab's reach: " + name_of(w);
    }
    return faults;
}

// Runs `check` on the modal window that `open` opens, then closes it with Esc.
QStringList CheckModal(const std::function<void()>& open,
                       const std::function<QStringList(QWidget*)>& check) {
    QStringList faults;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            faults << "no modal window opened";
            return;
        }
        QTest::qWaitForWindowActive(modal);
        faults = check(modal);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    open();
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
        QCOMPARE(QString::fromStdString(ReadTestFile(profile)).count(QLatin1Char('=')),
                 static_cast<qsizetype>(kAlbumSettingSchema.size()));

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

    // Every window and dialog of both programs, as a screen reader and the keyboard meet it.
    void aScreenReaderHearsEveryControlAndTabReadsFromTheTopLeft_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QStringList>("order");  // the names Tab reads, in order
        QTest::newRow("Pictavo, picture page") << "picture"
                                               << QStringList{"画像のあるフォルダ",
                                                              "画像ファイル",
                                                              "すべてを選択",
                                                              "サムネイル表示",
                                                              "画像の説明を読み込む",
                                                              "回転",
                                                              "ピクチャーに対するコメント：",
                                                              "サムネイルの幅",
                                                              "サムネイルの高さ",
                                                              "ヘルプ"};
        QTest::newRow("Pictavo, HTML page")
            << "html"
            << QStringList{"HTMLタイトル",
                           "タイトル行の下の説明文",
                           "MARQUEE使用（IE4以上）",
                           "枠をつける",
                           "ファイル名を表示",
                           "撮影日時順に並べる",
                           "列数：",
                           "サムネイルを複数のHTMLに分けて表示する。",
                           "元のサイズで表示。",
                           "slide show ボタンをつける",
                           "クラシック"};
        QTest::newRow("Pictavo, style page") << "style"
                                             << QStringList{"コーディネートテーマ",
                                                            "現在の設定をテーマに追加...",
                                                            "HTMLのタイトルの色",
                                                            "HTMLのタイトルのサイズ",
                                                            "タイトル行の下の文の色",
                                                            "タイトル行の下の文のサイズ",
                                                            "サムネイルのコメントの色",
                                                            "サムネイルのコメントのサイズ",
                                                            "背景の色",
                                                            "壁紙",
                                                            "壁紙を見る",
                                                            "仕切り",
                                                            "仕切りを見る",
                                                            "BGM",
                                                            "BGMを聴く"};
        QTest::newRow("Pictavo, output page") << "output"
                                              << QStringList{"元画像があるフォルダに出力する。",
                                                             "出力先ディレクトリ：",
                                                             "参照...",
                                                             "HTMLファイル名：",
                                                             "ピクチャフォルダ名：",
                                                             "サムネイルフォルダ名：",
                                                             "具材フォルダ名：",
                                                             "[戻る]のリンク先URL",
                                                             "HTMLのみを再作成",
                                                             "終了時に全ての設定を保存",
                                                             "位置情報を削除",
                                                             "アルバム作成",
                                                             "閉じる"};
        QTest::newRow("Pictavo, theme title dialog")
            << "theme title" << QStringList{"テーマタイトル ：", "OK", "ｷｬﾝｾﾙ"};
        QTest::newRow("Pictavo, colour chooser") << "colour chooser" << QStringList();
        QTest::newRow("message box") << "message box" << QStringList{"OK"};
        QTest::newRow("progress window") << "progress" << QStringList{"中止"};
        QTest::newRow("folder chooser")
            << "chooser" << QStringList{"選択したディレクトリ", "ディレクトリ", "OK", "ｷｬﾝｾﾙ"};
        QTest::newRow("Scalvo") << "resizer"
                                << QStringList{"画像のあるディレクトリ",
                                               "画像ファイル選択",
                                               "すべてを選択",
                                               "サムネイル表示",
                                               "回転",
                                               "縮小率 ：",
                                               "縮小率（％）",
                                               "JPEG圧縮率",
                                               "JPEG圧縮率（％）",
                                               "出力先ディレクトリ：",
                                               "参照...",
                                               "元画像を上書きする。",
                                               "出力形式",
                                               "バージョン情報",
                                               "位置情報を削除",
                                               "作成",
                                               "閉じる"};
        QTest::newRow("Scalvo, about box") << "about" << QStringList{"OK"};
    }
    void aScreenReaderHearsEveryControlAndTabReadsFromTheTopLeft() {
        QFETCH(QString, which);
        QFETCH(QStringList, order);
        const auto check = [&](QWidget* window) {
            return AccessibilityFaults(window, window, order);
        };
        QStringList faults;
        if (which == "colour chooser") {
            faults =
                CheckModal([] { CColorButton::ChooseColorWithDialog(nullptr, 0x336699); }, check);
        } else if (which == "message box") {
            MessageBoxDialogs boxes;
            faults = CheckModal(
                [&] {
                    boxes.ShowMessage("1 から 10 までの整数を入力してください。", std::nullopt,
                                      MessageIcon::Exclamation, MessageButtons::Ok);
                },
                check);
        } else {
            Rig rig;
            rig.Open(which, disk_.Path() + "/trip");
            if (rig.sheet) FocusFirst(rig.panel);
            faults = AccessibilityFaults(rig.window, rig.panel, order);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("\n")));
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
