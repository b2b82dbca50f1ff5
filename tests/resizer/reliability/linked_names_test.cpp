// A picture reached under more than one name: an output folder holding links or hard links to the
// originals. Whatever the number of workers, the job writes to the output entries and the
// originals stay byte-identical.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/picture_list_model.h"
#include "imaging/image_library.h"
#include "resizer/job/batch_outcome.h"
#include "resizer/job/batch_resize.h"
#include "tests/reliability/linked_entries.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

class ResizerLinkedNames : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        RecordingUserDialogs load_dialogs;
        ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
        ASSERT_TRUE(WriteLinkedPictures(dir / "src", original));
        list.Fill(dir / "src/", PictureFilter::Resizer);
        for (int i = 0; i < list.Count(); ++i) list.SetChecked(i, true);
        settings.sourceFolder = dir / "src/";
        settings.sizeMode = ScaleByPercent;
        settings.scalePercent = 50;
    }

    BatchOutcome Run() {
        ImageCodec codec;
        return RunBatch(settings, {list, dialogs, progress, codec, GetParam()});
    }

    TempDir dir;
    std::string original;
    PictureListModel list;
    ResizerSettings settings;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
};

}  // namespace

TEST_P(ResizerLinkedNames, AnOutputEntryLinkedToAnOriginalIsReplacedNeverWrittenThrough) {
    for (Link link : {Link::Hard, Link::Symbolic}) {
        SCOPED_TRACE(LinkName(link));
        const std::string out = dir / (link == Link::Hard ? "hard" : "symbolic");
        LinkToOriginals(link, dir / "src", out);
        settings.outputFolder = out;
        ASSERT_EQ(Run().end, BatchOutcome::End::Finished);
        ExpectOwnFilesBesideOriginals(dir / "src", original, out, ImgKitSize{113, 74});
    }
}

// One file under three names in the folder being overwritten (a.jpg, a symbolic link b.jpg and a
// hard link c.jpg): it is resized once, under its first name, and the later names are listed as
// not processed. Files, progress and message are the same at every number of workers.
TEST_P(ResizerLinkedNames, AFileUnderSeveralNamesIsOverwrittenOnceUnderItsFirstName) {
    fs::remove(dir / "src/b.jpg");
    fs::create_symlink("a.jpg", dir / "src/b.jpg");
    fs::create_hard_link(dir / "src/a.jpg", dir / "src/c.jpg");
    list = PictureListModel();
    list.Fill(dir / "src/", PictureFilter::Resizer);
    for (int i = 0; i < list.Count(); ++i) list.SetChecked(i, true);
    settings.overwriteOriginals = true;

    const BatchOutcome outcome = Run();
    EXPECT_EQ(outcome.converted, 1);
    EXPECT_EQ(outcome.failed, 2);
    EXPECT_EQ(outcome.saved_over_source, std::vector<int>{0});
    EXPECT_EQ(ImgKitUprightSize(dir / "src/a.jpg"), (ImgKitSize{113, 74}));
    EXPECT_TRUE(fs::is_symlink(dir / "src/b.jpg"));
    EXPECT_EQ(ReadTestFile(dir / "src/c.jpg"), original);
    const std::string reason =
        " (ｴﾗｰ)同じファイルを先に a.jpg として処理したため、処理しませんでした\n";
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{dir / "src/b.jpg" + reason + dir / "src/c.jpg" + reason});
    EXPECT_EQ(progress.PositionIn("作成しています..."), 3);
    EXPECT_EQ(progress.calls.size(), 13u);
}

INSTANTIATE_TEST_SUITE_P(Workers, ResizerLinkedNames, ::testing::Values(1, 2),
                         ::testing::PrintToStringParamName());
