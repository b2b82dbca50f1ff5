#include "resizer/job/batch_resize.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <QTransform>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

#include "core/picture_job.h"
#include "core/picture_list_model.h"
#include "imaging/jpeg_metadata.h"
#include "imaging/picture_codec.h"
#include "imaging/picture_metadata.h"
#include "resizer/job/batch_outcome.h"
#include "tests/imaging/imaging_test_support.h"
#include "tests/imaging/metadata_test_support.h"
#include "tests/support/location_readback.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/starved_memory.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// A codec that fails on named files, the way a full disk or a broken picture would (the batch
// calls it from several threads).
class FailingCodec : public ImageCodec {
  public:
    std::set<std::string> fail_load;  // file names (no folder)
    std::set<std::string> fail_save;
    std::set<std::string> throw_on_load;  // a library's error in the middle of a picture
    // Memory runs short in one step of a named picture: file name -> "load", "turn", "resize",
    // "encode", "metadata" or "save".
    std::map<std::string, std::string> starve;
    std::mutex mutex;
    std::vector<std::pair<int, int>> load_minimums;

    // Runs a step of the picture in hand, starved when it is the one named for it.
    template <typename Step>
    auto InStep(const std::string& step, std::size_t heap_from, Step&& run) {
        const auto it = starve.find(t_picture);
        if (it == starve.end() || it->second != step) return run();
        const StarvedMemory starved(heap_from);
        return run();
    }

    // A worker takes one picture at a time, the read of its file first.
    std::optional<PictureBytes> ReadPicture(const std::string& path) override {
        t_picture = fs::path(path).filename().string();
        return ImageCodec::ReadPicture(path);
    }
    DecodedPicture Decode(std::string_view bytes, int min_width, int min_height) override {
        {
            const std::lock_guard lock(mutex);
            load_minimums.emplace_back(min_width, min_height);
        }
        if (fail_load.count(t_picture)) return {};
        if (throw_on_load.count(t_picture))
            throw std::runtime_error("damaged beyond the library's checks");
        return InStep("load", StarvedMemory::kHeapUntouched,
                      [&] { return ImageCodec::Decode(bytes, min_width, min_height); });
    }
    void Rotate(ImageHandle& image) override {
        InStep("turn", StarvedMemory::kHeapUntouched, [&] {
            ImageCodec::Rotate(image);
            return 0;
        });
    }
    ImageHandle Resize(const ImageHandle& image, int width, int height) override {
        return InStep("resize", StarvedMemory::kHeapUntouched,
                      [&] { return ImageCodec::Resize(image, width, height); });
    }
    std::optional<std::string> Encode(const ImageHandle& image, const EncodeSettings& settings,
                                      std::string_view source, bool* xmp_too_large) override {
        const auto it = starve.find(t_picture);
        if (it != starve.end() && it->second == "metadata") {
            // A JPEG from a JPEG: the pixels are encoded with memory to spare, then no block larger
            // than the picture itself is had: what the metadata library takes for its work fails,
            // a copy of the picture alone would not.
            const std::optional<std::string> encoded = ImgKitJpegEncode(image, settings.quality);
            if (!encoded) return encoded;
            const StarvedMemory starved(encoded->size() + 2);
            return CarryJpegMetadata(source, *encoded, xmp_too_large);
        }
        return InStep("encode", StarvedMemory::kHeapUntouched,
                      [&] { return ImageCodec::Encode(image, settings, source, xmp_too_large); });
    }
    bool WriteFile(const std::string& path, const std::string& bytes, const FileToReplace* replaces,
                   ReplaceFailure* failure) override {
        // A failing writer leaves nothing at the path, as the real one guarantees.
        if (fail_save.count(fs::path(path).filename().string())) return false;
        return InStep("save", 0,
                      [&] { return ImageCodec::WriteFile(path, bytes, replaces, failure); });
    }

  private:
    static inline thread_local std::string t_picture;
};

QSize StoredSize(const std::string& path) {
    return QImageReader(QString::fromStdString(path)).size();
}

QImage DecodeUpright(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    return reader.read();
}

class BatchResizeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureImagingLoaded();
        source = dir / "src";
        output = dir / "out";
        fs::create_directories(source);
        fs::create_directories(output);
        settings.sourceFolder = source + "/";
        settings.outputFolder = output;
    }

    void AddPhoto(const std::string& testdata, const std::string& name, bool checked = true) {
        fs::copy_file(TestDataPath(testdata), source + "/" + name);
        model.InsertPicture(name, checked);
    }

    BatchContext Context(ImageCodec& c) { return BatchContext{model, dialogs, progress, c}; }

    // What the create button runs: the output folder's check, then the batch. False when the
    // check refused the folder.
    bool Create(ResizerSettings& s) {
        if (PrepareOutputFolder(s, dialogs) != OutputFolderCheck::Ready) return false;
        RunBatch(s, Context(codec));
        return true;
    }

    TempDir dir;
    std::string source;
    std::string output;
    ResizerSettings settings;
    PictureListModel model;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
    FailingCodec codec;
};

TEST_F(BatchResizeTest, TheFiveRulesGiveTheComputedSizesWithAndWithoutTurns) {
    struct Photo {
        const char* file;
        int width, height;
    };
    const Photo photos[] = {{"photos/aitzgorri_mountains.jpg", 3088, 2056},
                            {"photos/wine_and_drum_portrait.jpg", 2560, 3837},
                            {"photos/dune_grass.jpg", 1680, 1050}};
    const ResizerSettings base = settings;
    const std::vector<std::function<void(ResizerSettings&)>> rules = {
        [](ResizerSettings& s) { s.sizeMode = ScaleByPercent, s.scalePercent = 37; },
        [](ResizerSettings& s) { s.sizeMode = FitHeight, s.targetHeight = 300; },
        [](ResizerSettings& s) { s.sizeMode = FitWidth, s.targetWidth = 1600; },
        [](ResizerSettings& s) { s.sizeMode = FitBox, s.targetWidth = 640, s.targetHeight = 640; },
        [](ResizerSettings& s) { s.sizeMode = KeepSize; },
    };
    int i = 0;
    for (const Photo& p : photos) {
        const std::string name = "p" + std::to_string(i++) + ".jpg";
        AddPhoto(p.file, name);
    }
    for (int turns : {0, 1, 2}) {
        for (size_t r = 0; r < rules.size(); ++r) {
            ResizerSettings s = base;
            rules[r](s);
            s.outputFolder = output + std::to_string(turns) + "_" + std::to_string(r);
            s.jpegQuality = 70;
            fs::create_directories(s.outputFolder);
            Create(s);
            for (int k = 0; k < 3; ++k) {
                const bool swapped = turns % 2 == 1;
                const int w = swapped ? photos[k].height : photos[k].width;
                const int h = swapped ? photos[k].width : photos[k].height;
                const ImgKitSize expected = ComputeTargetSize(s, w, h);
                const std::string out = s.outputFolder + "/p" + std::to_string(k) + ".jpg";
                SCOPED_TRACE(out);
                EXPECT_EQ(StoredSize(out), QSize(expected.width, expected.height));
            }
        }
        for (int k = 0; k < 3; ++k) model.AddQuarterTurn(k);
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(BatchResizeTest, ATurnedPictureShowsTheTurnedContent) {
    AddPhoto("photos/ladybird.jpg", "bug.jpg");
    settings.sizeMode = FitWidth;
    settings.targetWidth = 200;
    settings.jpegQuality = 95;
    model.AddQuarterTurn(0);
    ASSERT_TRUE(Create(settings));
    const QImage turned = DecodeUpright(output + "/bug.jpg");
    ASSERT_EQ(turned.size(), QSize(200, 320));
    const QImage expected = DecodeUpright(TestDataPath("photos/ladybird.jpg"))
                                .transformed(QTransform().rotate(90))
                                .scaled(200, 320, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(MeanAbsDiff(turned, expected), 5.0);
    // The target is far below half the picture, so the picture was decoded at a reduced scale; the
    // minimum asked for is the target in the picture's own (unturned) axes.
    ASSERT_EQ(codec.load_minimums.size(), 1u);
    EXPECT_EQ(codec.load_minimums[0], (std::pair<int, int>{320, 200}));
}

TEST_F(BatchResizeTest, AJpegStaysAJpegAtTheQualityAndABmpStaysABmp) {
    AddPhoto("photos/storm_road.jpg", "road.jpg");
    AddPhoto("bmp/good/photo_640x504_24bit.bmp", "Photo.BMP");
    settings.sizeMode = ScaleByPercent;
    settings.scalePercent = 100;
    settings.jpegQuality = 30;
    ASSERT_TRUE(Create(settings));
    EXPECT_TRUE(dialogs.calls.empty());
    // Even unresized, the JPEG is encoded again at the chosen quality (first luma table entry of
    // the standard scaling at 30: 16 * 5000 / 30 / 100 = 27).
    const std::string jpeg = ReadTestFile(output + "/road.jpg");
    ASSERT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    const size_t dqt = jpeg.find("\xFF\xDB");
    ASSERT_NE(dqt, std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[dqt + 5]), 27);
    EXPECT_EQ(StoredSize(output + "/road.jpg"), QSize(1920, 1280));
    const std::string bmp = ReadTestFile(output + "/Photo.BMP");
    ASSERT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 24);
    EXPECT_EQ(StoredSize(output + "/Photo.BMP"), QSize(640, 504));
}

TEST_F(BatchResizeTest, AResizedJpegKeepsTheCameraDataUpright) {
    AddPhoto("photos/dune_grass.jpg", "dune.jpg");
    AddPhoto("exif-orientation/Portrait_6.jpg", "side.jpg");  // stored on its side
    settings.overwriteOriginals = true;  // the source is read before it is replaced
    settings.sizeMode = FitWidth;
    settings.targetWidth = 400;
    ASSERT_TRUE(Create(settings));
    const SavedMetadata dune = ReadSavedMetadata(ReadTestFile(source + "/dune.jpg"));
    EXPECT_EQ(dune.Exif("Exif.Photo.DateTimeOriginal"), "2007:08:06 10:29:13");
    EXPECT_EQ(dune.Exif("Exif.Image.Model"), "Canon EOS DIGITAL REBEL");
    EXPECT_EQ(dune.Exif("Exif.Photo.PixelXDimension"), "400");
    EXPECT_EQ(dune.Exif("Exif.Photo.PixelYDimension"), "250");
    EXPECT_EQ(dune.thumbnail_bytes, 0);
    const SavedMetadata side = ReadSavedMetadata(ReadTestFile(source + "/side.jpg"));
    EXPECT_EQ(side.Exif("Exif.Image.Orientation"), "1");
    EXPECT_EQ(StoredSize(source + "/side.jpg"), QSize(400, 600));
}

// An XMP packet that no form of fits its segment once its orientation changes: the picture is
// still made, and its line says what it lacks; it is not the unchanged copy a failed picture gets.
TEST_F(BatchResizeTest, APictureSavedWithoutItsXmpIsListedForItButKept) {
    const std::string packet =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
        "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
        "xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmlns:tiff='http://ns.adobe.com/tiff/1.0/' "
        "xmp:Label='" +
        std::string(20000, '"') + std::string(45000, 'q') +
        "'><tiff:Orientation>6<!-- the camera's --></tiff:Orientation></rdf:Description>"
        "</rdf:RDF></x:xmpmeta>";
    const std::string payload = std::string("http://ns.adobe.com/xap/1.0/\0", 29) + packet;
    const std::string photo = ReadTestFile(TestDataPath("photos/dune_grass.jpg"));
    const std::string length{static_cast<char>((payload.size() + 2) >> 8),
                             static_cast<char>((payload.size() + 2) & 0xFF)};
    ASSERT_TRUE(WriteTestFile(
        source + "/bug.jpg", photo.substr(0, 2) + "\xFF\xE1" + length + payload + photo.substr(2)));
    model.InsertPicture("bug.jpg", true);
    settings.sizeMode = FitWidth;
    settings.targetWidth = 200;
    ASSERT_TRUE(Create(settings));
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{source + "/bug.jpg (ｴﾗｰ)" + kXmpTooLargeReason + "\n"});
    EXPECT_EQ(StoredSize(output + "/bug.jpg"), QSize(200, 125));
    const SavedMetadata saved = ReadSavedMetadata(ReadTestFile(output + "/bug.jpg"));
    EXPECT_TRUE(saved.xmp.empty());
    EXPECT_EQ(saved.Exif("Exif.Image.Model"), "Canon EOS DIGITAL REBEL");
}

