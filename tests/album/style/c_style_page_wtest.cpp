#include "album/style/c_style_page.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "album/settings/album_settings.h"
#include "album/settings/material_folders.h"
#include "album/style/c_color_button.h"
#include "album/style/style_page_ids.h"
#include "platform/file_system.h"
#include "tests/reliability/failing_storage.h"
#include "tests/support/find_control.h"
#include "tests/support/recording_shell_opener.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace {

namespace ids = style_page_ids;

constexpr int kRed = 0x0000FF;
constexpr int kWhite = 0xFFFFFF;

// A start directory with the four material folders and a page over it.
struct PageRig {
    TempDir dir;
    AlbumSettings settings;
    MaterialFolders folders;
    RecordingShellOpener shell;
    RecordingUserDialogs dialogs;
    std::unique_ptr<CStylePage> page;

    explicit PageRig(const std::string& themes = "") {
        folders = MaterialFolders::FromStartDirectory(dir.Path());
        for (const std::string* f : {&folders.sound, &folders.wallpaper, &folders.rule}) {
            std::filesystem::create_directories(*f);
        }
        if (!themes.empty()) WriteTestFile(folders.theme + "std.ctm", themes);
    }
    CStylePage& Open() {
        page = std::make_unique<CStylePage>(settings, folders, shell, dialogs);
        page->OnSetActive();
        return *page;
    }
    template <typename T>
    T* Find(ControlId id) {
        return Control<T>(page.get(), id);
    }
    QListWidget* Themes() { return Find<QListWidget>(ids::kThemeList); }
    QImage Grab() { return page->grab().toImage(); }
};

QStringList Items(QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

// The horizontal extent, in pixels, of the pixels of one colour.
int WidthOf(const QImage& image, QRgb colour) {
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return right < left ? 0 : right - left + 1;
}

}  // namespace

class StylePageTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void defaultPageShowsTheDefaults();
    void materialListsPutNoneFirstThenNamesIgnoringCase();
    void showingThePageSelectsTheStoredMaterialsAndKeepsTheirNames();
    void confirmingTheChooserWithoutChangeClearsTheThemeSelection();
    void cancellingTheChooserKeepsTheThemeSelection();
    void choosingASizeOrMaterialClearsTheSelectionAndStoresIt();
    void choosingTheSameThemeAgainAppliesItAgain();
    void themeWithSizesZeroLeavesSizesUnselectedAndPreviewsAt16Pixels();
    void themeWithAMissingWallpaperKeepsTheName();
    void previewCentreIsTheBackgroundAndTheTitleGrowsWithItsSize();
    void viewAndListenDoNothingWhileTheNameIsEmpty();
    void addingAThemeSelectsItAndAppendsItToTheUserFile();
    void addingAThemeThatCannotBeSavedSaysSo();
    void userThemesGoToTheDataFolderWhenTheThemeFolderCannotBeWritten();
    void aMaterialNameWithACommaCannotBecomeATheme();
    void aThemeTheUserFileCannotHoldIsRefused_data();
    void aThemeTheUserFileCannotHoldIsRefused();
    void onlyTheUsersOwnThemesOfferRenameAndDelete();
};

void StylePageTest::initTestCase() {
    // No test may write themes into the real user's data folder.
    static TempDir data_home;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data_home.Path()));
}

void StylePageTest::defaultPageShowsTheDefaults() {
    PageRig rig;
    rig.Open();
    QCOMPARE(rig.Find<CColorButton>(ids::kTitleColorButton)->Color(), 0);
    QCOMPARE(rig.Find<CColorButton>(ids::kDescriptionColorButton)->Color(), 0);
    QCOMPARE(rig.Find<CColorButton>(ids::kThumbCommentColorButton)->Color(), 0);
    QCOMPARE(rig.Find<CColorButton>(ids::kBackgroundColorButton)->Color(), 0xC0C0C0);
    QCOMPARE(rig.Find<QComboBox>(ids::kTitleSizeList)->currentText(), QString("7"));
    QCOMPARE(rig.Find<QComboBox>(ids::kDescriptionSizeList)->currentText(), QString("4"));
    QCOMPARE(rig.Find<QComboBox>(ids::kThumbCommentSizeList)->currentText(), QString("2"));
    for (ControlId id : {ids::kWallpaperList, ids::kRuleList, ids::kMusicList}) {
        QCOMPARE(rig.Find<QComboBox>(id)->currentText(), QString("(なし)"));
    }
    QCOMPARE(rig.Themes()->count(), 0);
    QCOMPARE(rig.settings.currect_theme, -1);
    QCOMPARE(rig.page->Title(), QString("スタイル"));
    QVERIFY(rig.page->OnKillActive());
}

