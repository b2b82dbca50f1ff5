#include "imaging/jpeg_decode.h"
#include "imaging/jpeg_encode.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QImage>
#include <QImageReader>
#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

// `picture` encoded by TurboJPEG with the given chroma sampling, progressive or sequential.
std::string Encode(const QImage& picture, int sampling, bool progressive, int quality = 90) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    tjhandle handle = tjInitCompress();
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int pixel_format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;
    const int rc = tjCompress2(
        handle, rgb.constBits(), rgb.width(), static_cast<int>(rgb.bytesPerLine()), rgb.height(),
        pixel_format, &buffer, &size, sampling, quality, progressive ? TJFLAG_PROGRESSIVE : 0);
    std::string bytes = rc == 0 ? std::string(reinterpret_cast<char*>(buffer), size) : "";
    tjFree(buffer);
    tjDestroy(handle);
    return bytes;
}

// The whole file decoded by TurboJPEG at eighths / 8: every scan read, the reference.
QImage DecodeWholeFile(const std::string& jpeg, int eighths) {
    tjhandle handle = tjInitDecompress();
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
    int w = 0, h = 0, sub = 0, cs = 0;
    QImage image;
    if (tjDecompressHeader3(handle, data, jpeg.size(), &w, &h, &sub, &cs) == 0) {
        const tjscalingfactor factor{eighths, 8};
        image = QImage(TJSCALED(w, factor), TJSCALED(h, factor), QImage::Format_RGB32);
        const int pixel_format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRA : TJPF_ARGB;
        if (tjDecompress2(handle, data, jpeg.size(), image.bits(), image.width(),
                          static_cast<int>(image.bytesPerLine()), image.height(), pixel_format,
                          0) != 0)
            image = QImage();
    }
    tjDestroy(handle);
    return image;
}

// A 1/8 decode of a progressive file reads only the scans that make its pixels; they must be the
// very pixels of the whole file, for every chroma layout (the chroma of 4:2:0 keeps its AC scans,
// the others need their DC alone) and for sizes that end in partial blocks.
TEST(DecodeJpeg, AProgressiveEighthGivesExactlyThePixelsOfTheWholeFile) {
    QImageReader reader(QString::fromStdString(TestDataPath("photos/dune_grass.jpg")));
    const QImage photo = reader.read().copy(0, 0, 1001, 667);
    ASSERT_FALSE(photo.isNull());
    for (const int sampling : {TJSAMP_444, TJSAMP_422, TJSAMP_420, TJSAMP_440, TJSAMP_GRAY}) {
        const std::string jpeg = Encode(photo, sampling, true);
        ASSERT_FALSE(jpeg.empty());
        const QImage whole = DecodeWholeFile(jpeg, 1);
        ASSERT_FALSE(whole.isNull());
        const QImage ours = DecodeJpeg(jpeg, 1, false).image;
        ASSERT_EQ(ours.size(), QSize(126, 84)) << "sampling " << sampling;
        EXPECT_TRUE(ours == whole) << "sampling " << sampling;
    }
}

TEST(DecodeJpeg, EveryScaleGivesTheDecodersPixelsInTheKeptFormat) {
    const QImage photo = QImageReader(QString::fromStdString(TestDataPath("photos/ladybird.jpg")))
                             .read()
                             .copy(0, 0, 999, 601);
    for (const bool progressive : {false, true}) {
        const std::string jpeg = Encode(photo, TJSAMP_420, progressive);
        for (const int eighths : {1, 2, 4, 8}) {
            const QImage ours = DecodeJpeg(jpeg, eighths, false).image;
            EXPECT_EQ(ours.size(), JpegScaledSize(QSize(999, 601), eighths));
            EXPECT_EQ(ours.format(), QImage::Format_RGB32);
            EXPECT_TRUE(ours == DecodeWholeFile(jpeg, eighths))
                << eighths << "/8, progressive " << progressive;
        }
    }
}

// The encoder is ours so that its buffers sit on large pages; its files must be TurboJPEG's to the
// byte (with optimised tables, as the programs ask of it), on either side of its DCT switch at 96.
TEST(EncodeJpegFile, WritesTurboJpegsVeryBytes) {
    const QImage photo = QImageReader(QString::fromStdString(TestDataPath("photos/ladybird.jpg")))
                             .read()
                             .copy(3, 5, 333, 201)
                             .convertToFormat(QImage::Format_RGB32);
    setenv("TJ_OPTIMIZE", "1", 1);
    for (const int quality : {1, 50, 85, 95, 96, 100}) {
        for (const bool subsample : {true, false}) {
            const std::string ours = EncodeJpegFile(photo, quality, subsample).value_or("");
            EXPECT_FALSE(ours.empty());
            EXPECT_TRUE(ours == Encode(photo, subsample ? TJSAMP_420 : TJSAMP_444, false, quality))
                << "quality " << quality << ", 4:2:0 " << subsample;
        }
    }
}

TEST(JpegScaleEighths, TheSmallestPowerOfTwoScaleThatStillCoversTheNeed) {
    struct Row {
        QSize stored, need;
        int eighths;
    };
    for (const Row& r : std::vector<Row>{
             {{6000, 4000}, {100, 67}, 1},     // a thumbnail: 750 x 500
             {{800, 600}, {100, 75}, 1},       // exactly 1/8
             {{801, 600}, {101, 75}, 1},       // 801/8 rounds up to 101
             {{640, 480}, {100, 75}, 2},       // 1/8 is 80 wide: 1/4
             {{6000, 4000}, {1600, 1067}, 4},  // 3/8 would do; 4/8 is taken
             {{2560, 1600}, {1600, 1000}, 8},  // more than half: the whole picture
             {{4000, 3000}, {500, 2000}, 8},   // one side needs it all
         })
        EXPECT_EQ(JpegScaleEighths(r.stored, r.need), r.eighths)
            << r.stored.width() << "x" << r.stored.height() << " for " << r.need.width() << "x"
            << r.need.height();
}

// What a budget counts for the decoder's arrays: only a file of several scans has them, and they
// do not shrink with the scale (a 2000 x 1000 4:4:4 picture: 31,250 blocks of 128 bytes a
// component, each array on whole 2 MB pages).
TEST(JpegCoefficientBytes, OnlyAFileOfSeveralScansHoldsTheWholePicturesCoefficients) {
    QImage photo(2000, 1000, QImage::Format_RGB32);
    photo.fill(qRgb(90, 160, 30));
    constexpr std::int64_t kMb = std::int64_t{1} << 20;
    EXPECT_EQ(JpegCoefficientBytes(Encode(photo, TJSAMP_444, true)), 3 * 4 * kMb);
    EXPECT_EQ(JpegCoefficientBytes(Encode(photo, TJSAMP_GRAY, true)), 4 * kMb);
    EXPECT_EQ(JpegCoefficientBytes(Encode(photo, TJSAMP_444, false)), 0);
    EXPECT_EQ(JpegCoefficientBytes("not a picture"), 0);
}

}  // namespace
