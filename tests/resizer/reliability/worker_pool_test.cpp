// The batch resize converts its pictures on a pool of workers. Whatever their number, the files,
// the progress calls and the messages are those of one worker; a stop while originals are being
// overwritten leaves each one either untouched or wholly converted, and no temporary file.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "browser/imaging/image_library.h"
#include "browser/picture_list_model.h"
#include "resizer/job/batch_outcome.h"
#include "resizer/job/batch_resize.h"
#include "tests/reliability/gated_codec.h"
#include "tests/reliability/testdata_manifest.h"
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

    struct Run {
        std::map<std::string, std::string> files;
        std::vector<std::string> progress;
        std::vector<std::string> messages;
    };
    std::vector<Run> runs;
    for (int workers : {1, 2, 8}) {
        settings.outputFolder = dir / ("out" + std::to_string(workers));
        fs::create_directories(settings.outputFolder);
        RecordingUserDialogs dialogs;
        RecordingProgressSink progress;
        ImageCodec codec;
        const BatchContext context{list, dialogs, progress, codec, workers};
        EXPECT_EQ(StartBatchWithOutcome(settings, context).end, BatchOutcome::End::Finished);
        runs.push_back({FolderContents(settings.outputFolder), progress.calls, dialogs.Texts()});
    }
    ASSERT_EQ(static_cast<int>(runs[0].files.size()), list.Count());
    ASSERT_EQ(runs[0].messages.size(), 1u);  // the failure list
    for (std::size_t r = 1; r < runs.size(); ++r) {
        SCOPED_TRACE(r == 1 ? "2 workers" : "8 workers");
        EXPECT_EQ(runs[r].files.size(), runs[0].files.size());
        for (const auto& [path, bytes] : runs[0].files) {
            const auto other = runs[r].files.find(path);
            EXPECT_TRUE(other != runs[r].files.end() && other->second == bytes) << path;
        }
        EXPECT_EQ(runs[r].progress, runs[0].progress);
        EXPECT_EQ(runs[r].messages, runs[0].messages);
    }
}

TEST_P(ResizerWorkers, AStopWhileOverwritingLeavesEachOriginalUntouchedOrWhollyConverted) {
    constexpr int kCount = 16;
    const std::string original = ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg"));
    for (int i = 0; i < kCount; ++i)
        ASSERT_TRUE(WriteTestFile(dir / ("src/p" + std::to_string(10 + i) + ".jpg"), original));
    list.Fill(settings.sourceFolder, PictureFilter::Resizer);
    for (int i = 0; i < kCount; ++i) {
        list.SetChecked(i, true);
        list.AddQuarterTurn(i);
    }
    settings.overwriteOriginals = true;

    GatedCodec codec;
    codec.held = [](const std::string& path) {
        return fs::path(path).filename().string() >= "p13.jpg";
    };
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
    progress.stop = [&] {
        const bool stop = progress.PositionIn(kPicturePhase) >= 3;
        if (stop) codec.Open();
        return stop;
    };
    const BatchContext context{list, dialogs, progress, codec, GetParam()};
    const BatchOutcome outcome = StartBatchWithOutcome(settings, context);
    EXPECT_FALSE(codec.TimedOut());

    EXPECT_EQ(outcome.end, BatchOutcome::End::Interrupted);
    EXPECT_GE(outcome.handled, 3);
    EXPECT_LT(outcome.handled, kCount);
    EXPECT_EQ(outcome.handled, progress.PositionIn(kPicturePhase));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, "作成を中止しました。\n16 枚中 " +
                                         std::to_string(outcome.handled) +
                                         " 枚の画像を処理しました。");
    EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Exclamation);

    // The handled pictures are turned and fitted into 100 x 80; the rest are byte for byte the
    // originals. The converted lines are reported, so that the window can clear their turns.
    std::set<int> converted;
    for (int i = 0; i < kCount; ++i) {
        const std::string path = dir / ("src/" + list.ItemText(i));
        if (ReadTestFile(path) == original) continue;
        EXPECT_EQ(ImgKitUprightSize(path), (ImgKitSize{53, 80})) << path;
        converted.insert(i);
    }
    EXPECT_EQ(static_cast<int>(converted.size()), outcome.handled);
    EXPECT_EQ(std::set<int>(outcome.saved_over_source.begin(), outcome.saved_over_source.end()),
              converted);
    EXPECT_EQ(FolderContents(dir / "src").size(), static_cast<std::size_t>(kCount)) << "a leftover";
}

INSTANTIATE_TEST_SUITE_P(Workers, ResizerWorkers, ::testing::Values(1, 2, 8),
                         [](const auto& info) { return std::to_string(info.param) + "Workers"; });
