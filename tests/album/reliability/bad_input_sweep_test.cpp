// Every picture of tests/data, good, questionable and hostile, and pictures cut short, go through
// a whole album build. Each must end as the build's failure rules say: a picture that loads gets a
// thumbnail and its copy, one that is refused (a damaged one always) is copied unchanged without a
// thumbnail, and nothing crashes, hangs or stops the pages from being written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "album/generation/album_build.h"
#include "album/generation/album_pipeline.h"
#include "album/generation/html_helpers.h"
#include "core/picture_list_model.h"
#include "imaging/image_library.h"
#include "imaging/imaging_limits.h"
#include "platform/text_encoding.h"
#include "tests/reliability/testdata_manifest.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_shell_opener.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// The real codec, remembering which sources it refused (the build loads on several threads), by
// their path or, read by their content, from their bytes.
class WatchingCodec : public ImageCodec {
  public:
    ImageHandle Load(const std::string& path, int min_width, int min_height) override {
        ImageHandle image = ImageCodec::Load(path, min_width, min_height);
        const std::lock_guard lock(mutex);
        (image ? loaded : refused).insert(fs::path(path).filename().string());
        return image;
    }
    std::optional<PictureBytes> ReadPicture(const std::string& path) override {
        reading_ = fs::path(path).filename().string();
        return ImageCodec::ReadPicture(path);
    }
    DecodedPicture Decode(std::string_view bytes, int min_width, int min_height) override {
        DecodedPicture decoded = ImageCodec::Decode(bytes, min_width, min_height);
        const std::lock_guard lock(mutex);
        (decoded.image ? loaded : refused).insert(reading_);
        return decoded;
    }
    static thread_local std::string reading_;  // the file this thread read last
    std::mutex mutex;
    std::set<std::string> loaded;
    std::set<std::string> refused;
};

thread_local std::string WatchingCodec::reading_;

// The failure lines the build shows for pictures it could not load: "<source> (ｴﾗｰ)<reason>", in
// list order, from one message of `dialogs` (none when nothing failed).
std::vector<std::string> FailureLines(const RecordingUserDialogs& dialogs) {
    std::vector<std::string> lines;
    for (const RecordingUserDialogs::Call& call : dialogs.calls) {
        if (call.buttons != MessageButtons::Ok) continue;
        std::size_t start = 0;
        for (std::size_t end; (end = call.text.find('\n', start)) != std::string::npos;
             start = end + 1)
            lines.push_back(call.text.substr(start, end - start));
    }
    return lines;
}

struct GroupTally {
    int files = 0;
    int processed = 0;
    int refused = 0;
};

class AlbumSweep : public ::testing::Test {
  protected:
    void SetUp() override {
        RecordingUserDialogs load_dialogs;
        ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
        fs::create_directories(dir / "src");
        settings.picture_path = dir / "src/";
        settings.out_dir = dir / "out";
        settings.slide_mode = 1;
        materials = MaterialFolders::FromStartDirectory(dir.Path());
    }

    // Copies the pictures into the source folder under flat names, lists the folder as the
    // picture page does and checks every line, each turned `turns` times.
    void Prepare(const std::vector<SweepPicture>& pictures, int turns) {
        for (const SweepPicture& p : pictures)
            fs::copy_file(TestDataPath(p.path), dir / ("src/" + p.FlatName()));
        // Zero-byte pictures are not shipped with the test data.
        for (const char* name : {"zero_bytes.jpg", "zero_bytes.bmp", "zero_bytes.gif"})
            ASSERT_TRUE(WriteTestFile(dir / (std::string("src/") + name), ""));
        for (const auto& [name, bytes] : CutSweepPictures())
            ASSERT_TRUE(WriteTestFile(dir / ("src/" + name), bytes));
        list.Fill(settings.picture_path, PictureFilter::Album);
        ASSERT_EQ(list.Count(), static_cast<int>(pictures.size() + 3 + CutSweepPictures().size()));
        for (int i = 0; i < list.Count(); ++i) {
            list.SetChecked(i, true);
            for (int t = 0; t < turns; ++t) list.AddQuarterTurn(i);
        }
    }

    AlbumBuildReport Build() {
        AlbumBuildContext context{settings, list, materials, dialogs, progress, shell, codec};
        AlbumBuildReport report;
        BuildAlbum(context, report);
        return report;
    }

