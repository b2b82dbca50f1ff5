#include <QComboBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <map>
#include <vector>

#include "imaging/image_library.h"
#include "imaging/imgkit.h"
#include "resizer/job/batch_resize.h"
#include "resizer/shell/c_resize_dialog.h"
#include "resizer/shell/resize_dialog_ids.h"
#include "tests/support/find_control.h"
#include "tests/support/recording_shell_opener.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"
#include "widgets/c_folder_tree.h"
#include "widgets/c_picture_list.h"
#include "widgets/c_progress_dlg.h"
#include "widgets/picture_browser.h"
#include "widgets/progress_dlg_ids.h"

namespace fs = std::filesystem;
namespace ids = resize_dialog_ids;

// The whole road of one batch through the window: choose a folder in the tree, check pictures,
// turn one, pick a size rule, press "作成", and find the resized files on disk.
class ResizeDialogEndToEndTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void resizesTheCheckedPicturesToTheSameWidth();
    void overwritingReplacesTheOriginals();
    void aTurnSavedOverTheOriginalIsNotAppliedAgain();
    void theStopButtonEndsTheBatchWithTheCountDone();
    void anOutputFolderThatIsTheSourceUnderAnotherNameIsRefused();
    void overwritingAsksFirstAndNoLeavesTheOriginals();
    void theChosenFormatSavesEveryPictureInIt();

  private:
    RecordingUserDialogs load_dialogs_;
};

namespace {

struct Picture {
    std::string name;
    std::string source;  // under the shared test pictures
    int width;
    int height;
};

// Two JPEGs (one with a Japanese name) and a BMP, in the list's order.
const Picture kPictures[] = {
    {"dune_grass.jpg", "photos/dune_grass.jpg", 1680, 1050},
    {"photo_640x504_24bit.bmp", "bmp/good/photo_640x504_24bit.bmp", 640, 504},
    {"桜.jpg", "photos/桜.jpg", 2560, 1600},
};

QSize SizeOnDisk(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    return reader.size();
}

// Shows the dialog with `folder` as the tree's only root and chooses it as a user would, by
// clicking it. The caller checks QTest::currentTestFailed() afterwards.
void OpenOnFolder(CResizeDialog& dialog, const std::string& folder) {
    dialog.Tree()->SetRootProvider([folder] {
        return std::vector<FolderRoot>{{folder, RootKind::Fixed}};
    });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    CFolderTree* tree = dialog.Tree();
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QVERIFY(root != nullptr);
    const QRect rect = tree->visualItemRect(root);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

int LineOf(const CPictureList& list, const std::string& name) {
    for (int i = 0; i < list.Count(); ++i)
        if (list.ItemText(i) == name) return i;
    return -1;
}

void ClickCheckBox(CPictureList& list, int line) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.CheckBoxRect(line).center());
}

void ClickName(CPictureList& list, int line) {
    QRect rect = list.visualItemRect(list.item(line));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      QPoint(rect.right() - 4, rect.center().y()));
}

}  // namespace

void ResizeDialogEndToEndTest::initTestCase() {
    QVERIFY(ImageLibrary::Load(load_dialogs_));
}

void ResizeDialogEndToEndTest::cleanupTestCase() {
    ImageLibrary::Unload();
}

