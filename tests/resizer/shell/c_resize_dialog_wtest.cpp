#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/file_system.h"
#include "resizer/shell/about_dlg_ids.h"
#include "resizer/shell/c_about_dlg.h"
#include "resizer/shell/c_resize_dialog.h"
#include "resizer/shell/resize_dialog_ids.h"
#include "tests/support/find_control.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"
#include "widgets/c_folder_dlg.h"
#include "widgets/c_folder_tree.h"
#include "widgets/c_picture_list.h"
#include "widgets/data_exchange.h"
#include "widgets/message_box_dialogs.h"
#include "widgets/picture_browser.h"
#include "widgets/preview_frame.h"

namespace {

namespace ids = resize_dialog_ids;
namespace about_ids = about_dlg_ids;

const QString kPlaceholder = QString::fromUtf8(CResizeDialog::kOriginalFolderText);

// One dialog, shown and active, whose messages are recorded instead of shown.
struct Fixture {
    RecordingUserDialogs dialogs;
    std::unique_ptr<CResizeDialog> dialog;

    explicit Fixture(const std::string& root = {}) {
        dialog = std::make_unique<CResizeDialog>(dialogs);
        if (!root.empty()) {
            dialog->Tree()->SetRootProvider([root] {
                return std::vector<FolderRoot>{{root, RootKind::Fixed}};
            });
        }
        dialog->show();
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog.get())) qWarning("dialog not active");
    }

    template <typename T>
    T* Find(ControlId id) const {
        return Control<T>(dialog.get(), id);
    }
    QLineEdit* Edit(ControlId id) const { return Find<QLineEdit>(id); }

    // Replaces an edit's text as a user would: focus, select all, type.
    void Type(ControlId id, const QString& text) const {
        QLineEdit* edit = Edit(id);
        edit->setFocus(Qt::MouseFocusReason);
        edit->selectAll();
        // Key events carry Latin-1 text only; other text arrives as an input method would put it.
        bool latin = true;
        for (QChar c : text) latin = latin && c.unicode() < 128;
        if (latin)
            QTest::keyClicks(edit, text);
        else
            edit->insert(text);
    }
    // Moves the focus on with the Tab key, which leaves the focused control.
    void Leave(ControlId id) const { QTest::keyClick(Edit(id), Qt::Key_Tab); }
};

}  // namespace

class CResizeDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void startState();
    void everyControlCarriesItsId();
    void qualityLineFillsTheEdit_data();
    void qualityLineFillsTheEdit();
    void qualityLineChosenWithTheKeyboard();
    void qualityEditSelectsItsLine_data();
    void qualityEditSelectsItsLine();
    void sizeModeEnablesItsEdits_data();
    void sizeModeEnablesItsEdits();
    void overwriteBoxSwitchesTheOutputFolder();
    void overwriteBoxKeepsATypedFolder();
    void enterInScaleEditShowsRangeMessageAndStaysOpen();
    void enterNeverPressesAButton_data();
    void enterNeverPressesAButton();
    void enterPressesTheFocusedButton();
    void transferStopsAtTheFirstRefusedValue();
    void notAWholeNumberLeavesTheFieldUnchanged();
    void leavingARefusedEditShowsOneMessage();
    void aRefusedValueKeepsTheFocusBehindARealMessageBox();
    void placeholderRefusedAsOutputFolder();
    void createDoesNotRunWithARefusedValue();
    void browseTakesTheChosenFolder();
    void browseOpensTheFolderChooser();
    void aboutBoxFromTheButton();
    void aboutBoxFromTheContextMenu();
    void escapeClosesTheDialog();
    void escapeAsksBeforeTicksAndTurnsAreLost();
    void closeButtonClosesWithoutCheckingTheEdit();
};

