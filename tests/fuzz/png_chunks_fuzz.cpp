// Feeds arbitrary bytes to our PNG chunk reader and writer: the chunks are walked, the layout and
// the metadata read, the Exif's orientation parsed, and metadata cut from the input itself is
// written into it. What is written must read back as written, with every chunk whole, and the
// reads never go outside the input (each in a heap buffer of exactly its size). Seeded with small
// PNGs of tests/data/formats.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "imaging/exif_orientation.h"
#include "imaging/png_chunks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto copy = std::make_unique<char[]>(size + 1);
    std::memcpy(copy.get(), data, size);
    const std::string_view png(copy.get(), size);

    bool whole = false;
    const auto chunks = PngChunks(png, &whole);
    std::size_t at = 8;
    for (const PngChunk& chunk : chunks) {
        if (chunk.start != at || chunk.end > png.size() ||
            chunk.data.size() + 12 != chunk.end - chunk.start)
            std::abort();
        at = chunk.end;
    }
    if (const auto layout = ReadPngLayout(png)) {
        const int orientation = ExifOrientation(layout->exif);
        if (orientation < 0 || orientation > 8) std::abort();
    }
    (void)ReadPngMetadata(png);

    // Metadata cut from the input's last bytes, written and read back.
    const std::size_t part = std::min<std::size_t>(size / 4, 64);
    const std::string exif(png.substr(size - part));
    const std::string xmp(png.substr(size - part / 2));
    const std::string icc(png.substr(size - part / 3));
    const std::string written = PngWithMetadata(png, exif, xmp, icc);
    if (!whole || chunks.empty() || chunks.front().type != "IHDR") {
        if (written != png) std::abort();  // what cannot be walked whole is left as it is
        return 0;
    }
    bool written_whole = false;
    PngChunks(written, &written_whole);
    if (!written_whole) std::abort();
    const PngMetadata read = ReadPngMetadata(written);
    if (read.exif != exif) std::abort();
    if (read.xmp != xmp) std::abort();
    if (read.icc != icc) std::abort();
    return 0;
}
