#include "imaging/jpeg_segments.h"

#include <gtest/gtest.h>

#include <QLoggingCategory>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/jpeg_decode.h"
#include "imaging/lossless_turn.h"
#include "tests/imaging/imaging_test_support.h"

namespace {

// The walk of `jpeg` as text: each segment's marker in hexadecimal, "+N" when N bytes of damage
// were skipped before it; then "damaged" when the walk ended at a segment that runs past the end.
std::string WalkText(const std::string& jpeg) {
    JpegWalker walker(jpeg);
    std::string text;
    while (const std::optional<JpegSegment> s = walker.Next()) {
        char marker[8];
        std::snprintf(marker, sizeof marker, "%02X", s->marker);
        text += std::string(text.empty() ? "" : " ") + marker;
        if (s->skipped > 0) text += "+" + std::to_string(s->skipped);
    }
    if (walker.Damaged()) text += text.empty() ? "damaged" : " damaged";
    return text;
}

TEST(JpegWalker, ReadsSegmentsScanDataAndDamageAsTheDecoderDoes) {
    const std::string soi("\xFF\xD8", 2);
    const std::string scan("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    struct Row {
        const char* name;
        std::string bytes;
        const char* walk;
    };
    const std::vector<Row> rows = {
        {"stuffed bytes, restart markers and fill bytes stay inside a scan's data",
         soi + std::string("\xFF\xE0\x00\x04\xAB\xCD", 6) + scan +
             std::string("\x12\xFF\x00\x34\xFF\xD3\x56\xFF\xFF\xFF\xD9", 11),
         "E0 DA 00 D9"},
        {"bytes where a marker should be are skipped and counted",
         soi + std::string("\x12\x34\xFF\xE1\x00\x02\xFF\xFF\xFF\xD9", 10), "E1+2 D9"},
        {"a length below 2 is skipped like damage",
         soi + std::string("\xFF\xE1\x00\x00\xFF\xD9", 6), "D9+4"},
        {"a marker that stands alone has no length", soi + std::string("\xFF\x01\xFF\xD9", 4),
         "01 D9"},
        {"a length past the end", soi + std::string("\xFF\xE0\x00\x10\x00", 5), "damaged"},
        {"the end inside a length", soi + std::string("\xFF\xE0\x00", 3), "damaged"},
        {"the end inside a scan's data", soi + scan + std::string("\x12\xFF", 2), "DA 00"},
        {"nothing after the end-of-image marker is read",
         soi + std::string("\xFF\xD9\xFF\xE0\x00\x10", 6), "D9"},
        {"not a JPEG", std::string("\xFF\xD9\xFF\xD8", 4), ""},
    };
    for (const Row& r : rows) EXPECT_EQ(WalkText(r.bytes), r.walk) << r.name;
}

// Each reader of a JPEG's segments, handed every cut of real files in buffers of exactly that
// size (in the sanitizer build a read past the end fails at once): a progressive photograph, the
// same with a scan header that holds nothing at the very end (where a walk that trusts the
// length reads its component count past the buffer), and a sequential one's head with such a
// first scan header (where the memory estimate reads it).
TEST(JpegWalker, EveryReaderStaysInsideABufferCutAtAnyByte) {
    const std::string photo = ReadTestFile(TestDataPath("jpeg/good/mozilla_jpg-progressive.jpg"));
    std::vector<std::size_t> scans;
    for (std::size_t at = photo.find("\xFF\xDA"); at != std::string::npos;
         at = photo.find("\xFF\xDA", at + 1))
        scans.push_back(at);
    ASSERT_GE(scans.size(), 3u);
    // The decoder's complaints about each cut are expected by the thousand.
    QLoggingCategory::setFilterRules("qt.gui.imageio*=false");
    const std::string sequential =
        ReadTestFile(TestDataPath("jpeg/good/mozilla_jpg-size-16x16.jpg"));
    const std::string empty_scan("\xFF\xDA\x00\x02", 4);
    for (const std::string& jpeg :
         {photo, photo.substr(0, scans[2]) + empty_scan,
          sequential.substr(0, sequential.find("\xFF\xDA")) + empty_scan}) {
        for (std::size_t size = 0; size <= jpeg.size(); ++size) {
            const std::unique_ptr<char[]> exact(new char[size]);
            std::memcpy(exact.get(), jpeg.data(), size);
            const std::string_view cut(exact.get(), size);
            (void)JpegHeadSegments(cut);
            (void)JpegCoefficientBytes(cut);
            (void)JpegHasMoreScansThan(cut, 500);
            (void)DecodeJpeg(cut, 1, true);
            (void)TurnJpegLosslessly(cut, 2);
        }
    }
    // The walk itself: every scan found, and the file decodes from its DC scans.
    EXPECT_TRUE(JpegHasMoreScansThan(photo, static_cast<int>(scans.size()) - 1));
    EXPECT_FALSE(JpegHasMoreScansThan(photo, static_cast<int>(scans.size())));
    EXPECT_EQ(DecodeJpeg(photo, 1, false).image.size(), QSize(4, 4));
}

}  // namespace