TEST_F(BatchResizeTest, AnUnloadableSecondPictureIsCopiedAndReportedOnOneLine) {
    AddPhoto("photos/dune_grass.jpg", "a.jpg");
    AddPhoto("jpeg/bad/gen_truncated_in_headers.jpg", "b.jpg");
    settings.sizeMode = FitWidth;
    settings.targetWidth = 100;
    ASSERT_TRUE(Create(settings));
    EXPECT_EQ(StoredSize(output + "/a.jpg"), QSize(100, 63));
    EXPECT_EQ(ReadTestFile(output + "/b.jpg"),
              ReadTestFile(TestDataPath("jpeg/bad/gen_truncated_in_headers.jpg")));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, source + "/b.jpg (ｴﾗｰ)画像を読み込めませんでした\n");
    EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(dialogs.calls[0].caption, std::nullopt);
    const std::vector<std::string> expected_progress = {"open",
                                                        "message フォルダの準備をしています...",
                                                        "range 7",
                                                        "pos 0",
                                                        "pos 1",
                                                        "pos 2",
                                                        "message 作成しています...",
                                                        "range 2",
                                                        "pos 0",
                                                        "pos 1",
                                                        "pos 2",
                                                        "close"};
    EXPECT_EQ(progress.calls, expected_progress);
}

