#include "imaging/picture_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QColor>
#include <QImage>
#include <cstdlib>
#include <string>

#include "imaging/image_kind_codecs.h"
#include "imaging/picture_bytes.h"
#include "imaging/picture_metadata.h"
#include "imaging/png_chunks.h"
#include "platform/large_memory.h"
#include "tests/imaging/imaging_test_support.h"
#include "tests/imaging/metadata_test_support.h"

// The pictures of tests/data/formats (made by its make_fixtures.sh): each shows, upright, a 64 x 48
// pattern of red (top left), green, blue and white quarters.

namespace {

using R = PictureRefusal;

std::string Fixture(const std::string& name) {
    return ReadTestFile(TestDataPath("formats/" + name));
}

ImgKitSize SizeOf(const ImageHandle& image) {
    ImgKitInfoRecord info;
    ImgKitImageInfo(image, info);
    return {info.values[0], info.values[1]};
}

// The colour at a fraction of the picture's pixels (whatever size they were decoded at).
QColor At(const ImageHandle& image, double fx, double fy) {
    const QImage* pixels = ImgKitPixels(image);
    return pixels->pixelColor(static_cast<int>(fx * (pixels->width() - 1)),
                              static_cast<int>(fy * (pixels->height() - 1)));
}

bool Near(const QColor& a, const QColor& b, int tolerance = 40) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// The four quarters of the pattern, sampled away from their edges (lossy codecs blur those). A
// picture with alpha written without it has its half-transparent green laid over white.
void ExpectUprightPattern(const ImageHandle& image, bool alpha, bool flattened = false) {
    EXPECT_TRUE(Near(At(image, 0.15, 0.15), Qt::red)) << At(image, 0.15, 0.15).name().toStdString();
    EXPECT_TRUE(Near(At(image, 0.85, 0.15), flattened ? QColor(127, 255, 127) : QColor(0, 255, 0)))
        << At(image, 0.85, 0.15).name().toStdString();
    EXPECT_TRUE(Near(At(image, 0.15, 0.85), Qt::blue))
        << At(image, 0.15, 0.85).name().toStdString();
    if (alpha) {
        EXPECT_NEAR(At(image, 0.85, 0.15).alpha(), 128, 8);
        EXPECT_EQ(At(image, 0.85, 0.85).alpha(), 0);
    } else {
        EXPECT_TRUE(Near(At(image, 0.85, 0.85), Qt::white));
    }
}

class PictureCodecTest : public ::testing::Test {
  protected:
    void SetUp() override { EnsureImagingLoaded(); }
};

struct DecodeCase {
    const char* file;
    ImageKind kind;  // by content
    R refusal;
    bool alpha;
};

TEST_F(PictureCodecTest, EveryFixtureDecodesUprightOrIsRefusedForItsReason) {
    const DecodeCase cases[] = {
        {"png_plain.png", kPngImage, R::kNone, false},
        {"png_alpha.png", kPngImage, R::kNone, true},
        {"png_palette.png", kPngImage, R::kNone, false},
        {"png_interlaced.png", kPngImage, R::kNone, false},
        {"png_exif6_meta.png", kPngImage, R::kNone, false},
        {"png_exif8.png", kPngImage, R::kNone, false},
        {"png_animated.png", kPngImage, R::kAnimated, false},
        {"png_truncated.png", kPngImage, R::kUnreadable, false},
        {"png_huge_header.png", kPngImage, R::kTooLarge, false},
        {"webp_lossy.webp", kWebpImage, R::kNone, false},
        {"webp_lossless.webp", kWebpImage, R::kNone, false},
        {"webp_alpha.webp", kWebpImage, R::kNone, true},
        {"webp_exif6_meta.webp", kWebpImage, R::kNone, false},
        {"webp_exif8.webp", kWebpImage, R::kNone, false},
        {"webp_animated.webp", kWebpImage, R::kAnimated, false},
        {"webp_truncated.webp", kWebpImage, R::kUnreadable, false},
        {"avif_plain.avif", kAvifImage, R::kNone, false},
        {"avif_alpha.avif", kAvifImage, R::kNone, true},
        {"avif_irot.avif", kAvifImage, R::kNone, false},
        {"avif_animated.avif", kAvifImage, R::kAnimated, false},
        {"heic_plain.heic", kHeifImage, R::kNone, false},
        {"heic_irot.heic", kHeifImage, R::kNone, false},
        // Its Exif says 6, which only notes what transforms did: the pixels are shown as stored.
        {"heic_exif6_meta.heic", kHeifImage, R::kNone, false},
        {"heic_thumbnail.heic", kHeifImage, R::kNone, false},
        {"heic_thumbnail_other_turn.heic", kHeifImage, R::kNone, false},
        {"heic_two_images.heic", kHeifImage, R::kSeveralImages, false},
        {"heic_truncated.heic", kHeifImage, R::kUnreadable, false},
        {"heic_huge_size.heic", kHeifImage, R::kTooLarge, false},
        {"heic_grid_huge.heic", kHeifImage, R::kTooLarge, false},
        {"tiff_plain.tif", kTiffImage, R::kNone, false},
        {"tiff_lzw.tiff", kTiffImage, R::kNone, false},
        {"tiff_alpha.tif", kTiffImage, R::kNone, true},
        {"tiff_orient8.tif", kTiffImage, R::kNone, false},
        {"tiff_orient6_meta.tif", kTiffImage, R::kNone, false},
        {"tiff_two_pages.tif", kTiffImage, R::kSeveralImages, false},
        {"tiff_truncated.tif", kTiffImage, R::kUnreadable, false},
        {"tiff_huge_header.tif", kTiffImage, R::kTooLarge, false},
        {"jpeg_exif6_meta.jpg", kJpegImage, R::kNone, false},
        // Named for another kind: read by what they are.
        {"heic_named.jpg", kHeifImage, R::kNone, false},
        {"png_named.webp", kPngImage, R::kNone, false},
        {"webp_named.png", kWebpImage, R::kNone, false},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string bytes = Fixture(c.file);
        ASSERT_FALSE(bytes.empty());
        const PictureFacts facts = ProbePicture(bytes);
        EXPECT_EQ(facts.kind, c.kind);
        // A size no photograph has is refused before a pixel of memory is taken.
        if (c.refusal == R::kTooLarge) LimitLargeAllocationsForTesting(0);
        const DecodedPicture decoded = DecodePicture(bytes);
        LimitLargeAllocationsForTesting(-1);
        EXPECT_EQ(decoded.kind, c.kind);
        EXPECT_EQ(decoded.refusal, c.refusal);
        // What the header tells, the probe tells too; damage shows only in the decode.
        if (c.refusal != R::kUnreadable) {
            EXPECT_EQ(facts.refusal, c.refusal);
        }
        if (c.refusal != R::kNone) {
            EXPECT_FALSE(decoded.image);
            continue;
        }
        ASSERT_TRUE(decoded.image);
        EXPECT_EQ(facts.upright, (ImgKitSize{64, 48}));
        EXPECT_EQ(SizeOf(decoded.image), (ImgKitSize{64, 48}));
        EXPECT_EQ(ImgKitHasAlpha(decoded.image), c.alpha);
        EXPECT_EQ(facts.alpha, c.alpha);
        ExpectUprightPattern(decoded.image, c.alpha);
    }
}

TEST_F(PictureCodecTest, ADamagedPictureIsShownAsFarAsItDecodesOnlyWhenAskedTo) {
    const std::string bytes = Fixture("png_truncated.png");
    EXPECT_FALSE(DecodePicture(bytes).image);
    const DecodedPicture shown = DecodePicture(bytes, {0, 0, ImgKitDamage::Show});
    ASSERT_TRUE(shown.image);
    EXPECT_EQ(SizeOf(shown.image), (ImgKitSize{64, 48}));
}

TEST_F(PictureCodecTest, JpegAndBmpBytesDecodeExactlyAsTheirFilesLoad) {
    for (const char* file : {"photos/dune_grass.jpg", "exif-orientation/Landscape_6.jpg",
                             "jpeg/good/gen_420.jpg", "bmp/good/rgb24.bmp"}) {
        for (const int min : {0, 100}) {
            SCOPED_TRACE(std::string(file) + " at " + std::to_string(min));
            const ImageHandle loaded = ImgKitFileLoad(TestDataPath(file), min, min);
            const DecodedPicture decoded =
                DecodePicture(ReadTestFile(TestDataPath(file)), {min, min, ImgKitDamage::Refuse});
            ASSERT_TRUE(loaded);
            ASSERT_TRUE(decoded.image);
            EXPECT_EQ(SizeOf(decoded.image), SizeOf(loaded));
            EXPECT_TRUE(*ImgKitPixels(decoded.image) == *ImgKitPixels(loaded));
        }
    }
}

TEST_F(PictureCodecTest, AHeifThumbnailItemIsDecodedOnlyWhenItServesTheWantedSize) {
    struct Case {
        const char* file;
        int min;          // the upright picture is wanted at least min x min * 3 / 4
        int pixels_wide;  // what was decoded
    };
    const Case cases[] = {
        {"heic_thumbnail.heic", 16, 32},
        {"heic_thumbnail.heic", 32, 32},
        {"heic_thumbnail.heic", 33, 64},  // larger than the thumbnail
        {"heic_thumbnail.heic", 0, 64},   // the whole picture
        // Its thumbnail is not turned as the picture is.
        {"heic_thumbnail_other_turn.heic", 16, 64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.min));
        const DecodedPicture decoded =
            DecodePicture(Fixture(c.file), {c.min, c.min * 3 / 4, ImgKitDamage::Refuse});
        ASSERT_TRUE(decoded.image);
        EXPECT_EQ(SizeOf(decoded.image), (ImgKitSize{64, 48}));
        EXPECT_EQ(ImgKitPixels(decoded.image)->width(), c.pixels_wide);
        ExpectUprightPattern(decoded.image, false);
    }
}