void CResizeDialogTest::startState() {
    Fixture f;
    QCOMPARE(f.dialog->windowTitle(), QStringLiteral("Scalvo 1.1") + QString(9, QChar(0x3000)));
    QVERIFY(f.Find<QRadioButton>(ids::kPercentRadio)->isChecked());
    QVERIFY(f.Edit(ids::kPercentEdit)->isEnabled());
    QCOMPARE(f.Edit(ids::kPercentEdit)->text(), QStringLiteral("100"));
    QVERIFY(!f.Edit(ids::kWidthEdit)->isEnabled());
    QCOMPARE(f.Edit(ids::kWidthEdit)->text(), QStringLiteral("400"));
    QVERIFY(!f.Edit(ids::kHeightEdit)->isEnabled());
    QCOMPARE(f.Edit(ids::kHeightEdit)->text(), QStringLiteral("300"));
    QCOMPARE(f.Find<QComboBox>(ids::kQualityList)->currentText(), QStringLiteral("標準"));
    QCOMPARE(f.Edit(ids::kQualityEdit)->text(), QStringLiteral("50"));
    QCOMPARE(f.Edit(ids::kOutputFolderEdit)->text(), QStringLiteral("~/MyAlbum"));
    QVERIFY(f.Edit(ids::kOutputFolderEdit)->isEnabled());
    QVERIFY(f.Find<QPushButton>(ids::kBrowseButton)->isEnabled());
    QVERIFY(!f.Find<QCheckBox>(ids::kOverwriteCheck)->isChecked());
    QCOMPARE(f.dialog->Browser()->Current(), -1);
    QVERIFY(!f.dialog->Browser()->PreviewImage());
    QCOMPARE(f.dialog->QualityPreset(), 2);
    QVERIFY(f.dialogs.calls.empty());

    // The empty preview is the light grey area with "（なし）" in its middle.
    auto* frame = f.Find<PreviewFrame>(ids::kPreview);
    const QImage shot = frame->grab().toImage();
    const QPoint corner = frame->Area().topLeft() + QPoint(3, 3);
    QCOMPARE(QColor(shot.pixel(corner)), QColor(192, 192, 192));
}

void CResizeDialogTest::everyControlCarriesItsId() {
    Fixture f;
    const ControlId named[] = {ids::kFolderTree,       ids::kFileList,     ids::kPreview,
                               ids::kSelectAllButton,  ids::kRotateButton, ids::kPercentRadio,
                               ids::kPercentEdit,      ids::kHeightRadio,  ids::kHeightEdit,
                               ids::kWidthRadio,       ids::kWidthEdit,    ids::kBoxRadio,
                               ids::kKeepSizeRadio,    ids::kQualityList,  ids::kQualityEdit,
                               ids::kOutputFolderEdit, ids::kBrowseButton, ids::kOverwriteCheck,
                               ids::kFormatList,       ids::kCreateButton, ids::kCloseButton};
    for (ControlId id : named)
        QVERIFY2(f.dialog->findChild<QWidget*>(id.ObjectName()) != nullptr, id.object_name);
    QCOMPARE(f.Find<QPushButton>(ids::kCreateButton)->text(), QStringLiteral("作成"));
    QCOMPARE(f.Find<QPushButton>(ids::kCloseButton)->text(), QStringLiteral("閉じる"));
    QCOMPARE(f.Find<QPushButton>(ids::kBrowseButton)->text(), QStringLiteral("参照..."));
    QCOMPARE(f.Find<QCheckBox>(ids::kOverwriteCheck)->text(),
             QStringLiteral("元画像を上書きする。"));
    QCOMPARE(f.Find<QRadioButton>(ids::kBoxRadio)->text(),
             QStringLiteral("高さと幅の範囲に収める"));
    auto* list = f.Find<QComboBox>(ids::kQualityList);
    QCOMPARE(list->count(), 4);
    QCOMPARE(list->itemText(0), QStringLiteral("最高画質"));
    QCOMPARE(list->itemText(3), QStringLiteral("低画質"));
    // Controls keep their places inside the dialog.
    for (QWidget* w : f.dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        QVERIFY2(f.dialog->rect().contains(w->geometry()), qPrintable(w->objectName()));
}

void CResizeDialogTest::qualityLineFillsTheEdit_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("quality");
    QTest::newRow("best") << 0 << "100";
    QTest::newRow("high") << 1 << "75";
    QTest::newRow("standard") << 2 << "50";
    QTest::newRow("low") << 3 << "30";
}