void StylePageTest::materialListsPutNoneFirstThenNamesIgnoringCase() {
    PageRig rig;
    for (const char* name : {"b.png", "A.png", "!early.png", ".hidden.png"}) {
        WriteTestFile(rig.folders.wallpaper + name, "x");
    }
    std::filesystem::create_directories(rig.folders.wallpaper + "folder");
    rig.Open();
    auto* list = rig.Find<QComboBox>(ids::kWallpaperList);
    QCOMPARE(Items(list), (QStringList{"(なし)", "!early.png", "A.png", "b.png"}));
    QCOMPARE(Items(rig.Find<QComboBox>(ids::kMusicList)), QStringList{"(なし)"});
    list->setCurrentIndex(1);
    QCOMPARE(rig.settings.name_bg, std::string("!early.png"));
    list->setCurrentIndex(0);
    QCOMPARE(rig.settings.name_bg, std::string());
}

void StylePageTest::showingThePageSelectsTheStoredMaterialsAndKeepsTheirNames() {
    PageRig rig;
    WriteTestFile(rig.folders.wallpaper + "snow.png", "x");
    WriteTestFile(rig.folders.wallpaper + "a.png", "x");
    WriteTestFile(rig.folders.rule + "line_star.png", "x");
    WriteTestFile(rig.folders.sound + "haru.wav", "x");
    // Found as stored, found in another letter case, and missing from its folder.
    rig.settings.name_bg = "snow.png";
    rig.settings.name_hr = "LINE_STAR.PNG";
    rig.settings.name_bgm = "yoru_no_hoshi.wav";
    const AlbumSettings stored = rig.settings;
    rig.Open();
    QCOMPARE(rig.Find<QComboBox>(ids::kWallpaperList)->currentText(), QString("snow.png"));
    QCOMPARE(rig.Find<QComboBox>(ids::kRuleList)->currentText(), QString("line_star.png"));
    QCOMPARE(rig.Find<QComboBox>(ids::kMusicList)->currentText(), QString("(なし)"));
    QCOMPARE(rig.settings.name_bg, stored.name_bg);
    QCOMPARE(rig.settings.name_hr, stored.name_hr);
    QCOMPARE(rig.settings.name_bgm, stored.name_bgm);
}

void StylePageTest::confirmingTheChooserWithoutChangeClearsTheThemeSelection() {
    PageRig rig("Sea,#ffffff,#ffff00,#00ffff,#000080,6,3,2,,,\r\n");
    rig.Open();
    rig.Themes()->setCurrentRow(0);
    QCOMPARE(rig.settings.color_bg, 0x800000);
    rig.page->SetColorChooser([](QWidget*, int initial) -> std::optional<int> { return initial; });
    rig.Find<CColorButton>(ids::kTitleColorButton)->click();
    QTRY_VERIFY(rig.Themes()->selectedItems().isEmpty());
    QCOMPARE(rig.settings.color_title, kWhite);
}

void StylePageTest::cancellingTheChooserKeepsTheThemeSelection() {
    PageRig rig("Sea,#ffffff,#ffff00,#00ffff,#000080,6,3,2,,,\r\n");
    rig.Open();
    rig.Themes()->setCurrentRow(0);
    rig.page->SetColorChooser([](QWidget*, int) -> std::optional<int> { return std::nullopt; });
    rig.Find<CColorButton>(ids::kBackgroundColorButton)->click();
    QCoreApplication::sendPostedEvents(rig.page.get());
    QCOMPARE(rig.Themes()->selectedItems().size(), 1);
    QCOMPARE(rig.settings.color_bg, 0x800000);
}

