#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// One marker segment at the head of a JPEG file.
struct JpegSegment {
    unsigned char marker;   // the byte after 0xFF
    std::string_view body;  // the segment's bytes after its two length bytes
    std::size_t end;        // where the next marker starts
};

// The marker segments of `jpeg` after its start-of-image marker, up to and including its first
// scan header: where its frame, tables and metadata are. Fill bytes before a marker are skipped.
// The walk ends early (the last segment then is no scan header) at the end-of-image marker, at
// bytes that are no marker, or at a segment that is cut short or runs past the bytes given; the
// list is empty when `jpeg` does not start a JPEG.
std::vector<JpegSegment> JpegHeadSegments(std::string_view jpeg);

// Whether `marker` starts a frame (any of SOF0 to SOF15, which share their range with the markers
// of Huffman and arithmetic tables), and whether that frame is progressive.
bool IsJpegFrameMarker(unsigned char marker);
bool IsProgressiveFrameMarker(unsigned char marker);
