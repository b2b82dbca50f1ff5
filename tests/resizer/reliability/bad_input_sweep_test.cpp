// Every JPEG and BMP picture of tests/data, good, questionable and hostile, and pictures cut short,
// go through the batch resize. A picture that loads is written at half size; one that is refused
// (a damaged one always) gets its error line and an unchanged copy; in the overwrite mode a
// refused original is left exactly as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/picture_list_model.h"
#include "imaging/image_library.h"
#include "imaging/imaging_limits.h"
#include "resizer/job/batch_outcome.h"
#include "resizer/job/batch_resize.h"
#include "tests/reliability/testdata_manifest.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLoadFailed = " (ｴﾗｰ)画像を読み込めませんでした\n";

struct GroupTally {
    int files = 0;
    int converted = 0;
    int refused = 0;
};

bool IsGif(const std::string& name) {
    return name.size() > 4 && name.substr(name.size() - 4) == ".gif";
}

class ResizerSweep : public ::testing::Test {
  protected:
    void SetUp() override {
        RecordingUserDialogs load_dialogs;
        ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
        fs::create_directories(dir / "src");
        fs::create_directories(dir / "out");
        settings.sourceFolder = dir / "src/";
        settings.outputFolder = dir / "out";
        settings.sizeMode = ScaleByPercent;
        settings.scalePercent = 50;
        settings.jpegQuality = 75;
    }

    // Copies the JPEG and BMP pictures into the source folder under flat names, plus zero-byte
    // files, and checks every line of the resizer's listing of that folder.
    std::vector<SweepPicture> Prepare(const std::vector<std::string>& groups) {
        std::vector<SweepPicture> pictures;
        for (const SweepPicture& p : SweepPicturesUnder(groups)) {
            if (IsGif(p.path)) continue;
            fs::copy_file(TestDataPath(p.path), dir / ("src/" + p.FlatName()));
            pictures.push_back(p);
        }
        for (const char* name : {"zero_bytes.jpg", "zero_bytes.bmp"})
            WriteTestFile(dir / (std::string("src/") + name), "");
        for (const auto& [name, bytes] : CutSweepPictures())
            WriteTestFile(dir / ("src/" + name), bytes);
        list.Fill(settings.sourceFolder, PictureFilter::Resizer);
        EXPECT_EQ(list.Count(), static_cast<int>(pictures.size() + 2 + CutSweepPictures().size()));
        for (int i = 0; i < list.Count(); ++i) list.SetChecked(i, true);
        return pictures;
    }

    BatchOutcome Run() {
        BatchContext context{list, dialogs, progress, codec};
        return RunBatch(settings, context);
    }

    // The error lines of the closing message, one per failed picture.
    std::string Errors() const {
        if (dialogs.calls.empty()) return {};
        return dialogs.calls.back().text;
    }

    TempDir dir;
    ResizerSettings settings;
    PictureListModel list;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
    ImageCodec codec;
};

void PrintTally(const char* title, const std::map<std::string, GroupTally>& groups) {
    std::cout << title << "\n";
    for (const auto& [group, t] : groups) {
        std::cout << "  " << group << ": " << t.files << " files, " << t.converted << " converted, "
                  << t.refused << " refused\n";
    }
}

}  // namespace