void CResizeDialogTest::qualityLineFillsTheEdit() {
    QFETCH(int, line);
    QFETCH(QString, quality);
    Fixture f;
    auto* list = f.Find<QComboBox>(ids::kQualityList);
    list->setCurrentIndex(line);
    emit list->activated(line);
    QCOMPARE(f.Edit(ids::kQualityEdit)->text(), quality);
    // Only the edit changes until the next transfer.
    QCOMPARE(f.dialog->Settings().jpegQuality, 50);
}

void CResizeDialogTest::qualityLineChosenWithTheKeyboard() {
    Fixture f;
    auto* list = f.Find<QComboBox>(ids::kQualityList);
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentText(), QStringLiteral("低画質"));
    QCOMPARE(f.Edit(ids::kQualityEdit)->text(), QStringLiteral("30"));
}

void CResizeDialogTest::qualityEditSelectsItsLine_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("line");
    QTest::newRow("80 is high") << "80"
                                << "高画質";
    QTest::newRow("75 is high") << "75"
                                << "高画質";
    QTest::newRow("74 is standard") << "74"
                                    << "標準";
    QTest::newRow("31 is standard") << "31"
                                    << "標準";
    QTest::newRow("30 is low") << "30"
                               << "低画質";
    QTest::newRow("10 is low") << "10"
                               << "低画質";
    QTest::newRow("100 is best") << "100"
                                 << "最高画質";
}

void CResizeDialogTest::qualityEditSelectsItsLine() {
    QFETCH(QString, typed);
    QFETCH(QString, line);
    Fixture f;
    f.Type(ids::kQualityEdit, typed);
    f.Leave(ids::kQualityEdit);
    QCOMPARE(f.Find<QComboBox>(ids::kQualityList)->currentText(), line);
    QCOMPARE(f.dialog->Settings().jpegQuality, typed.toInt());
    QCOMPARE(f.dialog->QualityPreset(), f.Find<QComboBox>(ids::kQualityList)->currentIndex());
    QVERIFY(f.dialogs.calls.empty());
}

void CResizeDialogTest::sizeModeEnablesItsEdits_data() {
    QTest::addColumn<ControlId>("radio");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("scale");
    QTest::addColumn<bool>("width");
    QTest::addColumn<bool>("height");
    QTest::newRow("scale") << ids::kPercentRadio << 0 << true << false << false;
    QTest::newRow("same height") << ids::kHeightRadio << 1 << false << false << true;
    QTest::newRow("same width") << ids::kWidthRadio << 2 << false << true << false;
    QTest::newRow("box") << ids::kBoxRadio << 3 << false << true << true;
    QTest::newRow("keep") << ids::kKeepSizeRadio << 4 << false << false << false;
}

void CResizeDialogTest::sizeModeEnablesItsEdits() {
    QFETCH(ControlId, radio);
    QFETCH(int, mode);
    QFETCH(bool, scale);
    QFETCH(bool, width);
    QFETCH(bool, height);
    Fixture f;
    // Start from another mode so that every row changes something.
    QTest::mouseClick(f.Find<QRadioButton>(mode == 3 ? ids::kKeepSizeRadio : ids::kBoxRadio),
                      Qt::LeftButton);
    auto* button = f.Find<QRadioButton>(radio);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(button->isChecked());
    QCOMPARE(f.dialog->Settings().sizeMode, mode);
    QCOMPARE(f.Edit(ids::kPercentEdit)->isEnabled(), scale);
    QCOMPARE(f.Edit(ids::kWidthEdit)->isEnabled(), width);
    QCOMPARE(f.Edit(ids::kHeightEdit)->isEnabled(), height);
}

