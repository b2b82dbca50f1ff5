// PNG through libpng: decoded straight into the picture's own pixels (8 bits, or 16 with
// RGBX64/RGBA64; alpha kept where the file has it, a palette's transparency too) and encoded
// losslessly at zlib level 6. The metadata chunks are read and written by png_chunks, never by
// libpng, which is told to skip them. A whole, sound file of 8-bit RGB or RGBA rows, the photograph
// and screenshot kind, is decoded by our own code instead: its data inflated at once by libdeflate
// and its rows unfiltered here, which took half the processor time libpng and zlib took for a
// 12-megapixel photograph; anything else, or anything that code finds wrong, goes to libpng, which
// has the last word on a damaged file.

// png.h needs the setjmp of its own build; it is included first.
#include <png.h>
// libdeflate: the whole-buffer inflate of the fast path.
#include <libdeflate.h>

#include <emmintrin.h>

#include <QImage>
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "imaging/exif_orientation.h"
#include "imaging/image_kind_codecs.h"
#include "imaging/picture_pixels.h"
#include "imaging/pixel_buffer.h"
#include "imaging/png_chunks.h"
#include "platform/large_memory.h"

// The functions that set a jump point below hand back what they make through their callers'
// objects, and hold nothing with a destructor across a jump (libpng's errors jump).

namespace {

constexpr bool kLittleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;

// Where libpng reads from and what it met.
struct ReadSource {
    const char* data;
    std::size_t size;
    std::size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<ReadSource*>(png_get_io_ptr(png));
    if (count > source->size - source->at) png_error(png, "cut short");
    std::memcpy(out, source->data + source->at, count);
    source->at += count;
}

[[noreturn]] void JumpOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// A damaged ancillary chunk is skipped without a word: the picture is still whole.
void IgnoreWarning(png_structp, png_const_charp) {}

// The ancillary chunks libpng would otherwise parse: the metadata is read by png_chunks, and
// nothing else of them changes a pixel we keep (tRNS, which does, is left to libpng).
constexpr png_byte kSkippedChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0"
    "tEXt\0tIME\0zTXt\0";

struct Decoder {
    png_structp png;
    png_infop info;
    ReadSource source;
    void Finish() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};
static_assert(std::is_trivially_destructible_v<Decoder>);

// The pixels the decoder writes: Format_RGB32 in memory order B G R X (little-endian), and its
// alpha and 16-bit cousins.
QImage::Format OutputFormat(bool alpha, bool deep) {
    if (deep) return alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64;
    return alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

// Decodes into `image`, which the caller owns; `damaged` says whether the data broke off (the rows
// after it are left as they were). False when no picture was begun.
bool DecodeInto(std::string_view bytes, bool alpha, bool deep, bool show_damaged, QImage& image,
                bool& damaged) {
    Decoder d{};
    d.source = {bytes.data(), bytes.size(), 0};
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
    if (!d.png) return false;
    d.info = png_create_info_struct(d.png);
    if (!d.info) {
        d.Finish();
        return false;
    }
    if (setjmp(png_jmpbuf(d.png))) {
        // Jumped here from an error: after the first row was read, the picture is damaged.
        const bool begun = !image.isNull();
        damaged = true;
        d.Finish();
        return begun;
    }
    png_set_read_fn(d.png, &d.source, ReadFromMemory);
    png_set_keep_unknown_chunks(d.png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks,
                                static_cast<int>(sizeof(kSkippedChunks) / 5));
    png_set_keep_unknown_chunks(d.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_chunk_malloc_max(d.png, kMaxPngMetadataBytes);
    png_read_info(d.png, d.info);
    const png_uint_32 width = png_get_image_width(d.png, d.info);
    const png_uint_32 height = png_get_image_height(d.png, d.info);
    const int colour = png_get_color_type(d.png, d.info);
    const int depth = png_get_bit_depth(d.png, d.info);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(d.png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(d.png);
    if (png_get_valid(d.png, d.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(d.png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(d.png);
    if (deep) {
        if (kLittleEndian) png_set_swap(d.png);
        if (!alpha) png_set_filler(d.png, 0xFFFF, PNG_FILLER_AFTER);
    } else {
        if (depth == 16) png_set_strip_16(d.png);
        if (kLittleEndian) png_set_bgr(d.png);
        if (!alpha)
            png_set_filler(d.png, 0xFF, kLittleEndian ? PNG_FILLER_AFTER : PNG_FILLER_BEFORE);
        else if (!kLittleEndian)
            png_set_swap_alpha(d.png);
    }
    const int passes = png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);
    if (png_get_rowbytes(d.png, d.info) != static_cast<png_size_t>(width) * (deep ? 8 : 4)) {
        d.Finish();
        return false;
    }
    image =
        NewPixelImage(static_cast<int>(width), static_cast<int>(height), OutputFormat(alpha, deep));
    if (image.isNull()) {
        d.Finish();
        return false;
    }
    // A damaged picture shown as far as it decodes has a grey rest, as a damaged JPEG has.
    if (show_damaged) image.fill(QColor(128, 128, 128));
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(d.png, image.scanLine(static_cast<int>(y)), nullptr);
    }
    d.Finish();
    return true;
}

// The fast path: rows of 8-bit RGB or RGBA (`channels` 3 or 4), not interlaced.

// Paeth's predictor for one pixel of up to four bytes, in 16-bit lanes: the neighbour (a left, b
// above, c above left) nearest to a + b - c, a first on a tie, then b.
inline __m128i Paeth(__m128i a, __m128i b, __m128i c) {
    const __m128i pa = _mm_sub_epi16(b, c);  // p - a
    const __m128i pb = _mm_sub_epi16(a, c);  // p - b
    const __m128i pc = _mm_add_epi16(pa, pb);
    const auto abs16 = [](__m128i v) {
        return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
    };
    const __m128i da = abs16(pa), db = abs16(pb), dc = abs16(pc);
    const __m128i smallest = _mm_min_epi16(_mm_min_epi16(da, db), dc);
    // c where it is nearer than a and b, else b where nearer than a, else a.
    const __m128i not_a = _mm_cmpgt_epi16(da, smallest);
    const __m128i b_or_c = _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi16(db, smallest), b),
                                        _mm_andnot_si128(_mm_cmpeq_epi16(db, smallest), c));
    return _mm_or_si128(_mm_and_si128(not_a, b_or_c), _mm_andnot_si128(not_a, a));
}

// `count` bytes of a pixel in 16-bit lanes; a constant count makes the copies plain moves.
template <int count>
inline __m128i LoadPixel(const std::uint8_t* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, count);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), _mm_setzero_si128());
}