TEST_F(ResizerSweep, EveryTestPictureIsResizedOrListedAsFailedAndCopiedUnchanged) {
    const std::vector<SweepPicture> pictures = Prepare({});
    ASSERT_GT(pictures.size(), 140u) << "the manifest of tests/data could not be read";

    const BatchOutcome outcome = Run();
    ASSERT_EQ(outcome.end, BatchOutcome::End::Finished);
    const std::string errors = Errors();

    std::map<std::string, GroupTally> groups;
    int failed_lines = 0;
    for (const SweepPicture& p : pictures) {
        SCOPED_TRACE(p.path + " (" + p.expect + ")");
        const std::string name = p.FlatName();
        const std::string source = dir / ("src/" + name);
        const std::string output = dir / ("out/" + name);
        const bool failed = errors.find(source + " (ｴﾗｰ)") != std::string::npos;
        GroupTally& tally = groups[fs::path(p.path).parent_path().string()];
        ++tally.files;
        (failed ? tally.refused : tally.converted)++;
        failed_lines += failed;

        ASSERT_TRUE(fs::exists(output)) << "every checked picture reaches the output folder";
        if (failed) {
            EXPECT_EQ(ReadTestFile(output), ReadTestFile(source)) << "a failed picture is copied";
        } else {
            const ImgKitSize size = ImgKitUprightSize(output);
            EXPECT_GT(size.width, 0);
            if (p.MustDecode()) {
                EXPECT_EQ(size, (ImgKitSize{p.width / 2, p.height / 2}));
            }
        }
        // A picture half of which is below one pixel cannot be made, and says so; every other
        // decodable one is made.
        const bool too_small = p.width / 2 < 1 || p.height / 2 < 1;
        if (p.MustDecode()) {
            EXPECT_EQ(failed, too_small);
            EXPECT_EQ(errors.find(source + " (ｴﾗｰ)" + kResizeTooSmall + "\n") != std::string::npos,
                      too_small);
        }
        if (p.MustBeRefused() || IsDamagedSweepPicture(p.path)) {
            EXPECT_NE(errors.find(source + kLoadFailed), std::string::npos);
        }
        if (p.declared_pixels > kMaxPicturePixels) {
            EXPECT_TRUE(failed);
            EXPECT_EQ(ImgKitUprightSize(source), (ImgKitSize{0, 0}));
        }
    }
    for (const char* name : {"zero_bytes.jpg", "zero_bytes.bmp"}) {
        const std::string source = dir / (std::string("src/") + name);
        EXPECT_NE(errors.find(source + kLoadFailed), std::string::npos) << name;
        EXPECT_TRUE(fs::exists(dir / (std::string("out/") + name)));
        ++failed_lines;
    }
    // A picture cut short is refused and copied as it is, never resized with a grey rest.
    for (const auto& [name, bytes] : CutSweepPictures()) {
        EXPECT_NE(errors.find(dir / ("src/" + name) + kLoadFailed), std::string::npos) << name;
        EXPECT_EQ(ReadTestFile(dir / ("out/" + name)), bytes) << name;
        ++failed_lines;
    }
    EXPECT_EQ(outcome.failed, failed_lines);
    EXPECT_EQ(outcome.converted + outcome.failed, list.Count());
    // Each failure is one line of the one closing message; nothing else was said.
    EXPECT_EQ(static_cast<int>(std::count(errors.begin(), errors.end(), '\n')), failed_lines);
    EXPECT_EQ(dialogs.calls.size(), 1u);
    PrintTally("resizer sweep:", groups);
}

TEST_F(ResizerSweep, OverwritingLeavesEveryRefusedOriginalExactlyAsItWas) {
    const std::vector<SweepPicture> pictures =
        Prepare({"bmp/bad/", "bmp/questionable/", "jpeg/bad/", "jpeg/good/mozilla"});
    ASSERT_GT(pictures.size(), 40u);
    std::map<std::string, std::string> before;
    for (const SweepPicture& p : pictures)
        before[p.FlatName()] = ReadTestFile(dir / ("src/" + p.FlatName()));
    settings.overwriteOriginals = true;

    const BatchOutcome outcome = Run();
    ASSERT_EQ(outcome.end, BatchOutcome::End::Finished);
    const std::string errors = Errors();
    int refused = 0;
    for (const SweepPicture& p : pictures) {
        SCOPED_TRACE(p.path);
        const std::string name = p.FlatName();
        const std::string source = dir / ("src/" + name);
        // A file whose content is another kind than its name says is refused for that.
        if (errors.find(source + kLoadFailed) != std::string::npos ||
            errors.find(source + " (ｴﾗｰ)中身は ") != std::string::npos) {
            ++refused;
            EXPECT_EQ(ReadTestFile(source), before[name]);
        } else {
            EXPECT_GT(ImgKitUprightSize(source).width, 0) << "a converted original must load";
        }
        if (p.MustBeRefused() || IsDamagedSweepPicture(p.path)) {
            EXPECT_NE(errors.find(source + kLoadFailed), std::string::npos);
        }
    }
    for (const auto& [name, bytes] : CutSweepPictures()) {
        EXPECT_NE(errors.find(dir / ("src/" + name) + kLoadFailed), std::string::npos) << name;
        EXPECT_EQ(ReadTestFile(dir / ("src/" + name)), bytes) << "a damaged original replaced";
    }
    EXPECT_GT(refused, 10);
    // Nothing but the pictures is left in the folder: no temporary file of a save.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / "src"))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names.size(), pictures.size() + 2 + CutSweepPictures().size());
}