void CResizeDialogTest::overwriteBoxSwitchesTheOutputFolder() {
    Fixture f;
    auto* box = f.Find<QCheckBox>(ids::kOverwriteCheck);
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked());
    QVERIFY(!f.Edit(ids::kOutputFolderEdit)->isEnabled());
    QVERIFY(!f.Find<QPushButton>(ids::kBrowseButton)->isEnabled());
    QCOMPARE(f.Edit(ids::kOutputFolderEdit)->text(), kPlaceholder);
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(f.Edit(ids::kOutputFolderEdit)->isEnabled());
    QVERIFY(f.Find<QPushButton>(ids::kBrowseButton)->isEnabled());
    QCOMPARE(f.Edit(ids::kOutputFolderEdit)->text(), QStringLiteral("~/MyAlbum"));
}

void CResizeDialogTest::overwriteBoxKeepsATypedFolder() {
    Fixture f;
    f.Type(ids::kOutputFolderEdit, QStringLiteral("/srv/写真/out"));
    auto* box = f.Find<QCheckBox>(ids::kOverwriteCheck);
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(f.Edit(ids::kOutputFolderEdit)->text(), QStringLiteral("/srv/写真/out"));
}

void CResizeDialogTest::enterInScaleEditShowsRangeMessageAndStaysOpen() {
    Fixture f;
    f.Type(ids::kPercentEdit, QStringLiteral("5"));
    QTest::keyClick(f.Edit(ids::kPercentEdit), Qt::Key_Return);
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.dialogs.calls.size(), size_t{1});
    QCOMPARE(f.dialogs.calls[0].text, OutOfRangeMessage(10, 400));
    QCOMPARE(f.dialogs.calls[0].icon, MessageIcon::Exclamation);
    QCOMPARE(f.dialog->Settings().scalePercent, 5);
    QCOMPARE(QApplication::focusWidget(), f.Edit(ids::kPercentEdit));

    // A valid value is stored by Enter too, and the dialog still stays open.
    f.Type(ids::kPercentEdit, QStringLiteral("250"));
    QTest::keyClick(f.Edit(ids::kPercentEdit), Qt::Key_Enter);
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.dialog->Settings().scalePercent, 250);
    QCOMPARE(f.dialogs.calls.size(), size_t{1});
}

void CResizeDialogTest::enterNeverPressesAButton_data() {
    QTest::addColumn<ControlId>("focus");
    QTest::newRow("overwrite box") << ids::kOverwriteCheck;
    QTest::newRow("size rule") << ids::kWidthRadio;
    QTest::newRow("quality edit") << ids::kQualityEdit;
    QTest::newRow("output folder") << ids::kOutputFolderEdit;
    QTest::newRow("folder tree") << ids::kFolderTree;
}

void CResizeDialogTest::enterNeverPressesAButton() {
    QFETCH(ControlId, focus);
    Fixture f;
    int chooser_calls = 0;
    f.dialog->SetFolderChooser([&](const std::string&) {
        ++chooser_calls;
        return std::optional<std::string>();
    });
    // A value that any transfer would refuse: Enter here must not run one.
    f.Edit(ids::kQualityEdit)->setText(QStringLiteral("5"));
    QWidget* target = f.Find<QWidget>(focus);
    target->setFocus(Qt::TabFocusReason);
    QTest::keyClick(target, Qt::Key_Return);
    QTest::keyClick(target, Qt::Key_Enter);
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(chooser_calls, 0);
    QVERIFY(f.dialogs.calls.empty());  // neither a range message nor the job's messages
    QCOMPARE(f.Find<QCheckBox>(ids::kOverwriteCheck)->isChecked(), false);
}

