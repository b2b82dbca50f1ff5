#include "imaging/lossless_turn.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <QTransform>
#include <functional>

#include "imaging/jpeg_decode.h"
#include "imaging/jpeg_encode.h"
#include "platform/large_memory.h"
#include "tests/imaging/imaging_test_support.h"
#include "tests/imaging/metadata_test_support.h"

namespace {

class LosslessTurnTest : public ::testing::Test {
  protected:
    void SetUp() override { EnsureImagingLoaded(); }
};

// The stored picture shown as a viewer shows it (the EXIF orientation applied the way the loader
// applies it: mirror, flip, then a clockwise quarter turn) and then turned clockwise.
QImage UprightAndTurned(const std::string& jpeg, const QImage& stored, int turns) {
    QByteArray bytes(jpeg.data(), static_cast<qsizetype>(jpeg.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QImageIOHandler::Transformations t = reader.transformation();
    QImage image = stored.mirrored(t & QImageIOHandler::TransformationMirror,
                                   t & QImageIOHandler::TransformationFlip);
    if (t & QImageIOHandler::TransformationRotate90) ++turns;
    return image.transformed(QTransform().rotate(90 * (turns % 4)));
}

// Whether the frame header met first is a progressive one (SOF2).
bool IsProgressive(const std::string& jpeg) {
    const std::size_t progressive = jpeg.find("\xFF\xC2");
    return progressive != std::string::npos && progressive < jpeg.find("\xFF\xDA");
}

int MaxDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) return 256;
    int most = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* pa = a.constScanLine(y);
        const uchar* pb = b.constScanLine(y);
        for (int x = 0; x < a.bytesPerLine(); ++x) most = std::max(most, std::abs(pa[x] - pb[x]));
    }
    return most;
}

TEST_F(LosslessTurnTest, EveryPerfectTurnOfTheOrientationSetShowsTheTurnedPicture) {
    int perfect = 0;
    int refused = 0;
    for (const char* series : {"Landscape", "Portrait"}) {
        for (int n = 0; n <= 8; ++n) {
            const std::string name = std::string(series) + "_" + std::to_string(n) + ".jpg";
            const std::string source = ReadTestFile(TestDataPath("exif-orientation/" + name));
            const QImage stored = DecodeStored(source, true);
            for (int turns = 1; turns <= 3; ++turns) {
                SCOPED_TRACE(name + " turned " + std::to_string(turns));
                const std::optional<std::string> turned = TurnJpegLosslessly(source, turns);
                if (!turned) {
                    ++refused;
                    continue;
                }
                ++perfect;
                // The blocks are moved, not recomputed; only the decoder's integer inverse DCT,
                // which rounds rows and columns in a fixed order, differs by one in places.
                const QImage expected = UprightAndTurned(source, stored, turns);
                EXPECT_LE(MaxDifference(DecodeStored(*turned, true), expected), 1);
                const SavedMetadata m = ReadSavedMetadata(*turned);
                EXPECT_EQ(m.Exif("Exif.Image.Orientation"), "1");
                EXPECT_EQ(m.Exif("Exif.Photo.PixelXDimension"), std::to_string(expected.width()));
                EXPECT_EQ(m.Exif("Exif.Photo.PixelYDimension"), std::to_string(expected.height()));
            }
        }
    }
    // 1800 x 1200 at 4:2:0 has a partial block column on its long side: some turns must move it.
    EXPECT_GT(perfect, 10);
    EXPECT_GT(refused, 10);
}