void StylePageTest::choosingASizeOrMaterialClearsTheSelectionAndStoresIt() {
    PageRig rig("Sea,#ffffff,#ffff00,#00ffff,#000080,6,3,2,,,\r\n");
    WriteTestFile(rig.folders.sound + "tune.wav", "x");
    rig.Open();
    rig.Themes()->setCurrentRow(0);
    rig.Find<QComboBox>(ids::kDescriptionSizeList)->setCurrentIndex(4);
    QCOMPARE(rig.settings.size_comment, 5);
    QVERIFY(rig.Themes()->selectedItems().isEmpty());

    rig.Themes()->setCurrentRow(0);
    QCOMPARE(rig.settings.size_comment, 3);
    rig.Find<QComboBox>(ids::kMusicList)->setCurrentIndex(1);
    QCOMPARE(rig.settings.name_bgm, std::string("tune.wav"));
    QVERIFY(rig.Themes()->selectedItems().isEmpty());
}

void StylePageTest::choosingTheSameThemeAgainAppliesItAgain() {
    PageRig rig("A,#000000,#000000,#000000,#ffffff,1,1,1,,,\r\nB,,,,,2,2,2,,,\r\n");
    rig.Open();
    QCOMPARE(rig.Themes()->count(), 2);
    rig.Themes()->setCurrentRow(0);
    rig.page->SetColorChooser([](QWidget*, int) -> std::optional<int> { return 0x00FF00; });
    rig.Find<CColorButton>(ids::kBackgroundColorButton)->click();
    QTRY_COMPARE(rig.settings.color_bg, 0x00FF00);
    QVERIFY(rig.Themes()->selectedItems().isEmpty());
    rig.Themes()->setCurrentRow(0);
    QCOMPARE(rig.settings.color_bg, kWhite);
    QCOMPARE(rig.Find<CColorButton>(ids::kBackgroundColorButton)->Color(), kWhite);
}

void StylePageTest::themeWithSizesZeroLeavesSizesUnselectedAndPreviewsAt16Pixels() {
    PageRig rig(",,,,,,,,,,\r\n");
    rig.settings.size_title = rig.settings.size_comment = rig.settings.size_thumb = 3;  // 16 px
    rig.settings.color_bg = 0;
    rig.Open();
    rig.page->resize(rig.page->minimumSize());
    const QRect box = rig.page->PreviewRect();
    const QImage at_sixteen = rig.Grab().copy(box);

    rig.Themes()->setCurrentRow(0);
    QCOMPARE(rig.settings.size_title, 0);
    for (ControlId id :
         {ids::kTitleSizeList, ids::kDescriptionSizeList, ids::kThumbCommentSizeList}) {
        QCOMPARE(rig.Find<QComboBox>(id)->currentIndex(), -1);
    }
    QCOMPARE(CStylePage::SampleFont(0, true).pixelSize(), 16);
    QCOMPARE(rig.Grab().copy(box), at_sixteen);
}

void StylePageTest::themeWithAMissingWallpaperKeepsTheName() {
    PageRig rig("W,,,,,1,1,1,gone.png,,,\r\n");
    rig.Open();
    rig.Themes()->setCurrentRow(0);
    QCOMPARE(rig.settings.name_bg, std::string("gone.png"));
    QCOMPARE(rig.Find<QComboBox>(ids::kWallpaperList)->currentText(), QString("(なし)"));
    rig.Find<QPushButton>(ids::kWallpaperViewButton)->click();
    QCOMPARE(rig.shell.opened, std::vector<std::string>{rig.folders.wallpaper + "gone.png"});
}