TEST_F(BatchResizeTest, WithLocationRemovedNoSavedOrCopiedPictureTellsWhereItWasTaken) {
    AddPhoto("metadata/location_everywhere.jpg", "a.jpg");
    AddPhoto("metadata/location_everywhere.jpg", "b.jpg");
    for (const char* kind : {"png", "webp", "avif", "tiff"})
        AddPhoto(std::string("metadata/location_everywhere.") + kind, std::string("c.") + kind);
    // Cut short: it fails and is copied as it is, but without its location.
    const std::string photo = ReadTestFile(TestDataPath("metadata/location_everywhere.jpg"));
    ASSERT_TRUE(WriteTestFile(source + "/cut.jpg", photo.substr(0, photo.size() - 200)));
    model.InsertPicture("cut.jpg", true);
    settings.stripLocation = true;
    settings.sizeMode = FitWidth;
    settings.targetWidth = 100;
    ASSERT_TRUE(Create(settings));
    ASSERT_EQ(dialogs.Texts(),
              std::vector<std::string>{source + "/cut.jpg (ｴﾗｰ)画像を読み込めませんでした\n"});
    for (const char* name : {"a.jpg", "b.jpg", "c.png", "c.webp", "c.avif", "c.tiff", "cut.jpg"})
        EXPECT_EQ(LocationReadBack(output + "/" + name), "") << name;
    EXPECT_EQ(StoredSize(output + "/a.jpg"), QSize(100, 66));
    const SavedMetadata saved = ReadSavedMetadata(ReadTestFile(output + "/a.jpg"));
    EXPECT_EQ(saved.Exif("Exif.Image.Artist"), "Hana");
    EXPECT_EQ(saved.Exif("Exif.Photo.DateTimeOriginal"), "2024:05:01 18:30:00");
}

TEST_F(BatchResizeTest, AnErrorThrownForOnePictureIsListedAndTheBatchGoesOn) {
    AddPhoto("photos/dune_grass.jpg", "a.jpg");
    AddPhoto("photos/dune_grass.jpg", "b.jpg");
    AddPhoto("photos/dune_grass.jpg", "c.jpg");
    codec.throw_on_load = {"b.jpg"};
    ASSERT_TRUE(Create(settings));
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{source + "/b.jpg (ｴﾗｰ)画像の処理に失敗しました\n"});
    EXPECT_EQ(ReadTestFile(output + "/b.jpg"), ReadTestFile(source + "/b.jpg"));
    EXPECT_EQ(StoredSize(output + "/c.jpg"), QSize(1680, 1050));
}

// Memory that runs out in any step of one picture fails that picture, named as such, and nothing
// is made of it: its original stays as it was (in the output folder, the unchanged copy every
// failed picture gets), never saved unturned or without its camera data. The next picture is made.
TEST_F(BatchResizeTest, MemoryThatRunsOutInAnyStepFailsThatPictureAlone) {
    AddPhoto("photos/dune_grass.jpg", "a.jpg");
    AddPhoto("photos/dune_grass.jpg", "b.jpg");
    const std::string original = ReadTestFile(source + "/a.jpg");
    model.AddQuarterTurn(0);
    settings.sizeMode = ScaleByPercent;
    settings.scalePercent = 90;  // decoded whole, then resized: every step takes large buffers
    for (const char* step : {"load", "turn", "resize", "encode", "metadata", "save"}) {
        for (const bool overwrite : {false, true}) {
            SCOPED_TRACE(std::string(step) + (overwrite ? ", over the originals" : ""));
            fs::copy_file(TestDataPath("photos/dune_grass.jpg"), source + "/b.jpg",
                          fs::copy_options::overwrite_existing);
            for (const char* name : {"/a.jpg", "/b.jpg"}) fs::remove(output + name);
            codec.starve = {{"a.jpg", step}};
            dialogs.calls.clear();
            settings.overwriteOriginals = overwrite;
            ASSERT_TRUE(Create(settings));
            EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{
                                           source + "/a.jpg (ｴﾗｰ)メモリの確保に失敗しました\n"});
            EXPECT_EQ(ReadTestFile(source + "/a.jpg"), original);
            const std::string made = overwrite ? source : output;
            if (!overwrite) {
                EXPECT_EQ(ReadTestFile(output + "/a.jpg"), original);
            }
            EXPECT_EQ(StoredSize(made + "/b.jpg"), QSize(1512, 945));
        }
    }
}

