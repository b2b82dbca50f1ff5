#include "imaging/picture_location.h"

#include <gtest/gtest.h>

#include "imaging/jpeg_segments.h"
#include "tests/support/location_readback.h"
#include "tests/support/temp_dir.h"

namespace {

// A JPEG's bytes from its first scan header on: its compressed picture.
std::string_view FromFirstScan(std::string_view jpeg) {
    const std::vector<JpegSegment> head = JpegHeadSegments(jpeg);
    if (head.empty() || head.back().marker != JpegMarker::kSos) return {};
    return jpeg.substr(head.back().start);
}

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
    if (kind == kJpegImage) {
        ASSERT_FALSE(FromFirstScan(source).empty());
        EXPECT_EQ(FromFirstScan(*copy), FromFirstScan(source));
    }
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
