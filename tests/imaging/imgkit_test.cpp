#include "imaging/imgkit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTransform>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "imaging/image_codec.h"
#include "imaging/image_library.h"
#include "imaging/image_library_pieces.h"
#include "tests/imaging/imaging_test_support.h"
#include "tests/imaging/metadata_test_support.h"

namespace {

class ImgKitTest : public ::testing::Test {
  protected:
    void SetUp() override { EnsureImagingLoaded(); }
};

ImgKitSize Info(const ImageHandle& image) {
    ImgKitInfoRecord info;
    ImgKitImageInfo(image, info);
    return {info.values[0], info.values[1]};
}

QImage Decode(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

// A small picture whose corners have different colours, saved as a BMP the loader can read.
std::string WriteCornerPicture(const TempDir& dir, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(w - 1, 0, qRgb(0, 255, 0));
    image.setPixel(0, h - 1, qRgb(0, 0, 255));
    image.setPixel(w - 1, h - 1, qRgb(0, 0, 0));
    const std::string path = dir / "corners.bmp";
    image.save(QString::fromStdString(path), "BMP");
    return path;
}

// The first value of the first quantisation table of a JPEG file (0 when absent).
int FirstQuantValue(const std::string& bytes) {
    const size_t dqt = bytes.find("\xFF\xDB", 2);
    if (dqt == std::string::npos || dqt + 5 >= bytes.size()) return 0;
    return static_cast<unsigned char>(bytes[dqt + 5]);
}

// The luma sampling byte of the frame header (0x11 = 4:4:4, 0x22 = 4:2:0).
int LumaSampling(const std::string& bytes) {
    for (const char* sof : {"\xFF\xC0", "\xFF\xC1", "\xFF\xC2"}) {
        const size_t at = bytes.find(std::string(sof, 2));
        if (at != std::string::npos && at + 11 < bytes.size())
            return static_cast<unsigned char>(bytes[at + 11]);
    }
    return -1;
}

// The IJG rule that maps a quality to the scaling of the standard tables (luma DC entry 16).
int ExpectedFirstQuantValue(int quality) {
    const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    return std::clamp((16 * scale + 50) / 100, 1, 255);
}

TEST_F(ImgKitTest, EveryOrientationFileLoadsUprightAndShowsTheSamePicture) {
    for (const char* series : {"Landscape", "Portrait"}) {
        const QImage reference =
            Decode(TestDataPath(std::string("exif-orientation/") + series + "_1.jpg"));
        for (int n = 0; n <= 8; ++n) {
            const std::string path = TestDataPath("exif-orientation/" + std::string(series) + "_" +
                                                  std::to_string(n) + ".jpg");
            SCOPED_TRACE(path);
            const ImgKitSize upright = std::string(series) == "Landscape" ? ImgKitSize{1800, 1200}
                                                                          : ImgKitSize{1200, 1800};
            EXPECT_EQ(ImgKitUprightSize(path), upright);
            ImageHandle image = ImgKitFileLoad(path);
            ASSERT_TRUE(image);
            EXPECT_EQ(Info(image), upright);
            EXPECT_LT(MeanAbsDiff(*ImgKitPixels(image), reference), 6.0);

            // A reduced-scale load reports the full upright size and keeps the orientation.
            ImageHandle small = ImgKitFileLoad(path, 200, 200);
            ASSERT_TRUE(small);
            EXPECT_EQ(Info(small), upright);
            const QImage* pixels = ImgKitPixels(small);
            EXPECT_LT(pixels->width(), upright.width);
            EXPECT_EQ(pixels->width() > pixels->height(), upright.width > upright.height);
            ImageHandle thumb = ImgKitImageSize(small, upright.width / 6, upright.height / 6);
            ASSERT_TRUE(thumb);
            const QImage expected =
                reference.scaled(upright.width / 6, upright.height / 6, Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation);
            EXPECT_LT(MeanAbsDiff(*ImgKitPixels(thumb), expected), 6.0);
        }
    }
}

TEST_F(ImgKitTest, ManifestPicturesLoadOrAreRefusedAsMarked) {
    const std::vector<ManifestEntry> entries = ReadManifest();
    ASSERT_GT(entries.size(), 150u);
    int decoded = 0;
    int refused = 0;
    for (const ManifestEntry& e : entries) {
        SCOPED_TRACE(e.path + " (" + e.expect + ")");
        const std::string path = TestDataPath(e.path);
        ImageHandle image = ImgKitFileLoad(path);
        // GIF pictures are never decoded, whatever the manifest says a full decoder should do.
        if (e.path.rfind("gif/", 0) == 0) {
            EXPECT_FALSE(image);
            continue;
        }
        if (e.expect == "decode" || e.expect == "decode-warn") {
            ASSERT_TRUE(image);
            auto [w, h] = ParseSize(e.upright != "-" ? e.upright : e.declared);
            EXPECT_EQ(Info(image), (ImgKitSize{w, h}));
            EXPECT_EQ(ImgKitUprightSize(path), (ImgKitSize{w, h}));
            // The reduced-scale path decodes the same files and reports the same full size.
            ImageHandle reduced = ImgKitFileLoad(path, std::max(1, w / 9), std::max(1, h / 9));
            ASSERT_TRUE(reduced);
            EXPECT_EQ(Info(reduced), (ImgKitSize{w, h}));
            ++decoded;
        } else if (e.expect == "refuse") {
            EXPECT_FALSE(image);
            EXPECT_FALSE(ImgKitFileLoad(path, 16, 16));
            ++refused;
        } else {
            // Either outcome is allowed, but the reduced-scale path must reach the same one, and a
            // picture that loads must be a usable one.
            ImageHandle reduced = ImgKitFileLoad(path, 16, 16);
            EXPECT_EQ(static_cast<bool>(reduced), static_cast<bool>(image));
            if (!image || !reduced) continue;
            EXPECT_GT(Info(image).width, 0);
            EXPECT_GT(Info(image).height, 0);
            EXPECT_EQ(Info(reduced), Info(image));
            for (const ImageHandle* loaded : {&image, &reduced}) {
                ImageHandle resized = ImgKitImageSize(*loaded, 10, 10);
                EXPECT_TRUE(resized);
            }
        }
    }
    EXPECT_GT(decoded, 100);
    EXPECT_GT(refused, 10);
}

TEST_F(ImgKitTest, EmptyAndMisnamedFilesAreRefused) {
    TempDir dir;
    ASSERT_TRUE(WriteTestFile(dir / "empty.jpg", ""));
    EXPECT_FALSE(ImgKitFileLoad(dir / "empty.jpg"));
    EXPECT_FALSE(ImgKitFileLoad(dir / "missing.jpg"));
    EXPECT_EQ(ImgKitUprightSize(dir / "missing.jpg"), (ImgKitSize{0, 0}));
    // A GIF under a JPEG name is decided by its content and not decoded.
    std::filesystem::copy_file(TestDataPath("gif/gen_photo_400x315_static.gif"), dir / "anim.jpg");
    EXPECT_FALSE(ImgKitFileLoad(dir / "anim.jpg"));
}

TEST_F(ImgKitTest, PixelsADamagedBmpNeverWritesAreTheSameOnEveryLoad) {
    // Their RLE deltas and short data leave pixels undefined: they must not take whatever the
    // memory held before, or the thumbnails and copies made from them would carry it.
    for (const char* name : {"bmp/questionable/pal8rletrns.bmp", "bmp/bad/badrle4.bmp",
                             "bmp/bad/shortfile.bmp", "bmp/questionable/pal4rlecut.bmp"}) {
        SCOPED_TRACE(name);
        std::vector<QImage> loads;
        for (unsigned char dirt : {0x00, 0x5A, 0xFF}) {
            // Leave freed memory of the picture's size full of `dirt` for the decoder to reuse.
            const QSize size = QImageReader(QString::fromStdString(TestDataPath(name))).size();
            for (QImage::Format format : {QImage::Format_Indexed8, QImage::Format_RGB32}) {
                QImage garbage(size.width(), std::abs(size.height()), format);
                if (!garbage.isNull()) std::memset(garbage.bits(), dirt, garbage.sizeInBytes());
            }
            ImageHandle image = ImgKitFileLoad(TestDataPath(name));
            if (!image) break;
            loads.push_back(*ImgKitPixels(image));
        }
        for (const QImage& load : loads) EXPECT_EQ(load, loads.front());
    }
}

// A small progressive JPEG followed by `extra` copies of its own last scan: each copy is one more
// pass of the decoder over the whole picture, and costs a few bytes.
std::string ProgressiveJpeg(int extra) {
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(qRgb(200, 120, 40));
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    if (!writer.write(image)) return {};
    std::string bytes = encoded.toStdString();
    const std::size_t last = bytes.rfind("\xFF\xDA");
    if (last == std::string::npos || bytes.size() < last + 4) return {};
    const std::string scan = bytes.substr(last, bytes.size() - 2 - last);
    bytes.resize(bytes.size() - 2);  // the end-of-image marker goes after the copies
    for (int i = 0; i < extra; ++i) bytes += scan;
    return bytes + "\xFF\xD9";
}

TEST_F(ImgKitTest, AJpegWithAnAbsurdNumberOfScansIsRefusedOnEveryDecodePath) {
    TempDir dir;
    ASSERT_TRUE(WriteTestFile(dir / "plain.jpg", ProgressiveJpeg(0)));
    ASSERT_TRUE(WriteTestFile(dir / "scans.jpg", ProgressiveJpeg(1000)));
    EXPECT_EQ(Info(ImgKitFileLoad(dir / "plain.jpg")), (ImgKitSize{256, 256}));
    EXPECT_FALSE(ImgKitFileLoad(dir / "scans.jpg"));
    EXPECT_FALSE(ImgKitFileLoad(dir / "scans.jpg", 32, 32)) << "the reduced-scale decode";
    // The same bytes under a BMP name are still a JPEG to the decoders.
    std::filesystem::copy_file(dir / "scans.jpg", dir / "scans.bmp");
    EXPECT_FALSE(ImgKitFileLoad(dir / "scans.bmp"));
}

TEST_F(ImgKitTest, AFifoNamedLikeAPictureIsRefusedWithoutWaitingForAWriter) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "x.jpg").c_str(), 0644), 0);
    // Each call returns at once: opening a FIFO for reading would otherwise wait for ever.
    EXPECT_FALSE(ImgKitFileLoad(dir / "x.jpg"));
    EXPECT_FALSE(ImgKitFileLoad(dir / "x.jpg", 100, 100));
    EXPECT_EQ(ImgKitUprightSize(dir / "x.jpg"), (ImgKitSize{0, 0}));
}