TEST_F(PictureCodecTest, AlphaAndSixteenBitsSurviveTurnResizeAndAPngRoundTrip) {
    const DecodedPicture deep = DecodePicture(Fixture("png_16bit_alpha.png"));
    ASSERT_TRUE(deep.image);
    EXPECT_TRUE(ImgKitHasDeepChannels(deep.image));
    EXPECT_EQ(ImgKitPixels(deep.image)->pixelColor(2, 2).rgba64().green(), 0x0123);
    const std::optional<std::string> png = EncodePicture(deep.image, {kPngImage});
    ASSERT_TRUE(png);
    const DecodedPicture again = DecodePicture(*png);
    ASSERT_TRUE(again.image);
    EXPECT_TRUE(*ImgKitPixels(again.image) == *ImgKitPixels(deep.image));

    DecodedPicture alpha = DecodePicture(Fixture("png_alpha.png"));
    ASSERT_TRUE(alpha.image);
    ASSERT_TRUE(ImgKitRotation(alpha.image));
    const ImageHandle small = ImgKitImageSize(alpha.image, 12, 16);
    ASSERT_TRUE(small);
    EXPECT_TRUE(ImgKitHasAlpha(small));
    // Turned clockwise: the half-transparent green quarter is now bottom right, the transparent
    // white one bottom left. Averaged with its alpha, green stays green.
    const QColor green = At(small, 0.85, 0.85);
    EXPECT_NEAR(green.alpha(), 128, 4);
    EXPECT_TRUE(Near(green, QColor(0, 255, 0), 4)) << green.name().toStdString();
    EXPECT_EQ(At(small, 0.15, 0.85).alpha(), 0);
    EXPECT_EQ(At(small, 0.15, 0.15).alpha(), 255);
}

