// Overwriting originals must never lose one: whatever makes a save fail (the writer itself, a
// full disk, a folder that cannot be written), every original is byte-identical afterwards, the
// failure is listed, and no temporary file is left beside the pictures.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "core/picture_list_model.h"
#include "imaging/image_library.h"
#include "resizer/job/batch_outcome.h"
#include "resizer/job/batch_resize.h"
#include "tests/reliability/failing_storage.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSaveFailed = " (ｴﾗｰ)ﾌｧｲﾙの保存に失敗しました\n";

enum class Failure { ReadOnlyPicture, FileSizeLimit, FullTmpfs, ReadOnlyFolder };

struct Case {
    const char* name;
    Failure failure;
};

// Test names and messages show the case by its name.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class ResizerOverwrite : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        RecordingUserDialogs load_dialogs;
        ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
        src = dir / "src";
        fs::create_directories(src);
    }

    void TearDown() override {
        std::error_code ec;
        fs::permissions(src, fs::perms::owner_all, fs::perm_options::add, ec);
    }

    void CopyOriginals() {
        for (const auto& [name, testdata] : originals) {
            fs::copy_file(TestDataPath(testdata), src + "/" + name);
            bytes[name] = ReadTestFile(src + "/" + name);
            ASSERT_FALSE(bytes[name].empty());
        }
        list.Fill(src + "/", PictureFilter::Resizer);
        ASSERT_EQ(list.Count(), static_cast<int>(originals.size()));
        for (int i = 0; i < list.Count(); ++i) list.SetChecked(i, true);
        // One picture also carries a pending quarter turn.
        list.AddQuarterTurn(0);
    }

    BatchOutcome Run(ImageCodec& codec) {
        ResizerSettings settings;
        settings.sourceFolder = src + "/";
        settings.overwriteOriginals = true;
        settings.sizeMode = ScaleByPercent;
        settings.scalePercent = 50;
        settings.jpegQuality = 90;
        BatchContext context{list, dialogs, progress, codec};
        return RunBatch(settings, context);
    }

    TempDir dir;
    std::string src;
    const std::map<std::string, std::string> originals{
        {"a_photo.jpg", "photos/ladybird.jpg"},
        {"b_photo.bmp", "bmp/good/photo_640x504_24bit.bmp"},
        {"c_small.jpg", "jpeg/good/gen_420.jpg"},
    };
    std::map<std::string, std::string> bytes;
    PictureListModel list;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
};

}  // namespace

TEST_P(ResizerOverwrite, AFailedSaveLeavesEveryOriginalByteIdentical) {
    const Case& c = GetParam();
    ImageCodec codec;

    // Permissions cannot stop root from writing: for root a read-only folder is a read-only mount.
    const bool read_only_mount = c.failure == Failure::ReadOnlyFolder && RunningAsRoot();
    std::unique_ptr<SmallTmpfs> tmpfs;
    if (c.failure == Failure::FullTmpfs || read_only_mount) {
        tmpfs = std::make_unique<SmallTmpfs>(src, "4m");
        if (!tmpfs->Mounted()) GTEST_SKIP() << "this machine does not allow mounting a tmpfs";
    }
    CopyOriginals();
    const std::set<std::string> names = FolderNames(src);

    std::unique_ptr<FileSizeLimit> limit;
    switch (c.failure) {
        case Failure::ReadOnlyPicture:
            // A picture the user made read-only is not replaced, not even by an administrator.
            for (const auto& [name, testdata] : originals) {
                fs::permissions(src + "/" + name, fs::perms::owner_read | fs::perms::group_read |
                                                      fs::perms::others_read);
            }
            break;
        case Failure::FileSizeLimit:
            limit = std::make_unique<FileSizeLimit>(2048);
            ASSERT_TRUE(limit->Active());
            break;
        case Failure::FullTmpfs:
            ASSERT_TRUE(tmpfs->Fill());
            break;
        case Failure::ReadOnlyFolder:
            if (read_only_mount) {
                ASSERT_TRUE(tmpfs->MakeReadOnly());
                break;
            }
            fs::permissions(
                src, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                fs::perm_options::remove);
            break;
    }

    const BatchOutcome outcome = Run(codec);
    limit.reset();
    EXPECT_EQ(outcome.end, BatchOutcome::End::Finished);
    EXPECT_EQ(outcome.failed, static_cast<int>(originals.size()));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    for (const auto& [name, original] : bytes) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadTestFile(src + "/" + name), original) << "the original was damaged";
        EXPECT_NE(dialogs.calls[0].text.find(src + "/" + name + kSaveFailed), std::string::npos);
    }
    std::set<std::string> after = FolderNames(src);
    after.erase(".filler");
    std::set<std::string> expected = names;
    expected.erase(".filler");
    EXPECT_EQ(after, expected) << "a temporary file was left beside the originals";
}

INSTANTIATE_TEST_SUITE_P(EveryWayASaveFails, ResizerOverwrite,
                         ::testing::Values(Case{"ReadOnlyPicture", Failure::ReadOnlyPicture},
                                           Case{"FileSizeLimit", Failure::FileSizeLimit},
                                           Case{"FullTmpfs", Failure::FullTmpfs},
                                           Case{"ReadOnlyFolder", Failure::ReadOnlyFolder}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

TEST(ResizerOverwriteSuccess, ASuccessfulOverwriteReplacesTheOriginalWithAWholePicture) {
    RecordingUserDialogs load_dialogs;
    ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
    TempDir dir;
    fs::create_directories(dir / "src");
    fs::copy_file(TestDataPath("jpeg/good/gen_420.jpg"), dir / "src/p.jpg");
    PictureListModel list;
    list.Fill(dir / "src/", PictureFilter::Resizer);
    list.SetChecked(0, true);
    ResizerSettings settings;
    settings.sourceFolder = dir / "src/";
    settings.overwriteOriginals = true;
    settings.scalePercent = 50;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
    ImageCodec codec;
    BatchContext context{list, dialogs, progress, codec};
    const BatchOutcome outcome = RunBatch(settings, context);
    EXPECT_EQ(outcome.converted, 1);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(ImgKitUprightSize(dir / "src/p.jpg"), (ImgKitSize{320, 252}));
    EXPECT_EQ(FolderNames(dir / "src"), (std::set<std::string>{"p.jpg"}));
}