TEST_F(ImgKitTest, NamesThatAreNotUtf8AreLoadedByTheirBytes) {
    TempDir dir;
    // Latin-1 "café" and Shift-JIS "写真", as names from old disks hold them.
    for (const std::string name : {"caf\xE9.jpg", "\x8E\xCA\x90\x5E.bmp"}) {
        SCOPED_TRACE(name);
        std::filesystem::copy_file(
            TestDataPath(name.back() == 'g' ? "jpeg/good/gen_420.jpg"
                                            : "bmp/good/photo_640x504_24bit.bmp"),
            dir / name);
        EXPECT_EQ(Info(ImgKitFileLoad(dir / name)), (ImgKitSize{640, 504}));
        EXPECT_EQ(ImgKitUprightSize(dir / name), (ImgKitSize{640, 504}));
    }
}

TEST_F(ImgKitTest, AbsurdHeadersAreRefusedWithoutAllocating) {
    EXPECT_FALSE(ImgKitFileLoad(TestDataPath("bmp/bad/reallybig.bmp")));
    EXPECT_FALSE(ImgKitFileLoad(TestDataPath("jpeg/bad/jd_max_size.jpg")));
    EXPECT_FALSE(ImgKitFileLoad(TestDataPath("jpeg/bad/jd_max_size.jpg"), 100, 100));
    EXPECT_EQ(ImgKitUprightSize(TestDataPath("bmp/bad/reallybig.bmp")), (ImgKitSize{0, 0}));
}

