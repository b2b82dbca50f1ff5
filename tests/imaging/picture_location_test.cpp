#include "imaging/picture_location.h"

#include <gtest/gtest.h>

#include "imaging/heif_items.h"
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

// A phone-like Exif block of `little` or big-endian order whose camera text is one value that six
// tags share: the metadata library writes it out once for each, larger than the block was.
// `damage` 1 points a GPS value past the block's end, 2 points the GPS block at IFD0 itself.
std::string SharedValueExif(bool little, int damage) {
    std::string tiff;
    auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            tiff += static_cast<char>(value >> 8 * (little ? i : bytes - 1 - i) & 0xFF);
    };
    auto entry = [&](int tag, int type, std::uint32_t count, std::uint32_t value) {
        put(tag, 2);
        put(type, 2);
        put(count, 4);
        if ((type != 1 && type != 2) || count > 4) return put(value, 4);
        // Bytes held in the entry itself, first to last in either order.
        for (int i = 0; i < 4; ++i) tiff += static_cast<char>(value >> (24 - 8 * i) & 0xFF);
    };
    constexpr std::uint32_t kExifIfd = 110, kGpsIfd = 140, kText = 182, kDate = 242,
                            kMakerNote = 262, kLatitude = 286;
    tiff += little ? "II" : "MM";
    put(42, 2);
    put(8, 4);
    put(8, 2);
    for (int tag : {0x010E, 0x010F, 0x0110, 0x0131, 0x013B}) entry(tag, 2, 60, kText);
    entry(0x8298, 2, 60, kText);
    entry(0x8769, 4, 1, kExifIfd);
    entry(0x8825, 4, 1, damage == 2 ? 8 : kGpsIfd);
    put(0, 4);
    put(2, 2);
    entry(0x9003, 2, 20, kDate);
    entry(0x927C, 7, 24, kMakerNote);
    put(0, 4);
    put(3, 2);
    entry(0x0000, 1, 4, 0x02030000);
    entry(0x0001, 2, 2, 'N' << 24);
    entry(0x0002, 5, 3, damage == 1 ? 0xFFFF : kLatitude);
    put(0, 4);
    tiff += std::string("Shared Phone Maker Text Used By Six Tags To Save Room Here.") + '\0';
    tiff += std::string("2024:05:06 07:08:09") + '\0';
    tiff += "MakerNoteBytes:abcdefghi";
    for (std::uint32_t part : {35u, 1u, 40u, 1u, 5u, 1u}) put(part, 4);
    return tiff;
}

// A phone's Exif block often comes out larger from the metadata library than it was, and a HEIF's
// item cannot grow: its GPS block is then blanked in the block's own bytes. A block whose GPS
// block cannot be followed is refused as before.
TEST(PictureLocationEdges, AHeifExifThatWouldGrowLosesItsGpsInPlace) {
    const std::string heic = ReadTestFile(TestDataPath("metadata/location_everywhere.heic"));
    const HeifMetadataLayout layout = ReadHeifMetadataItems(heic);
    const HeifMetadataItem* item = nullptr;
    for (const HeifMetadataItem& candidate : layout.items)
        if (candidate.exif) item = &candidate;
    ASSERT_TRUE(item && item->extents.size() == 1);
    const auto [offset, length] = item->extents[0];
    const std::size_t start = offset + 4 + static_cast<std::uint8_t>(heic[offset + 3]);
    const std::string kept =
        "-Make -Model -Artist -Copyright -Software -DateTimeOriginal -MakerNote*";
    TempDir dir;
    for (const bool little : {true, false}) {
        for (const int damage : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "little " << little << " damage " << damage);
            const std::string tiff = SharedValueExif(little, damage);
            ASSERT_LE(start + tiff.size(), offset + length);
            std::string source = heic;
            source.replace(start, tiff.size(), tiff);
            std::fill(source.begin() + static_cast<std::ptrdiff_t>(start + tiff.size()),
                      source.begin() + static_cast<std::ptrdiff_t>(offset + length), '\0');
            const MetadataCarriers carriers = MetadataCarriersOf(kHeifImage, source);
            const std::optional<std::string> copy = WithoutLocation(kHeifImage, source);
            if (damage != 0) {
                EXPECT_FALSE(ExifWithGpsBlanked(tiff));
                EXPECT_FALSE(copy);
                continue;
            }
            // The metadata library's block would not fit: the fallback is what is tested.
            ASSERT_NE(LocationCarriersOf(kHeifImage, source) & kExifLocation, 0u);
            ASSERT_GT(CarriersWithoutLocation(carriers).exif->size(), carriers.exif.size());
            ASSERT_TRUE(copy);
            ASSERT_EQ(copy->size(), source.size());
            EXPECT_EQ(copy->substr(0, start), source.substr(0, start));
            EXPECT_EQ(ImageData(kHeifImage, *copy), ImageData(kHeifImage, source));
            const std::string in = dir / "in.heic";
            const std::string out = dir / "out.heic";
            ASSERT_TRUE(WriteTestFile(in, source));
            ASSERT_TRUE(WriteTestFile(out, *copy));
            EXPECT_EQ(LocationReadBack(out), "");
            if (ExiftoolInstalled()) {
                EXPECT_NE(LocationReadBack(in), "");
                EXPECT_EQ(ExiftoolTags(out, kept), ExiftoolTags(in, kept));
                EXPECT_NE(ExiftoolTags(out, kept).find("MakerNote"), std::string::npos);
            }
        }
    }
}

}  // namespace
