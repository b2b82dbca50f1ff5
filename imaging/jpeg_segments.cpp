#include "imaging/jpeg_segments.h"

#include <cstring>

namespace {

const unsigned char* Bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

bool IsRestartMarker(unsigned char marker) {
    return marker >= JpegMarker::kRst0 && marker <= JpegMarker::kRst7;
}

// Markers with no length bytes after them.
bool StandsAlone(unsigned char marker) {
    return marker == JpegMarker::kTem || IsRestartMarker(marker) || marker == JpegMarker::kSoi ||
           marker == JpegMarker::kEoi;
}

// Where the next 0xFF at or after `from` is; `size` when there is none.
std::size_t NextFf(const unsigned char* p, std::size_t from, std::size_t size) {
    const void* found = std::memchr(p + from, 0xFF, size - from);
    return found ? static_cast<std::size_t>(static_cast<const unsigned char*>(found) - p) : size;
}

}  // namespace

JpegWalker::JpegWalker(std::string_view jpeg) : jpeg_(jpeg) {
    const unsigned char* p = Bytes(jpeg);
    if (jpeg.size() < 2 || p[0] != 0xFF || p[1] != JpegMarker::kSoi) {
        over_ = true;
        return;
    }
    at_ = 2;
}

std::optional<JpegSegment> JpegWalker::NextScanData() {
    const unsigned char* p = Bytes(jpeg_);
    const std::size_t n = jpeg_.size();
    std::size_t i = at_;
    while (true) {
        i = NextFf(p, i, n);
        if (i + 1 >= n) {  // the bytes end inside the scan
            i = n;
            break;
        }
        const unsigned char next = p[i + 1];
        if (next == 0x00 || IsRestartMarker(next)) {
            i += 2;
        } else if (next == JpegMarker::kFill) {
            ++i;
        } else {
            break;
        }
    }
    const JpegSegment data{JpegMarker::kScanData, at_, jpeg_.substr(at_, i - at_), i, 0};
    at_ = i;
    return data;
}

std::optional<JpegSegment> JpegWalker::Next() {
    if (over_) return std::nullopt;
    if (after_scan_header_) {
        after_scan_header_ = false;
        return NextScanData();
    }
    const unsigned char* p = Bytes(jpeg_);
    const std::size_t n = jpeg_.size();
    std::size_t skipped = 0;
    while (true) {
        if (at_ < n && p[at_] != 0xFF) {
            const std::size_t ff = NextFf(p, at_, n);
            skipped += ff - at_;
            at_ = ff;
        }
        if (at_ + 1 >= n) {
            over_ = true;
            return std::nullopt;
        }
        const unsigned char marker = p[at_ + 1];
        if (marker == JpegMarker::kFill) {
            ++at_;
            continue;
        }
        if (marker == 0x00) {  // a stuffed byte outside a scan: damage
            skipped += 2;
            at_ += 2;
            continue;
        }
        const std::size_t start = at_;
        if (StandsAlone(marker)) {
            at_ += 2;
            over_ = marker == JpegMarker::kEoi;
            return JpegSegment{marker, start, {}, at_, skipped};
        }
        if (n - at_ < 4) {
            over_ = damaged_ = true;
            return std::nullopt;
        }
        const std::size_t length = (std::size_t{p[at_ + 2]} << 8) | p[at_ + 3];
        if (length < 2) {
            skipped += 4;
            at_ += 4;
            continue;
        }
        if (length > n - at_ - 2) {
            over_ = damaged_ = true;
            return std::nullopt;
        }
        at_ += 2 + length;
        after_scan_header_ = marker == JpegMarker::kSos;
        return JpegSegment{marker, start, jpeg_.substr(start + 4, length - 2), at_, skipped};
    }
}

std::vector<JpegSegment> JpegHeadSegments(std::string_view jpeg) {
    std::vector<JpegSegment> segments;
    JpegWalker walker(jpeg);
    while (const std::optional<JpegSegment> segment = walker.Next()) {
        if (segment->skipped > 0 || segment->marker == JpegMarker::kEoi) break;
        segments.push_back(*segment);
        if (segment->marker == JpegMarker::kSos) break;
    }
    return segments;
}

bool IsJpegFrameMarker(unsigned char marker) {
    return marker >= JpegMarker::kSof0 && marker <= JpegMarker::kSof15 &&
           marker != JpegMarker::kDht && marker != JpegMarker::kJpg && marker != JpegMarker::kDac;
}

std::optional<JpegFrame> ParseJpegFrame(const JpegSegment& segment) {
    if (!IsJpegFrameMarker(segment.marker)) return std::nullopt;
    const unsigned char* b = Bytes(segment.body);
    const std::size_t size = segment.body.size();
    // Precision, height, width, component count, then three bytes a component.
    if (size < 6) return std::nullopt;
    JpegFrame frame{};
    frame.component_count = b[5];
    if (frame.component_count < 1 || frame.component_count > kMaxJpegComponents ||
        size != 6 + 3 * std::size_t(frame.component_count))
        return std::nullopt;
    frame.precision = b[0];
    frame.height = (b[1] << 8) | b[2];
    frame.width = (b[3] << 8) | b[4];
    if (frame.width < 1 || frame.height < 1) return std::nullopt;
    for (int c = 0; c < frame.component_count; ++c) {
        const unsigned char* at = b + 6 + 3 * c;
        JpegFrame::Component& component = frame.components[c];
        component = {at[0], at[1] >> 4, at[1] & 15};
        if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4)
            return std::nullopt;
    }
    // SOF2, 6, 10 and 14 are progressive; SOF9 and above arithmetic-coded.
    frame.progressive = (segment.marker & 0x03) == 0x02;
    frame.arithmetic = (segment.marker & 0x08) != 0;
    return frame;
}

std::optional<JpegScan> ParseJpegScan(const JpegSegment& segment) {
    if (segment.marker != JpegMarker::kSos) return std::nullopt;
    const unsigned char* b = Bytes(segment.body);
    const std::size_t size = segment.body.size();
    // Component count, two bytes a component, then spectral start, end and approximation.
    if (size < 1) return std::nullopt;
    JpegScan scan{};
    scan.component_count = b[0];
    if (scan.component_count < 1 || scan.component_count > 4 ||
        size != 4 + 2 * std::size_t(scan.component_count))
        return std::nullopt;
    for (int c = 0; c < scan.component_count; ++c) scan.component_ids[c] = b[1 + 2 * c];
    scan.spectral_start = b[1 + 2 * scan.component_count];
    scan.spectral_end = b[2 + 2 * scan.component_count];
    return scan;
}

std::optional<JpegFrame> JpegHeadFrame(std::string_view jpeg) {
    for (const JpegSegment& segment : JpegHeadSegments(jpeg)) {
        if (IsJpegFrameMarker(segment.marker)) return ParseJpegFrame(segment);
    }
    return std::nullopt;
}

bool JpegHasMoreScansThan(std::string_view jpeg, int limit) {
    JpegWalker walker(jpeg);
    int scans = 0;
    while (const std::optional<JpegSegment> segment = walker.Next()) {
        if (segment->marker == JpegMarker::kSos && ++scans > limit) return true;
    }
    return false;
}
