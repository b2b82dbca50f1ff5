#include "imaging/imgkit.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRect>
#include <QRectF>
#include <QTransform>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "imaging/area_resample.h"
#include "imaging/bmp_pixel_data.h"
#include "imaging/image_library.h"
#include "imaging/imaging_limits.h"
#include "imaging/jpeg_bmp_bytes.h"
#include "imaging/jpeg_decode.h"
#include "imaging/jpeg_encode.h"
#include "imaging/jpeg_segments.h"
#include "imaging/picture_bytes.h"
#include "imaging/picture_pixels.h"
#include "imaging/pixel_buffer.h"
#include "platform/file_system.h"
#include "platform/large_memory.h"

ImageHandle& ImageHandle::operator=(ImageHandle&& other) noexcept {
    if (this != &other) {
        delete picture_;
        picture_ = other.release();
    }
    return *this;
}

ImageHandle::~ImageHandle() {
    delete picture_;
}

namespace {

bool IsAcceptedFormat(const QByteArray& format) {
    return format == "jpeg" || format == "bmp";
}

// A reader that decides the format from the bytes (a GIF or PNG named .jpg is refused, never handed
// to another decoder) and applies the EXIF orientation.
void Prepare(QImageReader& reader) {
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
}

// Refuses sizes that no real photograph has, before the decoder allocates for them.
bool PlausibleSize(const QSize& size, qint64 file_bytes) {
    if (!size.isValid() || size.width() < 1 || size.height() < 1) return false;
    const std::int64_t pixels = static_cast<std::int64_t>(size.width()) * size.height();
    if (pixels > kMaxPicturePixels) return false;
    if (pixels > kPlausibilityThresholdPixels && file_bytes * kMaxPixelsPerByte < pixels)
        return false;
    return true;
}

// The stored size from the header. A top-down BMP declares a negative height, which Qt reports as
// it is; the picture itself is as tall as the magnitude.
QSize HeaderSize(QImageReader& reader) {
    const QSize size = reader.size();
    if (size.width() < 1 || size.height() == 0) return {};  // (-1, -1) is Qt's "unknown"
    return QSize(size.width(), std::abs(size.height()));
}

// What a load learns from the header alone: the stored size and whether the orientation swaps
// the axes. Refused (std::nullopt) when the format is not ours or the size is not plausible.
struct Header {
    QByteArray format;  // "jpeg" or "bmp"
    QSize stored;
    QImageIOHandler::Transformations orientation;
    bool Swaps() const { return (orientation & QImageIOHandler::TransformationRotate90) != 0; }
    QSize Upright() const { return Swaps() ? stored.transposed() : stored; }
};

std::optional<Header> ReadHeader(QImageReader& reader, qint64 file_bytes) {
    Prepare(reader);
    const QByteArray format = reader.format();
    if (!IsAcceptedFormat(format)) return std::nullopt;
    const QSize stored = HeaderSize(reader);
    if (!PlausibleSize(stored, file_bytes)) return std::nullopt;
    return Header{format, stored, reader.transformation()};
}

// Opens a picture file by the bytes of its path, so that a name that is not UTF-8 (Shift-JIS from
// an old disk) loads like any other, and never blocks: only a regular file is opened, never a FIFO
// or a device that could wait for ever.
bool OpenPictureFile(const std::string& path, QFile& file) {
    const int fd = OpenRegularFile(path);
    if (fd < 0) return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

// The whole file of a picture, for decoding from memory, and what its header says. The header is
// read first, so a file that is no picture of ours, or one whose header claims an absurd size, is
// refused before the rest of it is read.
std::optional<Header> ReadHeaderAndBytes(const std::string& path, PictureBytes& bytes) {
    QFile file;
    if (!OpenPictureFile(path, file)) return std::nullopt;
    const qint64 size = file.size();
    if (size < 1 || size > kMaxPictureFileBytes) return std::nullopt;
    std::optional<Header> header;
    {
        QImageReader probe(&file);
        header = ReadHeader(probe, size);
    }
    if (!header || !file.seek(0) || !bytes.Allocate(static_cast<std::size_t>(size)))
        return std::nullopt;
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.read(bytes.Data() + done, size - done);
        if (n <= 0) return std::nullopt;
        done += n;
    }
    return header;
}

// The header of a picture held in memory, read as ReadHeaderAndBytes reads a file's.
std::optional<Header> ReadHeaderOfBytes(std::string_view bytes) {
    QByteArray raw = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&raw);
    if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
    QImageReader reader(&buffer);
    return ReadHeader(reader, static_cast<qint64>(bytes.size()));
}

