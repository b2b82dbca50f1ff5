#include "imaging/picture_location.h"

#include <gtest/gtest.h>

#include "imaging/jpeg_segments.h"
#include "imaging/picture_codec.h"
#include "tests/imaging/imaging_test_support.h"
#include "tests/support/location_readback.h"
#include "tests/support/temp_dir.h"

namespace {

struct LocationCase {
    const char* fixture;
    unsigned carriers;  // where it tells
    const char* kept;   // exiftool tags that are no location and must stay
};

class PictureLocation : public ::testing::TestWithParam<LocationCase> {};

TEST_P(PictureLocation, ACopyTellsNothingMoreAndKeepsItsPictureAndTheRest) {
    const LocationCase& c = GetParam();
    const std::string source = ReadTestFile(TestDataPath(std::string("metadata/") + c.fixture));
    const ImageKind kind = ImageKindOfName(c.fixture);
    ASSERT_EQ(LocationCarriersOf(kind, source), c.carriers);

    const std::optional<std::string> copy = WithoutLocation(kind, source);
    ASSERT_TRUE(copy);
    EXPECT_NE(*copy, source);
    EXPECT_EQ(LocationCarriersOf(kind, *copy), kNoLocation);
    if (kind != kGifImage && kind != kTiffImage) {
        ASSERT_FALSE(ImageData(kind, source).empty());
        EXPECT_EQ(ImageData(kind, *copy), ImageData(kind, source));
    }
    // And it still shows its picture.
    EnsureImagingLoaded();
    if (kind != kGifImage) EXPECT_TRUE(DecodePicture(*copy).image);
    TempDir dir;
    const std::string written = dir / c.fixture;
    ASSERT_TRUE(WriteTestFile(written, *copy));
    EXPECT_EQ(LocationReadBack(written), "");
    // What is no location stays, as exiftool reads it (nothing to compare without it).
    if (ExiftoolInstalled()) {
        EXPECT_EQ(ExiftoolTags(written, c.kept),
                  ExiftoolTags(TestDataPath(std::string("metadata/") + c.fixture), c.kept));
        EXPECT_NE(ExiftoolTags(written, c.kept), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryCarrier, PictureLocation,
    ::testing::Values(
        LocationCase{
            "location_everywhere.jpg", kExifLocation | kXmpLocation | kIptcLocation,
            "-Artist -DateTimeOriginal -IPTC:Keywords -XMP-dc:Creator -XMP-dc:Description"},
        LocationCase{"location_xmp_only.jpg", kXmpLocation, "-XMP-dc:Creator"},
        LocationCase{"location_everywhere.png", kExifLocation | kXmpLocation | kIptcLocation,
                     "-Artist -DateTimeOriginal -IPTC:Keywords -XMP-dc:Description"},
        LocationCase{"location_everywhere.webp", kExifLocation | kXmpLocation,
                     "-Artist -DateTimeOriginal -XMP-dc:Description"},
        LocationCase{"location_everywhere.avif", kExifLocation | kXmpLocation,
                     "-Artist -DateTimeOriginal -XMP-dc:Description"},
        LocationCase{"location_everywhere.heic", kExifLocation | kXmpLocation,
                     "-Artist -DateTimeOriginal -XMP-dc:Description"},
        LocationCase{"location_everywhere.tiff", kExifLocation | kXmpLocation | kIptcLocation,
                     "-Artist -DateTimeOriginal -IPTC:Keywords -XMP-dc:Description"},
        LocationCase{"location_xmp.gif", kXmpLocation, "-XMP-dc:Description"}));

TEST(PictureLocationEdges, WhatTellsNothingOrCannotBeToldIsKeptOrRefused) {
    const std::string none = ReadTestFile(TestDataPath("metadata/no_location.jpg"));
    EXPECT_EQ(WithoutLocation(kJpegImage, none), none) << "a copy of what tells nothing is a copy";
    const std::string bmp = ReadTestFile(TestDataPath("bmp/good/pal8.bmp"));
    EXPECT_EQ(WithoutLocation(kBmpImage, bmp), bmp);

    // Cut before its first scan: what follows the cut cannot be told of.
    const std::string everywhere = ReadTestFile(TestDataPath("metadata/location_everywhere.jpg"));
    const std::string cut =
        everywhere.substr(0, everywhere.size() - FromFirstScan(everywhere).size());
    EXPECT_NE(LocationCarriersOf(kJpegImage, cut) & kUnknownLocation, 0u);
    EXPECT_FALSE(WithoutLocation(kJpegImage, cut));
    // The other kinds cut short: a PNG before its last chunks, a WebP inside its chunks, a HEIF or
    // AVIF before its metadata items' data. A TIFF is written anew from what the metadata library
    // reads of it, so what the cut left unreadable does not come along: that copy tells nothing.
    TempDir dir;
    for (const char* kind : {"png", "webp", "avif", "heic", "tiff"}) {
        const std::string name = std::string("location_everywhere.") + kind;
        const std::string whole = ReadTestFile(TestDataPath("metadata/" + name));
        const std::string half = whole.substr(0, whole.size() / 2);
        EXPECT_NE(LocationCarriersOf(ImageKindOfName(name), half), kNoLocation) << kind;
        const std::optional<std::string> copy = WithoutLocation(ImageKindOfName(name), half);
        if (ImageKindOfName(name) != kTiffImage) {
            EXPECT_FALSE(copy) << kind;
        } else if (copy) {
            ASSERT_TRUE(WriteTestFile(dir / name, *copy));
            EXPECT_EQ(LocationReadBack(dir / name), "");
        }
    }

    // A HEIF's items are rewritten at their own sizes: a packet that would grow is refused, never
    // moved; a shorter one is padded, and the file keeps its size.
    const std::string avif = ReadTestFile(TestDataPath("metadata/location_everywhere.avif"));
    const std::string packet = MetadataCarriersOf(kAvifImage, avif).xmp;
    ASSERT_FALSE(packet.empty());
    CarrierReplacement longer;
    longer.xmp = packet + std::string(16, ' ');
    EXPECT_FALSE(ReplaceMetadataCarriers(kAvifImage, avif, longer));
    CarrierReplacement empty;
    empty.xmp = std::string();
    const std::optional<std::string> blank = ReplaceMetadataCarriers(kAvifImage, avif, empty);
    ASSERT_TRUE(blank);
    EXPECT_EQ(blank->size(), avif.size());
    EXPECT_EQ(ImageData(kAvifImage, *blank), ImageData(kAvifImage, avif));
    EXPECT_EQ(MetadataCarriersOf(kAvifImage, *blank).xmp.find("GPS"), std::string::npos);

    // The Exif block with GPS again after the first scan, where no rewrite of the head reaches.
    std::string late = none;
    for (const JpegSegment& segment : JpegHeadSegments(everywhere)) {
        if (segment.marker == 0xE1 && segment.body.substr(0, 4) == "Exif")
            late.insert(late.size() - 2,
                        everywhere.substr(segment.start, segment.end - segment.start));
    }
    ASSERT_GT(late.size(), none.size());
    EXPECT_NE(LocationCarriersOf(kJpegImage, late) & kUnknownLocation, 0u);
    EXPECT_FALSE(WithoutLocation(kJpegImage, late));
}

}  // namespace