void ResizeDialogEndToEndTest::resizesTheCheckedPicturesToTheSameWidth() {
    TempDir source;
    TempDir out;
    for (const Picture& p : kPictures) fs::copy_file(TestDataPath(p.source), source / p.name);
    WriteTestFile(source / "notes.txt", "not a picture");
    const std::string output = out / "small";  // missing: the job asks before creating it

    RecordingUserDialogs dialogs;
    RecordingShellOpener shell;
    CResizeDialog dialog(dialogs, nullptr, &shell);
    OpenOnFolder(dialog, source.Path());
    if (QTest::currentTestFailed()) return;
    QCOMPARE(dialog.Settings().sourceFolder, source.Path() + "/");
    CPictureList& list = *dialog.List();
    QCOMPARE(list.Count(), 3);

    for (const Picture& p : kPictures) {
        const int line = LineOf(list, p.name);
        QVERIFY2(line >= 0, p.name.c_str());
        ClickCheckBox(list, line);
        QVERIFY(list.IsChecked(line));
    }
    // Turn the first JPEG once: highlight it and press "回転".
    const int turned = LineOf(list, "dune_grass.jpg");
    ClickName(list, turned);
    QCOMPARE(dialog.Browser()->Current(), turned);
    QVERIFY(dialog.Browser()->PreviewImage());
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kRotateButton), Qt::LeftButton);
    QCOMPARE(list.GetQuarterTurns(turned), 1);

    QTest::mouseClick(Control<QRadioButton>(&dialog, ids::kWidthRadio), Qt::LeftButton);
    auto* width = Control<QLineEdit>(&dialog, ids::kWidthEdit);
    QVERIFY(width->isEnabled());
    width->setFocus(Qt::MouseFocusReason);
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("400"));
    auto* folder = Control<QLineEdit>(&dialog, ids::kOutputFolderEdit);
    folder->setFocus(Qt::MouseFocusReason);  // leaving the width stores it
    QCOMPARE(dialog.Settings().targetWidth, 400);
    folder->setText(QString::fromStdString(output));

    // The question before the output folder is created, then the end, whose button opens it.
    dialogs.answers = {MessageAnswer::Yes, MessageAnswer::OpenFolder};
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kCreateButton), Qt::LeftButton);
    QCOMPARE(dialogs.calls.size(), size_t{2});
    QCOMPARE(dialogs.calls[0].buttons, MessageButtons::YesNo);
    QCOMPARE(Q(dialogs.calls[1].text), QStringLiteral("3 枚の画像を書き出しました。"));
    QCOMPARE(dialogs.calls[1].note, std::optional<std::string>("出力先：" + output + "/"));
    QCOMPARE(dialogs.calls[1].icon, MessageIcon::Information);
    QCOMPARE(shell.opened, std::vector<std::string>{output + "/"});
    QVERIFY(dialog.isVisible());

    ResizerSettings rule;
    rule.sizeMode = FitWidth;
    rule.targetWidth = 400;
    for (const Picture& p : kPictures) {
        const bool turn = p.name == "dune_grass.jpg";
        const ImgKitSize expected =
            ComputeTargetSize(rule, turn ? p.height : p.width, turn ? p.width : p.height);
        const std::string written = output + "/" + p.name;
        QVERIFY2(fs::exists(written), written.c_str());
        QCOMPARE(SizeOnDisk(written), QSize(expected.width, expected.height));
    }
    QCOMPARE(SizeOnDisk(output + "/dune_grass.jpg"), QSize(400, 640));
    QVERIFY(!fs::exists(output + "/notes.txt"));
    // The originals are untouched and the list keeps its turns for the next run.
    QCOMPARE(SizeOnDisk(source / "dune_grass.jpg"), QSize(1680, 1050));
    QCOMPARE(list.GetQuarterTurns(turned), 1);

    // A second run into the same folder at another width asks nothing, replaces every picture
    // (the turned one still turned once) and leaves nothing else behind.
    width->setFocus(Qt::MouseFocusReason);
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("300"));
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kCreateButton), Qt::LeftButton);
    QCOMPARE(dialogs.calls.size(), size_t{3});  // the end alone, which opens nothing this time
    QCOMPARE(shell.opened.size(), size_t{1});
    QCOMPARE(dialog.Settings().targetWidth, 300);
    QCOMPARE(SizeOnDisk(output + "/dune_grass.jpg"), QSize(300, 480));
    for (const Picture& p : kPictures) QCOMPARE(SizeOnDisk(output + "/" + p.name).width(), 300);
    QCOMPARE(FolderContents(output).size(), std::size(kPictures));
}

void ResizeDialogEndToEndTest::overwritingReplacesTheOriginals() {
    TempDir source;
    fs::copy_file(TestDataPath("bmp/good/photo_640x504_24bit.bmp"), source / "a.bmp");
    fs::copy_file(TestDataPath("photos/storm_road.jpg"), source / "b.jpg");

    RecordingUserDialogs dialogs;
    CResizeDialog dialog(dialogs);
    OpenOnFolder(dialog, source.Path());
    if (QTest::currentTestFailed()) return;
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kSelectAllButton), Qt::LeftButton);
    QCOMPARE(dialog.List()->CheckedCount(), 2);

    auto* scale = Control<QLineEdit>(&dialog, ids::kPercentEdit);
    scale->setFocus(Qt::MouseFocusReason);
    scale->selectAll();
    QTest::keyClicks(scale, QStringLiteral("50"));
    QTest::mouseClick(Control<QWidget>(&dialog, ids::kOverwriteCheck), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kCreateButton), Qt::LeftButton);

    // Asked first (and answered yes), then told.
    QCOMPARE(dialogs.Texts(),
             (std::vector<std::string>{"元の画像 2 枚を上書きします。よろしいですか？",
                                       "2 枚の画像を書き出しました。"}));
    QCOMPARE(dialogs.calls[0].buttons, MessageButtons::YesNoDefaultNo);
    QCOMPARE(dialogs.calls[0].icon, MessageIcon::Exclamation);
    QCOMPARE(dialogs.calls[1].note, std::optional<std::string>("出力先：" + source.Path() + "/"));
    QCOMPARE(dialog.Settings().scalePercent, 50);
    QCOMPARE(SizeOnDisk(source / "a.bmp"), QSize(320, 252));
    QCOMPARE(SizeOnDisk(source / "b.jpg"), QSize(960, 640));
    // Nothing else is left behind in the folder (no temporary files).
    int files = 0;
    for (const auto& entry : fs::directory_iterator(source.Path()))
        files += entry.is_regular_file();
    QCOMPARE(files, 2);
}