TEST_F(ImgKitTest, AQuarterTurnIsClockwiseAndFourGiveTheOriginalBack) {
    TempDir dir;
    ImageHandle image = ImgKitFileLoad(WriteCornerPicture(dir, 5, 3));
    ASSERT_TRUE(image);
    const QImage original = *ImgKitPixels(image);
    ImgKitRotation(image);
    EXPECT_EQ(Info(image), (ImgKitSize{3, 5}));
    const QImage* turned = ImgKitPixels(image);
    // Clockwise: the bottom-left corner comes to the top left, the top left to the top right.
    EXPECT_EQ(turned->pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(turned->pixel(2, 0), qRgb(255, 0, 0));
    EXPECT_EQ(turned->pixel(2, 4), qRgb(0, 255, 0));
    EXPECT_EQ(turned->pixel(0, 4), qRgb(0, 0, 0));
    for (int i = 0; i < 3; ++i) ImgKitRotation(image);
    EXPECT_EQ(Info(image), (ImgKitSize{5, 3}));
    EXPECT_EQ(*ImgKitPixels(image), original);
}

TEST_F(ImgKitTest, ImageSizeGivesExactlyTheRequestedSizeAndKeepsTheSource) {
    TempDir dir;
    ImageHandle image = ImgKitFileLoad(TestDataPath("jpeg/good/gen_odd_size_641x427.jpg"));
    ASSERT_TRUE(image);
    for (auto [w, h] : std::vector<std::pair<int, int>>{
             {1, 1}, {640, 427}, {641, 1}, {320, 213}, {100, 100}, {1282, 854}, {700, 200}}) {
        ImageHandle resized = ImgKitImageSize(image, w, h);
        ASSERT_TRUE(resized) << w << "x" << h;
        EXPECT_EQ(Info(resized), (ImgKitSize{w, h}));
        EXPECT_EQ(ImgKitPixels(resized)->size(), QSize(w, h));
    }
    EXPECT_FALSE(ImgKitImageSize(image, 0, 10));
    EXPECT_FALSE(ImgKitImageSize(image, 10, -1));
    EXPECT_FALSE(ImgKitImageSize(image, 100000, 100000));
    EXPECT_EQ(Info(image), (ImgKitSize{641, 427}));
}

TEST_F(ImgKitTest, JpegIsSavedAtTheRequestedQualityWithTheSamplingRule) {
    TempDir dir;
    ImageCodec codec;
    ImageHandle image = ImgKitFileLoad(TestDataPath("photos/ladybird.jpg"), 320, 200);
    ASSERT_TRUE(image);
    ImageHandle small = ImgKitImageSize(image, 320, 200);
    ASSERT_TRUE(small);
    for (int quality : {10, 50, 85, 89, 90, 100}) {
        SCOPED_TRACE(quality);
        const std::string path = dir / ("q" + std::to_string(quality) + ".jpg");
        ASSERT_TRUE(codec.SavePicture(path, small, kJpegImage, quality));
        const std::string bytes = ReadTestFile(path);
        EXPECT_EQ(FirstQuantValue(bytes), ExpectedFirstQuantValue(quality));
        EXPECT_EQ(LumaSampling(bytes), quality >= 90 ? 0x11 : 0x22);
        const QImage back = Decode(path);
        EXPECT_EQ(back.size(), QSize(320, 200));
        EXPECT_LT(MeanAbsDiff(back, *ImgKitPixels(small)), quality >= 50 ? 4.0 : 12.0);
    }
}

TEST_F(ImgKitTest, BmpIsSavedAs24BitsAndReadsBackUnchanged) {
    TempDir dir;
    ImageHandle image = ImgKitFileLoad(TestDataPath("bmp/good/pal8.bmp"));
    ASSERT_TRUE(image);
    const std::string path = dir / "out.bmp";
    ASSERT_TRUE(ImageCodec().SavePicture(path, image, kBmpImage, 0));
    const std::string bytes = ReadTestFile(path);
    ASSERT_GT(bytes.size(), 30u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);
    ImageHandle back = ImgKitFileLoad(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(*ImgKitPixels(back), *ImgKitPixels(image));
}

TEST_F(ImgKitTest, SavingToAnImpossiblePathFailsAndLeavesNothing) {
    TempDir dir;
    ImageHandle image = ImgKitFileLoad(TestDataPath("bmp/good/rgb24.bmp"));
    ASSERT_TRUE(image);
    ImageCodec codec;
    EXPECT_FALSE(codec.SavePicture(dir / "no/such/folder/x.jpg", image, kJpegImage, 80));
    EXPECT_FALSE(codec.SavePicture(dir / "no/such/folder/x.bmp", image, kBmpImage, 0));
    ImageHandle none;
    EXPECT_FALSE(codec.SavePicture(dir / "x.jpg", none, kJpegImage, 80));
    EXPECT_FALSE(std::filesystem::exists(dir / "x.jpg"));
}

TEST_F(ImgKitTest, AReducedLoadSavedWithoutResizeStillHasTheFullSize) {
    TempDir dir;
    ImageHandle image = ImgKitFileLoad(TestDataPath("photos/storm_road.jpg"), 100, 100);
    ASSERT_TRUE(image);
    EXPECT_LT(ImgKitPixels(image)->width(), 1920);
    ASSERT_TRUE(ImageCodec().SavePicture(dir / "full.jpg", image, kJpegImage, 80));
    EXPECT_EQ(QImageReader(QString::fromStdString(dir / "full.jpg")).size(), QSize(1920, 1280));
}

// A reduced decode of a picture that is not a whole number of blocks ends in a partly filled row
// and column (1004 x 758 at 1/8 is 125.5 x 94.75 pixels of picture in 126 x 95). Made from it, a
// resize must show the picture where a full decode puts it, whichever way the EXIF orientation or
// a turn has moved that partial edge.
TEST_F(ImgKitTest, AResizeFromAReducedLoadKeepsEveryEdgeWhereTheFullPictureHasIt) {
    TempDir dir;
    QImage stripes(1004, 758, QImage::Format_RGB32);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x)
            stripes.setPixel(x, y,
                             qRgb(128 + static_cast<int>(100 * std::sin(x * 0.1)),
                                  128 + static_cast<int>(100 * std::sin(y * 0.1)), 128));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (int turns : {0, 1}) {
            const std::string path = dir / ("stripes" + std::to_string(orientation) + ".jpg");
            stripes.save(QString::fromStdString(path), "JPEG", 95);
            {
                auto image = Exiv2::ImageFactory::open(path);
                image->readMetadata();
                image->exifData()["Exif.Image.Orientation"] =
                    static_cast<std::uint16_t>(orientation);
                image->writeMetadata();
            }
            ImageHandle full = ImgKitFileLoad(path);
            ImageHandle reduced = ImgKitFileLoad(path, 90, 90);
            ASSERT_TRUE(full && reduced);
            ASSERT_LT(ImgKitPixels(reduced)->width(), 200);
            for (int i = 0; i < turns; ++i) {
                ImgKitRotation(full);
                ImgKitRotation(reduced);
            }
            const ImgKitSize size = Info(full);
            ASSERT_EQ(Info(reduced), size);
            const int w = size.width * 90 / std::min(size.width, size.height);
            const int h = size.height * 90 / std::min(size.width, size.height);
            ImageHandle from_full = ImgKitImageSize(full, w, h);
            ImageHandle from_reduced = ImgKitImageSize(reduced, w, h);
            EXPECT_LT(MeanAbsDiff(*ImgKitPixels(from_reduced), *ImgKitPixels(from_full)), 3.5)
                << "orientation " << orientation << ", turns " << turns;
        }
    }
}

