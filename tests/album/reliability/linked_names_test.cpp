// A picture reached under more than one name: an album whose picture folder holds links or hard
// links to the originals. Whatever the number of workers, the turned copies replace those entries
// and the originals stay byte-identical.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "album/generation/album_build.h"
#include "album/generation/album_pipeline.h"
#include "core/picture_list_model.h"
#include "imaging/image_library.h"
#include "tests/reliability/linked_entries.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_shell_opener.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

class AlbumLinkedNames : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        RecordingUserDialogs load_dialogs;
        ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
        ASSERT_TRUE(WriteLinkedPictures(dir / "src", original));
        Choose(dir / "src");
        materials = MaterialFolders::FromStartDirectory(dir.Path());
    }

    // Makes `src` the picture folder, with every picture of it checked and to be turned once.
    void Choose(const std::string& src) {
        list = PictureListModel();
        list.Fill(src + "/", PictureFilter::Album);
        for (int i = 0; i < list.Count(); ++i) {
            list.SetChecked(i, true);
            list.AddQuarterTurn(i);
        }
        settings.picture_path = src + "/";
    }

    AlbumBuildReport Run(ImageCodec&& codec = ImageCodec()) {
        RecordingShellOpener shell;
        AlbumBuildReport report;
        BuildAlbum({settings, list, materials, dialogs, progress, shell, codec, GetParam()},
                   report);
        return report;
    }

    TempDir dir;
    std::string original;
    PictureListModel list;
    AlbumSettings settings;
    MaterialFolders materials;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
};

}  // namespace

TEST_P(AlbumLinkedNames, APictureCopyLinkedToAnOriginalIsReplacedNeverWrittenThrough) {
    for (Link link : {Link::Hard, Link::Symbolic}) {
        SCOPED_TRACE(LinkName(link));
        settings.out_dir = dir / (link == Link::Hard ? "hard" : "symbolic");
        LinkToOriginals(link, dir / "src", settings.out_dir + "/my_p");
        const AlbumBuildReport report = Run();
        EXPECT_TRUE(report.pages_written);
        EXPECT_TRUE(report.saved_over_source.empty());
        ExpectOwnFilesBesideOriginals(dir / "src", original, settings.out_dir + "/my_p",
                                      ImgKitSize{149, 227});
    }
}

// The album in the picture folder, one file under three names (a.jpg, a symbolic link b.jpg and a
// hard link c.jpg), each to be turned: the file is turned once, under its first name; the later
// names keep their page entry and a thumbnail of the file as it stands, and are listed as not
// turned, each as what it now shows (the link the turned a.jpg, the hard link the old file). Files,
// progress and messages are the same at every number of workers.
TEST_P(AlbumLinkedNames, AFileUnderSeveralNamesIsTurnedOnceUnderItsFirstName) {
    fs::remove(dir / "src/b.jpg");
    fs::create_symlink("a.jpg", dir / "src/b.jpg");
    fs::create_hard_link(dir / "src/a.jpg", dir / "src/c.jpg");
    Choose(dir / "src");
    settings.out_sorce = 1;
    settings.pic_folder.clear();

    const AlbumBuildReport report = Run();
    EXPECT_EQ(report.saved_over_source, std::vector<int>{0});
    EXPECT_EQ(report.pictures_failed, 2);
    EXPECT_EQ(ImgKitUprightSize(dir / "src/a.jpg"), (ImgKitSize{149, 227}));
    EXPECT_TRUE(fs::is_symlink(dir / "src/b.jpg"));
    EXPECT_EQ(ReadTestFile(dir / "src/b.jpg"), ReadTestFile(dir / "src/a.jpg"));
    EXPECT_EQ(ReadTestFile(dir / "src/c.jpg"), original);
    EXPECT_EQ(ImgKitUprightSize(dir / "src/my_t/_b.jpg"), (ImgKitSize{66, 100}));
    EXPECT_EQ(ImgKitUprightSize(dir / "src/my_t/_c.jpg"), (ImgKitSize{100, 66}));
    EXPECT_EQ(
        dialogs.Texts(),
        (std::vector<std::string>{
            dir / "src/b.jpg" +
                " (ｴﾗｰ)同じファイルを先に a.jpg として処理したため、回転しませんでした\n" +
                dir / "src/c.jpg" +
                " (ｴﾗｰ)同じファイルを先に a.jpg "
                "として新しいファイルに置き換えたため、この名前は回転せずに元のまま残しました\n",
            "今すぐブラウザで見ますか？"}));
    EXPECT_EQ(progress.PositionIn("サムネイルを作成しています..."), 3);
    EXPECT_NE(ReadTestFile(dir / "src/my.html").find("<IMG SRC=\"my_t/_b.jpg\""),
              std::string::npos);
}

// The album in the picture folder with a turn, and the file of the picture changes while the build
// has it in hand (its link re-pointed to another picture, or another file put in its place): the
// turn is saved over nothing, every picture stays as the change left it, and the picture is listed.
TEST_P(AlbumLinkedNames, APictureWhoseFileChangesInHandIsListedAndReplacesNothing) {
    settings.out_sorce = 1;
    settings.pic_folder.clear();
    for (const Meddling& m : kMeddlings) {
        SCOPED_TRACE(m.name);
        const std::string root = dir / m.name;
        ASSERT_TRUE(WriteStoreAndSource(root, m.link));
        Choose(root + "/src");
        std::map<std::string, std::string> changed;
        dialogs.calls.clear();
        const AlbumBuildReport report = Run(MeddlingCodec([&] {
            m.meddle(root);
            changed = StoreAndSource(root);
        }));
        EXPECT_EQ(report.pictures_failed, 1);
        EXPECT_TRUE(report.saved_over_source.empty());
        EXPECT_EQ(dialogs.Texts(),
                  (std::vector<std::string>{root + "/src/a.jpg (ｴﾗｰ)" +
                                                "読み込んだ後でファイルが別のファイルに置き換えられ"
                                                "たため、回転しませんでした\n",
                                            "今すぐブラウザで見ますか？"}));
        ASSERT_FALSE(changed.empty());
        EXPECT_EQ(StoreAndSource(root), changed);
    }
}

INSTANTIATE_TEST_SUITE_P(Workers, AlbumLinkedNames, ::testing::Values(1, 2),
                         ::testing::PrintToStringParamName());
