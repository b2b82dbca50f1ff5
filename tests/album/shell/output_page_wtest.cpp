// The Output page: the output folder checks of the create button, the name boxes, the "output into
// the source folder" box and the browse button's starting point.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <iterator>
#include <map>

#include "album/settings/output_names.h"
#include "album/shell/c_out_page.h"
#include "platform/file_system.h"
#include "sheet_fixture.h"
#include "tests/support/recording_progress_sink.h"

namespace {
constexpr int kOutTab = 3;

// A sheet on its Output page whose build is recorded instead of run.
struct OutFixture : SheetFixture {
    RecordingProgressSink progress;
    QWidget* page = nullptr;

    OutFixture() {
        sheet->SetProgressSink(&progress);
        Show();
        ChooseTab(kOutTab);
        page = Page(kOutTab);
    }
    QLineEdit* Edit(ControlId id) { return Control<QLineEdit>(page, id); }
    QCheckBox* Check(ControlId id) { return Control<QCheckBox>(page, id); }
    void PressCreate() {
        QTest::mouseClick(Control<QPushButton>(page, out_ids::kCreateButton), Qt::LeftButton);
    }
    // The build ran when it opened its progress display or refused the empty selection.
    bool BuildStarted() const {
        for (const std::string& t : dialogs.Texts())
            if (t.find("選択") != std::string::npos || t.find("ピクチャー") != std::string::npos)
                return true;
        return !progress.calls.empty();
    }
};
}  // namespace

class OutputPageTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { PrepareTestProgram(); }

    void FirstStartShowsTheDefaults() {
        OutFixture f;
        QCOMPARE(f.Edit(out_ids::kFolderEdit)->text(), QStringLiteral("~/MyAlbum"));
        QCOMPARE(f.Edit(out_ids::kHtmlNameEdit)->text(), QStringLiteral("my"));
        QCOMPARE(f.Edit(out_ids::kPictureFolderEdit)->text(), QStringLiteral("my_p"));
        QCOMPARE(f.Edit(out_ids::kThumbFolderEdit)->text(), QStringLiteral("my_t"));
        QCOMPARE(f.Edit(out_ids::kMaterialFolderEdit)->text(), QStringLiteral("material"));
        QCOMPARE(f.Edit(out_ids::kBackUrlEdit)->text(), QString());
        for (ControlId id :
             {out_ids::kSourceCheck, out_ids::kSaveSettingsCheck, out_ids::kHtmlOnlyCheck})
            QVERIFY(!f.Check(id)->isChecked());
        QVERIFY(f.Edit(out_ids::kFolderEdit)->isEnabled());
        QVERIFY(f.Edit(out_ids::kPictureFolderEdit)->isEnabled());
    }

    void OutputFolderChecks_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::newRow("relative name") << "MyAlbum" << QString::fromUtf8(kNotAbsoluteMessage);
        QTest::newRow("drive-letter style")
            << "C:\\MyAlbum" << QString::fromUtf8(kNotAbsoluteMessage);
        QTest::newRow("drive-relative") << "C:MyAlbum" << QString::fromUtf8(kNotAbsoluteMessage);
        QTest::newRow("source-folder text")
            << QString::fromUtf8(kSourceFolderText) << QString::fromUtf8(kNotAbsoluteMessage);
        QTest::newRow("empty") << "" << QString::fromUtf8(kNotAbsoluteMessage);
        QTest::newRow("extension") << "<tmp>/My.Album" << QString::fromUtf8(kExtensionMessage);
        QTest::newRow("dot in a parent only") << "<tmp>/Photos.2003/Album" << QString();
        QTest::newRow("trailing separator") << "<tmp>/MyAlbum/" << QString();
        QTest::newRow("hidden last folder")
            << "<tmp>/.album" << QString::fromUtf8(kExtensionMessage);
    }
    void OutputFolderChecks() {
        QFETCH(QString, folder);
        QFETCH(QString, message);
        OutFixture f;
        TempDir out;
        folder.replace(QStringLiteral("<tmp>"), Q(out.Path()));
        SheetFixture::TypeInto(f.Edit(out_ids::kFolderEdit), folder);
        f.dialogs.answers = {MessageAnswer::Yes};  // create the folder when asked
        f.PressCreate();
        if (!message.isEmpty()) {
            QCOMPARE(f.dialogs.calls.size(), std::size_t(1));
            QCOMPARE(Q(f.dialogs.calls[0].text), message);
            QCOMPARE(f.dialogs.calls[0].icon, MessageIcon::None);
            QVERIFY(!f.dialogs.calls[0].caption.has_value());
            QCOMPARE(QApplication::focusWidget(),
                     static_cast<QWidget*>(f.Edit(out_ids::kFolderEdit)));
            QVERIFY(!f.BuildStarted());
            QVERIFY(!PathExists(folder.toStdString()));
        } else {
            // One trailing separator goes; the folder is made after asking; the build starts
            // (and refuses the empty selection).
            QString expected = folder;
            if (expected.endsWith('/')) expected.chop(1);
            QCOMPARE(Q(f.Settings().out_dir), expected);
            QVERIFY(IsDirectory(expected.toStdString()));
            QVERIFY(f.dialogs.calls.size() >= 2);
            QCOMPARE(f.dialogs.calls[0].buttons, MessageButtons::YesNo);
            QVERIFY(f.BuildStarted());
        }
    }

    // Every way the thumbnail folder can be the folder of the source pictures, where "_a.jpg"
    // may be another photograph.
    void ThumbnailsAmongTheSourcePicturesAreRefused_data() {
        QTest::addColumn<bool>("into_source");
        QTest::addColumn<QString>("folder");  // the output folder, <tmp> standing for the test's
        QTest::addColumn<QString>("thumbs");
        QTest::newRow("album in the source folder") << true << QString() << QString();
        QTest::newRow("output folder is the source folder") << false << "<tmp>/pics/" << QString();
        QTest::newRow("thumbnail folder named after the source folder")
            << false << "<tmp>" << QStringLiteral("pics");
    }
    void ThumbnailsAmongTheSourcePicturesAreRefused() {
        QFETCH(bool, into_source);
        QFETCH(QString, folder);
        QFETCH(QString, thumbs);
        OutFixture f;
        TempDir tmp;
        const std::string pics = tmp / "pics";
        QVERIFY(WriteTestFile(pics + "/a.jpg", "a photograph"));
        f.Settings().picture_path = pics + "/";
        if (into_source) QTest::mouseClick(f.Check(out_ids::kSourceCheck), Qt::LeftButton);
        if (!into_source) {
            SheetFixture::TypeInto(f.Edit(out_ids::kFolderEdit),
                                   folder.replace(QStringLiteral("<tmp>"), Q(tmp.Path())));
        }
        SheetFixture::TypeInto(f.Edit(out_ids::kThumbFolderEdit), thumbs);
        f.PressCreate();
        QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{kThumbnailFolderMessage});
        QCOMPARE(f.dialogs.calls[0].icon, MessageIcon::Exclamation);
        QCOMPARE(QApplication::focusWidget(),
                 static_cast<QWidget*>(f.Edit(out_ids::kThumbFolderEdit)));
        QVERIFY(!f.BuildStarted());
        QCOMPARE(std::distance(std::filesystem::directory_iterator(pics),
                               std::filesystem::directory_iterator()),
                 std::ptrdiff_t(1));
    }

    // The output folder and picture folder name lead to the source folder ("<tmp>" + "pics"): the
    // copies would be the photographs themselves, which only the source-folder box asks for.
    void APictureFolderThatIsTheSourceFolderIsRefused() {
        OutFixture f;
        TempDir tmp;
        const std::string pics = tmp / "pics";
        QVERIFY(WriteTestFile(pics + "/a.jpg", "a photograph"));
        f.Settings().picture_path = pics + "/";
        SheetFixture::TypeInto(f.Edit(out_ids::kFolderEdit), Q(tmp.Path()));
        SheetFixture::TypeInto(f.Edit(out_ids::kPictureFolderEdit), QStringLiteral("pics"));
        f.PressCreate();
        QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{kPictureFolderMessage});
        QCOMPARE(f.dialogs.calls[0].icon, MessageIcon::Exclamation);
        QCOMPARE(QApplication::focusWidget(),
                 static_cast<QWidget*>(f.Edit(out_ids::kPictureFolderEdit)));
        QVERIFY(!f.BuildStarted());
        QCOMPARE(FolderContents(pics),
                 (std::map<std::string, std::string>{{"a.jpg", "a photograph"}}));
        QVERIFY(!PathExists(tmp / "my_t"));
    }

    void LocationRemovalIsRefusedForAnAlbumMadeOfTheSourcesThemselves() {
        OutFixture f;
        QTest::mouseClick(f.Check(out_ids::kSourceCheck), Qt::LeftButton);
        QTest::mouseClick(f.Check(out_ids::kStripLocationCheck), Qt::LeftButton);
        f.PressCreate();
        QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{kLocationInSourcesMessage});
        QCOMPARE(QApplication::focusWidget(),
                 static_cast<QWidget*>(f.Check(out_ids::kStripLocationCheck)));
        QVERIFY(!f.BuildStarted());
        QCOMPARE(f.Settings().strip_location, 1);
    }

    void PictureAndThumbnailFoldersOfOneNameAreRefusedAtCreate() {
        OutFixture f;
        TempDir out;
        SheetFixture::TypeInto(f.Edit(out_ids::kFolderEdit), Q(out / "album"));
        SheetFixture::TypeInto(f.Edit(out_ids::kPictureFolderEdit), QStringLiteral("x"));
        SheetFixture::TypeInto(f.Edit(out_ids::kThumbFolderEdit), QStringLiteral("x"));
        f.PressCreate();
        QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{kFolderClashMessage});
        QCOMPARE(QApplication::focusWidget(),
                 static_cast<QWidget*>(f.Edit(out_ids::kThumbFolderEdit)));
        QVERIFY(!f.BuildStarted());
        QVERIFY(!PathExists(out / "album"));
    }

    void ANameFromTheProfileThatLeadsOutOfTheAlbumIsRefusedAtCreate() {
        OutFixture f;
        TempDir out;
        // As read from an edited profile: the page shows it, and no box has lost the focus yet.
        f.ChooseTab(0);
        f.Settings().pic_folder = "../escape";
        f.ChooseTab(kOutTab);
        SheetFixture::TypeInto(f.Edit(out_ids::kFolderEdit), Q(out / "album"));
        f.PressCreate();
        QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{kNameOnlyMessage});
        QCOMPARE(f.Edit(out_ids::kPictureFolderEdit)->text(), QStringLiteral("escape"));
        QCOMPARE(QApplication::focusWidget(),
                 static_cast<QWidget*>(f.Edit(out_ids::kPictureFolderEdit)));
        QVERIFY(!f.BuildStarted());
        QVERIFY(!PathExists(out / "album"));
    }

    void DecliningToCreateTheFolderStopsWithTheFocusInTheFolderBox() {
        OutFixture f;
        TempDir out;
        SheetFixture::TypeInto(f.Edit(out_ids::kFolderEdit), Q(out / "new"));
        f.dialogs.answers = {MessageAnswer::No};
        f.PressCreate();
        // The question, then the failure message.
        QCOMPARE(f.dialogs.calls.size(), std::size_t(2));
        QCOMPARE(f.dialogs.calls[0].buttons, MessageButtons::YesNo);
        QVERIFY(!PathExists(out / "new"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.Edit(out_ids::kFolderEdit)));
        QVERIFY(!f.BuildStarted());
    }

    void HomeRelativeFolderIsAcceptedAndKeptAsTyped() {
        OutFixture f;
        SheetFixture::TypeInto(f.Edit(out_ids::kFolderEdit), QStringLiteral("~/Albums/Summer"));
        f.PressCreate();
        QCOMPARE(Q(f.Settings().out_dir), QStringLiteral("~/Albums/Summer"));
        QVERIFY(IsDirectory(HomeFolder() + "/Albums/Summer"));
        QVERIFY(f.BuildStarted());
    }

    void IntoTheSourceFolderIgnoresTheOutputFolder() {
        OutFixture f;
        SheetFixture::TypeInto(f.Edit(out_ids::kFolderEdit), QStringLiteral("not absolute.txt"));
        QTest::mouseClick(f.Check(out_ids::kSourceCheck), Qt::LeftButton);
        f.PressCreate();
        for (const std::string& text : f.dialogs.Texts()) {
            QVERIFY(text != kNotAbsoluteMessage);
            QVERIFY(text != kExtensionMessage);
        }
        QVERIFY(f.BuildStarted());
        QCOMPARE(f.Settings().out_sorce, 1);
        QCOMPARE(Q(f.Settings().out_dir), QString::fromUtf8(kSourceFolderText));
        QCOMPARE(f.Settings().pic_folder, std::string());
    }

    void NameBoxes_data() {
        QTest::addColumn<ControlId>("id");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<bool>("told");
        QTest::newRow("page name with extension") << out_ids::kHtmlNameEdit << "my.html"
                                                  << "my" << true;
        QTest::newRow("trailing separator") << out_ids::kPictureFolderEdit << "my_p/"
                                            << "my_p" << false;
        QTest::newRow("trailing backslash") << out_ids::kPictureFolderEdit << "my_p\\"
                                            << "my_p" << false;
        QTest::newRow("folder part") << out_ids::kThumbFolderEdit << "a/b"
                                     << "b" << true;
        QTest::newRow("folder and extension") << out_ids::kMaterialFolderEdit << "/x/mat.dir"
                                              << "mat" << true;
        QTest::newRow("windows path") << out_ids::kThumbFolderEdit << "C:\\t\\thumbs"
                                      << "thumbs" << true;
        QTest::newRow("extension only") << out_ids::kHtmlNameEdit << ".html"
                                        << "" << true;
        QTest::newRow("empty") << out_ids::kHtmlNameEdit << ""
                               << "" << false;
        QTest::newRow("Japanese name") << out_ids::kMaterialFolderEdit << "具材"
                                       << "具材" << false;
    }
    void NameBoxes() {
        QFETCH(ControlId, id);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(bool, told);
        OutFixture f;
        QLineEdit* box = f.Edit(id);
        QLineEdit* next = f.Edit(out_ids::kBackUrlEdit);
        SheetFixture::TypeInto(box, typed);
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(box->text(), kept);
        if (told) {
            QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{kNameOnlyMessage});
            QCOMPARE(f.dialogs.calls[0].icon, MessageIcon::None);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
        } else {
            QVERIFY(f.dialogs.calls.empty());
            QVERIFY(QApplication::focusWidget() != box);
        }
        Q_UNUSED(next);
        const AlbumSettings& s = f.Settings();
        const std::string field = id == out_ids::kHtmlNameEdit        ? s.html_name
                                  : id == out_ids::kPictureFolderEdit ? s.pic_folder
                                  : id == out_ids::kThumbFolderEdit   ? s.thumb_folder
                                                                      : s.material_folder;
        QCOMPARE(Q(field), kept);
    }

    void SourceFolderTickSurvivesATabChangeAsTexts() {
        OutFixture f;
        QTest::mouseClick(f.Check(out_ids::kSourceCheck), Qt::LeftButton);
        QVERIFY(!f.Edit(out_ids::kFolderEdit)->isEnabled());
        QVERIFY(!Control<QPushButton>(f.page, out_ids::kBrowseButton)->isEnabled());
        QVERIFY(!f.Edit(out_ids::kPictureFolderEdit)->isEnabled());
        QCOMPARE(f.Edit(out_ids::kFolderEdit)->text(), QString::fromUtf8(kSourceFolderText));
        QCOMPARE(f.Edit(out_ids::kPictureFolderEdit)->text(), QString());

        QCOMPARE(f.ChooseTab(0), 0);
        QCOMPARE(f.ChooseTab(kOutTab), kOutTab);
        QTest::mouseClick(f.Check(out_ids::kSourceCheck), Qt::LeftButton);
        QVERIFY(f.Edit(out_ids::kFolderEdit)->isEnabled());
        QCOMPARE(f.Edit(out_ids::kFolderEdit)->text(), QString::fromUtf8(kSourceFolderText));
        QCOMPARE(f.Edit(out_ids::kPictureFolderEdit)->text(), QString());
    }

    void UntickingBeforeAnyTransferGivesTheFieldsBack() {
        OutFixture f;
        QTest::mouseClick(f.Check(out_ids::kSourceCheck), Qt::LeftButton);
        QTest::mouseClick(f.Check(out_ids::kSourceCheck), Qt::LeftButton);
        QCOMPARE(f.Edit(out_ids::kFolderEdit)->text(), QStringLiteral("~/MyAlbum"));
        QCOMPARE(f.Edit(out_ids::kPictureFolderEdit)->text(), QStringLiteral("my_p"));
    }

    void BrowseStartsFromTheLastTransferredFolder() {
        OutFixture f;
        TempDir chosen;
        std::string started_at;
        f.sheet->OutPage()->SetFolderChooser([&](const std::string& start, std::string& result) {
            started_at = start;
            result = chosen.Path();
            return true;
        });
        f.Settings().out_dir = "/srv/albums";
        SheetFixture::TypeInto(f.Edit(out_ids::kFolderEdit), QStringLiteral("/typed/just/now"));
        QTest::mouseClick(Control<QPushButton>(f.page, out_ids::kBrowseButton), Qt::LeftButton);
        QCOMPARE(Q(started_at), QStringLiteral("/srv/albums"));
        QCOMPARE(f.Edit(out_ids::kFolderEdit)->text(), Q(chosen.Path()));
        QCOMPARE(f.Settings().out_dir, chosen.Path());

        // Cancelled, nothing changes.
        f.sheet->OutPage()->SetFolderChooser(
            [](const std::string&, std::string&) { return false; });
        QTest::mouseClick(Control<QPushButton>(f.page, out_ids::kBrowseButton), Qt::LeftButton);
        QCOMPARE(f.Edit(out_ids::kFolderEdit)->text(), Q(chosen.Path()));
    }

    void CloseButtonCopiesThePageAndCloses() {
        OutFixture f;
        SheetFixture::TypeInto(f.Edit(out_ids::kBackUrlEdit),
                               QStringLiteral("http://example.org/"));
        QTest::mouseClick(f.Check(out_ids::kSaveSettingsCheck), Qt::LeftButton);
        QTest::mouseClick(Control<QPushButton>(f.page, out_ids::kCloseButton), Qt::LeftButton);
        QVERIFY(!f.sheet->isVisible());
        QCOMPARE(f.Settings().back_url, std::string("http://example.org/"));
        QCOMPARE(f.Settings().save_param, 1);
    }
};

QTEST_MAIN(OutputPageTest)
#include "output_page_wtest.moc"
