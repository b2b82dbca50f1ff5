#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A PNG file's chunks, read and written by our own code: the chunks that carry a picture's
// metadata (eXIf, which the metadata library of this system cannot write, iTXt XMP and iCCP), and
// the facts a decoder needs before it starts (the size, an animation). Nothing here reads outside
// the bytes it is given or inflates more than kMaxPngMetadataBytes. Safe from several threads.

// Chunks that inflate to more are not read: no real profile or XMP packet comes near it.
inline constexpr std::size_t kMaxPngMetadataBytes = std::size_t{16} << 20;

// One chunk: its type, its data, and where it lies in the file (from its length field to the end
// of its CRC).
struct PngChunk {
    std::string_view type;
    std::string_view data;
    std::size_t start = 0;
    std::size_t end = 0;
};

// The chunks of `png` in order, up to and with IEND. `whole`, when given, says whether the file
// holds every chunk whole up to IEND (a file cut short lists the chunks before the cut). Empty when
// the PNG signature is missing.
std::vector<PngChunk> PngChunks(std::string_view png, bool* whole = nullptr);

// What a PNG's chunks tell before its pixels are decoded.
struct PngLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bit_depth = 0;
    int colour_type = 0;        // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGB + alpha
    bool transparency = false;  // a tRNS chunk: a palette or colour made transparent
    bool animated = false;      // an acTL chunk before the first IDAT (APNG)
    std::string_view exif;      // the eXIf chunk's data (TIFF-structured), empty without one
};

// The layout of `png`; none when it has no signature or no whole IHDR first.
std::optional<PngLayout> ReadPngLayout(std::string_view png);

// The metadata a PNG carries: Exif from eXIf (else from the "Raw profile type exif" text that
// older tools write), the XMP packet of the iTXt chunk "XML:com.adobe.xmp" and the ICC profile of
// iCCP, each empty when absent or unreadable.
struct PngMetadata {
    std::string exif;
    std::string xmp;
    std::string icc;
};
PngMetadata ReadPngMetadata(std::string_view png);

// `png` with its metadata replaced: every eXIf, iCCP, sRGB, XMP iTXt and raw-profile text chunk
// dropped, then those of the arguments that are not empty written right after IHDR (where every
// reader looks, before the pixels): `exif` (TIFF-structured bytes, without the "Exif\0\0" name) as
// eXIf, `icc` as iCCP (compressed), `xmp` as an uncompressed iTXt "XML:com.adobe.xmp". `png` as
// it is when its chunks cannot be walked whole.
std::string PngWithMetadata(std::string_view png, std::string_view exif, std::string_view xmp,
                            std::string_view icc);

// The text of a tEXt, zTXt or iTXt chunk, inflated when compressed, with its keyword; none when
// the chunk is not one of those or its text cannot be read.
struct PngText {
    std::string_view keyword;
    std::string text;
};
std::optional<PngText> ReadPngText(const PngChunk& chunk);

// The bytes of a "Raw profile type ..." text as ImageMagick and exiftool write them (a line
// break, the name, the count of bytes, then the bytes in hexadecimal over many lines); none when
// it does not read so.
std::optional<std::string> RawProfileBytes(std::string_view text);

// A tEXt chunk "Raw profile type `name`" holding `bytes` in that form.
std::string RawProfileChunk(std::string_view name, std::string_view bytes);

// The data of an uncompressed iTXt chunk holding the XMP packet `xmp`.
std::string PngXmpChunkData(std::string_view xmp);

// One chunk as written into a file: length, type, data and CRC.
std::string PngChunkBytes(std::string_view type, std::string_view data);
