// Our own readers and writers of the formats' containers: the kind a file's first bytes tell, the
// orientation of an Exif block, the PNG chunks that carry metadata, and the choice of a HEIF
// thumbnail item.

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "core/image_kind.h"
#include "imaging/exif_orientation.h"
#include "imaging/heif_items.h"
#include "imaging/png_chunks.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::string_literals;

std::string Ftyp(const std::string& major, const std::vector<std::string>& compatible) {
    std::string box = "\0\0\0\0ftyp"s + major + "\0\0\0\0"s;
    for (const std::string& brand : compatible) box += brand;
    box[3] = static_cast<char>(box.size());
    return box;
}

TEST(FormatGlue, TheFirstBytesTellTheKind) {
    struct Case {
        std::string head;
        ImageKind kind;
    };
    const Case cases[] = {
        {"\xFF\xD8\xFF\xE0"s, kJpegImage},
        {"GIF87a", kGifImage},
        {"BM\x36\0\0\0"s, kBmpImage},
        {"\x89PNG\r\n\x1A\n"s, kPngImage},
        {"RIFF\0\0\0\0WEBPVP8 "s, kWebpImage},
        {"RIFF\0\0\0\0WAVEfmt "s, kNotPicture},
        {"II*\0"s, kTiffImage},
        {"MM\0*"s, kTiffImage},
        {Ftyp("heic", {"mif1", "heic"}), kHeifImage},
        {Ftyp("avif", {"mif1", "avif"}), kAvifImage},
        // A generic image brand names its codec among the compatible ones.
        {Ftyp("mif1", {"mif1", "avif", "miaf"}), kAvifImage},
        {Ftyp("mif1", {"mif1", "heic"}), kHeifImage},
        {Ftyp("msf1", {"hevc"}), kHeifImage},
        {Ftyp("mif1", {"miaf"}), kHeifImage},
        // A video, a camera's raw file: box files that are no picture of ours.
        {Ftyp("isom", {"isom", "mp41"}), kNotPicture},
        {Ftyp("crx ", {"crx ", "isom"}), kNotPicture},
        {"\0\0\0\x08"
         "ftypheic"s,
         kNotPicture},  // a box too short for its brand
        {"\xFF\xD8", kNotPicture},
        {"", kNotPicture},
    };
    for (const Case& c : cases) EXPECT_EQ(SniffImageKind(c.head), c.kind) << c.head;
}

TEST(FormatGlue, ExifOrientationIsReadFromTheFirstDirectoryInEitherByteOrder) {
    // Little-endian: one entry, Orientation (0x0112), SHORT, count 1, value.
    const auto little = [](int value, int type = 3) {
        std::string b = "II*\0\x08\0\0\0\x01\0\x12\x01"s;
        b += static_cast<char>(type);
        b += "\0\x01\0\0\0"s;
        b += static_cast<char>(value);
        b += "\0\0\0\0\0\0\0"s;
        return b;
    };
    const std::string big = "MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x08\0\0\0\0\0\0"s;
    struct Case {
        std::string exif;
        int orientation;
    };
    const Case cases[] = {
        {little(6), 6},
        {"Exif\0\0"s + little(6), 6},  // as a JPEG segment holds it
        {big, 8},
        {little(9), 0},                // no such orientation
        {little(6, 4), 0},             // not a SHORT
        {little(6).substr(0, 14), 0},  // cut inside its entry
        {"II*\0\xFF\xFF\0\0"s, 0},     // a directory beyond the end
        {"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ExifOrientation(c.exif), c.orientation);
}

bool EveryCrcHolds(const std::string& png) {
    for (const PngChunk& chunk : PngChunks(png)) {
        const std::string_view stored = std::string_view(png).substr(chunk.end - 4, 4);
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + chunk.start + 4),
                          static_cast<uInt>(chunk.data.size() + 4));
        const std::string expected{static_cast<char>(crc >> 24), static_cast<char>(crc >> 16),
                                   static_cast<char>(crc >> 8), static_cast<char>(crc)};
        if (stored != expected) return false;
    }
    return true;
}

std::vector<std::string> ChunkTypes(const std::string& png) {
    std::vector<std::string> types;
    for (const PngChunk& chunk : PngChunks(png)) types.emplace_back(chunk.type);
    return types;
}