thread_local ImgKitLoadFailure t_last_load_failure = ImgKitLoadFailure::None;

// Decodes the JPEG or BMP `view` whose header says `header`. `owner`, when given, holds the bytes
// and is released as soon as they are decoded: the turn that follows may need as much memory again.
ImageHandle DecodeWithHeader(std::string_view view, const Header& header, int min_width,
                             int min_height, ImgKitDamage damage, PictureBytes* owner) {
    const QSize stored = header.stored;
    const QSize upright = header.Upright();
    const bool keep_damaged = damage == ImgKitDamage::Show;

    QImage image;
    int eighths = 8;
    if (header.format == "jpeg") {
        if (min_width > 0 || min_height > 0) {
            QSize need(std::max(min_width, 1), std::max(min_height, 1));
            if (header.Swaps()) need.transpose();
            eighths = JpegScaleEighths(stored, need);
        }
        JpegDecoded decoded = DecodeJpeg(view, eighths, keep_damaged);
        // A CMYK picture is read whole through Qt's reader below, once its data is known whole
        // (Qt's reader would give a picture cut short without a word). Nothing else is: the
        // reader uses the same library, and would show what this decoder refused as damaged.
        const bool to_qt = decoded.four_components && (keep_damaged || !decoded.damaged);
        if (!to_qt) {
            if (decoded.image.isNull()) return {};
            image = std::move(decoded.image);
            // The header was read from the file before its bytes: a file replaced in between is
            // refused rather than given a size its pixels do not have.
            if (image.size() != JpegScaledSize(stored, eighths)) return {};
        }
    }
    if (image.isNull()) {
        eighths = 8;
        // Qt's reader has no scan limit of its own (ours stops the decoder above at the limit).
        if (header.format == "jpeg" && JpegHasMoreScansThan(view, kMaxJpegScans)) return {};
        // Qt's reader reads a BMP cut short without a word, as far as its bytes go.
        if (header.format == "bmp" && !keep_damaged && !BmpPixelDataWhole(view)) return {};
        QByteArray raw = QByteArray::fromRawData(view.data(), static_cast<qsizetype>(view.size()));
        QBuffer buffer(&raw);
        if (!buffer.open(QIODevice::ReadOnly)) return {};
        QImageReader reader(&buffer, header.format);
        reader.setAutoTransform(false);
        if (header.format == "bmp") {
            // A damaged BMP (an RLE delta past the end, a file cut short) leaves pixels that the
            // decoder never writes. Handed a cleared picture of the size and format it will make,
            // the decoder fills that one, so those pixels are black instead of whatever the
            // memory held before (which would otherwise end up in the saved files).
            const QImage::Format format = reader.imageFormat();
            if (format != QImage::Format_Invalid) {
                image = QImage(stored, format);
                if (image.isNull()) {
                    NoteOutOfMemory();
                    return {};
                }
                image.fill(0);
            }
        }
        if (!reader.read(&image) || image.isNull()) return {};
        if (image.format() != QImage::Format_RGB32) {
            image.convertTo(QImage::Format_RGB32);
            if (image.isNull()) {
                NoteOutOfMemory();
                return {};
            }
        }
    }
    if (owner != nullptr) owner->Release();
    // A reduced-scale decode rounds its sides up: the picture is its exact fraction of them.
    QRectF area;
    if (eighths < 8)
        area = QRectF(0, 0, stored.width() * eighths / 8.0, stored.height() * eighths / 8.0);
    image = ApplyOrientation(image, header.orientation, area);
    if (image.isNull()) {
        NoteOutOfMemory();
        return {};
    }
    // A reduced-scale decode reports the full upright size, so that the size rules work on the
    // real picture.
    if (eighths < 8)
        return MakePictureHandle(std::move(image), upright.width(), upright.height(), area);
    const int width = image.width();
    const int height = image.height();
    return MakePictureHandle(std::move(image), width, height);
}

