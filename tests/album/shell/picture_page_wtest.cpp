// The Picture page: the thumbnail box sizes (checked on leaving a box, on Enter and on leaving the
// page), the comment box, the folder it lists and the help button.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "album/shell/c_picture_page.h"
#include "album/shell/up_down_control.h"
#include "sheet_fixture.h"
#include "widgets/c_folder_tree.h"
#include "widgets/c_picture_list.h"
#include "widgets/data_exchange.h"
#include "widgets/picture_browser.h"

namespace {

// A picture folder with two pictures and a text file, the only root of the tree.
struct PictureFixture : SheetFixture {
    TempDir root;
    QWidget* page = nullptr;

    explicit PictureFixture(const std::string& stored_folder = {}) {
        WriteTestFile(root / "album/b.jpg",
                      ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg")));
        WriteTestFile(root / "album/A.bmp", ReadTestFile(TestDataPath("bmp/good/pal8.bmp")));
        WriteTestFile(root / "album/notes.txt", "x");
        sheet->PicturePage()->Tree()->SetRootProvider([this] {
            return std::vector<FolderRoot>{{root.Path(), RootKind::Fixed}};
        });
        Settings().picture_path = stored_folder;
        Show();
        page = Page(0);
    }
    QLineEdit* Width() { return Control<QLineEdit>(page, picture_ids::kThumbWidthEdit); }
    QLineEdit* Height() { return Control<QLineEdit>(page, picture_ids::kThumbHeightEdit); }
};

}  // namespace

class PicturePageTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { PrepareTestProgram(); }

    void FirstStartShowsTheDefaultSizes() {
        PictureFixture f;
        QCOMPARE(f.Width()->text(), QStringLiteral("100"));
        QCOMPARE(f.Height()->text(), QStringLiteral("100"));
        QCOMPARE(f.sheet->Tabs()->currentIndex(), 0);
        // Nothing under the only root is selected with an empty stored folder.
        QVERIFY(f.sheet->PicturePage()->Tree()->SelectedPath().empty());
    }

    void LeavingASizeBoxChecksTheRange_data() {
        QTest::addColumn<ControlId>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");  // empty: stored
        QTest::newRow("width 40") << picture_ids::kThumbWidthEdit << "40"
                                  << Q(OutOfRangeMessage(50, 180));
        QTest::newRow("width 181")
            << picture_ids::kThumbWidthEdit << "181" << Q(OutOfRangeMessage(50, 180));
        QTest::newRow("width empty")
            << picture_ids::kThumbWidthEdit << "" << Q(NotAWholeNumberMessage());
        QTest::newRow("height 49")
            << picture_ids::kThumbHeightEdit << "49" << Q(OutOfRangeMessage(50, 180));
        QTest::newRow("width 50") << picture_ids::kThumbWidthEdit << "50" << QString();
        QTest::newRow("height 180") << picture_ids::kThumbHeightEdit << "180" << QString();
    }
    void LeavingASizeBoxChecksTheRange() {
        QFETCH(ControlId, box);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        PictureFixture f;
        auto* edit = Control<QLineEdit>(f.page, box);
        SheetFixture::TypeInto(edit, typed);
        QTest::keyClick(edit, Qt::Key_Tab);
        if (message.isEmpty()) {
            QVERIFY(f.dialogs.calls.empty());
            const int stored = box == picture_ids::kThumbWidthEdit ? f.Settings().thumbnail_x
                                                                   : f.Settings().thumbnail_y;
            QCOMPARE(stored, typed.toInt());
            QVERIFY(QApplication::focusWidget() != edit);
        } else {
            QCOMPARE(f.dialogs.calls.size(), std::size_t(1));
            QCOMPARE(Q(f.dialogs.calls[0].text), message);
            QCOMPARE(f.dialogs.calls[0].icon, MessageIcon::Exclamation);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
        }
    }