TEST(FormatGlue, PngMetadataIsWrittenBeforeThePixelsAndReadsBackAsWritten) {
    const std::string plain = ReadTestFile(TestDataPath("formats/png_plain.png"));
    const std::string icc = ReadTestFile(TestDataPath("formats/fixture_rgb.icc"));
    const std::string exif = "MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0"s;
    const std::string xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\xE6\xA1\x9C</x:xmpmeta>";

    const std::string written = PngWithMetadata(plain, exif, xmp, icc);
    EXPECT_EQ(ChunkTypes(written),
              (std::vector<std::string>{"IHDR", "iCCP", "eXIf", "iTXt", "IDAT", "IEND"}));
    EXPECT_TRUE(EveryCrcHolds(written));
    const PngMetadata read = ReadPngMetadata(written);
    EXPECT_EQ(read.exif, exif);
    EXPECT_EQ(read.xmp, xmp);
    EXPECT_EQ(read.icc, icc);
    EXPECT_EQ(ExifOrientation(ReadPngLayout(written)->exif), 6);

    // Written again, it replaces what is there; what is left out is dropped.
    const std::string again = PngWithMetadata(written, exif.substr(0, 8), "", "");
    EXPECT_EQ(ChunkTypes(again), (std::vector<std::string>{"IHDR", "eXIf", "IDAT", "IEND"}));
    EXPECT_EQ(ReadPngMetadata(again).exif, exif.substr(0, 8));

    // Another writer's chunks stay where they are; its metadata is replaced.
    const std::string tool = ReadTestFile(TestDataPath("formats/png_exif6_meta.png"));
    const std::vector<std::string> replaced = ChunkTypes(PngWithMetadata(tool, exif, "", ""));
    EXPECT_EQ(replaced, (std::vector<std::string>{"IHDR", "eXIf", "tEXt", "tEXt", "IDAT", "IEND"}));

    // A file cut short is left as it is: its chunks cannot be written back whole.
    const std::string cut = plain.substr(0, plain.size() - 5);
    EXPECT_EQ(PngWithMetadata(cut, exif, xmp, icc), cut);
}

TEST(FormatGlue, PngMetadataOfOtherWritersIsRead) {
    const std::string plain = ReadTestFile(TestDataPath("formats/png_plain.png"));
    const std::size_t after_header = 8 + 25;
    const auto with_chunk = [&](const std::string& chunk) {
        return plain.substr(0, after_header) + chunk + plain.substr(after_header);
    };
    // Older tools write the Exif in hexadecimal text, with the JPEG segment's name.
    const std::string raw = "\nexif\n      14\n457869660000\n4d4d002a0000\n0008\n";
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()));
    packed.resize(size);
    const std::string ztxt = PngChunkBytes("zTXt", "Raw profile type exif\0\0"s + packed);
    EXPECT_EQ(ReadPngMetadata(with_chunk(ztxt)).exif, "MM\0*\0\0\0\x08"s);

    // A compressed XMP packet.
    const std::string xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
    size = compressBound(static_cast<uLong>(xmp.size()));
    packed.assign(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(xmp.data()), static_cast<uLong>(xmp.size()));
    packed.resize(size);
    const std::string itxt = PngChunkBytes("iTXt", "XML:com.adobe.xmp\0\1\0\0\0"s + packed);
    EXPECT_EQ(ReadPngMetadata(with_chunk(itxt)).xmp, xmp);
}

HeifItem Image(std::uint32_t id, std::uint32_t w, std::uint32_t h, int turns = 0,
               std::uint32_t thumbnail_of = 0) {
    HeifItem item;
    item.id = id;
    item.type = "hvc1";
    item.width = w;
    item.height = h;
    item.transforms.quarter_turns = turns;
    item.thumbnail_of = thumbnail_of;
    return item;
}