TEST_F(ImgKitTest, DisplayFitsThePictureCentredInTheArea) {
    TempDir dir;
    QImage red(40, 20, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    red.save(QString::fromStdString(dir / "red.bmp"), "BMP");
    ImageHandle image = ImgKitFileLoad(dir / "red.bmp");
    ASSERT_TRUE(image);
    QImage canvas(200, 200, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        ImgKitDisplay(painter, QRect(0, 0, 200, 200), image);
    }
    // 40 x 20 fitted into 200 x 200 is 200 x 100, centred vertically: rows 50 to 149.
    EXPECT_EQ(canvas.pixel(100, 49), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(100, 50), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(0, 100), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(199, 149), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(100, 150), qRgb(255, 255, 255));
}

TEST_F(ImgKitTest, HandlesReleaseOnceAndMoveOwnership) {
    ImageHandle a = ImgKitFileLoad(TestDataPath("bmp/good/rgb24.bmp"));
    ASSERT_TRUE(a);
    ImgKitPicture* raw = a.get();
    ImageHandle b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), raw);
    ImgKitMemFree(b);
    EXPECT_FALSE(b);
    ImgKitMemFree(b);  // a second release of an empty handle does nothing
    EXPECT_EQ(ImgKitPixels(b), nullptr);
}

TEST_F(ImgKitTest, EveryOperationFailsSafelyWhileTheLibraryIsNotLoaded) {
    TempDir dir;
    ImageHandle image = ImgKitFileLoad(TestDataPath("bmp/good/rgb24.bmp"));
    ASSERT_TRUE(image);
    ImageLibrary::Unload();
    EXPECT_FALSE(ImgKitFileLoad(TestDataPath("bmp/good/rgb24.bmp")));
    EXPECT_EQ(ImgKitUprightSize(TestDataPath("bmp/good/rgb24.bmp")), (ImgKitSize{0, 0}));
    EXPECT_FALSE(ImgKitImageSize(image, 10, 10));
    ImageCodec codec;
    EXPECT_FALSE(codec.SavePicture(dir / "x.jpg", image, kJpegImage, 80));
    EXPECT_FALSE(codec.SavePicture(dir / "x.bmp", image, kBmpImage, 0));
    EXPECT_EQ(Info(image), (ImgKitSize{0, 0}));
    EXPECT_FALSE(ImgKitRotation(image));
    EXPECT_FALSE(std::filesystem::exists(dir / "x.jpg"));
    RecordingUserDialogs dialogs;
    EXPECT_TRUE(ImageLibrary::Load(dialogs));
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(Info(image), (ImgKitSize{127, 64}));
}