TEST_F(LosslessTurnTest, TurningBackGivesTheVeryPixelsAndTheCameraDataSurvives) {
    struct Row {
        const char* path;
        int turns;  // one the picture's size allows
        const char* date;
    };
    const std::vector<Row> rows = {
        {"photos/dune_grass.jpg", 3, "2007:08:06 10:29:13"},  // 4:2:2, 1680 x 1050
        {"jpeg/good/gen_444.jpg", 1, ""},
        {"jpeg/good/gen_progressive_420.jpg", 3, ""},
        {"jpeg/good/gen_grayscale.jpg", 1, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        const std::string source = ReadTestFile(TestDataPath(r.path));
        const std::optional<std::string> turned = TurnJpegLosslessly(source, r.turns);
        ASSERT_TRUE(turned);
        EXPECT_EQ(ReadSavedMetadata(*turned).Exif("Exif.Photo.DateTimeOriginal"), r.date);
        // About the original's size (a re-encode at quality 100 would double it), written
        // progressive exactly when the original is.
        EXPECT_LT(turned->size(), source.size() * 11 / 10);
        EXPECT_EQ(IsProgressive(*turned), IsProgressive(source));
        const std::optional<std::string> back = TurnJpegLosslessly(*turned, 4 - r.turns);
        ASSERT_TRUE(back);
        EXPECT_EQ(DecodeStored(*back, false), DecodeStored(source, false));
    }
}

TEST_F(LosslessTurnTest, WhatCannotBeTurnedExactlyIsLeftToTheReEncode) {
    struct Row {
        const char* path;
        int turns;
    };
    const std::vector<Row> rows = {
        {"jpeg/good/mozilla_jpg-size-17x17.jpg", 1},  // a partial block row would move
        {"jpeg/good/gen_440.jpg", 1},                 // 504 is not a multiple of 16
        {"photos/dune_grass.jpg", 1},                 // 1050 is not a multiple of 8
        {"jpeg/good/mozilla_jpg-cmyk-1.jpg", 2},      // CMYK
        {"jpeg/bad/gen_truncated_half_baseline.jpg", 2},
        {"jpeg/bad/gen_soi_only.jpg", 1},
        {"gif/gen_photo_400x315_static.gif", 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_FALSE(TurnJpegLosslessly(ReadTestFile(TestDataPath(r.path)), r.turns));
    }
    EXPECT_FALSE(TurnJpegLosslessly("", 1));
}

// Memory running out at any step that takes a picture's worth of it (the coefficient arrays, the
// turned file and its growth, the decoded pixels, the encoded file) ends the work with nothing
// held; the sanitizer build's leak checker watches the library's own smaller allocations.
TEST_F(LosslessTurnTest, RunningOutOfMemoryAtAnyStepLeavesNothingHeld) {
    const std::string sequential = ReadTestFile(TestDataPath("jpeg/good/gen_444.jpg"));
    const std::string progressive = ReadTestFile(TestDataPath("photos/fig_in_red_bowl.jpg"));
    struct Row {
        const char* name;
        std::function<bool()> work;
    };
    // Written with Huffman codes, the blocks of an arithmetic-coded file take more room than the
    // whole file did: the turned file outgrows its first buffer.
    const std::string arithmetic = ReadTestFile(TestDataPath("jpeg/good/gen_arithmetic.jpg"));
    const QImage pixels = DecodeJpeg(progressive, 4, false).image;
    const std::vector<Row> rows = {
        {"a lossless turn", [&] { return TurnJpegLosslessly(sequential, 1).has_value(); }},
        {"a lossless turn that outgrows its first buffer",
         [&] { return TurnJpegLosslessly(arithmetic, 3).has_value(); }},
        {"a progressive decode", [&] { return !DecodeJpeg(progressive, 8, false).image.isNull(); }},
        {"an encode", [&] { return EncodeJpegFile(pixels, 85, true).has_value(); }},
    };
    for (const Row& r : rows) {
        const std::size_t held = LargeMemoryHeld();
        int granted = 0;
        for (;; ++granted) {
            LimitLargeAllocationsForTesting(granted);
            const bool done = r.work();
            LimitLargeAllocationsForTesting(-1);
            EXPECT_EQ(LargeMemoryHeld(), held) << r.name << " given " << granted;
            if (done || granted == 20) break;
        }
        // Each component's arrays at least were refused once.
        EXPECT_GE(granted, 3) << r.name;
        EXPECT_LT(granted, 20) << r.name;
    }
}

}  // namespace
