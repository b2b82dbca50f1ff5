// TIFF through libtiff directly: its RGBA interface reads every layout a scanner or editor writes
// (strips or tiles, RGB, grey, palette, CMYK, YCbCr, 16 bits brought to 8, every compression this
// system's libtiff has) straight into the picture's own pixels, stops at the first damaged strip,
// and lets the orientation tag be applied here as every other kind's is. Written as 8-bit RGB or
// RGBA, uncompressed or LZW, the metadata through the metadata library (picture_metadata.h).

#include <tiffio.h>

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "imaging/image_kind_codecs.h"
#include "imaging/imaging_limits.h"
#include "imaging/picture_metadata.h"
#include "imaging/picture_pixels.h"
#include "imaging/pixel_buffer.h"

namespace {

// The file in memory as libtiff reads it.
struct MemoryFile {
    const char* data = nullptr;
    std::size_t size = 0;
    std::size_t at = 0;
    std::string* out = nullptr;  // when writing: the file being made
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t count) {
    auto* f = static_cast<MemoryFile*>(handle);
    const std::size_t size = f->out ? f->out->size() : f->size;
    const char* data = f->out ? f->out->data() : f->data;
    if (count < 0 || f->at >= size) return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(count), size - f->at);
    std::memcpy(buffer, data + f->at, n);
    f->at += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t count) {
    auto* f = static_cast<MemoryFile*>(handle);
    if (!f->out || count < 0) return -1;
    try {
        const std::size_t n = static_cast<std::size_t>(count);
        if (f->out->size() < f->at + n) f->out->resize(f->at + n);
        std::memcpy(f->out->data() + f->at, buffer, n);
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        return -1;
    }
    f->at += static_cast<std::size_t>(count);
    return count;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* f = static_cast<MemoryFile*>(handle);
    const std::size_t size = f->out ? f->out->size() : f->size;
    std::uint64_t base = whence == SEEK_CUR ? f->at : whence == SEEK_END ? size : 0;
    const std::uint64_t target = base + offset;
    // A seek past the end is allowed when writing (the gap is filled by the next write).
    if (!f->out && target > size) return static_cast<toff_t>(-1);
    f->at = static_cast<std::size_t>(target);
    return target;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    auto* f = static_cast<MemoryFile*>(handle);
    return f->out ? f->out->size() : f->size;
}

int MapProc(thandle_t handle, void** base, toff_t* size) {
    auto* f = static_cast<MemoryFile*>(handle);
    if (f->out) return 0;
    *base = const_cast<char*>(f->data);
    *size = f->size;
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// Errors and warnings are told by return values; libtiff's own messages would only clutter the
// terminal. Counted, so that a read that went on after an error is known to be damaged.
int CountError(TIFF*, void* user_data, const char*, const char*, va_list) {
    ++*static_cast<int*>(user_data);
    return 1;
}
int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using Tiff = std::unique_ptr<TIFF, TiffCloser>;

// No one allocation of libtiff's is larger than a whole picture of the largest size.
constexpr tmsize_t kMaxTiffAllocation = tmsize_t{kMaxPicturePixels} * 8;

Tiff Open(MemoryFile& file, const char* mode, int& errors) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxTiffAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, CountError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, nullptr);
    TIFF* tiff = TIFFClientOpenExt("picture", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc,
                                   SizeProc, MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    return Tiff(tiff);
}

struct TiffHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int orientation = 1;
    bool alpha = false;
    bool compressed = false;
    int pictures = 0;  // directories that are pictures of their own (not reduced copies)
};

// What the first directory says, and how many pictures the file holds.
bool ReadHeader(TIFF* tiff, TiffHeader& header) {
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &header.width) ||
        !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &header.height))
        return false;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    header.orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
    std::uint16_t extra = 0;
    std::uint16_t* kinds = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extra, &kinds) && extra > 0 && kinds)
        header.alpha = kinds[0] == EXTRASAMPLE_ASSOCALPHA || kinds[0] == EXTRASAMPLE_UNASSALPHA;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    header.compressed = compression != COMPRESSION_NONE;
    // Pages beyond the first, without the reduced-resolution copies some writers add.
    header.pictures = 0;
    int directories = 0;
    do {
        std::uint32_t subfile = 0;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_SUBFILETYPE, &subfile);
        if ((subfile & FILETYPE_REDUCEDIMAGE) == 0) ++header.pictures;
        // A loop of directories, or thousands of them, is not a picture file.
        if (++directories > 1000) return false;
    } while (TIFFReadDirectory(tiff));
    return TIFFSetDirectory(tiff, 0) != 0;
}

}  // namespace

