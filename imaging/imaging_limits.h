#pragma once

#include <cstdint>

// The largest picture the imaging layer accepts, in pixels: every real photograph up to 200
// megapixels (a 16320 x 12240 sensor is 199.7 million) with a margin; a header claiming more is
// refused before any pixel memory is taken.
inline constexpr std::int64_t kMaxPicturePixels = 220'000'000;

// Qt's per-image allocation ceiling in megabytes, raised from its default (128) so that a picture
// of kMaxPicturePixels at 4 bytes a pixel can be decoded.
inline constexpr int kImageAllocationLimitMb = 1024;

// Above this many claimed pixels a file must hold at least one byte per kMaxPixelsPerByte pixels:
// even a flat JPEG needs about a bit per 8 x 8 block, so a 100-byte file claiming 100 megapixels is
// a damaged or hostile header, not a picture.
inline constexpr std::int64_t kPlausibilityThresholdPixels = 16'000'000;
inline constexpr std::int64_t kMaxPixelsPerByte = 4096;

// The largest picture file whose bytes are read whole (to decode it, to turn a JPEG losslessly or
// to carry its metadata): a BMP of kMaxPicturePixels at 4 bytes a pixel fits, and no real JPEG
// comes near it (a 200-megapixel picture at quality 100 is about 150 MB). It bounds that memory.
inline constexpr std::int64_t kMaxPictureFileBytes = std::int64_t{1} << 30;

// How much of a JPEG file is read when only its head is wanted (its metadata, its frame): cameras
// and editors put their EXIF, XMP and colour profile in the segments before the first scan, well
// within this.
inline constexpr std::int64_t kJpegHeadBytes = std::int64_t{1} << 20;

// The most scans a JPEG may hold: the limit the decoder library applies under its scan-limit flag.
// Encoders write about ten; each scan of a progressive JPEG is a pass over the whole picture, so a
// small file of a thousand empty scans would keep a decoder busy for many seconds.
inline constexpr int kMaxJpegScans = 500;