using namespace std::string_literals;

// A PNG of noisy 8-bit rows whose filters take every type in turn (none, sub, up, average,
// Paeth), written here so that each filter is met whatever an encoder would choose.
std::string FilteredPng(int width, int height, int channels, std::vector<std::uint8_t>& pixels) {
    const int stride = width * channels;
    pixels.resize(static_cast<std::size_t>(stride) * height);
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        seed = seed * 1103515245 + 12345;
        // Half smooth, half noise, so that the predictors meet small and large differences.
        pixels[i] = static_cast<std::uint8_t>(i % 7 < 3 ? (i / 5) & 0xFF : seed >> 24);
    }
    std::string rows;
    for (int y = 0; y < height; ++y) {
        const int filter = y % 5;
        rows.push_back(static_cast<char>(filter));
        const std::uint8_t* row = pixels.data() + static_cast<std::size_t>(y) * stride;
        for (int i = 0; i < stride; ++i) {
            const int a = i >= channels ? row[i - channels] : 0;
            const int b = y > 0 ? row[i - stride] : 0;
            const int c = y > 0 && i >= channels ? row[i - stride - channels] : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                      pc = std::abs(p - c);
            const int predicted[] = {0, a, b, (a + b) / 2,
                                     pa <= pb && pa <= pc ? a
                                     : pb <= pc           ? b
                                                          : c};
            rows.push_back(static_cast<char>(row[i] - predicted[filter]));
        }
    }
    uLongf packed_size = compressBound(rows.size());
    std::string packed(packed_size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
              reinterpret_cast<const Bytef*>(rows.data()), rows.size(), 6);
    packed.resize(packed_size);
    std::string header(13, '\0');
    for (int k = 0; k < 4; ++k) {
        header[k] = static_cast<char>(width >> (24 - 8 * k));
        header[4 + k] = static_cast<char>(height >> (24 - 8 * k));
    }
    header[8] = 8;
    header[9] = static_cast<char>(channels == 4 ? 6 : 2);
    // The data split over two IDAT chunks, as encoders that write in blocks do.
    const std::size_t half = packed.size() / 2;
    return "\x89PNG\r\n\x1a\n"s + PngChunkBytes("IHDR", header) +
           PngChunkBytes("IDAT", packed.substr(0, half)) +
           PngChunkBytes("IDAT", packed.substr(half)) + PngChunkBytes("IEND", "");
}