ImageHandle LoadPicture(const std::string& path, int min_width, int min_height,
                        ImgKitDamage damage) {
    PictureBytes bytes;
    const std::optional<Header> header = ReadHeaderAndBytes(path, bytes);
    if (!header) return {};
    return DecodeWithHeader(bytes.View(), *header, min_width, min_height, damage, &bytes);
}

}  // namespace

ImageHandle ImgKitFileLoad(const std::string& path, int min_width, int min_height,
                           ImgKitDamage damage) {
    if (!ImageLibrary::IsLoaded()) {
        t_last_load_failure = ImgKitLoadFailure::Unreadable;
        return {};
    }
    TakeOutOfMemoryNote();
    ImageHandle image = LoadPicture(path, min_width, min_height, damage);
    const bool out_of_memory = TakeOutOfMemoryNote();
    t_last_load_failure = image           ? ImgKitLoadFailure::None
                          : out_of_memory ? ImgKitLoadFailure::OutOfMemory
                                          : ImgKitLoadFailure::Unreadable;
    return image;
}

ImgKitLoadFailure ImgKitLastLoadFailure() {
    return t_last_load_failure;
}

ImgKitSize ImgKitUprightSize(const std::string& path) {
    if (!ImageLibrary::IsLoaded()) return {};
    QFile file;
    if (!OpenPictureFile(path, file)) return {};
    QImageReader reader(&file);
    const std::optional<Header> header = ReadHeader(reader, file.size());
    if (!header) return {};
    const QSize upright = header->Upright();
    return {upright.width(), upright.height()};
}

std::int64_t ImgKitDecodedPixels(ImgKitSize upright, bool jpeg, int min_width, int min_height) {
    if (upright.width < 1 || upright.height < 1) return 0;
    QSize decoded(upright.width, upright.height);
    if (jpeg && (min_width > 0 || min_height > 0)) {
        // The scale does not depend on the axes: an orientation that swaps them swaps both sizes.
        const int eighths =
            JpegScaleEighths(decoded, QSize(std::max(min_width, 1), std::max(min_height, 1)));
        decoded = JpegScaledSize(decoded, eighths);
    }
    return static_cast<std::int64_t>(decoded.width()) * decoded.height();
}

