#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A WebP file's RIFF chunks, read and written by our own code (the metadata chunks a copy carries,
// the Exif that holds the orientation). Nothing here reads outside the bytes it is given.

// One chunk: its four-letter name, its data, and where it lies (from its name to the end of its
// padding).
struct RiffChunk {
    std::string_view name;
    std::string_view data;
    std::size_t start = 0;
    std::size_t end = 0;
};

// The chunks of the WebP file `webp` in order; `whole`, when given, says whether every chunk the
// RIFF header announces is there whole. Empty when the RIFF/WEBP header is missing.
std::vector<RiffChunk> WebpChunks(std::string_view webp, bool* whole = nullptr);

// The data of the first chunk named `name` ("EXIF", "XMP ", "ICCP"); empty without one.
std::string_view WebpChunk(std::string_view webp, std::string_view name);

// The WebP file `webp` (as an encoder writes it: a lone VP8 or VP8L chunk, or VP8X, ALPH and VP8)
// with the extended header and the metadata chunks of the arguments that are not empty: ICCP
// before the picture, EXIF (TIFF-structured bytes) and "XMP " after it, as the format orders
// them; any metadata chunks it had are replaced. `webp` as it is when nothing is to be added, or
// its chunks cannot be walked whole.
std::string WebpWithMetadata(std::string_view webp, std::string_view exif, std::string_view xmp,
                             std::string_view icc);
