#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

#include "tests/support/temp_dir.h"
#include "widgets/c_folder_dlg.h"
#include "widgets/c_folder_tree.h"
#include "widgets/folder_dlg_ids.h"

namespace fs = std::filesystem;
namespace ids = folder_dlg_ids;

class FolderDlgTest : public QObject {
    Q_OBJECT

  private:
    TempDir dir_;

    static QLineEdit* Box(CFolderDlg& dlg) {
        return dlg.findChild<QLineEdit*>(ids::kPathEdit.ObjectName());
    }
    static void Press(CFolderDlg& dlg, ControlId id) {
        auto* button = dlg.findChild<QPushButton*>(id.ObjectName());
        QVERIFY(button != nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

  private slots:
    void initTestCase() {
        fs::create_directories(dir_ / "Existing/inner");
        fs::create_directories(dir_ / "Latin/caf\xE9");  // a Latin-1 name, not UTF-8
    }

    void theControlsCarryTheirIds() {
        CFolderDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("ディレクトリ"));
        QVERIFY(Box(dlg) != nullptr);
        QVERIFY(dlg.findChild<CFolderTree*>(ids::kFolderTree.ObjectName()) != nullptr);
        QCOMPARE(dlg.findChild<QPushButton*>(ids::kOkButton.ObjectName())->text(),
                 QStringLiteral("OK"));
        QCOMPARE(dlg.findChild<QPushButton*>(ids::kCancelButton.ObjectName())->text(),
                 QStringLiteral("ｷｬﾝｾﾙ"));
        QVERIFY(dlg.findChild<QPushButton*>(ids::kOkButton.ObjectName())->isDefault());
        // The path box and the tree sit side by side with the buttons, left of them.
        QVERIFY(Box(dlg)->geometry().right() <
                dlg.findChild<QPushButton*>(ids::kOkButton.ObjectName())->x());
        QVERIFY(Box(dlg)->geometry().bottom() <
                dlg.findChild<CFolderTree*>(ids::kFolderTree.ObjectName())->y());
    }

    // What OK returns for the path the dialog was opened on, with nothing typed.
    void okReturnsWhatTheBoxShows_data() {
        QTest::addColumn<QByteArray>("given");     // relative to the temporary folder
        QTest::addColumn<QByteArray>("returned");  // the same
        QTest::newRow("a missing last folder: its deepest existing ancestor")
            << QByteArray("/MyAlbum") << QByteArray("");
        QTest::newRow("a missing folder two levels down")
            << QByteArray("/Existing/a/b") << QByteArray("/Existing");
        QTest::newRow("an existing folder, without a trailing separator")
            << QByteArray("/Existing/inner") << QByteArray("/Existing/inner");
        QTest::newRow("a trailing separator is not returned")
            << QByteArray("/Existing/") << QByteArray("/Existing");
        QTest::newRow("a name that is not UTF-8 keeps its bytes")
            << QByteArray("/Latin/caf\xE9") << QByteArray("/Latin/caf\xE9");
    }
    void okReturnsWhatTheBoxShows() {
        QFETCH(QByteArray, given);
        QFETCH(QByteArray, returned);
        CFolderDlg dlg;
        dlg.SetPath(dir_.Path() + given.toStdString());
        dlg.show();
        QCOMPARE(Box(dlg)->text(), QString::fromUtf8(dir_.Path() + returned.toStdString()));
        Press(dlg, ids::kOkButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.GetPath(), dir_.Path() + returned.toStdString());
    }

    void aPathNoRootLeadsSelectsNothingAndKeepsTheText() {
        // The temporary folder is the only root, and the path names it in another case.
        std::string upper = dir_.Path();
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const std::string given = upper + "/Existing";
        CFolderDlg dlg;
        const std::string root = dir_.Path();
        dlg.Tree()->SetRootProvider([root] {
            return std::vector<FolderRoot>{{root, RootKind::Fixed}};
        });
        dlg.SetPath(given);
        dlg.show();
        QVERIFY(dlg.Tree()->currentItem() == nullptr);
        QCOMPARE(Box(dlg)->text().toStdString(), given);
        Press(dlg, ids::kOkButton);
        QCOMPARE(dlg.GetPath(), given);
    }

    void aRelativePathIsKeptAsGiven() {
        CFolderDlg dlg;
        dlg.SetPath("photos/2000");
        dlg.show();
        QVERIFY(dlg.Tree()->currentItem() == nullptr);
        Press(dlg, ids::kOkButton);
        QCOMPARE(dlg.GetPath(), std::string("photos/2000"));
    }

    void aTypedPathIsReturnedUnchecked() {
        CFolderDlg dlg;
        dlg.SetPath(dir_ / "Existing");
        dlg.show();
        Box(dlg)->clear();
        const QString typed = QString::fromStdString(dir_ / "does not exist/アルバム");
        QTest::keyClicks(Box(dlg), QString::fromStdString(dir_ / "does not exist/"));
        Box(dlg)->insert(QStringLiteral("アルバム"));  // as an input method would
        Press(dlg, ids::kOkButton);
        QCOMPARE(dlg.GetPath(), typed.toStdString());
        QVERIFY(!fs::exists(typed.toStdString()));
    }

    void choosingANodeWritesItsPathIntoTheBox() {
        CFolderDlg dlg;
        dlg.SetPath(dir_ / "Existing");
        dlg.show();
        QTreeWidgetItem* existing = dlg.Tree()->currentItem();
        QVERIFY(existing != nullptr);
        existing->setExpanded(true);
        QCOMPARE(existing->childCount(), 1);
        dlg.Tree()->setCurrentItem(existing->child(0));
        QCOMPARE(Box(dlg)->text().toStdString(), dir_ / "Existing/inner");
        Press(dlg, ids::kOkButton);
        QCOMPARE(dlg.GetPath(), dir_ / "Existing/inner");
    }

    void cancelKeepsTheValueItWasGiven_data() {
        QTest::addColumn<int>("how");  // 0 the button, 1 Esc
        QTest::newRow("the cancel button") << 0;
        QTest::newRow("the Esc key") << 1;
    }
    void cancelKeepsTheValueItWasGiven() {
        QFETCH(int, how);
        CFolderDlg dlg;
        const std::string given = dir_ / "Existing";
        dlg.SetPath(given);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        Box(dlg)->setText("typed but cancelled");
        if (how == 0) {
            Press(dlg, ids::kCancelButton);
        } else {
            QTest::keyClick(Box(dlg), Qt::Key_Escape);
        }
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.GetPath(), given);
    }
};

QTEST_MAIN(FolderDlgTest)
#include "folder_dlg_wtest.moc"