void StylePageTest::previewCentreIsTheBackgroundAndTheTitleGrowsWithItsSize() {
    PageRig rig;
    rig.settings.color_bg = kWhite;
    rig.settings.color_title = kRed;
    rig.settings.color_commen = 0x00FF00;
    rig.settings.color_thumb = 0xFF0000;
    rig.settings.size_title = 7;
    rig.Open();
    rig.page->resize(rig.page->minimumSize());
    const QRect box = rig.page->PreviewRect();
    QImage large = rig.Grab();
    QCOMPARE(large.pixel(box.center()), qRgb(255, 255, 255));
    const QImage preview_alone = rig.Find<QWidget>(ids::kPreview)->grab().toImage();
    QCOMPARE(preview_alone.pixel(preview_alone.rect().center()), qRgb(255, 255, 255));

    rig.Find<QComboBox>(ids::kTitleSizeList)->setCurrentIndex(0);
    QCOMPARE(rig.settings.size_title, 1);
    QImage small = rig.Grab();
    const int wide = WidthOf(large.copy(box), qRgb(255, 0, 0));
    const int narrow = WidthOf(small.copy(box), qRgb(255, 0, 0));
    QVERIFY2(narrow > 0 && wide > narrow * 3,
             qPrintable(QString("title %1 px at 7, %2 px at 1").arg(wide).arg(narrow)));
}

void StylePageTest::viewAndListenDoNothingWhileTheNameIsEmpty() {
    PageRig rig;
    WriteTestFile(rig.folders.rule + "line.png", "x");
    WriteTestFile(rig.folders.sound + "tune.wav", "x");
    rig.Open();
    for (ControlId id : {ids::kWallpaperViewButton, ids::kRuleViewButton, ids::kMusicListenButton})
        rig.Find<QPushButton>(id)->click();
    QVERIFY(rig.shell.opened.empty());

    rig.Find<QComboBox>(ids::kRuleList)->setCurrentIndex(1);
    rig.Find<QComboBox>(ids::kMusicList)->setCurrentIndex(1);
    for (ControlId id : {ids::kWallpaperViewButton, ids::kRuleViewButton, ids::kMusicListenButton})
        rig.Find<QPushButton>(id)->click();
    QCOMPARE(rig.shell.opened, (std::vector<std::string>{rig.folders.rule + "line.png",
                                                         rig.folders.sound + "tune.wav"}));
}

void StylePageTest::addingAThemeSelectsItAndAppendsItToTheUserFile() {
    PageRig rig("Sea,#ffffff,#ffff00,#00ffff,#000080,6,3,2,,,\r\n");
    rig.Open();
    rig.page->SetTitlePrompt([](const ThemeList& themes) -> std::optional<std::string> {
        return themes.size() == 1 ? std::optional<std::string>("T") : std::nullopt;
    });
    rig.Find<QPushButton>(ids::kAddThemeButton)->click();
    QCOMPARE(rig.Themes()->count(), 2);
    QCOMPARE(rig.Themes()->item(1)->text(), QString("T"));
    QCOMPARE(rig.Themes()->currentRow(), 1);
    QVERIFY(rig.Themes()->item(1)->isSelected());
    QCOMPARE(rig.page->Themes().size(), std::size_t{2});
    QCOMPARE(ReadTestFile(rig.folders.theme + "userat.ctm"),
             std::string("T,#000000,#000000,#000000,#c0c0c0,7,4,2,,,\r\n"));
    QVERIFY(rig.dialogs.calls.empty());
    QVERIFY(!std::filesystem::exists(UserThemeDataFolder()));

    rig.page->SetTitlePrompt([](const ThemeList&) { return std::nullopt; });
    rig.Find<QPushButton>(ids::kAddThemeButton)->click();
    QCOMPARE(rig.Themes()->count(), 2);
}

void StylePageTest::addingAThemeThatCannotBeSavedSaysSo() {
    PageRig rig;
    std::filesystem::create_directories(rig.folders.theme + "userat.ctm");  // a folder in the way
    rig.Open();
    rig.page->SetTitlePrompt([](const ThemeList&) { return std::optional<std::string>("T"); });
    rig.Find<QPushButton>(ids::kAddThemeButton)->click();
    QCOMPARE(rig.Themes()->count(), 1);  // usable for the rest of the run
    QCOMPARE(rig.dialogs.calls.size(), std::size_t{1});
    QCOMPARE(rig.dialogs.calls[0].icon, MessageIcon::Exclamation);
}

