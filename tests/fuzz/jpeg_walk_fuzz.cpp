// Feeds arbitrary bytes to every reader of a JPEG's segments, each time in a heap buffer of exactly
// the input's size (never one with a terminator or slack behind it), so that a read one byte past
// the end is an AddressSanitizer report. Every cut of the input (its first 0, 1, 2, ... bytes) is
// read the same way: a file cut short is the common damage, and the byte past a cut is where such
// reads go wrong. The whole input is also decoded at 1/8, which walks a progressive file's scans
// to leave out what that scale does not need. Its seeds are cut from tests/data/jpeg/good
// (mozilla_jpg-progressive.jpg, jd_restarts.jpg; licences in tests/data/MANIFEST.tsv).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "imaging/imaging_limits.h"
#include "imaging/jpeg_decode.h"
#include "imaging/jpeg_segments.h"
#include "tests/fuzz/load_image_library.h"

namespace {

// The segments of `jpeg`, checked to lie inside it, in order, one after the other, each read by
// the header parsers.
std::vector<JpegSegment> Walk(std::string_view jpeg) {
    std::vector<JpegSegment> segments;
    JpegWalker walker(jpeg);
    std::size_t at = 2;
    while (const std::optional<JpegSegment> s = walker.Next()) {
        const char* end = jpeg.data() + jpeg.size();
        if (s->start < at || s->start > s->end || s->end > jpeg.size() ||
            (!s->body.empty() && (s->body.data() < jpeg.data() || s->body.data() > end ||
                                  s->body.size() > std::size_t(end - s->body.data()))))
            std::abort();
        (void)ParseJpegFrame(*s);
        (void)ParseJpegScan(*s);
        at = s->end;
        segments.push_back(*s);
    }
    return segments;
}

// Every reader of the segments on `jpeg`; its walk.
std::vector<JpegSegment> ReadAll(std::string_view jpeg) {
    (void)JpegHeadSegments(jpeg);
    (void)JpegHeadFrame(jpeg);
    (void)JpegCoefficientBytes(jpeg);
    (void)JpegHasMoreScansThan(jpeg, kMaxJpegScans);
    return Walk(jpeg);
}

// A copy of the first `size` bytes in a buffer of exactly that size.
std::unique_ptr<char[]> Exact(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<char[]> copy(new char[size]);
    if (size > 0) std::memcpy(copy.get(), data, size);
    return copy;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LoadImageLibraryOrAbort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::unique_ptr<char[]> whole_copy = Exact(data, size);
    const std::string_view whole(whole_copy.get(), size);
    const std::vector<JpegSegment> full = ReadAll(whole);
    (void)DecodeJpeg(whole, 1, true);
    for (std::size_t cut = 0; cut < size; ++cut) {
        const std::unique_ptr<char[]> copy = Exact(data, cut);
        const std::vector<JpegSegment> segments = ReadAll(std::string_view(copy.get(), cut));
        // A cut never changes what came before it: its segments are the whole input's, only the
        // data of a scan it cuts is shorter.
        if (segments.size() > full.size()) std::abort();
        for (std::size_t i = 0; i < segments.size(); ++i) {
            const JpegSegment& a = segments[i];
            const JpegSegment& b = full[i];
            if (a.marker != b.marker || a.start != b.start || a.skipped != b.skipped ||
                (a.end != b.end && !(a.marker == JpegMarker::kScanData && a.end == cut)))
                std::abort();
        }
    }
    return 0;
}