TEST(FormatGlue, AThumbnailItemIsChosenOnlyWhenItServesTheWantedSizeAsThePictureShows) {
    struct Case {
        const char* what;
        std::vector<HeifItem> items;  // the first is the primary
        int min_width, min_height;
        std::uint32_t chosen;  // 0: none
    };
    HeifItem cropped = Image(2, 320, 240, 0, 1);
    cropped.transforms.cropped = true;
    cropped.transforms.crop_width = 0.5;
    HeifItem mirrored = Image(2, 320, 240, 0, 1);
    mirrored.transforms.mirror = 0;
    const Case cases[] = {
        {"large enough", {Image(1, 4032, 3024), Image(2, 320, 240, 0, 1)}, 100, 75, 2},
        {"exactly the size", {Image(1, 4032, 3024), Image(2, 320, 240, 0, 1)}, 320, 240, 2},
        {"too small", {Image(1, 4032, 3024), Image(2, 320, 240, 0, 1)}, 321, 240, 0},
        {"the whole picture wanted", {Image(1, 4032, 3024), Image(2, 320, 240, 0, 1)}, 0, 0, 0},
        {"the smallest that serves",
         {Image(1, 4032, 3024), Image(3, 640, 480, 0, 1), Image(2, 320, 240, 0, 1)},
         300,
         200,
         2},
        {"the larger when the smaller does not serve",
         {Image(1, 4032, 3024), Image(3, 640, 480, 0, 1), Image(2, 320, 240, 0, 1)},
         500,
         200,
         3},
        {"other proportions", {Image(1, 4032, 3024), Image(2, 320, 320, 0, 1)}, 100, 75, 0},
        {"proportions within a pixel",
         {Image(1, 4032, 3024), Image(2, 321, 240, 0, 1)},
         100,
         75,
         2},
        {"both turned alike", {Image(1, 4032, 3024, 1), Image(2, 320, 240, 1, 1)}, 200, 260, 2},
        {"turned unlike the picture",
         {Image(1, 4032, 3024, 1), Image(2, 240, 320, 0, 1)},
         200,
         260,
         0},
        {"mirrored unlike the picture", {Image(1, 4032, 3024), mirrored}, 100, 75, 0},
        {"cropped unlike the picture", {Image(1, 4032, 3024), cropped}, 100, 75, 0},
        {"a thumbnail of another picture",
         {Image(1, 4032, 3024), Image(2, 320, 240, 0, 5)},
         100,
         75,
         0},
        {"no smaller than the picture", {Image(1, 320, 240), Image(2, 320, 240, 0, 1)}, 100, 75, 0},
    };
    for (const Case& c : cases) {
        HeifLayout layout;
        layout.primary = 1;
        layout.items = c.items;
        EXPECT_EQ(ChooseHeifThumbnail(layout, c.min_width, c.min_height).value_or(0), c.chosen)
            << c.what;
    }
}

}  // namespace

namespace {

// An hvcC property's body with one sequence parameter set declaring width x height, its bits
// written by hand: no sub-layers, 4:2:0.
std::string HevcConfiguration(std::uint32_t width, std::uint32_t height) {
    std::string bits =
        "0000"
        "000"
        "1" +
        std::string(96, '0');
    const auto golomb = [&](std::uint32_t value) {
        std::string binary;
        for (std::uint64_t v = std::uint64_t{value} + 1; v > 0; v >>= 1)
            binary.insert(binary.begin(), static_cast<char>('0' + (v & 1)));
        bits += std::string(binary.size() - 1, '0') + binary;
    };
    golomb(0);  // parameter set id
    golomb(1);  // 4:2:0
    golomb(width);
    golomb(height);
    while (bits.size() % 8 != 0) bits += '1';
    std::string payload;
    for (std::size_t i = 0; i < bits.size(); i += 8)
        payload += static_cast<char>(std::stoi(bits.substr(i, 8), nullptr, 2));
    const std::string nal = "\x42\x01"s + payload;
    std::string hvcc(22, '\0');
    hvcc += "\x01\x21\x00\x01"s;  // one array: sequence parameter sets, one of them
    hvcc += static_cast<char>(nal.size() >> 8);
    hvcc += static_cast<char>(nal.size() & 0xFF);
    return hvcc + nal;
}

TEST(FormatGlue, TheSizeAnHevcParameterSetDeclaresIsRead) {
    EXPECT_EQ(HevcCodedSize(HevcConfiguration(64, 48)), std::make_pair(64u, 48u));
    EXPECT_EQ(HevcCodedSize(HevcConfiguration(60000, 40000)), std::make_pair(60000u, 40000u));
    const std::string cut = HevcConfiguration(60000, 40000);
    EXPECT_FALSE(HevcCodedSize(cut.substr(0, cut.size() - 3)));
    // Every coded picture of a real file declares the size its item says.
    const auto layout = ReadHeifLayout(ReadTestFile(TestDataPath("formats/heic_thumbnail.heic")));
    ASSERT_TRUE(layout);
    int coded = 0;
    for (const HeifItem& item : layout->items) {
        if (item.type != "hvc1") continue;
        EXPECT_EQ(item.coded_width, item.width);
        EXPECT_EQ(item.coded_height, item.height);
        ++coded;
    }
    EXPECT_EQ(coded, 2);
}

}  // namespace