// Enter on a focused button presses it, as Space does; the dialog's other buttons stay as they
// are.
void CResizeDialogTest::enterPressesTheFocusedButton() {
    Fixture f;
    int chooser_calls = 0;
    f.dialog->SetFolderChooser([&](const std::string&) {
        ++chooser_calls;
        return std::optional<std::string>();
    });
    auto* browse = f.Find<QPushButton>(ids::kBrowseButton);
    browse->setFocus(Qt::TabFocusReason);
    QTest::keyClick(browse, Qt::Key_Return);
    QTRY_COMPARE(chooser_calls, 1);
    QTest::keyClick(browse, Qt::Key_Enter, Qt::KeypadModifier);
    QTRY_COMPARE(chooser_calls, 2);
    QVERIFY(f.dialog->isVisible());
    auto* close = f.Find<QPushButton>(ids::kCloseButton);
    close->setFocus(Qt::TabFocusReason);
    QTest::keyClick(close, Qt::Key_Return);
    QTRY_VERIFY(!f.dialog->isVisible());
}

void CResizeDialogTest::transferStopsAtTheFirstRefusedValue() {
    Fixture f;
    f.Edit(ids::kPercentEdit)->setText(QStringLiteral("1000"));
    f.Edit(ids::kQualityEdit)->setText(QStringLiteral("90"));
    f.Find<QComboBox>(ids::kQualityList)->setCurrentIndex(0);
    QVERIFY(!f.dialog->UpdateData(true));
    QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{OutOfRangeMessage(10, 400)});
    // Controls before the refused one were read, the refused number was stored, later ones not.
    QCOMPARE(f.dialog->QualityPreset(), 0);
    QCOMPARE(f.dialog->Settings().scalePercent, 1000);
    QCOMPARE(f.dialog->Settings().jpegQuality, 50);
    QCOMPARE(QApplication::focusWidget(), f.Edit(ids::kPercentEdit));
}

void CResizeDialogTest::notAWholeNumberLeavesTheFieldUnchanged() {
    Fixture f;
    f.Edit(ids::kWidthEdit)->setText(QString());  // a disabled edit is read all the same
    f.Edit(ids::kQualityEdit)->setText(QStringLiteral("90"));
    QVERIFY(!f.dialog->UpdateData(true));
    QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{NotAWholeNumberMessage()});
    QCOMPARE(f.dialog->Settings().targetWidth, 400);
    QCOMPARE(f.dialog->Settings().jpegQuality, 50);

    f.dialogs.calls.clear();
    f.Edit(ids::kWidthEdit)->setText(QStringLiteral("4001"));
    QVERIFY(!f.dialog->UpdateData(true));
    QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{OutOfRangeMessage(50, 4000)});
    QCOMPARE(f.dialog->Settings().targetWidth, 4001);
}

void CResizeDialogTest::leavingARefusedEditShowsOneMessage() {
    Fixture f;
    f.Type(ids::kPercentEdit, QStringLiteral("5"));
    // The message puts the focus back into the percentage, which leaves the control the user went
    // to: that must not start a second transfer and a second message.
    f.Find<QComboBox>(ids::kQualityList)->setFocus(Qt::MouseFocusReason);
    QCOMPARE(f.dialogs.calls.size(), size_t{1});
    QCOMPARE(QApplication::focusWidget(), f.Edit(ids::kPercentEdit));
    // Let every event already queued (the focus moves the message made) be handled: a timer
    // posted now fires only after them.
    bool drained = false;
    QTimer::singleShot(0, f.dialog.get(), [&drained] { drained = true; });
    QTRY_VERIFY(drained);
    QCOMPARE(f.dialogs.calls.size(), size_t{1});
}

void CResizeDialogTest::aRefusedValueKeepsTheFocusBehindARealMessageBox() {
    // The message box is modal and takes the focus while the focus is still on its way to the
    // control the user went to: once it is answered, the focus is back in the refused value, as
    // a keyboard user expects to type it again.
    MessageBoxDialogs boxes;
    CResizeDialog dialog(boxes);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* percent = Control<QLineEdit>(&dialog, ids::kPercentEdit);
    percent->setFocus(Qt::TabFocusReason);
    percent->selectAll();
    QTest::keyClicks(percent, QStringLiteral("5"));
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            QTest::keyClick(box, Qt::Key_Return);
        }
    });
    QTest::keyClick(percent, Qt::Key_Tab);
    QCOMPARE(shown, QString::fromStdString(OutOfRangeMessage(10, 400)));
    bool drained = false;
    QTimer::singleShot(0, &dialog, [&drained] { drained = true; });
    QTRY_VERIFY(drained);
    QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(percent));
    QCOMPARE(percent->selectedText(), QStringLiteral("5"));
}