    std::string Src(const std::string& name) { return ReadTestFile(dir / ("src/" + name)); }
    std::string Copy(const std::string& name) { return ReadTestFile(dir / ("out/my_p/" + name)); }
    std::string ThumbnailPath(const std::string& name) { return dir / ("out/my_t/_" + name); }

    TempDir dir;
    AlbumSettings settings;
    PictureListModel list;
    MaterialFolders materials;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
    RecordingShellOpener shell;
    WatchingCodec codec;
};

std::string GroupOf(const std::string& path) {
    return fs::path(path).parent_path().string();
}

void PrintTally(const char* title, const std::map<std::string, GroupTally>& groups) {
    std::cout << title << "\n";
    for (const auto& [group, t] : groups) {
        std::cout << "  " << group << ": " << t.files << " files, " << t.processed << " processed, "
                  << t.refused << " refused\n";
    }
}

}  // namespace

TEST_F(AlbumSweep, EveryTestPictureIsProcessedOrCopiedUnchangedWithoutAThumbnail) {
    const std::vector<SweepPicture> pictures = SweepPicturesUnder({});
    ASSERT_GT(pictures.size(), 150u) << "the manifest of tests/data could not be read";
    Prepare(pictures, 0);

    const AlbumBuildReport report = Build();
    EXPECT_TRUE(report.pages_written);
    EXPECT_EQ(report.pages_failed, 0);
    // Bad pictures are never reported one by one: they are listed in one message before the
    // closing question, one line each, in list order.
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(dialogs.calls[1].text, "今すぐブラウザで見ますか？");
    std::vector<std::string> expected_lines;
    for (int i = 0; i < list.Count(); ++i) {
        const std::string name = list.ItemText(i);
        if (codec.refused.count(name) == 1)
            expected_lines.push_back(settings.picture_path + name + " (ｴﾗｰ)" + kAlbumLoadFailed);
    }
    EXPECT_EQ(FailureLines(dialogs), expected_lines);
    EXPECT_EQ(report.pictures_failed, static_cast<int>(expected_lines.size()));
    const std::string page = Cp932ToUtf8(ReadTestFile(dir / "out/my.html"));
    ASSERT_FALSE(page.empty());
    EXPECT_TRUE(fs::exists(dir / "out/mys.html"));

    std::map<std::string, GroupTally> groups;
    for (const SweepPicture& p : pictures) {
        SCOPED_TRACE(p.path + " (" + p.expect + ")");
        const std::string name = p.FlatName();
        const bool is_gif = name.size() > 4 && name.substr(name.size() - 4) == ".gif";
        const bool has_thumbnail = fs::exists(ThumbnailPath(name));
        GroupTally& tally = groups[GroupOf(p.path)];
        ++tally.files;
        (has_thumbnail ? tally.processed : tally.refused)++;

        // Unturned pictures are always copied byte for byte, loadable or not.
        EXPECT_EQ(Copy(name), Src(name));
        // The page points at the thumbnail exactly when there is one, else at the picture itself
        // (an "&" of a name stands as "&amp;" in the attribute).
        EXPECT_EQ(page.find(EscapeAttributeText("my_t/_" + name)) != std::string::npos,
                  has_thumbnail);
        EXPECT_NE(page.find(EscapeAttributeText("my_p/" + name)), std::string::npos);

        if (is_gif) {
            EXPECT_FALSE(has_thumbnail) << "a GIF is never decoded";
            EXPECT_EQ(codec.loaded.count(name) + codec.refused.count(name), 0u);
            continue;
        }
        if (p.MustDecode()) {
            EXPECT_TRUE(has_thumbnail) << "a decodable picture lost its thumbnail";
        }
        if (p.MustBeRefused() || IsDamagedSweepPicture(p.path)) {
            EXPECT_FALSE(has_thumbnail) << "a broken picture got a thumbnail";
        }
        EXPECT_EQ(has_thumbnail, codec.loaded.count(name) == 1);
        if (has_thumbnail) {
            // The thumbnail is a real picture of the fitted size.
            const ImgKitSize size = ImgKitUprightSize(ThumbnailPath(name));
            if (p.MustDecode()) {
                EXPECT_EQ(size, FitThumbnail(100, 100, p.width, p.height));
            } else {
                EXPECT_TRUE(size.width > 0 && size.width <= 100 && size.height > 0 &&
                            size.height <= 100);
            }
        }
        // A header claiming more than any real photograph is refused from the header alone.
        if (p.declared_pixels > kMaxPicturePixels) {
            EXPECT_EQ(ImgKitUprightSize(TestDataPath(p.path)), (ImgKitSize{0, 0}));
            EXPECT_EQ(codec.refused.count(name), 1u);
        }
    }
    for (const char* name : {"zero_bytes.jpg", "zero_bytes.bmp", "zero_bytes.gif"}) {
        EXPECT_FALSE(fs::exists(ThumbnailPath(name))) << name;
        EXPECT_TRUE(fs::exists(dir / (std::string("out/my_p/") + name))) << name;
    }
    // A picture cut short is copied byte for byte, but no thumbnail is made from half a picture.
    for (const auto& [name, bytes] : CutSweepPictures()) {
        EXPECT_EQ(codec.refused.count(name), 1u) << name;
        EXPECT_FALSE(fs::exists(ThumbnailPath(name))) << name;
        EXPECT_EQ(Copy(name), bytes) << name;
    }
    // The thumbnail phase ran over every picture to the end.
    EXPECT_NE(std::find(progress.calls.begin(), progress.calls.end(),
                        "pos " + std::to_string(list.Count())),
              progress.calls.end());
    PrintTally("album sweep, unturned:", groups);
}

