// A picture reached under more than one name: an output folder holding links or hard links to the
// originals. Whatever the number of workers, the job writes to the output entries and the
// originals stay byte-identical.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

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
        Choose(dir / "src");
        settings.sizeMode = ScaleByPercent;
        settings.scalePercent = 50;
    }

    // Makes `src` the source folder, with every picture of it checked.
    void Choose(const std::string& src) {
        list = PictureListModel();
        list.Fill(src + "/", PictureFilter::Resizer);
        for (int i = 0; i < list.Count(); ++i) list.SetChecked(i, true);
        settings.sourceFolder = src + "/";
    }

    BatchOutcome Run(ImageCodec&& codec = ImageCodec()) {
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
// hard link c.jpg): it is resized once, under its first name. The later names are listed as not
// processed, each as what it now shows: the link leads to the resized a.jpg, while the hard link
// keeps the old file, which the new a.jpg no longer is. Files, progress and message are the same
// at every number of workers.
TEST_P(ResizerLinkedNames, AFileUnderSeveralNamesIsOverwrittenOnceUnderItsFirstName) {
    fs::remove(dir / "src/b.jpg");
    fs::create_symlink("a.jpg", dir / "src/b.jpg");
    fs::create_hard_link(dir / "src/a.jpg", dir / "src/c.jpg");
    Choose(dir / "src");
    settings.overwriteOriginals = true;

    const BatchOutcome outcome = Run();
    EXPECT_EQ(outcome.converted, 1);
    EXPECT_EQ(outcome.failed, 2);
    EXPECT_EQ(outcome.saved_over_source, std::vector<int>{0});
    EXPECT_EQ(ImgKitUprightSize(dir / "src/a.jpg"), (ImgKitSize{113, 74}));
    EXPECT_TRUE(fs::is_symlink(dir / "src/b.jpg"));
    EXPECT_EQ(ReadTestFile(dir / "src/b.jpg"), ReadTestFile(dir / "src/a.jpg"));
    EXPECT_EQ(ReadTestFile(dir / "src/c.jpg"), original);
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{
                  dir / "src/b.jpg" +
                  " (ｴﾗｰ)同じファイルを先に a.jpg として処理したため、処理しませんでした\n" +
                  dir / "src/c.jpg" +
                  " (ｴﾗｰ)同じファイルを先に a.jpg "
                  "として新しいファイルに置き換えたため、この名前は元のまま残しました\n"});
    EXPECT_EQ(progress.PositionIn("作成しています..."), 3);
    EXPECT_EQ(progress.calls.size(), 13u);
}

// a.jpg, the picture's only name, is a symbolic link to a picture outside the folder: writing over
// the originals resizes the picture it leads to and keeps the link a link.
TEST_P(ResizerLinkedNames, ALinkToAPictureOutsideTheFolderStaysALinkToTheResizedPicture) {
    const std::string root = dir / "outside";
    ASSERT_TRUE(WriteStoreAndSource(root, /*link=*/true));
    const std::string other = ReadTestFile(root + "/store/Y.jpg");
    Choose(root + "/src");
    settings.overwriteOriginals = true;

    const BatchOutcome outcome = Run();
    EXPECT_EQ(outcome.converted, 1);
    EXPECT_EQ(outcome.saved_over_source, std::vector<int>{0});
    EXPECT_TRUE(dialogs.calls.empty());
    std::error_code no_link;
    EXPECT_EQ(fs::read_symlink(root + "/src/a.jpg", no_link), root + "/store/X.jpg");
    EXPECT_EQ(ImgKitUprightSize(root + "/store/X.jpg"), (ImgKitSize{113, 74}));
    EXPECT_EQ(ReadTestFile(root + "/store/Y.jpg"), other);
}

// The file of a picture being written over changes while the job has it in hand: its link is
// re-pointed to another picture, or another file is put in its place. The file read is the only
// one the job may replace: nothing is written, every picture stays as the change left it, and the
// picture is listed.
TEST_P(ResizerLinkedNames, APictureWhoseFileChangesInHandIsListedAndReplacesNothing) {
    settings.overwriteOriginals = true;
    for (const Meddling& m : kMeddlings) {
        SCOPED_TRACE(m.name);
        const std::string root = dir / m.name;
        ASSERT_TRUE(WriteStoreAndSource(root, m.link));
        Choose(root + "/src");
        std::map<std::string, std::string> changed;
        dialogs.calls.clear();
        const BatchOutcome outcome = Run(MeddlingCodec([&] {
            m.meddle(root);
            changed = StoreAndSource(root);
        }));
        EXPECT_EQ(outcome.converted, 0);
        EXPECT_EQ(outcome.failed, 1);
        EXPECT_TRUE(outcome.saved_over_source.empty());
        EXPECT_EQ(
            dialogs.Texts(),
            std::vector<std::string>{
                root + "/src/a.jpg (ｴﾗｰ)" +
                "読み込んだ後でファイルが別のファイルに置き換えられたため、処理しませんでした\n"});
        ASSERT_FALSE(changed.empty());
        EXPECT_EQ(StoreAndSource(root), changed);
    }
}

INSTANTIATE_TEST_SUITE_P(Workers, ResizerLinkedNames, ::testing::Values(1, 2),
                         ::testing::PrintToStringParamName());