void CResizeDialogTest::placeholderRefusedAsOutputFolder() {
    Fixture f;
    auto* box = f.Find<QCheckBox>(ids::kOverwriteCheck);
    QTest::mouseClick(box, Qt::LeftButton);
    f.Edit(ids::kPercentEdit)->setFocus(Qt::MouseFocusReason);
    f.Leave(ids::kPercentEdit);  // a transfer reads the disabled edit's placeholder
    QCOMPARE(f.dialog->Settings().outputFolder, std::string(CResizeDialog::kOriginalFolderText));
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(f.Edit(ids::kOutputFolderEdit)->text(), kPlaceholder);
    QTest::mouseClick(f.Find<QPushButton>(ids::kCreateButton), Qt::LeftButton);
    QCOMPARE(f.dialogs.Texts(),
             std::vector<std::string>{"出力ディレクトリは絶対パス名で指定してください"});
    QCOMPARE(f.dialogs.calls[0].icon, MessageIcon::None);
    QCOMPARE(QApplication::focusWidget(), f.Edit(ids::kOutputFolderEdit));
}

void CResizeDialogTest::createDoesNotRunWithARefusedValue() {
    TempDir out;
    Fixture f;
    const std::string target = out / "new";
    f.Type(ids::kOutputFolderEdit, QString::fromStdString(target));
    f.Edit(ids::kPercentEdit)->setText(QStringLiteral("5"));
    QTest::mouseClick(f.Find<QPushButton>(ids::kCreateButton), Qt::LeftButton);
    QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{OutOfRangeMessage(10, 400)});
    QVERIFY(!std::filesystem::exists(target));
    QCOMPARE(QApplication::focusWidget(), f.Edit(ids::kPercentEdit));
}

void CResizeDialogTest::browseTakesTheChosenFolder() {
    Fixture f;
    std::string asked;
    std::optional<std::string> answer = std::string("/srv/photos/small");
    f.dialog->SetFolderChooser([&](const std::string& start) {
        asked = start;
        return answer;
    });
    QTest::mouseClick(f.Find<QPushButton>(ids::kBrowseButton), Qt::LeftButton);
    // The tree has no "~": the chooser opens on the home folder the setting names.
    QCOMPARE(asked, HomeFolder() + "/MyAlbum");
    QCOMPARE(f.Edit(ids::kOutputFolderEdit)->text(), QStringLiteral("/srv/photos/small"));
    QCOMPARE(f.dialog->Settings().outputFolder, std::string("/srv/photos/small"));

    answer.reset();  // cancel changes nothing
    QTest::mouseClick(f.Find<QPushButton>(ids::kBrowseButton), Qt::LeftButton);
    QCOMPARE(asked, std::string("/srv/photos/small"));
    QCOMPARE(f.Edit(ids::kOutputFolderEdit)->text(), QStringLiteral("/srv/photos/small"));
}

void CResizeDialogTest::browseOpensTheFolderChooser() {
    TempDir root;
    std::filesystem::create_directories(root / "album/small");
    Fixture f;
    f.Type(ids::kOutputFolderEdit, QString::fromStdString(root / "album/small"));
    QVERIFY(f.dialog->UpdateData(true));
    QString seen;
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<CFolderDlg*>(QApplication::activeModalWidget());
        if (!chooser) return;
        seen = QString::fromStdString(chooser->GetPath());
        chooser->accept();
    });
    QTest::mouseClick(f.Find<QPushButton>(ids::kBrowseButton), Qt::LeftButton);
    QCOMPARE(seen, QString::fromStdString(root / "album/small"));
    QCOMPARE(f.Edit(ids::kOutputFolderEdit)->text(), seen);
}