TEST_F(PictureCodecTest, EveryPngFilterIsUndoneToTheExactPixels) {
    for (const int channels : {3, 4}) {
        SCOPED_TRACE(channels);
        std::vector<std::uint8_t> expected;
        std::string png = FilteredPng(61, 23, channels, expected);
        // The load of a job and the preview's (which would show a damaged file in part).
        for (const ImgKitDamage damage : {ImgKitDamage::Refuse, ImgKitDamage::Show}) {
            const DecodedPicture decoded = DecodePicture(png, {0, 0, damage});
            ASSERT_TRUE(decoded.image);
            const QImage* pixels = ImgKitPixels(decoded.image);
            int wrong = 0;
            for (int y = 0; y < 23; ++y) {
                for (int x = 0; x < 61; ++x) {
                    const std::uint8_t* p = expected.data() + (y * 61 + x) * channels;
                    const QRgb got = pixels->pixel(x, y);
                    wrong += qRed(got) != p[0] || qGreen(got) != p[1] || qBlue(got) != p[2] ||
                             qAlpha(got) != (channels == 4 ? p[3] : 255);
                }
            }
            EXPECT_EQ(wrong, 0);
        }
        // A byte changed in the pixel data breaks its chunk's CRC: refused, never decoded.
        png[png.find("IDAT") + 20] ^= 0x10;
        EXPECT_EQ(DecodePicture(png).refusal, R::kUnreadable);
    }
}