TEST_F(BatchResizeTest, AFailedSaveOverTheOriginalLeavesItByteIdentical) {
    AddPhoto("photos/wall_clock.jpg", "clock.jpg");
    AddPhoto("bmp/good/rgb24.bmp", "small.bmp");
    AddPhoto("photos/ladybird.jpg", "bug.jpg");
    const std::string before = ReadTestFile(source + "/clock.jpg");
    const std::string bmp_before = ReadTestFile(source + "/small.bmp");
    codec.fail_save = {"clock.jpg", "small.bmp"};
    settings.overwriteOriginals = true;
    settings.outputFolder = "relative/and/never/looked/at.x";
    settings.sizeMode = FitWidth;
    settings.targetWidth = 400;
    ASSERT_TRUE(Create(settings));
    EXPECT_EQ(ReadTestFile(source + "/clock.jpg"), before);
    EXPECT_EQ(ReadTestFile(source + "/small.bmp"), bmp_before);
    EXPECT_EQ(StoredSize(source + "/bug.jpg"), QSize(400, 250));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, source + "/clock.jpg (ｴﾗｰ)ﾌｧｲﾙの保存に失敗しました\n" +
                                         source + "/small.bmp (ｴﾗｰ)ﾌｧｲﾙの保存に失敗しました\n");
    // No temporary file is left behind, and nothing was written beside the pictures.
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(source)) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"bug.jpg", "clock.jpg", "small.bmp"}));
    EXPECT_FALSE(fs::exists(dir / "relative"));
}

TEST_F(BatchResizeTest, NoCheckedPictureGivesOnlyTheMessage) {
    AddPhoto("photos/storm_road.jpg", "road.jpg", /*checked=*/false);
    ASSERT_TRUE(Create(settings));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, "イメージが選択されていません。");
    EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(progress.calls.empty());
}

TEST_F(BatchResizeTest, ANonPictureIsNeitherWrittenNorReported) {
    WriteTestFile(source + "/notes.txt", "text");
    model.InsertPicture("notes.txt", true);
    AddPhoto("photos/storm_road.jpg", "road.jpg");
    settings.sizeMode = FitWidth;
    settings.targetWidth = 100;
    ASSERT_TRUE(Create(settings));
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_FALSE(fs::exists(output + "/notes.txt"));
    EXPECT_TRUE(fs::exists(output + "/road.jpg"));
    EXPECT_EQ(progress.calls[7], "range 2");  // counted, and its step still advances
    EXPECT_EQ(progress.calls[10], "pos 2");
}

TEST_F(BatchResizeTest, AZeroSizeIsAFailedResizeNotACrash) {
    QImage tiny(5, 5, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    tiny.save(QString::fromStdString(source + "/tiny.bmp"), "BMP");
    model.InsertPicture("tiny.bmp", true);
    settings.scalePercent = 10;
    ASSERT_TRUE(Create(settings));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, source + "/tiny.bmp (ｴﾗｰ)" + kResizeTooSmall + "\n");
    EXPECT_EQ(ReadTestFile(output + "/tiny.bmp"), ReadTestFile(source + "/tiny.bmp"));
}