template <int count>
inline void StorePixel(std::uint8_t* p, __m128i v) {
    const auto packed = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
    std::memcpy(p, &packed, count);
}

// Paeth's filter undone along a row. Pixels are read and written four bytes at a time while four
// bytes remain: of a 3-byte pixel the fourth lane belongs to the next pixel, is worked on alone
// (no lane reaches another) and is written again with that pixel.
template <int channels>
void UnpaethRow(const std::uint8_t* in, const std::uint8_t* prior, std::uint8_t* out,
                std::size_t bytes) {
    __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
    const __m128i mask = _mm_set1_epi16(0xFF);
    std::size_t i = 0;
    for (; i + 4 <= bytes; i += channels) {
        const __m128i b = LoadPixel<4>(prior + i);
        a = _mm_and_si128(_mm_add_epi16(LoadPixel<4>(in + i), Paeth(a, b, c)), mask);
        StorePixel<4>(out + i, a);
        c = b;
    }
    for (; i < bytes; i += channels) {
        const __m128i b = LoadPixel<channels>(prior + i);
        a = _mm_and_si128(_mm_add_epi16(LoadPixel<channels>(in + i), Paeth(a, b, c)), mask);
        StorePixel<channels>(out + i, a);
        c = b;
    }
}

// Undoes one row's filter into `out` from its filtered bytes `in` (after the filter type byte),
// `prior` being the row above unfiltered (zeros above the first). False for an unknown filter.
template <int channels>
bool UnfilterRow(int filter, const std::uint8_t* in, const std::uint8_t* prior, std::uint8_t* out,
                 std::size_t bytes) {
    constexpr auto step = static_cast<std::size_t>(channels);
    switch (filter) {
        case 0:
            std::memcpy(out, in, bytes);
            return true;
        case 1:
            std::memcpy(out, in, step);
            for (std::size_t i = step; i < bytes; ++i)
                out[i] = static_cast<std::uint8_t>(in[i] + out[i - step]);
            return true;
        case 2:
            for (std::size_t i = 0; i < bytes; ++i)
                out[i] = static_cast<std::uint8_t>(in[i] + prior[i]);
            return true;
        case 3:
            for (std::size_t i = 0; i < step; ++i)
                out[i] = static_cast<std::uint8_t>(in[i] + (prior[i] >> 1));
            for (std::size_t i = step; i < bytes; ++i)
                out[i] = static_cast<std::uint8_t>(in[i] + ((out[i - step] + prior[i]) >> 1));
            return true;
        case 4:
            UnpaethRow<channels>(in, prior, out, bytes);
            return true;
        default:
            return false;
    }
}

