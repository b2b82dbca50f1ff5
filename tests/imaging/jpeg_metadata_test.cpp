#include "imaging/jpeg_metadata.h"

#include <gtest/gtest.h>

#include <QColorSpace>
#include <thread>
#include <vector>

#include "imaging/imgkit.h"
#include "tests/imaging/imaging_test_support.h"
#include "tests/imaging/metadata_test_support.h"

namespace {

class JpegMetadataTest : public ::testing::Test {
  protected:
    void SetUp() override { EnsureImagingLoaded(); }
};

// The picture of `path` loaded upright, resized to `width` x `height` and encoded by the program's
// own JPEG writer, as the resizer does before it carries the metadata over.
std::string EncodeResized(const std::string& path, int width, int height) {
    ImageHandle image = ImgKitFileLoad(path);
    if (!image) return {};
    ImageHandle small = ImgKitImageSize(image, width, height);
    return small ? ImgKitJpegEncode(small, 85).value_or("") : "";
}

std::string BigEndian16(std::size_t v) {
    return {static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
}

std::string Segment(unsigned char marker, const std::string& payload) {
    return std::string("\xFF", 1) + static_cast<char>(marker) + BigEndian16(payload.size() + 2) +
           payload;
}

// `jpeg` with the segments inserted right after its start-of-image marker.
std::string WithSegments(const std::string& jpeg, const std::string& segments) {
    return jpeg.substr(0, 2) + segments + jpeg.substr(2);
}

// The XMP packet of a JPEG file as stored, or an empty text.
std::string XmpPacketOf(const std::string& jpeg) {
    const std::string name("http://ns.adobe.com/xap/1.0/\0", 29);
    for (std::size_t at = 2; at + 4 <= jpeg.size() && jpeg[at] == '\xFF';) {
        const std::size_t length = (static_cast<unsigned char>(jpeg[at + 2]) << 8) |
                                   static_cast<unsigned char>(jpeg[at + 3]);
        if (jpeg[at + 1] == '\xE1' && jpeg.compare(at + 4, name.size(), name) == 0)
            return jpeg.substr(at + 4 + name.size(), length - 2 - name.size());
        if (jpeg[at + 1] == '\xDA') break;
        at += 2 + length;
    }
    return {};
}

// The length of the label (xmp:Label='...') an XMP packet holds.
std::size_t LabelLength(const std::string& packet) {
    const std::size_t start = packet.find("xmp:Label='") + 11;
    return packet.find('\'', start) - start;
}

std::string Le16(unsigned v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
std::string Le32(unsigned v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}
// One little-endian IFD entry: tag, type, count and the 4-byte value or offset field.
std::string Entry(unsigned tag, unsigned type, unsigned count, const std::string& value) {
    return Le16(tag) + Le16(type) + Le32(count) + value;
}

// An EXIF segment holding a TIFF structure: "II", 42, IFD0 at offset 8.
std::string ExifSegment(const std::string& ifd0_and_rest) {
    return Segment(0xE1, std::string("Exif\0\0II*\0", 10) + Le32(8) + ifd0_and_rest);
}

// A sound little EXIF: Model "Cam" (kept inline) and orientation 6.
std::string GoodExif() {
    return ExifSegment(Le16(2) + Entry(0x0110, 2, 4, std::string("Cam\0", 4)) +
                       Entry(0x0112, 3, 1, Le16(6) + Le16(0)) + Le32(0));
}

std::string IccSegment(int chunk, int chunks, const std::string& data) {
    return Segment(0xE2, std::string("ICC_PROFILE\0", 12) + static_cast<char>(chunk) +
                             static_cast<char>(chunks) + data);
}

std::string WideGamutProfile() {
    const QByteArray icc = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    return std::string(icc.constData(), icc.size());
}

TEST_F(JpegMetadataTest, ACameraPictureKeepsDateAndCameraWithUprightOrientationAndTrueSize) {
    struct Row {
        const char* path;
        const char* date;
        const char* model;
    };
    const std::vector<Row> rows = {
        {"photos/dune_grass.jpg", "2007:08:06 10:29:13", "Canon EOS DIGITAL REBEL"},
        {"photos/storm_road.jpg", "2008:04:20 19:12:06", "Canon EOS 400D DIGITAL"},
        // Big-endian EXIF of 64 KB: only the dropped preview lets it fit beside the new tags.
        {"photos/wood_planks.jpg", "2008:04:19 13:43:16", "DiMAGE Z5"},
        // Stored on its side with orientation 6: loaded upright, so the copy must say 1.
        {"exif-orientation/Portrait_6.jpg", "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        const std::string source = ReadTestFile(TestDataPath(r.path));
        const std::string encoded = EncodeResized(TestDataPath(r.path), 301, 203);
        ASSERT_FALSE(encoded.empty());
        const std::string saved = CarryJpegMetadata(source, encoded);
        const SavedMetadata m = ReadSavedMetadata(saved);
        EXPECT_EQ(m.Exif("Exif.Photo.DateTimeOriginal"), r.date);
        EXPECT_EQ(m.Exif("Exif.Image.Model"), r.model);
        EXPECT_EQ(m.Exif("Exif.Image.Orientation"), "1");
        EXPECT_EQ(m.Exif("Exif.Photo.PixelXDimension"), "301");
        EXPECT_EQ(m.Exif("Exif.Photo.PixelYDimension"), "203");
        EXPECT_EQ(m.thumbnail_bytes, 0);
        // The metadata goes around the picture, never into it.
        EXPECT_EQ(DecodeStored(saved, false), DecodeStored(encoded, false));
    }
}

TEST_F(JpegMetadataTest, TheColourProfileAndXmpAreKept) {
    const std::string profile = WideGamutProfile();
    ASSERT_GT(profile.size(), 200u);
    const std::string xmp =
        "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
        "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
        "xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmlns:tiff='http://ns.adobe.com/tiff/1.0/' "
        "xmp:Rating='4' tiff:Orientation='6'/></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
    const std::string source =
        WithSegments(ReadTestFile(TestDataPath("photos/dune_grass.jpg")),
                     IccSegment(1, 1, profile) +
                         Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29) + xmp));
    const std::string encoded = EncodeResized(TestDataPath("photos/dune_grass.jpg"), 160, 100);
    const SavedMetadata m = ReadSavedMetadata(CarryJpegMetadata(source, encoded));
    EXPECT_EQ(m.icc, profile);
    EXPECT_EQ(m.xmp.at("Xmp.xmp.Rating"), "4");
    EXPECT_EQ(m.xmp.at("Xmp.tiff.Orientation"), "1");
    EXPECT_EQ(m.Exif("Exif.Image.Model"), "Canon EOS DIGITAL REBEL");

    // A source without metadata gives the encoded picture back as it is.
    const std::string plain = ReadTestFile(TestDataPath("jpeg/good/gen_420.jpg"));
    EXPECT_EQ(CarryJpegMetadata(plain, encoded), encoded);
}

TEST_F(JpegMetadataTest, BadMetadataNeverCostsThePicture) {
    const std::string base = ReadTestFile(TestDataPath("jpeg/good/gen_420.jpg"));
    const std::string encoded = EncodeResized(TestDataPath("jpeg/good/gen_420.jpg"), 320, 252);
    ASSERT_FALSE(encoded.empty());
    const std::string profile = WideGamutProfile();
    std::string grey_profile = profile;
    grey_profile.replace(16, 4, "GRAY");
    std::string runaway_tags = profile;
    runaway_tags.replace(128, 4, "\x00\x10\x00\x00");
    // One label of 65 000 characters: the packet nearly fills its segment, so that written back
    // in the library's usual layout it would no longer fit one.
    const auto huge_packet = [](const std::string& more, const std::string& label = "") {
        return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
               "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:"
               "Description xmlns:xmp='http://ns.adobe.com/xap/1.0/' "
               "xmlns:tiff='http://ns.adobe.com/tiff/1.0/' "
               "xmlns:exif='http://ns.adobe.com/exif/1.0/' " +
               more + " xmp:Label='" + (label.empty() ? std::string(65000, 'a') : label) +
               "'/></rdf:RDF></x:xmpmeta>";
    };
    const auto xmp_segment = [](const std::string& packet) {
        return Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29) + packet);
    };
    // A packet of exactly the most a segment holds, with `padding` spaces before its end: the
    // label takes what is left.
    const auto full_packet = [&](const std::string& more, std::size_t padding) {
        const std::string head = "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>";
        const std::string tail = std::string(padding, ' ') + "<?xpacket end='w'?>";
        const std::size_t rest = 65504 - head.size() - tail.size() - huge_packet(more, "b").size();
        return head + huge_packet(more, std::string(rest + 1, 'a')) + tail;
    };
    // The sizes say 99 x 99; the copy is 320 x 252, each value one digit longer.
    const std::string sizes =
        "tiff:Orientation='6' tiff:ImageWidth='99' tiff:ImageLength='99' "
        "exif:PixelXDimension='99' exif:PixelYDimension='99'";
    const std::string padded = full_packet(sizes, 100);
    std::string padded_saved = padded;
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"Orientation='6'", "Orientation='1'"},
             {"ImageWidth='99'", "ImageWidth='320'"},
             {"ImageLength='99'", "ImageLength='252'"},
             {"PixelXDimension='99'", "PixelXDimension='320'"},
             {"PixelYDimension='99'", "PixelYDimension='252'"},
         })
        padded_saved.replace(padded_saved.find(from), from.size(), to);
    padded_saved.erase(padded_saved.find("<?xpacket end") - 4, 4);
    const std::string unpadded = full_packet(sizes, 0);
    std::string unpadded_saved = unpadded;
    unpadded_saved.replace(unpadded_saved.find("Orientation='6'"), 15, "Orientation='1'");
    for (const char* gone : {" tiff:ImageWidth='99'", " tiff:ImageLength='99'",
                             " exif:PixelXDimension='99'", " exif:PixelYDimension='99'"})
        unpadded_saved.erase(unpadded_saved.find(gone), std::string(gone).size());
    // Quotes written as they are in a label quoted with apostrophes: the library writes each one
    // as "&quot;", six times its size, and the orientation stands where no edit of the text
    // reaches (beside a comment), so only a packet written anew could hold the new value.
    const std::string quotes = std::string(20000, '"') + std::string(45000, 'q');
    const std::string unkeepable =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
        "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
        "xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmlns:tiff='http://ns.adobe.com/tiff/1.0/' "
        "xmp:Label='" +
        quotes +
        "'><tiff:Orientation>6<!-- the camera's --></tiff:Orientation></rdf:Description>"
        "</rdf:RDF></x:xmpmeta>";
    struct Row {
        const char* name;
        std::string segments;
        const char* model;      // what the saved file's Model must be
        bool icc;               // whether the sound profile must come through
        std::size_t label = 0;  // the length of the XMP label that must come through
        // The XMP packet the saved file must carry, byte for byte (not checked when empty), and
        // whether it is left out as too large.
        std::string packet = {};
        bool xmp_too_large = false;
    };
    const std::vector<Row> rows = {
        // What can be read of a cut directory is kept.
        {"EXIF cut short inside its directory",
         ExifSegment(Le16(12) + Entry(0x0110, 2, 4, std::string("Cam\0", 4))) +
             IccSegment(1, 1, profile),
         "Cam", true},
        {"offsets past the end",
         ExifSegment(Le16(4) + Entry(0x010F, 2, 40, Le32(0x7FFFFFF0)) +
                     Entry(0x0110, 2, 4, std::string("Cam\0", 4)) +
                     Entry(0x0112, 3, 1, Le16(6) + Le16(0)) +
                     Entry(0x8769, 4, 1, Le32(0xFFFFFF00)) + Le32(0xFFFF0000)),
         "Cam", false},
        {"a sub-directory that points back at its parent",
         ExifSegment(Le16(2) + Entry(0x0110, 2, 4, std::string("Cam\0", 4)) +
                     Entry(0x8769, 4, 1, Le32(8)) + Le32(8)) +
             IccSegment(1, 1, profile),
         "Cam", true},
        // Nothing to change: the packet as it was, byte for byte.
        {"an XMP packet near 64 KB", GoodExif() + xmp_segment(huge_packet("")), "Cam", false, 65000,
         huge_packet("")},
        {"an XMP packet of quotes with nothing to change",
         GoodExif() + xmp_segment(huge_packet("", quotes)), "Cam", false, 65000,
         huge_packet("", quotes)},
        // Changed values are written into the packet's own text, the rest kept byte for byte.
        {"an XMP packet near 64 KB whose orientation changes",
         GoodExif() + xmp_segment(huge_packet("tiff:Orientation='6'")), "Cam", false, 65000,
         huge_packet("tiff:Orientation='1'")},
        {"a full XMP packet whose longer sizes take from its padding",
         GoodExif() + xmp_segment(padded), "Cam", false, LabelLength(padded), padded_saved},
        {"a full XMP packet without padding, whose sizes would not fit",
         GoodExif() + xmp_segment(unpadded), "Cam", false, LabelLength(unpadded), unpadded_saved},
        {"an XMP packet that no form of fits its segment", GoodExif() + xmp_segment(unkeepable),
         "Cam", false, 0, "", true},
        {"a profile declaring more than it holds",
         GoodExif() + IccSegment(1, 1, profile.substr(0, 4) + std::string(300, 'x')), "Cam", false},
        {"a profile missing its second chunk",
         GoodExif() + IccSegment(1, 2, profile.substr(0, profile.size() / 2)), "Cam", false},
        {"a grey profile on a colour picture", GoodExif() + IccSegment(1, 1, grey_profile), "Cam",
         false},
        {"a profile whose tag table runs past its end", GoodExif() + IccSegment(1, 1, runaway_tags),
         "Cam", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        bool xmp_too_large = !r.xmp_too_large;
        const std::string saved =
            CarryJpegMetadata(WithSegments(base, r.segments), encoded, &xmp_too_large);
        EXPECT_EQ(xmp_too_large, r.xmp_too_large);
        if (!r.packet.empty()) {
            EXPECT_TRUE(XmpPacketOf(saved) == r.packet) << "the packet is not as it must be";
        }
        EXPECT_EQ(DecodeStored(saved, false), DecodeStored(encoded, false));
        const SavedMetadata m = ReadSavedMetadata(saved);
        EXPECT_EQ(m.Exif("Exif.Image.Model"), r.model);
        if (!std::string(r.model).empty()) {
            EXPECT_EQ(m.Exif("Exif.Image.Orientation"), "1");
        }
        EXPECT_EQ(m.icc, r.icc ? profile : std::string());
        EXPECT_EQ(m.Xmp("Xmp.xmp.Label").size(), r.label);
        EXPECT_NE(m.Xmp("Xmp.tiff.Orientation"), "6");
    }
    // Not a JPEG at all, on either side.
    EXPECT_EQ(CarryJpegMetadata("", encoded), encoded);
    EXPECT_EQ(CarryJpegMetadata(WithSegments(base, GoodExif()), "not a picture"), "not a picture");
}

TEST_F(JpegMetadataTest, WorkersCarryingAtOnceGetWhatOneWorkerGets) {
    const std::string source = ReadTestFile(TestDataPath("photos/storm_road.jpg"));
    const std::string encoded = EncodeResized(TestDataPath("photos/storm_road.jpg"), 192, 128);
    const std::string expected = CarryJpegMetadata(source, encoded);
    std::vector<std::string> results(4);
    std::vector<std::thread> workers;
    for (std::string& result : results) {
        workers.emplace_back([&] {
            for (int i = 0; i < 5; ++i) result = CarryJpegMetadata(source, encoded);
        });
    }
    for (std::thread& t : workers) t.join();
    for (const std::string& result : results) EXPECT_EQ(result, expected);
}

}  // namespace
