#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

// The one walk over a JPEG file's segments that every reader of its bytes here shares, and the
// parsers of the two segments they read (the frame header and the scan header). Nothing here reads
// a byte outside the bytes it is given: a caller may pass an exact-size buffer.

// The markers the readers look for: the byte after 0xFF.
struct JpegMarker {
    // Not a marker at all (0xFF 0x00 is a stuffed byte): the walk gives a scan's entropy-coded
    // data under this name.
    static constexpr unsigned char kScanData = 0x00;
    static constexpr unsigned char kTem = 0x01;
    static constexpr unsigned char kSof0 = 0xC0;  // the frames: SOF0 to SOF15, less the three below
    static constexpr unsigned char kDht = 0xC4;
    static constexpr unsigned char kJpg = 0xC8;
    static constexpr unsigned char kDac = 0xCC;
    static constexpr unsigned char kSof15 = 0xCF;
    static constexpr unsigned char kRst0 = 0xD0;
    static constexpr unsigned char kRst7 = 0xD7;
    static constexpr unsigned char kSoi = 0xD8;
    static constexpr unsigned char kEoi = 0xD9;
    static constexpr unsigned char kSos = 0xDA;
    static constexpr unsigned char kFill = 0xFF;
};

// One segment of a JPEG file.
struct JpegSegment {
    unsigned char marker;   // JpegMarker::kScanData for the data after a scan header
    std::size_t start;      // where its marker's 0xFF is (the data's first byte for scan data)
    std::string_view body;  // after the two length bytes; empty for a marker that stands alone;
                            // the data itself for scan data
    std::size_t end;        // where the next one starts
    std::size_t skipped;    // bytes before the marker that are neither a marker nor fill: damage
};

// Walks the segments of a JPEG file in order, as the decoder library reads them: after each scan
// header the scan's entropy-coded data (which runs to the next marker that is neither a stuffed
// zero nor a restart marker), fill bytes before a marker passed over, and other bytes where a
// marker should be skipped and counted in the next segment's `skipped`. Markers that stand alone
// (TEM, RST0 to RST7, SOI, EOI) are segments with no body. A marker whose length is below 2 is
// skipped like damage, as the library passes over such a marker.
class JpegWalker {
  public:
    // Nothing to walk when `jpeg` does not start with the start-of-image marker.
    explicit JpegWalker(std::string_view jpeg);

    // The next segment, or none when the walk is over: after the end-of-image marker, at the end
    // of the bytes, or at a segment whose length runs past them (Damaged()).
    std::optional<JpegSegment> Next();

    // Whether the walk ended at a segment that runs past the bytes given.
    bool Damaged() const { return damaged_; }

  private:
    std::optional<JpegSegment> NextScanData();

    std::string_view jpeg_;
    std::size_t at_ = 0;
    bool after_scan_header_ = false;
    bool over_ = false;
    bool damaged_ = false;
};

// The segments of `jpeg` after its start-of-image marker up to and including its first scan
// header: where its frame, tables and metadata are. The walk ends early (the last segment then is
// no scan header) at the end-of-image marker, at damage (bytes that are no marker) or at a segment
// that runs past the bytes given; the list is empty when `jpeg` does not start a JPEG.
std::vector<JpegSegment> JpegHeadSegments(std::string_view jpeg);

// Whether `marker` starts a frame (any of SOF0 to SOF15, which share their range with the markers
// of Huffman and arithmetic tables).
bool IsJpegFrameMarker(unsigned char marker);

// The most components a frame may have: as many as the decoder library takes.
inline constexpr int kMaxJpegComponents = 10;

// What a frame header says.
struct JpegFrame {
    struct Component {
        int id;
        int h;  // sampling factors, 1 to 4
        int v;
    };
    bool progressive;
    bool arithmetic;
    int precision;
    int width;
    int height;
    int component_count;  // 1 to kMaxJpegComponents
    std::array<Component, kMaxJpegComponents> components;
};

// The frame header of a frame segment; none when it is not one, or its length, size, component
// count or sampling factors are such as the decoder library refuses.
std::optional<JpegFrame> ParseJpegFrame(const JpegSegment& segment);

// What a scan header says.
struct JpegScan {
    int component_count;  // 1 to 4
    std::array<int, 4> component_ids;
    int spectral_start;
    int spectral_end;
};

// The scan header of a scan segment; none when it is not one or its length disagrees with its
// component count.
std::optional<JpegScan> ParseJpegScan(const JpegSegment& segment);

// The first frame header of `jpeg` among its head segments; none when there is none before its
// first scan.
std::optional<JpegFrame> JpegHeadFrame(std::string_view jpeg);

// Whether `jpeg` holds more than `limit` scan headers. Stops counting at the limit, so a hostile
// file costs at most one pass over its bytes.
bool JpegHasMoreScansThan(std::string_view jpeg, int limit);