TEST_F(PictureCodecTest, MemoryThatRunsOutIsToldApartFromAFileThatCannotBeRead) {
    // Large enough that its pixels are taken as large pages, which the test can refuse.
    const DecodedPicture small = DecodePicture(Fixture("png_plain.png"));
    const ImageHandle large = ImgKitImageSize(small.image, 1100, 1000);
    for (const EncodeSettings settings :
         {EncodeSettings{kPngImage}, EncodeSettings{kWebpImage, 50}, EncodeSettings{kHeifImage, 30},
          EncodeSettings{kTiffImage, 0, false, true}}) {
        SCOPED_TRACE(FindImageKind(settings.kind)->name);
        const std::optional<std::string> file = EncodePicture(large, settings);
        ASSERT_TRUE(file);
        LimitLargeAllocationsForTesting(0);
        const DecodedPicture starved = DecodePicture(*file);
        LimitLargeAllocationsForTesting(-1);
        EXPECT_FALSE(starved.image);
        EXPECT_EQ(starved.refusal, R::kOutOfMemory);
        EXPECT_EQ(DecodePicture(*file).refusal, R::kNone);
    }
}

struct TargetCase {
    EncodeSettings settings;
    bool keeps_alpha;
};

TEST_F(PictureCodecTest, EveryWritableKindKeepsTheSourcesMetadataUprightWithOrientationOne) {
    const TargetCase targets[] = {
        {{kJpegImage, 90}, false},
        {{kPngImage}, true},
        {{kWebpImage, 80}, true},
        {{kWebpImage, 80, true}, true},
        {{kAvifImage, 60}, true},
        {{kHeifImage, 60}, true},
        {{kTiffImage, 0, false, false}, true},
        {{kTiffImage, 0, false, true}, true},
    };
    const std::string icc = Fixture("fixture_rgb.icc");
    for (const char* source_file :
         {"jpeg_exif6_meta.jpg", "png_exif6_meta.png", "webp_exif6_meta.webp",
          "heic_exif6_meta.heic", "tiff_orient6_meta.tif", "png_alpha.png"}) {
        const std::string source = Fixture(source_file);
        const DecodedPicture picture = DecodePicture(source);
        ASSERT_TRUE(picture.image) << source_file;
        const bool with_metadata = std::string(source_file) != "png_alpha.png";
        for (const TargetCase& target : targets) {
            SCOPED_TRACE(std::string(source_file) + " to " +
                         FindImageKind(target.settings.kind)->name +
                         (target.settings.lossless ? " lossless" : "") +
                         (target.settings.compress ? " compressed" : ""));
            bool xmp_too_large = true;
            const std::optional<std::string> written =
                EncodePicture(picture.image, target.settings, source, &xmp_too_large);
            ASSERT_TRUE(written);
            EXPECT_FALSE(xmp_too_large);
            const PictureFacts facts = ProbePicture(*written);
            EXPECT_EQ(facts.kind, target.settings.kind);
            EXPECT_EQ(facts.upright, (ImgKitSize{64, 48}));
            EXPECT_EQ(facts.stored, (ImgKitSize{64, 48}));  // upright as stored: no turn to apply
            if (target.settings.kind == kWebpImage) {
                EXPECT_EQ(facts.lossless, target.settings.lossless);
            }
            if (target.settings.kind == kTiffImage) {
                EXPECT_EQ(facts.compressed, target.settings.compress);
            }
            const DecodedPicture back = DecodePicture(*written);
            ASSERT_TRUE(back.image);
            const bool alpha = ImgKitHasAlpha(picture.image) && target.keeps_alpha;
            EXPECT_EQ(ImgKitHasAlpha(back.image), alpha);
            ExpectUprightPattern(back.image, alpha, ImgKitHasAlpha(picture.image) && !alpha);

            const SourceMetadata carried = ReadSourceMetadata(*written);
            if (!with_metadata) {
                // A TIFF's own first directory reads as Exif; nothing of a camera's is there.
                EXPECT_EQ(carried.exif.find("Pictavo"), std::string::npos);
                EXPECT_TRUE(carried.xmp.empty() && carried.icc.empty());
                continue;
            }
            EXPECT_EQ(carried.icc, icc);
            EXPECT_NE(carried.xmp.find("Pictavo fixture"), std::string::npos);
            Exiv2::ExifData exif;
            ASSERT_FALSE(carried.exif.empty());
            Exiv2::ExifParser::decode(exif,
                                      reinterpret_cast<const Exiv2::byte*>(carried.exif.data()),
                                      static_cast<std::uint32_t>(carried.exif.size()));
            const auto value = [&](const char* key) {
                const auto it = exif.findKey(Exiv2::ExifKey(key));
                return it == exif.end() ? std::string() : it->toString();
            };
            EXPECT_EQ(value("Exif.Image.Make"), "Pictavo");
            EXPECT_EQ(value("Exif.Photo.DateTimeOriginal"), "2026:01:02 03:04:05");
            EXPECT_EQ(value("Exif.Image.Orientation"), "1");
            EXPECT_EQ(value("Exif.Photo.PixelXDimension"), "64");
            EXPECT_EQ(value("Exif.Photo.PixelYDimension"), "48");
        }
    }
}