// The inflated rows `raw` (a filter byte and width x channels bytes each) of a picture of width x
// height as `image`'s pixels, B G R A in memory. The rows of `raw` may lie in `image`'s own memory
// as long as each row of pixels written ends before the next raw row starts. False when a row has
// an unknown filter, or memory failed (noted).
bool UnfilterInto(const std::uint8_t* raw, int width, int height, int channels, QImage& image) {
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    std::vector<std::uint8_t> rows;
    try {
        rows.assign(2 * bytes + 4, 0);  // the row above and this one, a pixel's slack
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        return false;
    }
    std::uint8_t* prior = rows.data();
    std::uint8_t* current = rows.data() + bytes;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = raw + static_cast<std::size_t>(y) * (bytes + 1);
        if (!(channels == 4 ? UnfilterRow<4>(in[0], in + 1, prior, current, bytes)
                            : UnfilterRow<3>(in[0], in + 1, prior, current, bytes)))
            return false;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::uint8_t* p = current;
        if (channels == 4) {
            for (int x = 0; x < width; ++x, p += 4) out[x] = qRgba(p[0], p[1], p[2], p[3]);
        } else {
            for (int x = 0; x < width; ++x, p += 3) out[x] = qRgb(p[0], p[1], p[2]);
        }
        std::swap(prior, current);
    }
    return true;
}

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};
struct LargeDeleter {
    std::size_t bytes;
    void operator()(void* memory) const { FreeLarge(memory, bytes); }
};

