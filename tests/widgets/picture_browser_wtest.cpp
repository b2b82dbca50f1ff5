#include <QHBoxLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QtTest>
#include <filesystem>

#include "imaging/image_library.h"
#include "imaging/imgkit.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"
#include "widgets/c_folder_tree.h"
#include "widgets/c_picture_list.h"
#include "widgets/picture_browser.h"
#include "widgets/preview_frame.h"

namespace fs = std::filesystem;

namespace {

// A picture of one saturated colour, so that the preview can be told from the grey area and the
// window behind it.
bool WriteRedJpeg(const std::string& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(230, 20, 20));
    return image.save(QString::fromStdString(path), "JPG", 95);
}

bool IsRed(QRgb p) {
    return qRed(p) > 170 && qGreen(p) < 90 && qBlue(p) < 90;
}
bool IsGrey(QRgb p) {
    return qRed(p) == 192 && qGreen(p) == 192 && qBlue(p) == 192;
}
bool IsDark(QRgb p) {
    return qRed(p) < 110 && qGreen(p) < 110 && qBlue(p) < 110;
}

// The bounding box of the pixels that pass `test`.
template <typename Test>
QRect BoundingBox(const QImage& image, Test test) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

// The whole panel as an owner lays it out: tree, list, preview frame and (for the album maker) a
// comment box.
class PictureBrowserTest : public QObject {
    Q_OBJECT

  private:
    RecordingUserDialogs dialogs_;
    TempDir dir_;
    std::string pictures_;  // the folder with the pictures, ending in "/"
    std::unique_ptr<QWidget> window_;
    CFolderTree* tree_ = nullptr;
    CPictureList* list_ = nullptr;
    PreviewFrame* frame_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
    std::unique_ptr<PictureBrowser> panel_;

