// The whole wizard, as a user drives it: choose a folder in the tree, check three pictures, write
// a comment, turn one, set the title and the output folder, press "アルバム作成", decline to open
// the browser, and find the album on disk; then build it once more.

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "album/generation/album_manifest.h"
#include "album/shell/c_picture_page.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "sheet_fixture.h"
#include "widgets/c_folder_tree.h"
#include "widgets/c_picture_list.h"
#include "widgets/c_progress_dlg.h"
#include "widgets/picture_browser.h"
#include "widgets/progress_dlg_ids.h"

namespace {

void ClickLine(CPictureList* list, int index, bool on_box) {
    const QRect line = list->visualItemRect(list->item(index));
    const QPoint at =
        on_box ? list->CheckBoxRect(index).center() : QPoint(line.right() - 4, line.center().y());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class WizardEndToEndTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { PrepareTestProgram(); }

    void MakesAnAlbumFromThreeCheckedPictures() {
        TempDir root;
        TempDir out_parent;
        const std::string folder = root / "trip";
        QVERIFY(WriteTestFile(folder + "/a_harbour.jpg",
                              ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg"))));
        QVERIFY(WriteTestFile(folder + "/b_field.jpg",
                              ReadTestFile(TestDataPath("jpeg/good/gen_420.jpg"))));
        QVERIFY(WriteTestFile(folder + "/c_tiles.bmp",
                              ReadTestFile(TestDataPath("bmp/good/pal8.bmp"))));
        QVERIFY(WriteTestFile(folder + "/d_left_out.jpg",
                              ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg"))));

        SheetFixture f;
        CPicturePage* picture_page = f.sheet->PicturePage();
        CFolderTree* tree = picture_page->Tree();
        tree->SetRootProvider([&] {
            return std::vector<FolderRoot>{{root.Path(), RootKind::Fixed}};
        });
        f.Show();

        // Choose the folder in the tree with the keyboard: the root, Right opens it, Down goes to
        // its first folder, "trip".
        QTreeWidgetItem* top = tree->topLevelItem(0);
        QVERIFY(top);
        tree->setFocus(Qt::MouseFocusReason);
        tree->setCurrentItem(top);
        QTest::keyClick(tree, Qt::Key_Right);
        QVERIFY(top->isExpanded());
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("trip"));
        QCOMPARE(f.Settings().picture_path, folder + "/");

        CPictureList* list = picture_page->List();
        QCOMPARE(list->Count(), 4);
        QCOMPARE(Q(list->ItemText(0)), QStringLiteral("a_harbour.jpg"));

        // Check three pictures with their boxes.
        for (int i = 0; i < 3; ++i) ClickLine(list, i, true);
        QCOMPARE(list->CheckedCount(), 3);
        QVERIFY(!list->IsChecked(3));

        // Highlight the harbour, write its comment, turn it once.
        ClickLine(list, 0, false);
        QCOMPARE(list->FirstHighlighted(), 0);
        auto* comment = Control<QPlainTextEdit>(f.Page(0), picture_ids::kCommentEdit);
        comment->setFocus(Qt::MouseFocusReason);
        SheetFixture::TypeText(comment, QStringLiteral("朝の港&boats"));
        QTest::mouseClick(Control<QPushButton>(f.Page(0), picture_ids::kRotateButton),
                          Qt::LeftButton);
        QCOMPARE(list->GetQuarterTurns(0), 1);

        // The title on the HTML page.
        QCOMPARE(f.ChooseTab(1), 1);
        SheetFixture::TypeInto(Control<QLineEdit>(f.Page(1), html_ids::kTitleEdit),
                               QStringLiteral("港の朝"));

        // The output folder on the Output page, then create; the folder is made after asking,
        // and the browser is declined.
        QCOMPARE(f.ChooseTab(3), 3);
        const std::string out = out_parent / "album";
        SheetFixture::TypeInto(Control<QLineEdit>(f.Page(3), out_ids::kFolderEdit), Q(out));
        f.dialogs.answers = {MessageAnswer::Yes, MessageAnswer::No};
        QTest::mouseClick(Control<QPushButton>(f.Page(3), out_ids::kCreateButton), Qt::LeftButton);

        QCOMPARE(f.dialogs.calls.size(), std::size_t(2));
        QCOMPARE(f.dialogs.calls[1].buttons, MessageButtons::YesNo);
        QCOMPARE(Q(f.dialogs.calls[1].text), QStringLiteral("今すぐブラウザで見ますか？"));
        // Under the question, what was written and where.
        QCOMPARE(f.dialogs.calls[1].note,
                 std::optional<std::string>("画像 3 枚と HTMLファイル 1 個を書き出しました。\n"
                                            "出力先：" +
                                            out + "/"));
        QVERIFY(f.shell.opened.empty());

        // The album on disk.
        const std::string page = ReadTestFile(out + "/my.html");
        QVERIFY(!page.empty());
        // The comment is escaped for HTML on the page.
        const std::string comment_bytes = *Utf8ToCp932("朝の港&amp;boats");
        QVERIFY(page.find(comment_bytes) != std::string::npos);
        QVERIFY(page.find(*Utf8ToCp932("港の朝")) != std::string::npos);
        QVERIFY(page.find("d_left_out.jpg") == std::string::npos);

        const QImage turned(Q(out + "/my_p/a_harbour.jpg"));
        QCOMPARE(turned.size(), QSize(149, 227));  // 227 x 149, turned a quarter
        QCOMPARE(ReadTestFile(out + "/my_p/b_field.jpg"), ReadTestFile(folder + "/b_field.jpg"));
        QVERIFY(PathExists(out + "/my_p/c_tiles.bmp"));
        QVERIFY(!PathExists(out + "/my_p/d_left_out.jpg"));
        for (const char* name : {"_a_harbour.jpg", "_b_field.jpg", "_c_tiles.bmp"}) {
            const QImage thumb(Q(out + "/my_t/" + name));
            QVERIFY2(!thumb.isNull(), name);
            QVERIFY(thumb.width() <= 100 && thumb.height() <= 100);
        }
        // The source picture itself is untouched.
        QCOMPARE(QImage(Q(folder + "/a_harbour.jpg")).size(), QSize(227, 149));
        // The sheet is usable again.
        QVERIFY(f.sheet->isEnabled());
        QCOMPARE(f.sheet->Tabs()->currentIndex(), 3);

        // A second build over the same album after the title and one picture changed: the folder
        // exists, so only the browser is offered; the page and that picture's copy and thumbnail
        // are replaced, every other file stays as it was, and nothing is left beside them.
        const std::map<std::string, std::string> first = FolderContents(out);
        QVERIFY(WriteTestFile(folder + "/b_field.jpg",
                              ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg"))));
        QCOMPARE(f.ChooseTab(1), 1);
        SheetFixture::TypeInto(Control<QLineEdit>(f.Page(1), html_ids::kTitleEdit),
                               QStringLiteral("港の夕"));
        QCOMPARE(f.ChooseTab(3), 3);
        // This time its button opens the album's folder.
        f.dialogs.answers = {MessageAnswer::OpenFolder};
        QTest::mouseClick(Control<QPushButton>(f.Page(3), out_ids::kCreateButton), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), std::size_t(3));
        QCOMPARE(Q(f.dialogs.calls[2].text), QStringLiteral("今すぐブラウザで見ますか？"));
        QCOMPARE(f.shell.opened, std::vector<std::string>{out + "/"});
        const std::map<std::string, std::string> second = FolderContents(out);
        QCOMPARE(second.size(), first.size());
        for (const auto& [name, bytes] : first) {
            // The album's record of its files changes with them.
            const bool changed = name == "my.html" || name == "my_p/b_field.jpg" ||
                                 name == "my_t/_b_field.jpg" || name == kAlbumManifestName;
            QVERIFY2(second.count(name) == 1 && (second.at(name) != bytes) == changed,
                     name.c_str());
        }
        QVERIFY(second.at("my.html").find(*Utf8ToCp932("港の夕")) != std::string::npos);
        QCOMPARE(second.at("my_p/b_field.jpg"), ReadTestFile(folder + "/b_field.jpg"));
    }

    // An album made in the pictures' own folder saves a turned picture over its source: its turn
    // is then spent, and a second build must leave the photograph as the first left it.
    void ATurnSavedOverTheSourceIsNotAppliedAgain() {
        TempDir root;
        const std::string folder = root / "trip";
        QVERIFY(WriteTestFile(folder + "/a_harbour.jpg",
                              ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg"))));
        SheetFixture f;
        CPicturePage* picture_page = f.sheet->PicturePage();
        picture_page->Tree()->SetRootProvider([&] {
            return std::vector<FolderRoot>{{folder, RootKind::Fixed}};
        });
        f.Show();
        CFolderTree* tree = picture_page->Tree();
        tree->setCurrentItem(tree->topLevelItem(0));
        CPictureList* list = picture_page->List();
        QCOMPARE(list->Count(), 1);
        ClickLine(list, 0, true);
        ClickLine(list, 0, false);
        QTest::mouseClick(Control<QPushButton>(f.Page(0), picture_ids::kRotateButton),
                          Qt::LeftButton);
        QCOMPARE(list->GetQuarterTurns(0), 1);

        QCOMPARE(f.ChooseTab(3), 3);
        QTest::mouseClick(Control<QAbstractButton>(f.Page(3), out_ids::kSourceCheck),
                          Qt::LeftButton);
        auto* create = Control<QPushButton>(f.Page(3), out_ids::kCreateButton);
        // Asked first, "いいえ" the default: nothing is turned, nothing made.
        const std::string before = ReadTestFile(folder + "/a_harbour.jpg");
        f.dialogs.answers = {MessageAnswer::No};
        QTest::mouseClick(create, Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), std::size_t(1));
        QCOMPARE(Q(f.dialogs.calls[0].text),
                 QStringLiteral("元の画像 1 枚を上書きします。よろしいですか？"));
        QCOMPARE(f.dialogs.calls[0].buttons, MessageButtons::YesNoDefaultNo);
        QCOMPARE(ReadTestFile(folder + "/a_harbour.jpg"), before);
        QVERIFY(!PathExists(folder + "/my.html"));
        QCOMPARE(list->GetQuarterTurns(0), 1);

        f.dialogs.calls.clear();
        f.dialogs.answers = {MessageAnswer::Yes, MessageAnswer::No, MessageAnswer::No};
        QTest::mouseClick(create, Qt::LeftButton);
        QCOMPARE(QImage(Q(folder + "/a_harbour.jpg")).size(), QSize(149, 227));
        QCOMPARE(list->GetQuarterTurns(0), 0);
        ImgKitInfoRecord info;
        ImgKitImageInfo(picture_page->Browser()->PreviewImage(), info);
        QCOMPARE(QSize(info.values[0], info.values[1]), QSize(149, 227));

        const std::string once = ReadTestFile(folder + "/a_harbour.jpg");
        QTest::mouseClick(create, Qt::LeftButton);
        QCOMPARE(ReadTestFile(folder + "/a_harbour.jpg"), once);
        QCOMPARE(
            f.dialogs.Texts(),
            (std::vector<std::string>{"元の画像 1 枚を上書きします。よろしいですか？",
                                      "今すぐブラウザで見ますか？", "今すぐブラウザで見ますか？"}));
    }

    // "中止" pressed while the pages are written: no page is begun after it, the browser is not
    // offered, and the message counts the pages made.
    void TheStopButtonDuringThePagesStartsNoFurtherPage() {
        constexpr int kPages = 300;
        TempDir root;
        TempDir out;
        const std::string folder = root / "trip";
        for (int i = 0; i < kPages; ++i)
            QVERIFY(WriteTestFile(folder + "/g" + std::to_string(i) + ".gif", ""));
        SheetFixture f;
        f.Settings().html_page = 1;
        f.Settings().thumbnail_cols = 1;
        f.Settings().html_only = 1;
        f.Settings().out_dir = out.Path();
        CPicturePage* picture_page = f.sheet->PicturePage();
        picture_page->Tree()->SetRootProvider([&] {
            return std::vector<FolderRoot>{{folder, RootKind::Fixed}};
        });
        f.Show();
        picture_page->Tree()->setCurrentItem(picture_page->Tree()->topLevelItem(0));
        QTest::mouseClick(Control<QPushButton>(f.Page(0), picture_ids::kSelectAllButton),
                          Qt::LeftButton);
        QCOMPARE(picture_page->List()->CheckedCount(), kPages);
        QCOMPARE(f.ChooseTab(3), 3);

        QTimer watcher;
        bool clicked = false;
        connect(&watcher, &QTimer::timeout, f.sheet.get(), [&] {
            auto* progress = f.sheet->findChild<CProgressDlg*>();
            if (clicked || progress == nullptr || !progress->isVisible()) return;
            if (Control<QLabel>(progress, progress_dlg_ids::kMessageLabel)->text() !=
                    QStringLiteral("HTMLを作成しています...") ||
                !PathExists(out / "my.html"))
                return;
            QTest::mouseClick(Control<QPushButton>(progress, progress_dlg_ids::kStopButton),
                              Qt::LeftButton);
            clicked = true;
        });
        watcher.start(0);
        QTest::mouseClick(Control<QPushButton>(f.Page(3), out_ids::kCreateButton), Qt::LeftButton);
        watcher.stop();
        QVERIFY(clicked);

        int pages = 0;
        for (const auto& [name, bytes] : FolderContents(out.Path()))
            pages += name.size() > 5 && name.substr(name.size() - 5) == ".html";
        QVERIFY(pages >= 1 && pages < kPages);
        QCOMPARE(f.dialogs.calls.size(), std::size_t(1));
        QCOMPARE(Q(f.dialogs.calls[0].text),
                 QStringLiteral("アルバムの作成を中止しました。HTMLファイルは途中までしか作成して"
                                "いません。\n%1 ページ中 %2 ページのHTMLファイルを処理しました。")
                     .arg(kPages)
                     .arg(pages));
        QVERIFY(f.shell.opened.empty());
        QVERIFY(f.sheet->isEnabled());
    }
};

QTEST_MAIN(WizardEndToEndTest)
#include "wizard_end_to_end_wtest.moc"