void CResizeDialogTest::aboutBoxFromTheButton() {
    Fixture f;
    QString title, version, address;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        if (!about) return;
        title = about->windowTitle();
        version = Control<QLabel>(about, about_ids::kVersionLabel)->text();
        address = Control<QLabel>(about, about_ids::kAddressLabel)->text();
        QTest::mouseClick(Control<QPushButton>(about, about_ids::kOkButton), Qt::LeftButton);
    });
    QTest::mouseClick(f.Find<QPushButton>(ids::kAboutButton), Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Scalvoのﾊﾞｰｼﾞｮﾝ情報"));
    QCOMPARE(version, QStringLiteral("Scalvo   Version 1.0"));
    QCOMPARE(address, QStringLiteral("https://pictavo.example.org/"));
    QVERIFY(f.dialog->isVisible());
}

void CResizeDialogTest::aboutBoxFromTheContextMenu() {
    Fixture f;
    QString item, title;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || menu->actions().isEmpty()) return;
        item = menu->actions().first()->text();
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if (!about) return;
            title = about->windowTitle();
            about->accept();
        });
        menu->actions().first()->trigger();
        menu->close();
    });
    const QPoint inside(5, f.dialog->height() - 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, f.dialog->mapToGlobal(inside));
    QApplication::sendEvent(f.dialog.get(), &event);
    QCOMPARE(item, QStringLiteral("Scalvo のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
    QCOMPARE(title, QStringLiteral("Scalvoのﾊﾞｰｼﾞｮﾝ情報"));
}

void CResizeDialogTest::escapeClosesTheDialog() {
    Fixture f;
    f.Type(ids::kPercentEdit, QStringLiteral("5"));  // closing reads nothing and shows nothing
    QTest::keyClick(f.Edit(ids::kPercentEdit), Qt::Key_Escape);
    QVERIFY(!f.dialog->isVisible());
    QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
    QVERIFY(f.dialogs.calls.empty());
}

void CResizeDialogTest::escapeAsksBeforeTicksAndTurnsAreLost() {
    TempDir root;
    QVERIFY(WriteTestFile(root / "a.jpg", "x"));
    QVERIFY(WriteTestFile(root / "b.jpg", "x"));
    Fixture f(root.Path());
    f.dialog->Tree()->SelectPath(root.Path());
    CPictureList* list = f.dialog->List();
    QCOMPARE(list->Count(), 2);
    const struct {
        const char* what;
        std::function<void()> act;
    } cases[] = {
        {"ticked", [list] { list->SetChecked(1, true); }},
        {"turned", [list] { list->AddQuarterTurn(0); }},
    };
    for (const auto& c : cases) {
        list->SetChecked(1, false);
        list->ClearQuarterTurns(0);
        c.act();
        f.dialogs.calls.clear();
        f.dialogs.answers = {MessageAnswer::No};
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY2(f.dialog->isVisible(), c.what);
        QCOMPARE(f.dialogs.calls.size(), size_t{1});
        QCOMPARE(f.dialogs.calls[0].buttons, MessageButtons::YesNoDefaultNo);
    }
    f.dialogs.answers = {MessageAnswer::Yes};
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!f.dialog->isVisible());
    QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
}

void CResizeDialogTest::closeButtonClosesWithoutCheckingTheEdit() {
    Fixture f;
    f.Type(ids::kQualityEdit, QStringLiteral("500"));
    QTest::mouseClick(f.Find<QPushButton>(ids::kCloseButton), Qt::LeftButton);
    QVERIFY(!f.dialog->isVisible());
    QVERIFY(f.dialogs.calls.empty());
}

QTEST_MAIN(CResizeDialogTest)
#include "c_resize_dialog_wtest.moc"