void ResizeDialogEndToEndTest::aTurnSavedOverTheOriginalIsNotAppliedAgain() {
    TempDir source;
    fs::copy_file(TestDataPath("photos/storm_road.jpg"), source / "b.jpg");
    RecordingUserDialogs dialogs;
    CResizeDialog dialog(dialogs);
    OpenOnFolder(dialog, source.Path());
    if (QTest::currentTestFailed()) return;
    CPictureList& list = *dialog.List();
    ClickCheckBox(list, 0);
    ClickName(list, 0);
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kRotateButton), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(&dialog, ids::kKeepSizeRadio), Qt::LeftButton);
    QTest::mouseClick(Control<QWidget>(&dialog, ids::kOverwriteCheck), Qt::LeftButton);

    auto* create = Control<QPushButton>(&dialog, ids::kCreateButton);
    QTest::mouseClick(create, Qt::LeftButton);
    QCOMPARE(SizeOnDisk(source / "b.jpg"), QSize(1280, 1920));
    // The file now stands as the user turned it: the turn is spent and the preview shows the new
    // file, upright as it is.
    QCOMPARE(list.GetQuarterTurns(0), 0);
    ImgKitInfoRecord info;
    ImgKitImageInfo(dialog.Browser()->PreviewImage(), info);
    QCOMPARE(QSize(info.values[0], info.values[1]), QSize(1280, 1920));

    // A second press leaves the photograph as the first left it.
    QTest::mouseClick(create, Qt::LeftButton);
    QCOMPARE(SizeOnDisk(source / "b.jpg"), QSize(1280, 1920));
    QCOMPARE(dialogs.calls.size(), size_t{4});  // each time the question and the end
}

void ResizeDialogEndToEndTest::theStopButtonEndsTheBatchWithTheCountDone() {
    TempDir source;
    TempDir out;
    constexpr int kCount = 24;
    for (int i = 0; i < kCount; ++i)
        fs::copy_file(TestDataPath("photos/dune_grass.jpg"),
                      source / ("p" + std::to_string(10 + i) + ".jpg"));
    RecordingUserDialogs dialogs;
    CResizeDialog dialog(dialogs);
    OpenOnFolder(dialog, source.Path());
    if (QTest::currentTestFailed()) return;
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kSelectAllButton), Qt::LeftButton);
    Control<QLineEdit>(&dialog, ids::kOutputFolderEdit)->setText(Q(out.Path()));

    // The user presses "中止" once the pictures are being made: the window must take the click
    // while the workers hold pictures.
    QTimer watcher;
    bool clicked = false;
    connect(&watcher, &QTimer::timeout, &dialog, [&] {
        auto* progress = dialog.findChild<CProgressDlg*>();
        if (clicked || progress == nullptr || !progress->isVisible()) return;
        if (Control<QLabel>(progress, progress_dlg_ids::kMessageLabel)->text() !=
            QStringLiteral("作成しています..."))
            return;
        QTest::mouseClick(Control<QPushButton>(progress, progress_dlg_ids::kStopButton),
                          Qt::LeftButton);
        clicked = true;
    });
    watcher.start(0);
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kCreateButton), Qt::LeftButton);
    watcher.stop();
    QVERIFY(clicked);

    const int done = static_cast<int>(FolderContents(out.Path()).size());
    QVERIFY(done < kCount);
    QCOMPARE(dialogs.calls.size(), size_t{1});
    QCOMPARE(Q(dialogs.calls[0].text),
             QStringLiteral("作成を中止しました。\n%1 枚中 %2 枚の画像を処理しました。")
                 .arg(kCount)
                 .arg(done));
    QCOMPARE(dialogs.calls[0].icon, MessageIcon::Exclamation);
    QVERIFY(dialog.isVisible());
}

// The output folder typed is a link to the folder chosen in the tree: without the overwrite box,
// "作成" refuses it and writes nothing, with the focus back in the folder box.
void ResizeDialogEndToEndTest::anOutputFolderThatIsTheSourceUnderAnotherNameIsRefused() {
    TempDir source;
    TempDir elsewhere;
    fs::copy_file(TestDataPath("photos/storm_road.jpg"), source / "b.jpg");
    fs::create_directory_symlink(source.Path(), elsewhere / "photos");
    const std::map<std::string, std::string> before = FolderContents(source.Path());
    RecordingUserDialogs dialogs;
    CResizeDialog dialog(dialogs);
    OpenOnFolder(dialog, source.Path());
    if (QTest::currentTestFailed()) return;
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kSelectAllButton), Qt::LeftButton);
    auto* folder = Control<QLineEdit>(&dialog, ids::kOutputFolderEdit);
    folder->setText(Q(elsewhere / "photos"));

    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kCreateButton), Qt::LeftButton);
    QCOMPARE(dialogs.Texts(), std::vector<std::string>{kOutputIsSourceMessage});
    QCOMPARE(dialogs.calls[0].icon, MessageIcon::None);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(folder));
    QVERIFY(FolderContents(source.Path()) == before);
}