TEST_F(BatchResizeTest, TheOutputFolderChecksStopInOrder) {
    AddPhoto("photos/storm_road.jpg", "road.jpg");
    struct Row {
        std::string folder;
        std::string message;
    };
    const Row rows[] = {
        {"relative/out", "出力ディレクトリは絶対パス名で指定してください"},
        {"", "出力ディレクトリは絶対パス名で指定してください"},
        {"relative/out.d", "出力ディレクトリは絶対パス名で指定してください"},
        {output + "/album.jpg",
         "出力ディレクトリはディレクトリを指定してください。（拡張子はつけない）"},
        // A hidden folder would be made, then refused by the folder check as "not created".
        {output + "/.hid/",
         "出力ディレクトリはディレクトリを指定してください。（拡張子はつけない）"},
        // The originals would be replaced without the overwrite box, under any name of their
        // folder.
        {source + "/", kOutputIsSourceMessage},
        {output + "/../src", kOutputIsSourceMessage},
        {dir / "link", kOutputIsSourceMessage},
    };
    fs::create_directory_symlink(source, dir / "link");
    for (const Row& r : rows) {
        dialogs.calls.clear();
        ResizerSettings s = settings;
        s.outputFolder = r.folder;
        EXPECT_FALSE(Create(s)) << r.folder;
        ASSERT_EQ(dialogs.calls.size(), 1u) << r.folder;
        EXPECT_EQ(dialogs.calls[0].text, r.message);
        EXPECT_EQ(dialogs.calls[0].caption, std::nullopt);
        EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::None);
    }
    EXPECT_TRUE(progress.calls.empty());
    EXPECT_FALSE(fs::exists(output + "/.hid"));
}

TEST_F(BatchResizeTest, AMissingOutputFolderIsCreatedOnlyAfterTheUserAgrees) {
    AddPhoto("photos/storm_road.jpg", "road.jpg");
    settings.outputFolder = output + "/deep/er/";
    dialogs.answers = {MessageAnswer::No};
    EXPECT_FALSE(Create(settings));
    EXPECT_FALSE(fs::exists(output + "/deep"));
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].text,
              output + "/deep/erディレクトリが見つかりません。\n作成しますか？");
    EXPECT_EQ(dialogs.calls[1].text, "ディレクトリの作成に失敗しました");

    dialogs.calls.clear();
    settings.outputFolder = output + "/deep/er/";
    EXPECT_TRUE(Create(settings));
    EXPECT_TRUE(fs::exists(output + "/deep/er/road.jpg"));
}

// The pictures of tests/data/formats each show, upright, a 64 x 48 pattern of red (top left),
// green, blue and white quarters; resized to 32 x 24, each quarter is sampled at its middle. With
// alpha, the white quarter is transparent unless `opaque` (an alpha channel at 100 %).
void ExpectResizedPattern(const std::string& bytes, bool alpha, bool opaque = false) {
    const DecodedPicture back = DecodePicture(bytes);
    ASSERT_TRUE(back.image);
    const QImage* pixels = ImgKitPixels(back.image);
    ASSERT_EQ(pixels->size(), QSize(32, 24));
    const auto near = [&](int x, int y, QColor want) {
        const QColor got = pixels->pixelColor(x, y);
        return std::abs(got.red() - want.red()) < 50 && std::abs(got.green() - want.green()) < 50 &&
               std::abs(got.blue() - want.blue()) < 50;
    };
    EXPECT_TRUE(near(6, 5, Qt::red));
    EXPECT_TRUE(near(25, 5, Qt::green));
    EXPECT_TRUE(near(6, 18, Qt::blue));
    EXPECT_EQ(ImgKitHasAlpha(back.image), alpha);
    if (alpha && !opaque) {
        EXPECT_EQ(pixels->pixelColor(25, 18).alpha(), 0);
    } else {
        EXPECT_TRUE(near(25, 18, Qt::white));
    }
}