bool ReadJpegHeadBytes(const std::string& path, std::string& bytes, std::int64_t& file_size) {
    bytes.clear();
    file_size = 0;
    const int fd = OpenRegularFile(path);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    file_size = st.st_size;
    bool ok = true;
    for (const std::int64_t step : {std::int64_t{64} << 10, kJpegHeadBytes}) {
        const std::size_t want = static_cast<std::size_t>(std::min(step, file_size));
        const std::size_t had = bytes.size();
        if (want <= had) break;
        bytes.resize(want);
        std::size_t done = had;
        while (done < want) {
            const ssize_t n =
                ::pread(fd, bytes.data() + done, want - done, static_cast<off_t>(done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);
        if (!ok || done < want) break;
        const std::vector<JpegSegment> head = JpegHeadSegments(bytes);
        if (!head.empty() && head.back().marker == JpegMarker::kSos) break;
    }
    ::close(fd);
    if (!ok) bytes.clear();
    return ok;
}

std::int64_t ImgKitDecodeWorkBytes(const std::string& path) {
    if (!ImageLibrary::IsLoaded()) return 0;
    std::string head;
    std::int64_t file_size = 0;
    if (!ReadJpegHeadBytes(path, head, file_size)) return 0;
    return file_size + JpegCoefficientBytes(head);
}

std::int64_t ImgKitDecodeWorkBytesOf(std::string_view bytes) {
    return static_cast<std::int64_t>(bytes.size()) + JpegCoefficientBytes(bytes);
}

bool ImgKitRotation(ImageHandle& image) {
    ImgKitPicture* p = image.get();
    if (!p || !ImageLibrary::IsLoaded()) return false;
    QImage turned = TurnedClockwise(p->pixels);
    if (turned.isNull()) return false;  // no memory for it, noted where it was asked for
    if (!p->area.isNull()) p->area = ClockwiseArea(p->area, p->pixels.size());
    p->pixels = std::move(turned);
    std::swap(p->width, p->height);
    return true;
}

void ImgKitImageInfo(const ImageHandle& image, ImgKitInfoRecord& info) {
    info = ImgKitInfoRecord{};
    const ImgKitPicture* p = image.get();
    if (!p || !ImageLibrary::IsLoaded()) return;
    info.values[0] = p->width;
    info.values[1] = p->height;
    info.values[2] = 24;
}

ImageHandle ImgKitImageSize(const ImageHandle& image, int width, int height) {
    const ImgKitPicture* p = image.get();
    if (!p || !ImageLibrary::IsLoaded() || width < 1 || height < 1) return {};
    if (static_cast<std::int64_t>(width) * height > kMaxPicturePixels) return {};
    QImage resized = AreaResample(p->pixels, width, height, p->area);
    if (resized.isNull()) return {};
    return MakePictureHandle(std::move(resized), width, height);
}

std::optional<std::string> ImgKitJpegEncode(const ImageHandle& image, int quality) {
    const ImgKitPicture* p = image.get();
    if (!p || !ImageLibrary::IsLoaded()) return std::nullopt;
    const QImage pixels = OpaqueRgb32(PixelsAtReportedSize(*p));
    if (pixels.isNull()) return std::nullopt;
    quality = std::clamp(quality, 1, 100);
    // 4:4:4 keeps the colour edges of high-quality output (thumbnails at 100 lose much of their
    // fidelity to 4:2:0, bench/README.md); below 90 the smaller 4:2:0 file is the better trade.
    return EncodeJpegFile(pixels, quality, quality < 90);
}

std::optional<std::string> ImgKitBmpEncode(const ImageHandle& image) {
    const ImgKitPicture* p = image.get();
    if (!p || !ImageLibrary::IsLoaded()) return std::nullopt;
    // RGB888 makes the writer emit 24 bits a pixel with no palette and no alpha.
    const QImage pixels =
        OpaqueRgb32(PixelsAtReportedSize(*p)).convertToFormat(QImage::Format_RGB888);
    if (pixels.isNull()) {
        NoteOutOfMemory();
        return std::nullopt;
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(pixels)) return std::nullopt;
    buffer.close();
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

void ImgKitDisplay(QPainter& painter, const QRect& area, const ImageHandle& image) {
    const ImgKitPicture* p = image.get();
    if (!p || !ImageLibrary::IsLoaded() || area.isEmpty() || p->width < 1 || p->height < 1) return;
    // Fit by the reported size, so a reduced-scale load shows the proportions of the real picture.
    const double scale = std::min(static_cast<double>(area.width()) / p->width,
                                  static_cast<double>(area.height()) / p->height);
    const int w = std::clamp(static_cast<int>(p->width * scale + 0.5), 1, area.width());
    const int h = std::clamp(static_cast<int>(p->height * scale + 0.5), 1, area.height());
    const QRect target(area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2, w, h);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (p->area.isNull()) {
        painter.drawImage(target, p->pixels);
    } else {
        painter.drawImage(QRectF(target), p->pixels, p->area);
    }
    painter.restore();
}

void ImgKitMemFree(ImageHandle& image) {
    delete image.release();
}

bool ImgKitHasAlpha(const ImageHandle& image) {
    const ImgKitPicture* p = image.get();
    return p && HasAlphaChannel(p->pixels.format());
}

bool ImgKitHasDeepChannels(const ImageHandle& image) {
    const ImgKitPicture* p = image.get();
    return p && p->pixels.depth() == 64;
}

const QImage* ImgKitPixels(const ImageHandle& image) {
    const ImgKitPicture* p = image.get();
    return p ? &p->pixels : nullptr;
}

std::optional<JpegOrBmpHeader> ReadJpegOrBmpHeader(std::string_view bytes) {
    if (!ImageLibrary::IsLoaded()) return std::nullopt;
    const std::optional<Header> header = ReadHeaderOfBytes(bytes);
    if (!header) return std::nullopt;
    const QSize upright = header->Upright();
    return JpegOrBmpHeader{header->format == "jpeg",
                           {header->stored.width(), header->stored.height()},
                           {upright.width(), upright.height()}};
}

ImageHandle DecodeJpegOrBmp(std::string_view bytes, int min_width, int min_height,
                            ImgKitDamage damage) {
    if (!ImageLibrary::IsLoaded()) return {};
    const std::optional<Header> header = ReadHeaderOfBytes(bytes);
    if (!header) return {};
    return DecodeWithHeader(bytes, *header, min_width, min_height, damage, nullptr);
}