void StylePageTest::userThemesGoToTheDataFolderWhenTheThemeFolderCannotBeWritten() {
    PageRig rig;
    TempDir data;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.Path()));
    const std::string mine = "Mine,#ffffff,#000000,#000000,#000000,1,1,1,,,\r\n";
    QVERIFY(WriteTestFile(data / "pictavo/userat.ctm", mine));

    // A read-only mount refuses root as well; without the right to mount, permissions refuse
    // other users. Where neither holds, a theme folder that cannot be made still shows where the
    // user's themes go.
    std::filesystem::create_directories(rig.folders.theme);
    SmallTmpfs mount(rig.folders.theme, "1m");
    QVERIFY(WriteTestFile(rig.folders.theme + "standard.ctm", "Shipped,,,,,7,4,2,,,\r\n"));
    QStringList rows{"Shipped", "Mine"};
    if (mount.Mounted()) {
        QVERIFY(mount.MakeReadOnly());
    } else if (!RunningAsRoot()) {
        std::filesystem::permissions(rig.folders.theme, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
    } else {
        QVERIFY(WriteTestFile(rig.dir / "a_file", "x"));
        rig.folders.theme = rig.dir / "a_file/THEME/";
        rows = QStringList{"Mine"};
    }
    const std::set<std::string> shipped = FolderNames(rig.folders.theme);

    rig.Open();
    QStringList shown;
    for (int i = 0; i < rig.Themes()->count(); ++i) shown << rig.Themes()->item(i)->text();
    QCOMPARE(shown, rows);  // the shipped themes first
    rig.page->SetTitlePrompt([](const ThemeList&) { return std::optional<std::string>("T"); });
    rig.Find<QPushButton>(ids::kAddThemeButton)->click();
    QVERIFY(rig.dialogs.calls.empty());
    QCOMPARE(ReadTestFile(data / "pictavo/userat.ctm"),
             mine + "T,#000000,#000000,#000000,#c0c0c0,7,4,2,,,\r\n");
    QCOMPARE(FolderNames(rig.folders.theme), shipped);
}

void StylePageTest::aMaterialNameWithACommaCannotBecomeATheme() {
    PageRig rig;
    WriteTestFile(rig.folders.sound + "a,b.wav", "x");
    rig.Open();
    rig.Find<QComboBox>(ids::kMusicList)->setCurrentIndex(1);
    bool asked = false;
    rig.page->SetTitlePrompt([&](const ThemeList&) {
        asked = true;
        return std::optional<std::string>("T");
    });
    rig.Find<QPushButton>(ids::kAddThemeButton)->click();
    QVERIFY(!asked);
    QCOMPARE(rig.Themes()->count(), 0);
    QCOMPARE(rig.dialogs.calls.size(), std::size_t{1});
    QVERIFY(!std::filesystem::exists(rig.folders.theme + "userat.ctm"));
}

void StylePageTest::aThemeTheUserFileCannotHoldIsRefused_data() {
    QTest::addColumn<qint64>("size");  // of userat.ctm, beyond the one theme line it starts with
    QTest::addColumn<bool>("asked");   // the title is asked for before the refusal
    const CoordinateTheme nameless = CaptureTheme("", AlbumSettings{});
    // Room for a nameless theme, not for one titled "T" (the padding has no line end: 2 bytes).
    QTest::newRow("no room for the title")
        << qint64(kStoredTextReadLimit - FormatThemeLine(nameless).size() - 2) << true;
    QTest::newRow("no room at all") << qint64(kStoredTextReadLimit) << false;
    QTest::newRow("a sparse file of 64 GB") << (qint64{64} << 30) << false;
}

