// A picture reached under more than one name: an album whose picture folder holds links or hard
// links to the originals. Whatever the number of workers, the turned copies replace those entries
// and the originals stay byte-identical.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "album/generation/album_build.h"
#include "album/generation/album_pipeline.h"
#include "core/picture_list_model.h"
#include "imaging/image_library.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_shell_opener.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

enum class Link { Hard, Symbolic };

class AlbumLinkedNames : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        RecordingUserDialogs load_dialogs;
        ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
        original = ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg"));
        ASSERT_TRUE(WriteTestFile(dir / "src/a.jpg", original));
        ASSERT_TRUE(WriteTestFile(dir / "src/b.jpg", original));
        list.Fill(dir / "src/", PictureFilter::Album);
        for (int i = 0; i < list.Count(); ++i) {
            list.SetChecked(i, true);
            list.AddQuarterTurn(i);
        }
        settings.picture_path = dir / "src/";
        materials = MaterialFolders::FromStartDirectory(dir.Path());
    }

    AlbumBuildReport Run() {
        ImageCodec codec;
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
        SCOPED_TRACE(link == Link::Hard ? "hard link" : "symbolic link");
        settings.out_dir = dir / (link == Link::Hard ? "hard" : "symbolic");
        fs::create_directories(settings.out_dir + "/my_p");
        for (const char* name : {"a.jpg", "b.jpg"}) {
            const fs::path target = dir / (std::string("src/") + name);
            const std::string copy = settings.out_dir + "/my_p/" + name;
            if (link == Link::Hard)
                fs::create_hard_link(target, copy);
            else
                fs::create_symlink(target, copy);
        }
        const AlbumBuildReport report = Run();
        EXPECT_TRUE(report.pages_written);
        EXPECT_TRUE(report.saved_over_source.empty());
        for (const char* name : {"a.jpg", "b.jpg"}) {
            EXPECT_EQ(ReadTestFile(dir / (std::string("src/") + name)), original) << name;
            const std::string copy = settings.out_dir + "/my_p/" + name;
            EXPECT_FALSE(fs::is_symlink(copy)) << name;
            EXPECT_EQ(fs::hard_link_count(copy), 1u) << name;
            EXPECT_EQ(ImgKitUprightSize(copy), (ImgKitSize{149, 227})) << name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Workers, AlbumLinkedNames, ::testing::Values(1, 2),
                         ::testing::PrintToStringParamName());
