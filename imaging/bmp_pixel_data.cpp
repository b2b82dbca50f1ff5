#include "imaging/bmp_pixel_data.h"

#include <cstdint>
#include <cstdlib>

namespace {

std::uint32_t Little(std::string_view bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

// Run-length data of `width` x `height` pixels at 4 bits a pixel (`four`) or 8: whole when it
// reaches its end-of-bitmap code, or ends after its last row is full (some writers leave the
// code out), and no code in it reaches past the picture (its pixels would be dropped, or written
// where the picture has none). Example: "05 1a 00 00 00 01" is a row of five pixels, the end of
// the line, the end.
bool RunLengthWhole(std::string_view data, std::int64_t width, std::int64_t height, bool four) {
    std::size_t at = 0;
    std::int64_t x = 0;
    std::int64_t y = 0;
    for (;;) {
        if (data.size() - at < 2) return y >= height || (y == height - 1 && x >= width);
        const unsigned count = static_cast<unsigned char>(data[at]);
        const unsigned code = static_cast<unsigned char>(data[at + 1]);
        at += 2;
        if (count == 0 && code == 1) return true;  // end of the bitmap
        if (count == 0 && code == 0) {             // end of the line
            x = 0;
            ++y;
            continue;
        }
        if (count == 0 && code == 2) {  // a move right and down
            if (data.size() - at < 2) return false;
            x += static_cast<unsigned char>(data[at]);
            y += static_cast<unsigned char>(data[at + 1]);
            at += 2;
            if (x > width || y > height) return false;
            continue;
        }
        if (count == 0) {  // `code` pixels as they are, padded to a whole number of 16-bit words
            std::size_t bytes = four ? (code + 1) / 2 : code;
            bytes += bytes % 2;
            if (data.size() - at < bytes) return false;
            at += bytes;
        }
        // Pixels, of a run or as they are: within the row, and within the picture.
        x += count > 0 ? count : code;
        if (x > width || y >= height) return false;
    }
}

}  // namespace

bool BmpPixelDataWhole(std::string_view bmp) {
    constexpr std::size_t kFileHeader = 14;
    if (bmp.size() < kFileHeader + 16 || bmp.substr(0, 2) != "BM") return true;
    const std::uint32_t offset = Little(bmp, 10, 4);
    const std::uint32_t info = Little(bmp, kFileHeader, 4);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
    if (info == 12) {  // OS/2 1.x: 16-bit sizes, never compressed
        width = Little(bmp, kFileHeader + 4, 2);
        height = Little(bmp, kFileHeader + 6, 2);
        bits = Little(bmp, kFileHeader + 10, 2);
    } else if (info >= 16 && bmp.size() >= kFileHeader + 20) {
        width = static_cast<std::int32_t>(Little(bmp, kFileHeader + 4, 4));
        height = std::llabs(static_cast<std::int32_t>(Little(bmp, kFileHeader + 8, 4)));
        bits = Little(bmp, kFileHeader + 14, 2);
        if (info >= 20) compression = Little(bmp, kFileHeader + 16, 4);
        // OS/2 2.x headers (16 to 64 bytes, other than Windows' 40, 52 and 56) number their codes
        // differently: 3 is Huffman and 4 run-length 24, neither read here.
        const bool os2 = info != 40 && info != 52 && info != 56 && info <= 64;
        if (os2 && compression >= 3) return true;
    } else {
        return true;
    }
    // A size or a pixel offset that makes no sense is for the reader to refuse.
    if (width < 1 || height < 1 || offset < kFileHeader + info) return true;
    if (offset > bmp.size()) return false;
    const std::string_view data = bmp.substr(offset);
    switch (compression) {
        case 0:  // uncompressed
        case 3:  // uncompressed with bit fields
        case 6: {
            // Every row is padded to 4 bytes; the last row's padding may be missing.
            const std::int64_t row_bits = width * bits;
            const std::int64_t stride = (row_bits + 31) / 32 * 4;
            return static_cast<std::int64_t>(data.size()) >=
                   stride * (height - 1) + (row_bits + 7) / 8;
        }
        case 1:
            return RunLengthWhole(data, width, height, false);
        case 2:
            return RunLengthWhole(data, width, height, true);
        default:  // an embedded JPEG or PNG: its own reader tells
            return true;
    }
}