void StylePageTest::aThemeTheUserFileCannotHoldIsRefused() {
    QFETCH(qint64, size);
    QFETCH(bool, asked);
    PageRig rig;
    const std::string file = rig.folders.theme + "userat.ctm";
    QVERIFY(WriteTestFile(file, "Mine,,,,,,,,,,\r\n"));
    std::filesystem::resize_file(file, static_cast<std::uintmax_t>(size));
    rig.Open();
    QCOMPARE(rig.Themes()->count(), 1);
    bool prompted = false;
    rig.page->SetTitlePrompt([&](const ThemeList&) {
        prompted = true;
        return std::optional<std::string>("T");
    });
    rig.Find<QPushButton>(ids::kAddThemeButton)->click();
    QCOMPARE(prompted, asked);
    QCOMPARE(rig.Themes()->count(), 1);
    QCOMPARE(rig.page->Themes().size(), std::size_t{1});
    QCOMPARE(rig.dialogs.calls.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(rig.dialogs.calls[0].text),
             QStringLiteral("ファイル %1 が大きすぎるため、これ以上テーマを追加できません。\n"
                            "使わないテーマを削除してから追加してください。")
                 .arg(QString::fromStdString(file)));
    QCOMPARE(static_cast<qint64>(std::filesystem::file_size(file)), size);
}

void StylePageTest::onlyTheUsersOwnThemesOfferRenameAndDelete() {
    PageRig rig("Shipped,#ffffff,#000000,#000000,#000000,1,1,1,,,\r\n");
    const std::string mine = "Mine,#FF0000,#000000,#000000,#000000,1,1,1,,,\r\n";
    const std::string other = "Other,,,,,,,,,,\r\n";
    QVERIFY(WriteTestFile(rig.folders.theme + "userat.ctm", mine + other));
    rig.Open();
    rig.page->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.page.get()));
    const AlbumSettings before = rig.settings;
    // A right click on a row opens its menu, if it has one, without choosing the row's theme.
    auto right_click = [&](int row) {
        QWidget* viewport = rig.Themes()->viewport();
        const QRect rect = rig.Themes()->visualItemRect(rig.Themes()->item(row));
        QTest::mouseClick(viewport, Qt::RightButton, {}, rect.center());
        // The window system follows a right click with the request for a menu; QTest does not.
        QContextMenuEvent request(QContextMenuEvent::Mouse, rect.center(),
                                  viewport->mapToGlobal(rect.center()));
        QApplication::sendEvent(viewport, &request);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QStringList items;
        if (menu) {
            for (QAction* action : menu->actions()) items << action->text();
        }
        return std::make_pair(menu, items);
    };
    auto choose = [](QMenu* menu, int item) {
        QAction* action = menu->actions().at(item);
        menu->close();
        action->trigger();
    };

    QCOMPARE(right_click(0).first, nullptr);
    auto [menu, items] = right_click(1);
    QVERIFY(menu != nullptr);
    QCOMPARE(items, (QStringList{"名前の変更...", "削除"}));
    QVERIFY(rig.Themes()->selectedItems().isEmpty());
    QVERIFY(rig.settings == before);

    rig.page->SetRenamePrompt([](const ThemeList& themes, std::size_t index) {
        return themes[index].title == "Mine" ? std::optional<std::string>("Yours") : std::nullopt;
    });
    choose(menu, 0);
    QCOMPARE(rig.Themes()->item(1)->text(), QString("Yours"));
    QCOMPARE(ReadTestFile(rig.folders.theme + "userat.ctm"), "Yours" + mine.substr(4) + other);

    rig.dialogs.answers = {MessageAnswer::No};
    choose(right_click(1).first, 1);
    QCOMPARE(rig.Themes()->count(), 3);
    choose(right_click(1).first, 1);
    QCOMPARE(rig.dialogs.Texts(), (std::vector<std::string>{"テーマ「Yours」を削除しますか？",
                                                            "テーマ「Yours」を削除しますか？"}));
    QCOMPARE(rig.dialogs.calls[1].buttons, MessageButtons::YesNo);
    QCOMPARE(rig.Themes()->count(), 2);
    QCOMPARE(rig.Themes()->item(1)->text(), QString("Other"));
    QCOMPARE(ReadTestFile(rig.folders.theme + "userat.ctm"), other);
    QVERIFY(rig.Themes()->selectedItems().isEmpty());
    const QRect last = rig.Themes()->visualItemRect(rig.Themes()->item(1));
    QTest::mouseClick(rig.Themes()->viewport(), Qt::LeftButton, {}, last.center());
    QCOMPARE(rig.settings.size_title, 0);  // the rows still reach their own themes
}

QTEST_MAIN(StylePageTest)
#include "c_style_page_wtest.moc"