// The picture of a whole, sound PNG of 8-bit RGB or RGBA rows without interlace or tRNS, decoded
// without libpng; null when the file is not one, or anything about its data is not as it should
// be (a CRC, the inflated size, a filter), and then libpng decodes it and tells what is wrong.
QImage DecodeFast(std::string_view bytes, const PngLayout& layout) {
    if (layout.bit_depth != 8 || (layout.colour_type != 2 && layout.colour_type != 6) ||
        layout.transparency)
        return {};
    bool whole = false;
    const std::vector<PngChunk> chunks = PngChunks(bytes, &whole);
    if (!whole || chunks.empty() || chunks.front().type != "IHDR" ||
        chunks.front().data.size() != 13)
        return {};
    const std::string_view header = chunks.front().data;
    if (header[10] != 0 || header[11] != 0 || header[12] != 0)  // methods; interlace
        return {};
    // The IDAT chunks in one run; every critical chunk known and with a sound CRC (libpng refuses
    // a file otherwise).
    std::vector<std::string_view> idat;
    std::size_t compressed = 0;
    bool ended = false;
    for (const PngChunk& chunk : chunks) {
        const bool is_idat = chunk.type == "IDAT";
        if (is_idat && ended) return {};
        if (!is_idat && !idat.empty()) ended = true;
        if (chunk.type[0] & 0x20) continue;  // ancillary
        if (!is_idat && chunk.type != "IHDR" && chunk.type != "PLTE" && chunk.type != "IEND")
            return {};
        const std::string_view stored = bytes.substr(chunk.start, chunk.end - chunk.start);
        const std::uint32_t crc = libdeflate_crc32(0, stored.data() + 4, stored.size() - 8);
        const auto* end = reinterpret_cast<const std::uint8_t*>(stored.data() + stored.size());
        if (crc != (std::uint32_t{end[-4]} << 24 | std::uint32_t{end[-3]} << 16 |
                    std::uint32_t{end[-2]} << 8 | end[-1]))
            return {};
        if (is_idat) {
            idat.push_back(chunk.data);
            compressed += chunk.data.size();
        }
    }
    if (idat.empty()) return {};
    const int width = static_cast<int>(layout.width);
    const int height = static_cast<int>(layout.height);
    const int channels = layout.colour_type == 6 ? 4 : 3;
    const std::size_t row = static_cast<std::size_t>(width) * channels + 1;
    const std::size_t inflated = row * static_cast<std::size_t>(height);
    QImage image =
        NewPixelImage(width, height, channels == 4 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) return {};
    // RGB rows are inflated into the end of the picture's own memory, which the pixels fill from
    // its start (a row of pixels never reaches the raw row after it); RGBA rows are larger than
    // their pixels and get memory of their own.
    const std::size_t picture_bytes = static_cast<std::size_t>(image.bytesPerLine()) * height;
    std::unique_ptr<void, LargeDeleter> own(nullptr, LargeDeleter{inflated});
    std::uint8_t* raw = nullptr;
    const bool in_place =
        channels == 3 && image.bytesPerLine() == width * 4 && inflated <= picture_bytes;
    if (in_place) {
        raw = image.bits() + (picture_bytes - inflated);
    } else {
        own.reset(AllocateLargeZeroed(inflated));
        if (!own) {
            NoteOutOfMemory();
            return {};
        }
        raw = static_cast<std::uint8_t*>(own.get());
    }
    // The compressed data in one piece: in the picture's memory before the raw rows where it fits
    // there (the pixels overwrite it only once it has been inflated), else a copy of its own.
    std::string joined;
    std::string_view input = idat.front();
    if (idat.size() > 1 && in_place && compressed <= picture_bytes - inflated) {
        auto* to = reinterpret_cast<char*>(image.bits());
        input = std::string_view(to, compressed);
        for (const std::string_view part : idat) {
            std::memcpy(to, part.data(), part.size());
            to += part.size();
        }
    } else if (idat.size() > 1) {
        try {
            joined.reserve(compressed);
            for (const std::string_view part : idat) joined.append(part);
        } catch (const std::bad_alloc&) {
            NoteOutOfMemory();
            return {};
        }
        input = joined;
    }
    const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor) {
        NoteOutOfMemory();
        return {};
    }
    std::size_t actual = 0;
    if (libdeflate_zlib_decompress(decompressor.get(), input.data(), input.size(), raw, inflated,
                                   &actual) != LIBDEFLATE_SUCCESS ||
        actual != inflated)
        return {};
    joined = std::string();
    if (!UnfilterInto(raw, width, height, channels, image)) return {};
    return image;
}

// Where libpng writes to: the caller's string, grown here; a failure to grow it is an error of
// libpng's (which jumps) rather than an exception through its C frames.
struct WriteTarget {
    std::string* out;
};

void WriteToMemory(png_structp png, png_bytep data, png_size_t count) {
    auto* target = static_cast<WriteTarget*>(png_get_io_ptr(png));
    try {
        target->out->append(reinterpret_cast<const char*>(data), count);
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        png_error(png, "out of memory");
    }
}

void FlushNothing(png_structp) {}

struct Encoder {
    png_structp png;
    png_infop info;
    WriteTarget target;
    void Finish() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};
static_assert(std::is_trivially_destructible_v<Encoder>);

