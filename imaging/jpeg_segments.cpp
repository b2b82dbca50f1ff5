#include "imaging/jpeg_segments.h"

std::vector<JpegSegment> JpegHeadSegments(std::string_view jpeg) {
    std::vector<JpegSegment> segments;
    const auto* p = reinterpret_cast<const unsigned char*>(jpeg.data());
    const std::size_t n = jpeg.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return segments;
    std::size_t at = 2;
    while (at + 4 <= n && p[at] == 0xFF) {
        const unsigned char marker = p[at + 1];
        if (marker == 0xFF) {  // a fill byte before the marker
            ++at;
            continue;
        }
        if (marker == 0xD9) break;  // end of image
        const std::size_t length = (std::size_t{p[at + 2]} << 8) | p[at + 3];
        if (length < 2 || at + 2 + length > n) break;
        segments.push_back({marker, jpeg.substr(at + 4, length - 2), at + 2 + length});
        if (marker == 0xDA) break;
        at += 2 + length;
    }
    return segments;
}

bool IsJpegFrameMarker(unsigned char marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool IsProgressiveFrameMarker(unsigned char marker) {
    return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
}