    int Line(const std::string& name) const {
        for (int i = 0; i < list_->Count(); ++i)
            if (list_->ItemText(i) == name) return i;
        return -1;
    }
    void HighlightByClick(const std::string& name) {
        const int line = Line(name);
        QVERIFY(line >= 0);
        const QRect rect = list_->visualItemRect(list_->item(line));
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(rect.right() - 4, rect.center().y()));
        QCOMPARE(list_->FirstHighlighted(), line);
    }
    // The inside of the frame as it is shown on screen.
    QImage PreviewShown() const { return frame_->grab(frame_->Area()).toImage(); }
    // Which of the two texts the grey area shows, told by the width of the dark glyphs.
    QString GreyText() const {
        const QImage shown = PreviewShown();
        const QRect glyphs = BoundingBox(shown, IsDark);
        if (glyphs.isEmpty()) return "(no text)";
        QFontMetrics metrics(frame_->font());
        const int none = metrics.horizontalAdvance(QStringLiteral("（なし）"));
        const int cannot = metrics.horizontalAdvance(QStringLiteral("（表示できません）"));
        return std::abs(glyphs.width() - none) < std::abs(glyphs.width() - cannot)
                   ? QStringLiteral("（なし）")
                   : QStringLiteral("（表示できません）");
    }
    double GreyShare() const {
        const QImage shown = PreviewShown();
        int grey = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) grey += IsGrey(shown.pixel(x, y));
        return static_cast<double>(grey) / (shown.width() * shown.height());
    }

  private slots:
    void initTestCase() {
        QVERIFY(ImageLibrary::Load(dialogs_));
        pictures_ = dir_ / "pictures/";
        fs::create_directories(pictures_ + "sub");
        fs::create_directories(dir_ / "other");
        QVERIFY(WriteRedJpeg(pictures_ + "wide.jpg", 400, 200));
        QVERIFY(WriteRedJpeg(pictures_ + "large.jpg", 2400, 1600));
        fs::copy_file(TestDataPath("gif/gen_photo_400x315_static.gif"), pictures_ + "moving.gif");
        fs::copy_file(TestDataPath("jpeg/bad/gen_truncated_in_headers.jpg"),
                      pictures_ + "damaged.jpg");
        QImage bmp(60, 90, QImage::Format_RGB32);
        bmp.fill(QColor(230, 20, 20));
        QVERIFY(bmp.save(QString::fromStdString(pictures_ + "tall.bmp"), "BMP"));
        QVERIFY(WriteRedJpeg(dir_ / "other/elsewhere.jpg", 50, 50));
        // One picture of every kind, and the ones no preview can show.
        fs::create_directories(dir_ / "kinds");
        for (const char* name :
             {"png_exif6_meta.png", "webp_exif8.webp", "avif_irot.avif", "heic_irot.heic",
              "heic_thumbnail.heic", "tiff_orient8.tif", "heic_named.jpg", "webp_animated.webp",
              "heic_two_images.heic", "png_huge_header.png", "png_named.webp"})
            fs::copy_file(TestDataPath(std::string("formats/") + name),
                          dir_ / ("kinds/" + std::string(name)));
        QVERIFY(WriteTestFile(dir_ / "kinds/notes.png", "only text"));
    }
    void cleanupTestCase() { ImageLibrary::Unload(); }

    void init() {
        window_ = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(window_.get());
        tree_ = new CFolderTree;
        list_ = new CPictureList;
        frame_ = new PreviewFrame;
        frame_->setFixedSize(242, 182);
        comment_ = new QPlainTextEdit;
        layout->addWidget(tree_);
        layout->addWidget(list_);
        layout->addWidget(frame_);
        layout->addWidget(comment_);
        const std::string root = dir_.Path();
        tree_->SetRootProvider([root] { return std::vector<FolderRoot>{{root, RootKind::Fixed}}; });
        panel_ =
            std::make_unique<PictureBrowser>(tree_, list_, frame_, comment_, PictureFilter::Album);
        window_->resize(1000, 400);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    void cleanup() {
        panel_.reset();
        window_.reset();
    }

    void startOpensTheTreeAndListsTheStoredFolder() {
        QSignalSpy changed(panel_.get(), &PictureBrowser::FolderChanged);
        panel_->Start(pictures_);
        QCOMPARE(panel_->Folder(), pictures_);
        QCOMPARE(tree_->SelectedPath(), dir_ / "pictures");
        QCOMPARE(list_->Count(), 5);
        QCOMPARE(panel_->Current(), -1);
        QCOMPARE(GreyText(), QStringLiteral("（なし）"));
        QVERIFY(GreyShare() > 0.8);
        QCOMPARE(changed.count(), 2);  // the root, then the pictures folder
    }

    void aStoredFolderThatWasRemovedBecomesItsDeepestExistingAncestor() {
        panel_->Start(dir_ / "pictures/sub/gone/");
        QCOMPARE(panel_->Folder(), dir_ / "pictures/sub/");
        QCOMPARE(list_->Count(), 0);
    }

    void highlightingAJpegShowsItFittedAndUpright() {
        panel_->Start(pictures_);
        HighlightByClick("wide.jpg");
        QCOMPARE(panel_->Current(), Line("wide.jpg"));
        QVERIFY(panel_->PreviewImage());
        const QImage shown = PreviewShown();
        QVERIFY(GreyShare() < 0.01);
        const QRect red = BoundingBox(shown, IsRed);
        // 400 x 200 fitted into the 240 x 180 inside: 240 x 120, centred.
        QVERIFY2(std::abs(red.width() - 240) <= 2, qPrintable(QString::number(red.width())));
        QVERIFY2(std::abs(red.height() - 120) <= 2, qPrintable(QString::number(red.height())));
        QVERIFY(std::abs(red.center().y() - shown.height() / 2) <= 2);
    }

    void aLargeJpegIsDecodedAtTheFramesScale() {
        panel_->Start(pictures_);
        HighlightByClick("large.jpg");
        const QImage* pixels = ImgKitPixels(panel_->PreviewImage());
        QVERIFY(pixels != nullptr);
        // 2400 x 1600 for a 240 x 180 inside: an eighth-scale decode (300 x 200) is enough.
        QVERIFY2(pixels->width() <= 600, qPrintable(QString::number(pixels->width())));
        QVERIFY(pixels->width() >= 240 && pixels->height() >= 180);
        QVERIFY(GreyShare() < 0.01);
    }

    void picturesThatCannotBeShown_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("a GIF is never decoded") << "moving.gif";
        QTest::newRow("a damaged JPEG gives no image") << "damaged.jpg";
    }
    void picturesThatCannotBeShown() {
        QFETCH(QString, name);
        panel_->Start(pictures_);
        HighlightByClick(name.toStdString());
        QVERIFY(!panel_->PreviewImage());
        QCOMPARE(panel_->Current(), Line(name.toStdString()));
        QCOMPARE(GreyText(), QStringLiteral("（表示できません）"));
        QVERIFY(GreyShare() > 0.8);
        // Rotating what is not shown does nothing and records no turn.
        panel_->RotatePicture();
        QCOMPARE(list_->GetQuarterTurns(panel_->Current()), 0);
        QVERIFY(!list_->Model().HasRecord(panel_->Current()));
    }

    // Every kind is previewed upright, by its content whatever its name says (the pattern's red
    // quarter top left); a file that cannot be shown says why below the usual text, naming its
    // format.
    void everyKindPreviewsUprightOrSaysWhy_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("note");  // empty: shown
        for (const char* name :
             {"png_exif6_meta.png", "webp_exif8.webp", "avif_irot.avif", "heic_irot.heic",
              "heic_thumbnail.heic", "tiff_orient8.tif", "heic_named.jpg", "png_named.webp"})
            QTest::newRow(name) << QString("kinds/") + name << QString();
        QTest::newRow("an animation") << "kinds/webp_animated.webp"
                                      << "アニメーションの WebP です";
        QTest::newRow("several pictures") << "kinds/heic_two_images.heic"
                                          << "複数の画像を含む HEIF です";
        QTest::newRow("an absurd size") << "kinds/png_huge_header.png"
                                        << "PNG の画像が大きすぎます";
        QTest::newRow("no picture") << "kinds/notes.png"
                                    << "中身が PNG の画像ではありません";
        QTest::newRow("a damaged JPEG") << "pictures/damaged.jpg"
                                        << "JPEG の画像を読み込めません";
    }
    void everyKindPreviewsUprightOrSaysWhy() {
        QFETCH(QString, name);
        QFETCH(QString, note);
        const std::string path = dir_ / name.toStdString();
        panel_->Start(path.substr(0, path.rfind('/') + 1));
        HighlightByClick(path.substr(path.rfind('/') + 1));
        QCOMPARE(panel_->PreviewNote(), note);
        QCOMPARE(!panel_->PreviewImage(), !note.isEmpty());
        if (!note.isEmpty()) {
            QCOMPARE(GreyText(), QStringLiteral("（表示できません）"));
            return;
        }
        const QImage shown = PreviewShown();
        const QRect red = BoundingBox(shown, IsRed);
        // 64 x 48 fitted into the 240 x 180 inside: the red quarter is its top left 120 x 90.
        QVERIFY2(std::abs(red.width() - 120) <= 3 && std::abs(red.height() - 90) <= 3,
                 qPrintable(QString("%1 x %2").arg(red.width()).arg(red.height())));
        QVERIFY(red.left() <= 3 && red.top() <= 3);
    }

    void rotateRecordsATurnAndTurnsThePreview() {
        panel_->Start(pictures_);
        HighlightByClick("wide.jpg");
        const int line = panel_->Current();
        panel_->RotatePicture();
        QCOMPARE(list_->GetQuarterTurns(line), 1);
        QRect red = BoundingBox(PreviewShown(), IsRed);
        // 200 x 400 after the turn, fitted into 240 x 180: 90 x 180.
        QVERIFY2(red.height() > red.width(),
                 qPrintable(QString("%1 x %2").arg(red.width()).arg(red.height())));
        QVERIFY(std::abs(red.height() - 180) <= 2 && std::abs(red.width() - 90) <= 2);

        // Five turns: the job is told 5, the preview shows one quarter turn when shown again.
        for (int i = 0; i < 4; ++i) panel_->RotatePicture();
        QCOMPARE(list_->GetQuarterTurns(line), 5);
        HighlightByClick("tall.bmp");
        HighlightByClick("wide.jpg");
        red = BoundingBox(PreviewShown(), IsRed);
        QVERIFY(red.height() > red.width());
        QCOMPARE(list_->GetQuarterTurns(line), 5);
    }

    void aBmpIsShownToo() {
        panel_->Start(pictures_);
        HighlightByClick("tall.bmp");
        const QRect red = BoundingBox(PreviewShown(), IsRed);
        QVERIFY(red.height() > red.width());
        QVERIFY(std::abs(red.height() - 180) <= 2);
    }

    void checkingTheHighlightedBoxReloadsThePreview() {
        panel_->Start(pictures_);
        HighlightByClick("wide.jpg");
        QVERIFY(panel_->PreviewImage());
        // The file changes on disk behind the preview: only a new load shows the new picture.
        const std::string path = pictures_ + "wide.jpg";
        const std::string original = ReadTestFile(path);
        QVERIFY(WriteRedJpeg(path, 120, 300));
        const int line = panel_->Current();
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list_->CheckBoxRect(line).center());
        QVERIFY(WriteTestFile(path, original));
        QVERIFY(list_->IsChecked(line));
        QCOMPARE(panel_->Current(), line);
        QVERIFY(panel_->PreviewImage());
        ImgKitInfoRecord info;
        ImgKitImageInfo(panel_->PreviewImage(), info);
        QCOMPARE(QSize(info.values[0], info.values[1]), QSize(120, 300));
    }

    void theCommentBoxFollowsTheHighlightedPicture() {
        panel_->Start(pictures_);
        // Typed while nothing is shown: stays in the box, stored nowhere.
        comment_->setPlainText("orphan");
        QCOMPARE(list_->Model().RecordCount(), 0);

        HighlightByClick("wide.jpg");
        QCOMPARE(comment_->toPlainText(), QString());  // the picture's own (empty) comment
        const int wide = panel_->Current();
        comment_->setFocus();
        QTest::keyClicks(comment_, "first");
        QTest::keyClick(comment_, Qt::Key_Return);
        QTest::keyClicks(comment_, "second");
        // Line breaks are kept as CR LF pairs, as the pages expect.
        QCOMPARE(list_->GetComment(wide), std::string("first\r\nsecond"));

        HighlightByClick("tall.bmp");
        QCOMPARE(comment_->toPlainText(), QString());
        HighlightByClick("wide.jpg");
        QCOMPARE(comment_->toPlainText(), QString("first\nsecond"));
        QCOMPARE(list_->GetComment(wide), std::string("first\r\nsecond"));
    }

    void anotherFolderClearsCommentsTurnsAndThePreview() {
        panel_->Start(pictures_);
        HighlightByClick("wide.jpg");
        panel_->RotatePicture();
        comment_->setPlainText("note");
        list_->SetChecked(0, true);
        QSignalSpy changed(panel_.get(), &PictureBrowser::FolderChanged);

        tree_->SelectPath(dir_ / "other");
        QCOMPARE(panel_->Folder(), dir_ / "other/");
        QCOMPARE(changed.count(), 2);  // the root on the way, then "other"
        QCOMPARE(changed.last().at(0).value<std::string>(), dir_ / "other/");
        QCOMPARE(list_->Count(), 1);
        QCOMPARE(list_->Model().RecordCount(), 0);
        QCOMPARE(list_->CheckedCount(), 0);
        QCOMPARE(panel_->Current(), -1);
        QVERIFY(!panel_->PreviewImage());
        QCOMPARE(comment_->toPlainText(), QString());
        QCOMPARE(GreyText(), QStringLiteral("（なし）"));

        // Back to the first folder: its comments and turns are gone.
        tree_->SelectPath(pictures_);
        QCOMPARE(list_->GetQuarterTurns(Line("wide.jpg")), 0);
        QCOMPARE(list_->GetComment(Line("wide.jpg")), std::string());
    }

    void theSameFolderAgainKeepsListChecksAndComments() {
        // The folder also appears as a second root (a mount point inside the first root): selecting
        // that node names the folder already shown.
        const std::string root = dir_.Path();
        const std::string mount = dir_ / "pictures";
        tree_->SetRootProvider([root, mount] {
            return std::vector<FolderRoot>{{root, RootKind::Fixed}, {mount, RootKind::Removable}};
        });
        panel_->Start(dir_ / "pictures/");
        tree_->setCurrentItem(tree_->topLevelItem(0));  // the outer root: another folder
        QCOMPARE(panel_->Folder(), root + "/");
        tree_->topLevelItem(0)->setExpanded(true);
        QTreeWidgetItem* inner = nullptr;
        for (int i = 0; i < tree_->topLevelItem(0)->childCount(); ++i)
            if (tree_->topLevelItem(0)->child(i)->text(0) == "pictures")
                inner = tree_->topLevelItem(0)->child(i);
        QVERIFY(inner != nullptr);
        tree_->setCurrentItem(inner);
        QCOMPARE(panel_->Folder(), pictures_);

        HighlightByClick("wide.jpg");
        const int line = panel_->Current();
        list_->SetChecked(line, true);
        comment_->setPlainText("kept");
        panel_->RotatePicture();
        QSignalSpy changed(panel_.get(), &PictureBrowser::FolderChanged);

        tree_->setCurrentItem(tree_->topLevelItem(1));  // the mount point: the same folder
        QCOMPARE(tree_->SelectedPath(), mount);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(panel_->Folder(), pictures_);
        QVERIFY(list_->IsChecked(line));
        QCOMPARE(list_->GetComment(line), std::string("kept"));
        QCOMPARE(list_->GetQuarterTurns(line), 1);
        QCOMPARE(panel_->Current(), line);
        QVERIFY(panel_->PreviewImage());
    }

    void theListFollowsItsFolder() {
        const std::string folder = dir_ / "follow/";
        fs::create_directories(folder);
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
            QVERIFY(WriteRedJpeg(folder + name, 40, 30));
        panel_->Start(folder);
        list_->SetChecked(Line("b.jpg"), true);
        list_->AddQuarterTurn(Line("c.jpg"));
        HighlightByClick("a.jpg");
        auto names = [this] {
            QStringList shown;
            for (int i = 0; i < list_->Count(); ++i)
                shown << QString::fromStdString(list_->ItemText(i));
            return shown.join(' ');
        };

        // Another program adds a picture before the others and renames one.
        QVERIFY(WriteRedJpeg(folder + "0.jpg", 40, 30));
        fs::rename(folder + "d.jpg", folder + "e.jpg");
        QTRY_COMPARE(names(), QStringLiteral("0.jpg a.jpg b.jpg c.jpg e.jpg"));
        QVERIFY(list_->IsChecked(Line("b.jpg")));
        QCOMPARE(list_->CheckedCount(), 1);
        QCOMPARE(list_->GetQuarterTurns(Line("c.jpg")), 1);
        QCOMPARE(panel_->Current(), Line("a.jpg"));
        QCOMPARE(list_->ShownLine(), Line("a.jpg"));
        QVERIFY(panel_->PreviewImage());

        // The picture shown goes away: the preview says there is none.
        fs::remove(folder + "a.jpg");
        QTRY_COMPARE(names(), QStringLiteral("0.jpg b.jpg c.jpg e.jpg"));
        QCOMPARE(panel_->Current(), -1);
        QCOMPARE(GreyText(), QStringLiteral("（なし）"));

        // F5 reads it at once; a job's hold keeps the lines still until it is over.
        QVERIFY(WriteRedJpeg(folder + "f.jpg", 40, 30));
        tree_->Refresh();
        QCOMPARE(names(), QStringLiteral("0.jpg b.jpg c.jpg e.jpg f.jpg"));
        {
            const FolderHold hold(panel_.get());
            fs::remove(folder + "0.jpg");
            panel_->RereadFolder();
            QCOMPARE(list_->Count(), 5);
        }
        QCOMPARE(names(), QStringLiteral("b.jpg c.jpg e.jpg f.jpg"));
        fs::remove_all(folder);
    }

    void ctrlRTurnsTheHighlightedPictures() {
        panel_->Start(pictures_);
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        HighlightByClick("tall.bmp");
        const QRect wide = list_->visualItemRect(list_->item(Line("wide.jpg")));
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          QPoint(wide.right() - 4, wide.center().y()));
        QCOMPARE(panel_->Current(), Line("wide.jpg"));
        list_->setFocus();

        QTest::keyClick(list_, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(list_->GetQuarterTurns(Line("wide.jpg")), 1);
        QCOMPARE(list_->GetQuarterTurns(Line("tall.bmp")), 1);
        QCOMPARE(list_->GetQuarterTurns(Line("large.jpg")), 0);
        QRect red = BoundingBox(PreviewShown(), IsRed);
        QVERIFY(red.height() > red.width());

        // The other way: four quarter turns in all, which the jobs and the list take as none.
        QTest::keyClick(list_, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(list_->GetQuarterTurns(Line("wide.jpg")) % 4, 0);
        QCOMPARE(list_->item(Line("wide.jpg"))->text(), QStringLiteral("wide.jpg"));
        red = BoundingBox(PreviewShown(), IsRed);
        QVERIFY(red.width() > red.height());
    }

    void pathsFromTheCommandLineOpenTheirFolderAndHighlightThePictures() {
        panel_->Start(dir_.Path() + "/");
        const std::vector<std::string> refused =
            panel_->OpenPaths({pictures_ + "wide.jpg", pictures_ + "tall.bmp", dir_ / "nowhere.jpg",
                               dir_ / "other/elsewhere.jpg"});
        QCOMPARE(panel_->Folder(), pictures_);
        QCOMPARE(list_->HighlightedLines(), (std::vector<int>{Line("tall.bmp"), Line("wide.jpg")}));
        QCOMPARE(panel_->Current(), Line("tall.bmp"));
        QCOMPARE(refused, std::vector<std::string>{dir_ / "nowhere.jpg"});

        QVERIFY(panel_->OpenPaths({dir_ / "other"}).empty());
        QCOMPARE(panel_->Folder(), dir_ / "other/");
        QCOMPARE(list_->FirstHighlighted(), -1);
        QCOMPARE(panel_->OpenPaths({dir_ / "gone", pictures_}),
                 std::vector<std::string>{dir_ / "gone"});
        QCOMPARE(panel_->Folder(), pictures_);
    }

    void selectAllChecksEveryLine() {
        panel_->Start(pictures_);
        list_->SetChecked(1, true);
        panel_->SelectAllPictures();
        QCOMPARE(list_->CheckedCount(), list_->Count());
        panel_->SelectAllPictures();  // already all checked: still all checked
        QCOMPARE(list_->CheckedCount(), list_->Count());
    }

    void withoutACommentBoxCommentsAreNeverTouched() {
        panel_.reset();
        panel_ =
            std::make_unique<PictureBrowser>(tree_, list_, frame_, nullptr, PictureFilter::Resizer);
        panel_->Start(pictures_);
        QCOMPARE(list_->Count(), 4);  // no GIF in the resizer
        HighlightByClick("wide.jpg");
        comment_->setPlainText("ignored");
        QCOMPARE(list_->Model().RecordCount(), 0);
        QVERIFY(panel_->PreviewImage());
    }
};

QTEST_MAIN(PictureBrowserTest)
#include "picture_browser_wtest.moc"
