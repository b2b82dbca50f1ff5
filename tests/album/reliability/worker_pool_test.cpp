// The album's pictures are made on a pool of workers. Whatever their number, the album on disk,
// the progress calls and the messages are those of one worker; a stop leaves every original whole,
// no temporary file behind and no page written.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "album/generation/album_build.h"
#include "album/generation/album_manifest.h"
#include "album/generation/album_pipeline.h"
#include "core/picture_list_model.h"
#include "imaging/image_library.h"
#include "tests/reliability/gated_codec.h"
#include "tests/reliability/testdata_manifest.h"
#include "tests/reliability/worker_runs.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_shell_opener.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPicturePhase = "サムネイルを作成しています...";

class AlbumWorkers : public ::testing::Test {
  protected:
    void SetUp() override {
        RecordingUserDialogs load_dialogs;
        ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
        fs::create_directories(dir / "src");
        settings.picture_path = dir / "src/";
        settings.slide_mode = 1;
        materials = MaterialFolders::FromStartDirectory(dir.Path());
    }

    TempDir dir;
    AlbumSettings settings;
    PictureListModel list;
    MaterialFolders materials;
    RecordingShellOpener shell;
};

}  // namespace

TEST_F(AlbumWorkers, OneTwoAndEightWorkersMakeTheSameAlbumAndSayTheSame) {
    // The damaged pictures give a failure list to keep in order; a third of them are turned.
    for (const SweepPicture& p : SweepPicturesUnder(
             {"bmp/bad/", "bmp/questionable/pal", "jpeg/bad/", "gif/bad/", "jpeg/good/gen_"}))
        fs::copy_file(TestDataPath(p.path), dir / ("src/" + p.FlatName()));
    list.Fill(settings.picture_path, PictureFilter::Album);
    ASSERT_GT(list.Count(), 70);
    for (int i = 0; i < list.Count(); ++i) {
        list.SetChecked(i, true);
        if (i % 3 == 0) list.AddQuarterTurn(i);
    }

    std::vector<WorkerRun> runs;
    for (int workers : {1, 2, 8}) {
        settings.out_dir = dir / ("out" + std::to_string(workers));
        RecordingUserDialogs dialogs;
        RecordingProgressSink progress;
        ImageCodec codec;
        const AlbumBuildContext context{settings, list,  materials, dialogs,
                                        progress, shell, codec,     workers};
        BuildAlbum(context);
        runs.push_back(
            {workers, FolderContents(settings.out_dir), progress.calls, dialogs.Texts()});
    }
    ASSERT_GT(runs[0].files.size(), 100u);
    ASSERT_EQ(runs[0].messages.size(), 2u);  // the failure list, then the question
    ExpectRunsAlike(runs);
}

class AlbumStop : public AlbumWorkers, public ::testing::WithParamInterface<int> {};

TEST_P(AlbumStop, AStopAfterAFewPicturesLeavesEveryOriginalWholeAndWritesNoPage) {
    // Sixteen pictures, each turned once, saved over their originals (the album in their folder).
    const std::string original =
        WriteStopPictures(settings.picture_path, PictureFilter::Album, list);
    settings.out_sorce = 1;
    settings.pic_folder.clear();

    GatedCodec codec;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
    StopAfterThreePictures(codec, progress, kPicturePhase);
    const AlbumBuildContext context{settings, list,  materials, dialogs,
                                    progress, shell, codec,     GetParam()};
    AlbumBuildReport report;
    EXPECT_FALSE(BuildAlbum(context, report));
    EXPECT_FALSE(codec.TimedOut());

    // The message says how far the build got: the pictures the progress counted.
    EXPECT_TRUE(report.stopped);
    const int done = progress.PositionIn(kPicturePhase);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, std::string(kAlbumStopped) + "\n16 枚中 " +
                                         std::to_string(done) + " 枚の画像を処理しました。");
    EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(shell.opened.empty());

    // Every original is either untouched or the whole turned picture; the turned ones are exactly
    // those reported, and they are the pictures the progress counted.
    EXPECT_GE(done, 3);
    EXPECT_LT(done, kStopPictures);
    const std::set<int> turned =
        ReplacedPictures(list, settings.picture_path, original, ImgKitSize{149, 227});
    EXPECT_EQ(static_cast<int>(turned.size()), done);
    EXPECT_EQ(std::set<int>(report.saved_over_source.begin(), report.saved_over_source.end()),
              turned);

    // No page, and nothing but the pictures, their thumbnails and the material folder.
    std::set<std::string> names;
    for (const auto& [path, bytes] : FolderContents(dir / "src")) names.insert(path);
    names.erase(kAlbumManifestName);
    for (const std::string& name : names) {
        const bool picture = name.size() == 7 && name[0] == 'p';
        const bool thumbnail = name.rfind("my_t/_p", 0) == 0 && name.size() == 13;
        EXPECT_TRUE(picture || thumbnail) << name;
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kStopPictures + done));
}

INSTANTIATE_TEST_SUITE_P(Workers, AlbumStop, ::testing::Values(1, 2, 8),
                         [](const auto& info) { return std::to_string(info.param) + "Workers"; });
