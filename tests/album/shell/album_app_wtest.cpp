// Start-up and shutdown of the album maker: the material folders, the settings read before any
// page shows them, the four tabs, and saving at exit only when the last transfer asked for it.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QWindow>
#include <filesystem>

#include "album/settings/album_settings.h"
#include "album/shell/c_album_app.h"
#include "album/shell/c_picture_page.h"
#include "album/shell/c_prop_sheet.h"
#include "platform/file_system.h"
#include "platform/profile_store.h"
#include "sheet_fixture.h"
#include "widgets/c_picture_list.h"

namespace {

struct AppFixture {
    TempDir start;
    TempDir config;
    RecordingUserDialogs dialogs;
    RecordingShellOpener shell;
    std::string profile = config / "Pictavo.INI";
    std::vector<std::string> open_paths;
    std::unique_ptr<CAlbumApp> app;

    void Start() {
        CAlbumApp::Options options;
        options.profile_path = profile;
        options.start_directory = start.Path();  // no trailing separator
        options.open_paths = open_paths;
        app = std::make_unique<CAlbumApp>(dialogs, shell, options);
        QVERIFY(app->InitInstance());
        CPropSheet* sheet = app->Sheet();
        sheet->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(sheet));
    }
    CPropSheet* Sheet() { return app->Sheet(); }
    QWidget* Page(int i) { return Sheet()->Page(i); }
    int ChooseTab(int i) {
        Sheet()->Tabs()->setCurrentIndex(i);
        return Sheet()->Tabs()->currentIndex();
    }
    void ClickClose() {
        ChooseTab(3);
        QTest::mouseClick(Control<QPushButton>(Page(3), out_ids::kCloseButton), Qt::LeftButton);
    }
};

}  // namespace

class AlbumAppTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { PrepareTestProgram(); }

    void MaterialFoldersComeFromTheStartDirectory() {
        AppFixture f;
        f.Start();
        const MaterialFolders& m = f.app->Folders();
        QCOMPARE(m.sound, f.start / "Material/SOUND/");
        QCOMPARE(m.wallpaper, f.start / "Material/BKGROUND/");
        QCOMPARE(m.rule, f.start / "Material/BORDER/");
        QCOMPARE(m.theme, f.start / "Material/THEME/");
    }

    void TheSheetHasItsFourTabsAndStartsOnThePicturePage() {
        AppFixture f;
        f.Start();
        QTabWidget* tabs = f.Sheet()->Tabs();
        QCOMPARE(f.Sheet()->windowTitle(), QStringLiteral("Pictavo"));
        QCOMPARE(tabs->count(), 4);
        const QStringList titles = {QStringLiteral("ピクチャー"), QStringLiteral("HTML"),
                                    QStringLiteral("スタイル"), QStringLiteral("作成")};
        for (int i = 0; i < 4; ++i) QCOMPARE(tabs->tabText(i), titles[i]);
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(f.Sheet()->isVisible());
    }

    // "Pictavo FILE..." or "Open with": the pictures' folder on the Picture page, those pictures
    // highlighted, and a word about the one that is not there.
    void PicturesNamedAtStartOpenOnThePicturePage() {
        AppFixture f;
        TempDir photos;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            QVERIFY(WriteTestFile(photos / name, "x"));
        f.open_paths = {photos / "c.jpg", photos / "a.jpg", photos / "gone.jpg"};
        f.Start();
        CPicturePage* page = f.Sheet()->PicturePage();
        QCOMPARE(f.Sheet()->Tabs()->currentIndex(), 0);
        QCOMPARE(f.Sheet()->Settings().picture_path, photos.Path() + "/");
        QCOMPARE(page->List()->HighlightedLines(), (std::vector<int>{0, 2}));
        QCOMPARE(f.dialogs.Texts(),
                 std::vector<std::string>{"次のファイルまたはフォルダを開けませんでした。\n" +
                                          photos / "gone.jpg"});
        QCOMPARE(f.dialogs.calls[0].icon, MessageIcon::Exclamation);
    }

    void EnterPressesTheFocusedButton() {
        AppFixture f;
        f.Start();
        QCOMPARE(f.ChooseTab(3), 3);
        auto* close = Control<QPushButton>(f.Page(3), out_ids::kCloseButton);
        close->setFocus(Qt::TabFocusReason);
        QTest::keyClick(close, Qt::Key_Return);
        QTRY_VERIFY(!f.Sheet()->isVisible());
    }

    void FirstStartShowsTheDefaultsOnEveryPage() {
        AppFixture f;
        f.Start();
        QCOMPARE(Control<QLineEdit>(f.Page(0), picture_ids::kThumbWidthEdit)->text(),
                 QStringLiteral("100"));
        QCOMPARE(Control<QLineEdit>(f.Page(0), picture_ids::kThumbHeightEdit)->text(),
                 QStringLiteral("100"));
        for (int tab = 1; tab < 4; ++tab) QCOMPARE(f.ChooseTab(tab), tab);
        QCOMPARE(Control<QLineEdit>(f.Page(1), html_ids::kTitleEdit)->text(),
                 QStringLiteral("MY ALUBUM"));
        QCOMPARE(Control<QLineEdit>(f.Page(1), html_ids::kColumnsEdit)->text(),
                 QStringLiteral("5"));
        QCOMPARE(Control<QLineEdit>(f.Page(1), html_ids::kRowsEdit)->text(), QStringLiteral("1"));
        QCOMPARE(Control<QLineEdit>(f.Page(3), out_ids::kFolderEdit)->text(),
                 QStringLiteral("~/MyAlbum"));
        QCOMPARE(Control<QLineEdit>(f.Page(3), out_ids::kHtmlNameEdit)->text(),
                 QStringLiteral("my"));
        QCOMPARE(f.Sheet()->Settings().color_bg, 12632256);
        QVERIFY(f.dialogs.calls.empty());
    }

    void StoredSettingsAreShownByThePages() {
        AppFixture f;
        ProfileStore profile(f.profile);
        profile.WriteInt("param", "thumbnail_x", 150);
        profile.WriteText("param", "html_title", "夏休み");
        profile.WriteText("param", "out_dir", "/srv/albums");
        profile.WriteInt("param", "out_sorce", 1);
        f.Start();
        QCOMPARE(Control<QLineEdit>(f.Page(0), picture_ids::kThumbWidthEdit)->text(),
                 QStringLiteral("150"));
        f.ChooseTab(1);
        QCOMPARE(Control<QLineEdit>(f.Page(1), html_ids::kTitleEdit)->text(),
                 QStringLiteral("夏休み"));
        f.ChooseTab(3);
        QVERIFY(Control<QCheckBox>(f.Page(3), out_ids::kSourceCheck)->isChecked());
        QVERIFY(!Control<QLineEdit>(f.Page(3), out_ids::kFolderEdit)->isEnabled());
    }

    void TickingSaveAndClosingAtOnceKeepsTheTick_data() {
        QTest::addColumn<bool>("close_box");
        QTest::newRow("close button") << false;
        // The close box and Alt+F4 both reach the window as the system's close request.
        QTest::newRow("close box or Alt+F4") << true;
    }
    void TickingSaveAndClosingAtOnceKeepsTheTick() {
        QFETCH(bool, close_box);
        AppFixture f;
        f.Start();
        f.ChooseTab(3);
        QTest::mouseClick(Control<QCheckBox>(f.Page(3), out_ids::kSaveSettingsCheck),
                          Qt::LeftButton);
        if (close_box) {
            // The platform window's close is the path of the window manager's close request.
            f.Sheet()->windowHandle()->close();
        } else {
            QTest::mouseClick(Control<QPushButton>(f.Page(3), out_ids::kCloseButton),
                              Qt::LeftButton);
        }
        QVERIFY(!f.Sheet()->isVisible());
        f.app->ExitInstance();
        QCOMPARE(ProfileStore(f.profile).ReadInt("param", "save_param", 0), 1);
        QVERIFY(f.dialogs.calls.empty());
    }

    // With saving on, a value typed on the open page is kept at closing when its page's check
    // passes, and the earlier value is kept, without a message, when it fails.
    void ClosingKeepsTheOpenPagesValuesThatPassTheirCheck_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<ControlId>("id");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("saved");
        QTest::newRow("width in range") << 0 << picture_ids::kThumbWidthEdit << "150"
                                        << "thumbnail_x"
                                        << "150";
        QTest::newRow("width out of range") << 0 << picture_ids::kThumbWidthEdit << "30"
                                            << "thumbnail_x"
                                            << "100";
        QTest::newRow("title") << 1 << html_ids::kTitleEdit << "秋"
                               << "html_title"
                               << "秋";
        QTest::newRow("columns out of range") << 1 << html_ids::kColumnsEdit << "25"
                                              << "thumbnail_cols"
                                              << "5";
        QTest::newRow("columns emptied") << 1 << html_ids::kColumnsEdit << ""
                                         << "thumbnail_cols"
                                         << "5";
        QTest::newRow("back link") << 3 << out_ids::kBackUrlEdit << "https://example.org/"
                                   << "back_url"
                                   << "https://example.org/";
        QTest::newRow("page name with a trailing separator")
            << 3 << out_ids::kHtmlNameEdit << "trip/"
            << "html_name"
            << "trip";
        QTest::newRow("page name with an extension") << 3 << out_ids::kHtmlNameEdit << "trip.html"
                                                     << "html_name"
                                                     << "my";
    }
    void ClosingKeepsTheOpenPagesValuesThatPassTheirCheck() {
        QFETCH(int, tab);
        QFETCH(ControlId, id);
        QFETCH(QString, typed);
        QFETCH(QString, key);
        QFETCH(QString, saved);
        AppFixture f;
        ProfileStore(f.profile).WriteInt("param", "save_param", 1);
        f.Start();
        QCOMPARE(f.ChooseTab(tab), tab);
        auto* edit = Control<QLineEdit>(f.Page(tab), id);
        SheetFixture::TypeInto(edit, typed);
        QVERIFY(edit->hasFocus());
        f.Sheet()->close();
        QVERIFY(!f.Sheet()->isVisible());
        f.app->ExitInstance();
        QCOMPARE(Q(ProfileStore(f.profile).ReadText("param", key.toStdString(), "?")), saved);
        QVERIFY(f.dialogs.calls.empty());
    }

    void SaveTickedWritesTheProfileOnceAtExit() {
        AppFixture f;
        f.Start();
        f.ChooseTab(1);
        SheetFixture::TypeInto(Control<QLineEdit>(f.Page(1), html_ids::kTitleEdit),
                               QStringLiteral("秋"));
        f.ChooseTab(3);
        QTest::mouseClick(Control<QCheckBox>(f.Page(3), out_ids::kSaveSettingsCheck),
                          Qt::LeftButton);
        f.ChooseTab(1);  // the tick is copied here
        SheetFixture::TypeInto(Control<QLineEdit>(f.Page(1), html_ids::kTitleEdit),
                               QStringLiteral("冬"));
        f.Sheet()->close();               // and the open page's title here
        QVERIFY(!PathExists(f.profile));  // nothing is written before the end
        f.app->ExitInstance();
        ProfileStore profile(f.profile);
        QCOMPARE(profile.ReadInt("param", "save_param", -1), 1);
        QCOMPARE(Q(profile.ReadText("param", "html_title", "")), QStringLiteral("冬"));
        QCOMPARE(Q(profile.ReadText("param", "out_dir", "")), QStringLiteral("~/MyAlbum"));
        QCOMPARE(f.app->Sheet(), nullptr);
    }

    void EverySettingSurvivesAVisitToEveryPageASaveAtExitAndARestart() {
        // Every one of the 33 stored values differs from its default and is one the pages accept.
        TempDir pictures;
        AlbumSettings stored;
        stored.thumbnail_x = 150;
        stored.thumbnail_y = 60;
        stored.picture_path = pictures.Path() + "/";
        stored.html_title = "夏休み";
        stored.html_comment = "海と山";
        stored.thumbnail_cols = 3;
        stored.thumbnail_rows = 4;
        stored.html_page = 1;
        stored.thumbnail_fname = 0;
        stored.thumbnail_frame = 0;
        stored.thumbnail_fsize = 1;
        stored.brws_mode = 1;
        stored.slide_mode = 1;
        stored.html_marquee = 1;
        stored.color_title = 0x0000FF;
        stored.color_commen = 0x00FF00;
        stored.color_thumb = 0xFF0000;
        stored.color_bg = 0x123456;
        stored.size_title = 1;
        stored.size_comment = 2;
        stored.size_thumb = 3;
        stored.name_bg = "snow.png";
        stored.name_bgm = "yoru_no_hoshi.wav";
        stored.name_hr = "line_star.png";
        stored.currect_theme = 5;
        stored.back_url = "https://example.org/";
        stored.out_dir = "/srv/albums";
        stored.html_name = "trip";
        stored.pic_folder = "p";
        stored.thumb_folder = "t";
        stored.material_folder = "m";
        stored.save_param = 1;

        AppFixture f;
        const MaterialFolders m = MaterialFolders::FromStartDirectory(f.start.Path());
        for (const std::string& path : {m.wallpaper + "snow.png", m.wallpaper + "a.png",
                                        m.sound + "yoru_no_hoshi.wav", m.rule + "line_star.png"}) {
            QVERIFY(WriteTestFile(path, "x"));
        }
        ProfileStore profile(f.profile);
        SaveSettings(profile, stored);
        // The theme index is marked unused once the Style page has been shown; nothing else
        // changes.
        AlbumSettings expected = stored;
        expected.currect_theme = -1;

        for (int run = 0; run < 2; ++run) {
            f.Start();
            for (int tab : {1, 2, 3, 0}) QCOMPARE(f.ChooseTab(tab), tab);
            f.Sheet()->close();
            f.app->ExitInstance();
            QVERIFY(f.dialogs.calls.empty());
            AlbumSettings saved;
            LoadSettings(profile, saved);
            QVERIFY2(saved == expected, qPrintable(Q(ReadTestFile(f.profile))));
        }
    }

    void SaveOffAtTheLastTransferLeavesAnExistingProfileAlone() {
        AppFixture f;
        ProfileStore(f.profile).WriteInt("param", "save_param", 1);
        const std::string before = ReadTestFile(f.profile);
        f.Start();
        f.ChooseTab(3);
        QTest::mouseClick(Control<QCheckBox>(f.Page(3), out_ids::kSaveSettingsCheck),
                          Qt::LeftButton);  // untick
        f.ChooseTab(0);
        f.Sheet()->close();
        f.app->ExitInstance();
        QCOMPARE(ReadTestFile(f.profile), before);
    }

    void AProfileThatCannotBeSavedIsNamedInAMessageAtClose() {
        AppFixture f;
        ProfileStore(f.profile).WriteInt("param", "save_param", 1);
        const std::string before = ReadTestFile(f.profile);
        // No write permission bit at all: not replaced, even by an administrator.
        std::filesystem::permissions(f.profile, std::filesystem::perms::owner_read);
        f.Start();
        f.ChooseTab(1);
        SheetFixture::TypeInto(Control<QLineEdit>(f.Page(1), html_ids::kTitleEdit),
                               QStringLiteral("秋"));
        f.Sheet()->close();
        QVERIFY(!f.Sheet()->isVisible());
        f.app->ExitInstance();
        QCOMPARE(f.dialogs.calls.size(), size_t{1});
        QCOMPARE(Q(f.dialogs.calls[0].text),
                 QStringLiteral("設定をファイル %1 に保存できませんでした。\n"
                                "ファイルへの書き込みが許可されていません。\n"
                                "今回変更した設定は保存されていません。")
                     .arg(Q(f.profile)));
        QCOMPARE(f.dialogs.calls[0].icon, MessageIcon::Exclamation);
        QCOMPARE(ReadTestFile(f.profile), before);
        QCOMPARE(f.app->Sheet(), nullptr);
    }
};

QTEST_MAIN(AlbumAppTest)
#include "album_app_wtest.moc"