// "いいえ" (the default) to the question before the originals are written over: nothing is
// written, and the ticks and turns stay for another try.
void ResizeDialogEndToEndTest::overwritingAsksFirstAndNoLeavesTheOriginals() {
    TempDir source;
    fs::copy_file(TestDataPath("photos/storm_road.jpg"), source / "b.jpg");
    const std::map<std::string, std::string> before = FolderContents(source.Path());
    RecordingUserDialogs dialogs;
    CResizeDialog dialog(dialogs);
    OpenOnFolder(dialog, source.Path());
    if (QTest::currentTestFailed()) return;
    CPictureList& list = *dialog.List();
    ClickCheckBox(list, 0);
    ClickName(list, 0);
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kRotateButton), Qt::LeftButton);
    QTest::mouseClick(Control<QWidget>(&dialog, ids::kOverwriteCheck), Qt::LeftButton);
    dialogs.answers = {MessageAnswer::No};
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kCreateButton), Qt::LeftButton);
    QCOMPARE(dialogs.Texts(),
             std::vector<std::string>{"元の画像 1 枚を上書きします。よろしいですか？"});
    QVERIFY(FolderContents(source.Path()) == before);
    QVERIFY(list.IsChecked(0));
    QCOMPARE(list.GetQuarterTurns(0), 1);
}

// A phone's HEIC and a screenshot's PNG are listed and previewed upright; "PNG" chosen in the
// format list greys the quality (PNG is lossless) and saves both as PNG, the HEIC under its stem
// with the new extension.
void ResizeDialogEndToEndTest::theChosenFormatSavesEveryPictureInIt() {
    TempDir source;
    TempDir out;
    fs::copy_file(TestDataPath("formats/heic_irot.heic"), source / "IMG_0001.HEIC");
    fs::copy_file(TestDataPath("formats/png_alpha.png"), source / "screen.png");

    RecordingUserDialogs dialogs;
    CResizeDialog dialog(dialogs);
    OpenOnFolder(dialog, source.Path());
    if (QTest::currentTestFailed()) return;
    CPictureList& list = *dialog.List();
    QCOMPARE(list.Count(), 2);
    ClickName(list, LineOf(list, "IMG_0001.HEIC"));
    QVERIFY(dialog.Browser()->PreviewImage());
    ImgKitInfoRecord info;
    ImgKitImageInfo(dialog.Browser()->PreviewImage(), info);
    QCOMPARE(QSize(info.values[0], info.values[1]), QSize(64, 48));

    auto* formats = Control<QComboBox>(&dialog, ids::kFormatList);
    QCOMPARE(formats->currentText(), QStringLiteral("元の形式"));
    QCOMPARE(formats->count(), 5);
    formats->setFocus(Qt::TabFocusReason);
    QTest::keyClick(formats, Qt::Key_Down);
    QTest::keyClick(formats, Qt::Key_Down);
    QCOMPARE(formats->currentText(), QStringLiteral("PNG"));
    QVERIFY(!Control<QLineEdit>(&dialog, ids::kQualityEdit)->isEnabled());
    QVERIFY(!Control<QComboBox>(&dialog, ids::kQualityList)->isEnabled());

    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kSelectAllButton), Qt::LeftButton);
    Control<QLineEdit>(&dialog, ids::kOutputFolderEdit)->setText(Q(out.Path()));
    QTest::mouseClick(Control<QPushButton>(&dialog, ids::kCreateButton), Qt::LeftButton);
    QCOMPARE(dialogs.Texts(), std::vector<std::string>{"2 枚の画像を書き出しました。"});
    QCOMPARE(dialog.Settings().outputFormat, OutputFormat::Png);
    const std::map<std::string, std::string> made = FolderContents(out.Path());
    QCOMPARE(made.size(), size_t{2});
    for (const char* name : {"IMG_0001.png", "screen.png"}) {
        QVERIFY2(made.count(name) == 1, name);
        QCOMPARE(SniffImageKind(made.at(name)), kPngImage);
    }

    // Back to the original format: the quality counts again.
    QTest::keyClick(formats, Qt::Key_Home);
    QVERIFY(Control<QLineEdit>(&dialog, ids::kQualityEdit)->isEnabled());
}

QTEST_MAIN(ResizeDialogEndToEndTest)
#include "resize_dialog_end_to_end_wtest.moc"