TEST(ImageLibraryPieces, TheFirstMissingPieceIsNamed) {
    struct Row {
        ImagingPieces pieces;
        std::string missing;
    };
    const std::vector<Row> rows = {
        {{true, true, true, true}, ""},
        {{false, false, false, false}, "libqjpeg.so"},
        {{false, true, true, true}, "libqjpeg.so"},
        {{true, false, true, true}, "libturbojpeg.so.0"},
        {{true, true, false, true}, "libQt6Gui.so.6"},
        {{true, true, true, false}, "libQt6Gui.so.6"},
    };
    for (const Row& r : rows) EXPECT_EQ(FirstMissingImagingPiece(r.pieces), r.missing);
}

}  // namespace

namespace {

// Run in a fresh process: with no plug-in folder the JPEG reader is missing, which Load must name
// in an error box with an empty caption, and every later load must fail.
int LoadWithoutPlugins() {
    QCoreApplication::setLibraryPaths({});
    RecordingUserDialogs dialogs;
    if (ImageLibrary::Load(dialogs)) return 10;
    if (dialogs.calls.size() != 1) return 11;
    const RecordingUserDialogs::Call& call = dialogs.calls[0];
    if (call.text != "libqjpeg.soが見つかりません") return 12;
    if (call.caption != std::optional<std::string>("")) return 13;
    if (call.icon != MessageIcon::Error || call.buttons != MessageButtons::Ok) return 14;
    if (ImgKitFileLoad(TestDataPath("bmp/good/rgb24.bmp"))) return 15;
    return 0;
}

TEST(ImageLibraryDeathTest, AMissingJpegReaderIsReportedAndLoadingFailsSafely) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(LoadWithoutPlugins()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