// Every kind the registry decodes is resized upright, in its own kind or the one asked for, with
// the extension of the kind it is saved in, its alpha and 16 bits where that kind keeps them, and
// the Exif, XMP and colour profile of the source.
TEST_F(BatchResizeTest, EveryKindIsResizedUprightInTheFormatAskedWithItsMetadata) {
    struct Case {
        const char* fixture;  // under formats/
        const char* name;     // in the source folder
        OutputFormat format;
        const char* made;  // in the output folder
        ImageKind kind;
        bool alpha;     // kept
        bool metadata;  // the fixture's Make, XMP title and profile carried
        bool deep;      // 16 bits a channel kept
    };
    using F = OutputFormat;
    const Case cases[] = {
        {"png_exif6_meta.png", "a.png", F::Original, "a.png", kPngImage, false, true, false},
        {"png_16bit_alpha.png", "b.PNG", F::Original, "b.PNG", kPngImage, true, false, true},
        {"png_alpha.png", "c.png", F::Webp, "c.webp", kWebpImage, true, false, false},
        {"webp_exif6_meta.webp", "d.webp", F::Original, "d.webp", kWebpImage, false, true, false},
        {"webp_exif8.webp", "e.webp", F::Avif, "e.avif", kAvifImage, false, false, false},
        {"avif_irot.avif", "f.avif", F::Jpeg, "f.jpg", kJpegImage, false, false, false},
        {"avif_alpha.avif", "g.avif", F::Png, "g.png", kPngImage, true, false, false},
        {"heic_exif6_meta.heic", "h.heic", F::Jpeg, "h.jpg", kJpegImage, false, true, false},
        {"heic_irot.heic", "i.HEIC", F::Original, "i.HEIC", kHeifImage, false, false, false},
        {"tiff_orient6_meta.tif", "j.tif", F::Png, "j.png", kPngImage, false, true, false},
        {"tiff_alpha.tif", "k.tiff", F::Original, "k.tiff", kTiffImage, true, false, false},
        {"jpeg_exif6_meta.jpg", "l.jpg", F::Webp, "l.webp", kWebpImage, false, true, false},
        {"jpeg_exif6_meta.jpg", "m.jpg", F::Avif, "m.avif", kAvifImage, false, true, false},
    };
    settings.sizeMode = FitWidth;
    settings.targetWidth = 32;
    settings.jpegQuality = 90;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " as " + c.made);
        model.Clear();
        AddPhoto(std::string("formats/") + c.fixture, c.name);
        settings.outputFormat = c.format;
        settings.outputFolder = output + "/" + std::to_string(&c - cases);
        fs::create_directories(settings.outputFolder);
        ASSERT_TRUE(Create(settings));
        EXPECT_TRUE(dialogs.calls.empty()) << dialogs.Texts()[0];
        dialogs.calls.clear();
        const std::string made = ReadTestFile(settings.outputFolder + "/" + c.made);
        const PictureFacts facts = ProbePicture(made);
        EXPECT_EQ(facts.kind, c.kind);
        EXPECT_EQ(facts.deep, c.deep);
        ExpectResizedPattern(made, c.alpha, c.deep);
        const SourceMetadata carried = ReadSourceMetadata(made);
        EXPECT_EQ(carried.exif.find("Pictavo") != std::string::npos, c.metadata);
        EXPECT_EQ(carried.xmp.find("Pictavo fixture") != std::string::npos, c.metadata);
        EXPECT_EQ(!carried.icc.empty(), c.metadata);
        EXPECT_EQ(FolderContents(settings.outputFolder).size(), 1u);
    }
}

// A file whose content is not what its name says, an animation and a file of several pictures
// are refused, each named with its format, never cut to a first frame nor saved under a name that
// lies: the output folder gets the file as it was, under its own name.
TEST_F(BatchResizeTest, AFileThatIsNotOnePictureOfItsNamedKindIsRefusedWithItsFormat) {
    const std::pair<const char*, std::string> cases[] = {
        {"heic_named.jpg", "中身は HEIF の画像で、拡張子と合いません"},
        {"png_named.webp", "中身は PNG の画像で、拡張子と合いません"},
        {"webp_animated.webp", "アニメーションの WebP には対応していません"},
        {"png_animated.png", "アニメーションの PNG には対応していません"},
        {"avif_animated.avif", "アニメーションの AVIF には対応していません"},
        {"heic_two_images.heic", "複数の画像を含む HEIF には対応していません"},
        {"tiff_two_pages.tif", "複数の画像を含む TIFF には対応していません"},
        {"heic_grid_huge.heic", "画像を読み込めませんでした"},
        {"png_huge_header.png", "画像を読み込めませんでした"},
        {"webp_truncated.webp", "画像を読み込めませんでした"},
    };
    std::string expected;
    for (const auto& [fixture, reason] : cases) {
        AddPhoto(std::string("formats/") + fixture, fixture);
        expected += source + "/" + fixture + " (ｴﾗｰ)" + reason + "\n";
    }
    settings.outputFormat = OutputFormat::Jpeg;
    settings.sizeMode = FitWidth;
    settings.targetWidth = 32;
    ASSERT_TRUE(Create(settings));
    // The lines come in list order, which sorts the names.
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < expected.size();) {
        const std::size_t end = expected.find('\n', at) + 1;
        lines.push_back(expected.substr(at, end - at));
        at = end;
    }
    std::sort(lines.begin(), lines.end());
    std::string sorted;
    for (const std::string& line : lines) sorted += line;
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{sorted});
    std::map<std::string, std::string> originals = FolderContents(source);
    EXPECT_EQ(FolderContents(output), originals);
}