void ProbeTiff(std::string_view bytes, PictureFacts& facts) {
    MemoryFile file{bytes.data(), bytes.size()};
    int errors = 0;
    const Tiff tiff = Open(file, "rm", errors);
    TiffHeader header;
    if (!tiff || !ReadHeader(tiff.get(), header)) {
        facts.refusal = PictureRefusal::kUnreadable;
        return;
    }
    facts.stored = {static_cast<int>(std::min<std::uint32_t>(header.width, 0x7FFFFFFF)),
                    static_cast<int>(std::min<std::uint32_t>(header.height, 0x7FFFFFFF))};
    facts.upright = header.orientation >= 5 ? ImgKitSize{facts.stored.height, facts.stored.width}
                                            : facts.stored;
    facts.alpha = header.alpha;
    facts.lossless = true;
    facts.compressed = header.compressed;
    if (header.pictures > 1) {
        facts.refusal = PictureRefusal::kSeveralImages;
    } else if (!PlausiblePictureSize(header.width, header.height, bytes.size())) {
        facts.refusal = PictureRefusal::kTooLarge;
    }
}

ImageHandle DecodeTiff(std::string_view bytes, const DecodeRequest& request,
                       PictureRefusal& refusal) {
    PictureFacts facts;
    ProbeTiff(bytes, facts);
    refusal = facts.refusal;
    if (refusal != PictureRefusal::kNone) return {};
    refusal = PictureRefusal::kUnreadable;
    MemoryFile file{bytes.data(), bytes.size()};
    int errors = 0;
    const Tiff tiff = Open(file, "r", errors);
    if (!tiff) return {};
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation);
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff.get(), message)) return {};
    const bool show = request.damage == ImgKitDamage::Show;
    TIFFRGBAImage reader;
    if (!TIFFRGBAImageBegin(&reader, tiff.get(), show ? 0 : 1, message)) return {};
    // The rows as stored, top first: the orientation is applied below, as every kind's is.
    reader.req_orientation = ORIENTATION_TOPLEFT;
    reader.orientation = ORIENTATION_TOPLEFT;
    const int width = facts.stored.width;
    const int height = facts.stored.height;
    QImage image =
        NewPixelImage(width, height, facts.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull() || image.bytesPerLine() != static_cast<qsizetype>(width) * 4) {
        TIFFRGBAImageEnd(&reader);
        return {};
    }
    if (show) image.fill(QColor(128, 128, 128));
    const int read =
        TIFFRGBAImageGet(&reader, reinterpret_cast<std::uint32_t*>(image.bits()),
                         static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    TIFFRGBAImageEnd(&reader);
    if ((!read || errors > 0) && !show) return {};
    // libtiff packs R G B A into a word with R lowest; a picture's word has B lowest. Its alpha
    // comes premultiplied; the picture keeps it straight.
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = row[x];
            const std::uint32_t r = p & 0xFF, g = (p >> 8) & 0xFF, b = (p >> 16) & 0xFF;
            const std::uint32_t a = p >> 24;
            if (!facts.alpha || a == 255) {
                row[x] = 0xFF000000u | r << 16 | g << 8 | b;
            } else if (a == 0) {
                row[x] = 0;
            } else {
                const auto straight = [a](std::uint32_t c) {
                    return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a);
                };
                row[x] = a << 24 | straight(r) << 16 | straight(g) << 8 | straight(b);
            }
        }
    }
    QRectF area;
    image = ApplyOrientation(image, TransformationOfExifOrientation(orientation), area);
    if (image.isNull()) return {};
    refusal = PictureRefusal::kNone;
    return MakePictureHandle(std::move(image));
}

std::optional<std::string> EncodeTiff(const ImageHandle& image, const EncodeSettings& settings,
                                      const CopyMetadata& metadata) {
    const ImgKitPicture* p = image.get();
    if (!p) return std::nullopt;
    QImage pixels = PixelsAtReportedSize(*p);
    if (pixels.isNull()) return std::nullopt;
    const bool alpha = HasAlphaChannel(pixels.format());
    // 8-bit RGB or RGBA in file order, rows as they are.
    pixels = pixels.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (pixels.isNull()) {
        NoteOutOfMemory();
        return std::nullopt;
    }
    std::string out;
    MemoryFile file;
    file.out = &out;
    int errors = 0;
    {
        const Tiff tiff = Open(file, "w", errors);
        if (!tiff) return std::nullopt;
        TIFF* t = tiff.get();
        const int samples = alpha ? 4 : 3;
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(pixels.width()));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(pixels.height()));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        if (alpha) {
            const std::uint16_t kinds[] = {EXTRASAMPLE_UNASSALPHA};
            TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, kinds);
        }
        TIFFSetField(t, TIFFTAG_COMPRESSION,
                     settings.compress ? COMPRESSION_LZW : COMPRESSION_NONE);
        // Differences along a row compress photographs far better under LZW.
        if (settings.compress) TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        for (int y = 0; y < pixels.height(); ++y) {
            if (TIFFWriteScanline(t, const_cast<uchar*>(pixels.constScanLine(y)),
                                  static_cast<std::uint32_t>(y), 0) < 0)
                return std::nullopt;
        }
        if (!TIFFWriteDirectory(t)) return std::nullopt;
    }
    if (errors > 0) return std::nullopt;
    return TiffWithCopyMetadata(out, metadata);
}