// Encodes `pixels` (a picture format) into `out`; false when libpng failed.
bool EncodeInto(const QImage& pixels, std::string& out) {
    Encoder e{};
    e.target.out = &out;
    e.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
    if (!e.png) return false;
    e.info = png_create_info_struct(e.png);
    if (!e.info) {
        e.Finish();
        return false;
    }
    if (setjmp(png_jmpbuf(e.png))) {
        e.Finish();
        return false;
    }
    png_set_write_fn(e.png, &e.target, WriteToMemory, FlushNothing);
    png_set_compression_level(e.png, 6);
    const bool alpha = HasAlphaChannel(pixels.format());
    const bool deep = pixels.depth() == 64;
    png_set_IHDR(e.png, e.info, static_cast<png_uint_32>(pixels.width()),
                 static_cast<png_uint_32>(pixels.height()), deep ? 16 : 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(e.png, e.info);
    if (deep) {
        if (kLittleEndian) png_set_swap(e.png);
        if (!alpha) png_set_filler(e.png, 0, PNG_FILLER_AFTER);
    } else {
        if (kLittleEndian) png_set_bgr(e.png);
        if (!alpha)
            png_set_filler(e.png, 0, kLittleEndian ? PNG_FILLER_AFTER : PNG_FILLER_BEFORE);
        else if (!kLittleEndian)
            png_set_swap_alpha(e.png);
    }
    for (int y = 0; y < pixels.height(); ++y)
        png_write_row(e.png, const_cast<png_bytep>(pixels.constScanLine(y)));
    png_write_end(e.png, nullptr);
    e.Finish();
    return true;
}

}  // namespace

void ProbePng(std::string_view bytes, PictureFacts& facts) {
    const std::optional<PngLayout> layout = ReadPngLayout(bytes);
    if (!layout) {
        facts.refusal = PictureRefusal::kUnreadable;
        return;
    }
    facts.stored = {static_cast<int>(std::min<std::uint32_t>(layout->width, 0x7FFFFFFF)),
                    static_cast<int>(std::min<std::uint32_t>(layout->height, 0x7FFFFFFF))};
    const int orientation = ExifOrientation(layout->exif);
    const bool swaps = orientation >= 5;
    facts.upright = swaps ? ImgKitSize{facts.stored.height, facts.stored.width} : facts.stored;
    facts.alpha = layout->colour_type == 4 || layout->colour_type == 6 || layout->transparency;
    facts.deep = layout->bit_depth == 16;
    facts.lossless = true;
    if (layout->animated) {
        facts.refusal = PictureRefusal::kAnimated;
    } else if (!PlausiblePictureSize(layout->width, layout->height, bytes.size())) {
        facts.refusal = PictureRefusal::kTooLarge;
    }
}

ImageHandle DecodePng(std::string_view bytes, const DecodeRequest& request,
                      PictureRefusal& refusal) {
    PictureFacts facts;
    ProbePng(bytes, facts);
    refusal = facts.refusal;
    if (refusal != PictureRefusal::kNone) return {};
    refusal = PictureRefusal::kUnreadable;
    const bool show = request.damage == ImgKitDamage::Show;
    QImage image;
    if (!facts.deep) image = DecodeFast(bytes, *ReadPngLayout(bytes));
    bool damaged = false;
    if (image.isNull() &&
        (!DecodeInto(bytes, facts.alpha, facts.deep, show, image, damaged) || image.isNull()))
        return {};
    if (damaged && !show) return {};
    if (image.width() != facts.stored.width || image.height() != facts.stored.height) return {};
    QRectF area;
    const int orientation = ExifOrientation(ReadPngLayout(bytes)->exif);
    image = ApplyOrientation(image, TransformationOfExifOrientation(orientation), area);
    if (image.isNull()) return {};
    refusal = PictureRefusal::kNone;
    return MakePictureHandle(std::move(image));
}

std::optional<std::string> EncodePng(const ImageHandle& image, const EncodeSettings&,
                                     const CopyMetadata& metadata) {
    const ImgKitPicture* p = image.get();
    if (!p) return std::nullopt;
    const QImage pixels = PixelsAtReportedSize(*p);
    if (pixels.isNull() || !IsPictureFormat(pixels.format())) return std::nullopt;
    std::string out;
    try {
        out.reserve(static_cast<std::size_t>(pixels.sizeInBytes() / 2));
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        return std::nullopt;
    }
    if (!EncodeInto(pixels, out)) return std::nullopt;
    if (metadata.exif.empty() && metadata.xmp.empty() && metadata.icc.empty()) return out;
    return PngWithMetadata(out, metadata.exif, metadata.xmp, metadata.icc);
}
