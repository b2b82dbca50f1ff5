// PNG through libpng: decoded straight into the picture's own pixels (8 bits, or 16 with
// RGBX64/RGBA64; alpha kept where the file has it, a palette's transparency too) and encoded
// losslessly at zlib level 6. The metadata chunks are read and written by png_chunks, never by
// libpng, which is told to skip them.

// png.h needs the setjmp of its own build; it is included first.
#include <png.h>

#include <QImage>
#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>
#include <type_traits>

#include "imaging/exif_orientation.h"
#include "imaging/image_kind_codecs.h"
#include "imaging/picture_pixels.h"
#include "imaging/pixel_buffer.h"
#include "imaging/png_chunks.h"

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
    bool damaged = false;
    if (!DecodeInto(bytes, facts.alpha, facts.deep, show, image, damaged) || image.isNull())
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