// A picture whose format changes takes the new extension and never replaces a file: a name that is
// taken, by a file already in the folder or by another picture of the batch (whatever its letter
// case), gets "~2", "~3" before its extension, and the picture is listed with the name it got.
// Over the originals, a picture whose format changes is written beside its original, which stays.
TEST_F(BatchResizeTest, AChangedFormatNeverReplacesAFile) {
    AddPhoto("formats/jpeg_exif6_meta.jpg", "a.jpg");
    AddPhoto("formats/png_plain.png", "a.png");
    AddPhoto("formats/webp_lossy.webp", "A.webp");
    AddPhoto("formats/png_plain.png", "b.png");
    AddPhoto("formats/tiff_plain.tif", "c.tif");
    settings.sizeMode = FitWidth;
    settings.targetWidth = 32;
    const std::string stranger = "not a picture, but someone's file";
    ASSERT_TRUE(WriteTestFile(output + "/b.jpg", stranger));
    settings.outputFormat = OutputFormat::Jpeg;
    ASSERT_TRUE(Create(settings));
    const std::string line = " (ｴﾗｰ)同じ名前のファイルがあるため、";
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{source + "/a.png" + line + "a~2.jpg として保存しました\n" +
                                       source + "/A.webp" + line + "A~3.jpg として保存しました\n" +
                                       source + "/b.png" + line + "b~2.jpg として保存しました\n"});
    EXPECT_EQ(ReadTestFile(output + "/b.jpg"), stranger);
    std::set<std::string> made;
    for (const auto& [name, bytes] : FolderContents(output)) {
        made.insert(name);
        if (name != "b.jpg") EXPECT_EQ(ProbePicture(bytes).upright, (ImgKitSize{32, 24})) << name;
    }
    EXPECT_EQ(made,
              (std::set<std::string>{"a.jpg", "a~2.jpg", "A~3.jpg", "b.jpg", "b~2.jpg", "c.jpg"}));

    // Over the originals as PNG: a.png and b.png are replaced in place; a.jpg cannot take a.png
    // and is written beside it as a~2.png, A.webp as A~3.png; c.tif becomes c.png; every other
    // original stays as it was.
    dialogs.calls.clear();
    const std::map<std::string, std::string> before = FolderContents(source);
    settings.overwriteOriginals = true;
    settings.outputFormat = OutputFormat::Png;
    ASSERT_TRUE(PrepareOutputFolder(settings, dialogs) == OutputFolderCheck::Ready);
    const BatchOutcome outcome = RunBatch(settings, Context(codec));
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{source + "/a.jpg" + line + "a~2.png として保存しました\n" +
                                       source + "/A.webp" + line + "A~3.png として保存しました\n"});
    const std::map<std::string, std::string> after = FolderContents(source);
    for (const auto& [name, bytes] : before) {
        if (name != "a.png" && name != "b.png") EXPECT_EQ(after.at(name), bytes) << name;
    }
    for (const char* name : {"a.png", "b.png", "a~2.png", "A~3.png", "c.png"})
        EXPECT_EQ(ProbePicture(after.at(name)).upright, (ImgKitSize{32, 24})) << name;
    EXPECT_EQ(after.size(), before.size() + 3);
    // Only the pictures saved over their own files have their turns spent.
    EXPECT_EQ(outcome.saved_over_source, (std::vector<int>{1, 3}));
}

TEST_F(BatchResizeTest, AHomeRelativeOutputFolderIsExpanded) {
    AddPhoto("photos/storm_road.jpg", "road.jpg");
    const char* old_home = std::getenv("HOME");
    const std::string saved = old_home ? old_home : "";
    setenv("HOME", dir.Path().c_str(), 1);
    settings.outputFolder = "~/MyAlbum";
    settings.sizeMode = FitWidth;
    settings.targetWidth = 64;
    const bool started = Create(settings);
    setenv("HOME", saved.c_str(), 1);
    EXPECT_TRUE(started);
    EXPECT_TRUE(fs::exists(dir / "MyAlbum/road.jpg"));
}

}  // namespace