TEST_F(PictureCodecTest, TheRegistryAnswersForEveryKind) {
    for (const ImageKindInfo& info : ImageKinds()) {
        SCOPED_TRACE(info.name);
        // Every kind is decoded here but GIF, which the album copies and never decodes; every
        // decoded kind can be written.
        EXPECT_EQ(ImageKindDecodable(info.kind), info.kind != kGifImage);
        EXPECT_EQ(info.written, info.kind != kGifImage);
        EXPECT_EQ(ImageKindOfExtension(info.extensions[0]), info.kind);
    }
    EXPECT_FALSE(FindImageKind(kHeifImage)->browser_shows);
    EXPECT_FALSE(FindImageKind(kTiffImage)->browser_shows);
    EXPECT_TRUE(FindImageKind(kAvifImage)->browser_shows);
    EXPECT_FALSE(ImageKindDecodable(kNotPicture));
}

TEST_F(PictureCodecTest, PicturesAreReadWholeFromRegularFilesOnly) {
    TempDir dir;
    const std::string png = Fixture("png_plain.png");
    ASSERT_TRUE(WriteTestFile(dir / "a.png", png));
    const std::optional<PictureBytes> bytes = ReadPictureBytes(dir / "a.png");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->View(), png);
    EXPECT_FALSE(ReadPictureBytes(dir.Path()));
    EXPECT_FALSE(ReadPictureBytes(dir / "missing.png"));
    ASSERT_TRUE(WriteTestFile(dir / "empty.png", ""));
    EXPECT_FALSE(ReadPictureBytes(dir / "empty.png"));
    const PictureFacts facts = ProbePictureFile(dir / "a.png");
    EXPECT_EQ(facts.kind, kPngImage);
    EXPECT_EQ(facts.upright, (ImgKitSize{64, 48}));
    EXPECT_EQ(LoadPictureFile(dir / "a.png").refusal, R::kNone);
    EXPECT_EQ(LoadPictureFile(dir.Path()).refusal, R::kUnreadable);

    // A header that refuses the file is read from its head alone: the rest is never read.
    std::string huge = Fixture("png_huge_header.png");
    huge.resize(2 << 20, '\0');
    ASSERT_TRUE(WriteTestFile(dir / "huge.png", huge));
    LimitLargeAllocationsForTesting(0);
    EXPECT_EQ(LoadPictureFile(dir / "huge.png").refusal, R::kTooLarge);
    LimitLargeAllocationsForTesting(-1);
}

}  // namespace