TEST_F(AlbumSweep, TurnedBadPicturesAreCopiedUnturnedAndGoodOnesAreSavedTurned) {
    // The large, well-formed photographs add nothing to this pass but time.
    const std::vector<SweepPicture> pictures = SweepPicturesUnder({"bmp/", "jpeg/", "gif/"});
    ASSERT_GT(pictures.size(), 100u);
    Prepare(pictures, 1);

    const AlbumBuildReport report = Build();
    EXPECT_TRUE(report.pages_written);
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[1].text, "今すぐブラウザで見ますか？");
    // Every picture that could not be loaded is listed once: it could be neither turned nor
    // given a thumbnail.
    EXPECT_EQ(FailureLines(dialogs).size(), codec.refused.size());
    EXPECT_EQ(report.pictures_failed, static_cast<int>(codec.refused.size()));

    std::map<std::string, GroupTally> groups;
    for (const SweepPicture& p : pictures) {
        SCOPED_TRACE(p.path + " (" + p.expect + ")");
        const std::string name = p.FlatName();
        const bool is_gif = name.substr(name.size() - 4) == ".gif";
        const bool loaded = codec.loaded.count(name) == 1;
        GroupTally& tally = groups[GroupOf(p.path)];
        ++tally.files;
        (loaded ? tally.processed : tally.refused)++;
        if (is_gif) {
            EXPECT_FALSE(loaded) << "a GIF is never decoded";
        }
        if (p.MustDecode() && !is_gif) {
            EXPECT_TRUE(loaded);
        }
        if (p.MustBeRefused() || IsDamagedSweepPicture(p.path)) {
            EXPECT_FALSE(loaded);
        }
        if (!loaded) {
            EXPECT_EQ(Copy(name), Src(name)) << "a refused picture must be copied as it is";
            EXPECT_FALSE(fs::exists(ThumbnailPath(name)));
            continue;
        }
        // A picture that loaded is saved turned: its copy stands on its side.
        const ImgKitSize copy = ImgKitUprightSize(dir / ("out/my_p/" + name));
        if (p.MustDecode()) {
            EXPECT_EQ(copy, (ImgKitSize{p.height, p.width}));
        }
        EXPECT_TRUE(fs::exists(ThumbnailPath(name)));
    }
    for (const auto& [name, bytes] : CutSweepPictures()) {
        EXPECT_EQ(codec.loaded.count(name), 0u) << name;
        EXPECT_EQ(Copy(name), bytes) << "a picture cut short must be copied as it is";
    }
    // No temporary file of a turned save is left behind.
    for (const auto& entry : fs::directory_iterator(dir / "out/my_p"))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    PrintTally("album sweep, turned once:", groups);
}