    void FortyInTheWidthThenToTheHeightBox() {
        PictureFixture f;
        SheetFixture::TypeInto(f.Width(), QStringLiteral("40"));
        f.Height()->setFocus(Qt::MouseFocusReason);
        QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{OutOfRangeMessage(50, 180)});
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.Width()));
        QCOMPARE(f.Width()->selectedText(), QStringLiteral("40"));
    }

    void EnterChecksBothSizes() {
        PictureFixture f;
        SheetFixture::TypeInto(f.Height(), QStringLiteral("120"));
        SheetFixture::TypeInto(f.Width(), QStringLiteral("75"));
        QTest::keyClick(f.Width(), Qt::Key_Return);
        QVERIFY(f.dialogs.calls.empty());
        QCOMPARE(f.Settings().thumbnail_x, 75);
        QCOMPARE(f.Settings().thumbnail_y, 120);
        SheetFixture::TypeInto(f.Height(), QStringLiteral("500"));
        QTest::keyClick(f.Height(), Qt::Key_Enter);
        QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{OutOfRangeMessage(50, 180)});
    }

    void AWrongSizeKeepsThePageWithOneMessage() {
        PictureFixture f;
        SheetFixture::TypeInto(f.Width(), QStringLiteral("20"));
        QCOMPARE(f.ChooseTab(1), 0);
        QCOMPARE(f.dialogs.calls.size(), std::size_t(1));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.Width()));
        SheetFixture::TypeInto(f.Width(), QStringLiteral("60"));
        QCOMPARE(f.ChooseTab(1), 1);
        QCOMPARE(f.Settings().thumbnail_x, 60);
        // Coming back shows the stored sizes again.
        QCOMPARE(f.ChooseTab(0), 0);
        QCOMPARE(f.Width()->text(), QStringLiteral("60"));
    }

    void StoredSizesOutOfRangeAreShownAndRefused() {
        SheetFixture f;
        f.Settings().thumbnail_y = 10;
        f.Show();
        QCOMPARE(Control<QLineEdit>(f.Page(0), picture_ids::kThumbHeightEdit)->text(),
                 QStringLiteral("10"));
        QCOMPARE(f.ChooseTab(3), 0);
    }

    void ArrowsStepWithinFiftyToOneEighty() {
        PictureFixture f;
        auto* spin = Control<UpDownControl>(f.page, picture_ids::kThumbWidthSpin);
        SheetFixture::TypeInto(f.Width(), QStringLiteral("179"));
        QTest::mouseClick(spin->UpButton(), Qt::LeftButton);
        QTest::mouseClick(spin->UpButton(), Qt::LeftButton);
        QCOMPARE(f.Width()->text(), QStringLiteral("180"));
        SheetFixture::TypeInto(f.Height(), QStringLiteral("51"));
        QTest::keyClick(f.Height(), Qt::Key_Down);
        QTest::keyClick(f.Height(), Qt::Key_Down);
        QCOMPARE(f.Height()->text(), QStringLiteral("50"));
    }

    void ChoosingAFolderStoresItAndListsItsPictures() {
        PictureFixture f;
        CPicturePage* page = f.sheet->PicturePage();
        page->Tree()->SelectPath(f.root / "album");
        QCOMPARE(f.Settings().picture_path, f.root / "album/");
        QCOMPARE(page->List()->Count(), 2);
        QCOMPARE(Q(page->List()->ItemText(0)), QStringLiteral("A.bmp"));
        QCOMPARE(Q(page->List()->ItemText(1)), QStringLiteral("b.jpg"));
    }

    void AStoredFolderThatWasRemovedFallsBackToItsDeepestAncestor() {
        TempDir root;
        WriteTestFile(root / "album/b.jpg", "not really a picture");
        SheetFixture f;
        f.sheet->PicturePage()->Tree()->SetRootProvider([&] {
            return std::vector<FolderRoot>{{root.Path(), RootKind::Fixed}};
        });
        f.Settings().picture_path = root / "album/gone/";
        f.Show();
        QCOMPARE(f.Settings().picture_path, root / "album/");
        QCOMPARE(f.sheet->PicturePage()->List()->Count(), 1);
    }

    void CommentFollowsTheHighlightedPicture() {
        PictureFixture f;
        CPicturePage* page = f.sheet->PicturePage();
        page->Tree()->SelectPath(f.root / "album");
        auto* box = Control<QPlainTextEdit>(f.page, picture_ids::kCommentEdit);
        // Typed with nothing highlighted: stays in the box, stored nowhere.
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("nowhere"));
        QCOMPARE(page->List()->Model().RecordCount(), 0);
        page->List()->Highlight(1);
        QCOMPARE(box->toPlainText(), QString());
        SheetFixture::TypeText(box, QStringLiteral("夕焼け"));
        QTest::keyClick(box, Qt::Key_Return);
        SheetFixture::TypeText(box, QStringLiteral("海"));
        QCOMPARE(Q(page->List()->GetComment(1)), QStringLiteral("夕焼け\r\n海"));
        page->List()->Highlight(0);
        QCOMPARE(box->toPlainText(), QString());
        page->List()->Highlight(1);
        QCOMPARE(box->toPlainText(), QStringLiteral("夕焼け\n海"));
    }

    void RotateAndSelectAllButtons() {
        PictureFixture f;
        CPicturePage* page = f.sheet->PicturePage();
        page->Tree()->SelectPath(f.root / "album");
        page->List()->Highlight(1);
        auto* rotate = Control<QPushButton>(f.page, picture_ids::kRotateButton);
        for (int i = 0; i < 5; ++i) QTest::mouseClick(rotate, Qt::LeftButton);
        QCOMPARE(page->List()->GetQuarterTurns(1), 5);
        QTest::mouseClick(Control<QPushButton>(f.page, picture_ids::kSelectAllButton),
                          Qt::LeftButton);
        QCOMPARE(page->List()->CheckedCount(), 2);
    }

    void HelpButtonOpensTheShippedHelpPage() {
        PictureFixture f;
        // The source tree's help page is found under a start directory that holds resources/.
        WriteTestFile(f.start / "resources/help/pictavo_help.html", "<html></html>");
        QTest::mouseClick(Control<QAbstractButton>(f.page, picture_ids::kHelpButton),
                          Qt::LeftButton);
        QCOMPARE(f.shell.opened.size(), std::size_t(1));
        QCOMPARE(f.shell.opened[0], f.start / "resources/help/pictavo_help.html");
        // Beside the start directory itself it is preferred (the installed program starts there).
        WriteTestFile(f.start / "pictavo_help.html", "<html></html>");
        QTest::mouseClick(Control<QAbstractButton>(f.page, picture_ids::kHelpButton),
                          Qt::LeftButton);
        QCOMPARE(f.shell.opened.back(), f.start / "pictavo_help.html");
    }

    void TheShippedHelpPageExplainsEveryPage() {
        const std::string help = ReadTestFile(SourcePath("resources/help/pictavo_help.html"));
        QVERIFY(!help.empty());
        for (const char* tab : {"ピクチャー", "HTML", "スタイル", "作成", "アルバム作成"})
            QVERIFY2(help.find(tab) != std::string::npos, tab);
    }
};

QTEST_MAIN(PicturePageTest)
#include "picture_page_wtest.moc"
