// The batch resize converts its pictures on a pool of workers. Whatever their number, the files,
// the progress calls and the messages are those of one worker; a stop while originals are being
// overwritten leaves each one either untouched or wholly converted, and no temporary file.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/picture_list_model.h"
#include "imaging/image_library.h"
#include "resizer/job/batch_outcome.h"
#include "resizer/job/batch_resize.h"
#include "tests/reliability/gated_codec.h"
#include "tests/reliability/testdata_manifest.h"
#include "tests/reliability/worker_runs.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPicturePhase = "作成しています...";

class ResizerWorkers : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        RecordingUserDialogs load_dialogs;
        ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
        fs::create_directories(dir / "src");
        settings.sourceFolder = dir / "src/";
        settings.sizeMode = FitBox;
        settings.targetWidth = 100;
        settings.targetHeight = 80;
        settings.jpegQuality = 80;
    }

    TempDir dir;
    ResizerSettings settings;
    PictureListModel list;
};

}  // namespace

TEST_F(ResizerWorkers, OneTwoAndEightWorkersWriteTheSameFilesAndSayTheSame) {
    for (const SweepPicture& p : SweepPicturesUnder(
             {"bmp/bad/", "bmp/questionable/pal", "jpeg/bad/", "jpeg/good/gen_", "photos/d"})) {
        if (p.path.rfind(".gif") == std::string::npos)
            fs::copy_file(TestDataPath(p.path), dir / ("src/" + p.FlatName()));
    }
    list.Fill(settings.sourceFolder, PictureFilter::Resizer);
    ASSERT_GT(list.Count(), 60);
    for (int i = 0; i < list.Count(); ++i) {
        list.SetChecked(i, true);
        if (i % 3 == 0) list.AddQuarterTurn(i);
    }

    std::vector<WorkerRun> runs;
    for (int workers : {1, 2, 8}) {
        settings.outputFolder = dir / ("out" + std::to_string(workers));
        fs::create_directories(settings.outputFolder);
        RecordingUserDialogs dialogs;
        RecordingProgressSink progress;
        ImageCodec codec;
        const BatchContext context{list, dialogs, progress, codec, workers};
        EXPECT_EQ(RunBatch(settings, context).end, BatchOutcome::End::Finished);
        runs.push_back(
            {workers, FolderContents(settings.outputFolder), progress.calls, dialogs.Texts()});
    }
    ASSERT_EQ(static_cast<int>(runs[0].files.size()), list.Count());
    ASSERT_EQ(runs[0].messages.size(), 1u);  // the failure list
    ExpectRunsAlike(runs);
}

TEST_P(ResizerWorkers, AStopWhileOverwritingLeavesEachOriginalUntouchedOrWhollyConverted) {
    const std::string original =
        WriteStopPictures(settings.sourceFolder, PictureFilter::Resizer, list);
    settings.overwriteOriginals = true;

    GatedCodec codec;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
    StopAfterThreePictures(codec, progress, kPicturePhase);
    const BatchContext context{list, dialogs, progress, codec, GetParam()};
    const BatchOutcome outcome = RunBatch(settings, context);
    EXPECT_FALSE(codec.TimedOut());

    EXPECT_EQ(outcome.end, BatchOutcome::End::Interrupted);
    EXPECT_GE(outcome.handled, 3);
    EXPECT_LT(outcome.handled, kStopPictures);
    EXPECT_EQ(outcome.handled, progress.PositionIn(kPicturePhase));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, "作成を中止しました。\n16 枚中 " +
                                         std::to_string(outcome.handled) +
                                         " 枚の画像を処理しました。");
    EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Exclamation);

    // The handled pictures are turned and fitted into 100 x 80; the rest are byte for byte the
    // originals. The converted lines are reported, so that the window can clear their turns.
    const std::set<int> converted =
        ReplacedPictures(list, settings.sourceFolder, original, ImgKitSize{53, 80});
    EXPECT_EQ(static_cast<int>(converted.size()), outcome.handled);
    EXPECT_EQ(std::set<int>(outcome.saved_over_source.begin(), outcome.saved_over_source.end()),
              converted);
    EXPECT_EQ(FolderContents(dir / "src").size(), static_cast<std::size_t>(kStopPictures))
        << "a leftover";
}

INSTANTIATE_TEST_SUITE_P(Workers, ResizerWorkers, ::testing::Values(1, 2, 8),
                         [](const auto& info) { return std::to_string(info.param) + "Workers"; });
