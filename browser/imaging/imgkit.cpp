#include "browser/imaging/imgkit.h"

#include <turbojpeg.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRect>
#include <QTransform>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "browser/imaging/area_resample.h"
#include "browser/imaging/image_library.h"
#include "browser/imaging/imaging_limits.h"
#include "platform/file_system.h"

// One picture: its pixels (always Format_RGB32) and the size it reports. After a reduced-scale load
// the pixels are smaller than the reported size, which stays the full upright size so that the
// callers' size rules work on the real picture.
struct ImgKitPicture {
    QImage pixels;
    int width = 0;
    int height = 0;
};

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

bool SwapsAxes(const QImageReader& reader) {
    return (reader.transformation() & QImageIOHandler::TransformationRotate90) != 0;
}

// The largest power-of-two DCT reduction (8, 4, 2, else 1) whose result, in the stored axes, still
// covers `need` (the decoder rounds sides up, so the rounded-down quotient is a safe bound).
int ChooseScale(const QSize& stored, const QSize& need) {
    for (int s : {8, 4, 2}) {
        if (stored.width() / s >= need.width() && stored.height() / s >= need.height()) return s;
    }
    return 1;
}

// Decodes a JPEG at 1/scale straight through TurboJPEG. Qt's reader, asked for a size that is not
// an exact DCT scale of the picture, resamples its decode once more and loses several dB on
// thumbnails; here the DCT scale is used as it comes (sides rounded up), and the exact size is made
// by area averaging later. Null when TurboJPEG cannot do it (CMYK, 12-bit, a broken file): the
// caller then decodes in full through Qt.
QImage DecodeJpegScaled(const QByteArray& bytes, int scale) {
    tjhandle handle = tjInitDecompress();
    if (!handle) return {};
    QImage image;
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const unsigned long size = static_cast<unsigned long>(bytes.size());
    if (tjDecompressHeader3(handle, data, size, &width, &height, &subsampling, &colorspace) == 0 &&
        colorspace != TJCS_CMYK && colorspace != TJCS_YCCK && width > 0 && height > 0) {
        const tjscalingfactor factor{1, scale};
        image = QImage(TJSCALED(width, factor), TJSCALED(height, factor), QImage::Format_RGB32);
        const int pixel_format =
            QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
        if (!image.isNull()) {
            // The scan count is checked before any decode; the library's own limit stays on as
            // a second guard.
            const int rc = tjDecompress2(handle, data, size, image.bits(), image.width(),
                                         static_cast<int>(image.bytesPerLine()), image.height(),
                                         pixel_format, TJFLAG_LIMITSCANS);
            // A warning (damaged data after the header) still gives the whole picture, as Qt's
            // reader shows it.
            if (rc != 0 && tjGetErrorCode(handle) != TJERR_WARNING) image = QImage();
        }
    }
    tjDestroy(handle);
    if (!image.isNull()) {
        // The X byte of BGRX is left undefined by the decoder; RGB32 wants it opaque.
        for (int y = 0; y < image.height(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) row[x] |= 0xff000000u;
        }
    }
    return image;
}

// Applies an EXIF orientation the way Qt's reader does: mirror and flip first, then a clockwise
// quarter turn (orientation 8, a turn the other way, is done as one rotation).
QImage ApplyOrientation(const QImage& image, QImageIOHandler::Transformations t) {
    if (t == QImageIOHandler::TransformationNone) return image;
    if (t == QImageIOHandler::TransformationRotate270)
        return image.transformed(QTransform().rotate(270));
    QImage out = image.mirrored(t & QImageIOHandler::TransformationMirror,
                                t & QImageIOHandler::TransformationFlip);
    if (t & QImageIOHandler::TransformationRotate90) out = out.transformed(QTransform().rotate(90));
    return out;
}

ImageHandle MakeHandle(QImage pixels, int width, int height) {
    auto* picture = new ImgKitPicture{std::move(pixels), width, height};
    return ImageHandle(picture);
}

// The pixels at the reported size (a reduced-scale load saved without a resize is brought back to
// its full size first, so a saved file always has the size the picture reports).
QImage PixelsAtReportedSize(const ImgKitPicture& p) {
    if (p.pixels.width() == p.width && p.pixels.height() == p.height) return p.pixels;
    return AreaResample(p.pixels, p.width, p.height);
}

// What a load learns from the header alone: the stored size and whether the orientation swaps
// the axes. Refused (std::nullopt) when the format is not ours or the size is not plausible.
struct Header {
    QSize stored;
    bool swaps = false;
    QSize Upright() const { return swaps ? stored.transposed() : stored; }
};

std::optional<Header> ReadHeader(QImageReader& reader, qint64 file_bytes) {
    Prepare(reader);
    if (!IsAcceptedFormat(reader.format())) return std::nullopt;
    const QSize stored = HeaderSize(reader);
    if (!PlausibleSize(stored, file_bytes)) return std::nullopt;
    return Header{stored, SwapsAxes(reader)};
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

// The whole file of a picture, for decoding from memory. Its header is read first, so a file that
// is no picture of ours, or one whose header claims an absurd size, is refused before the rest of
// it is read.
bool ReadPictureBytes(const std::string& path, QByteArray& bytes) {
    QFile file;
    if (!OpenPictureFile(path, file)) return false;
    const qint64 size = file.size();
    if (size < 1 || size > kMaxPictureFileBytes) return false;
    {
        QImageReader probe(&file);
        if (!ReadHeader(probe, size)) return false;
    }
    if (!file.seek(0)) return false;
    bytes = file.read(size);
    return bytes.size() == size;
}

// True when the bytes are a JPEG with more than kMaxJpegScans scans. The segments between scans are
// skipped by their lengths, so bytes inside metadata (an EXIF thumbnail) are never counted; the
// entropy-coded data of a scan is walked to the next marker, past stuffed zero bytes and restart
// markers. Stops counting at the limit, so a hostile file costs one pass over its bytes.
bool HasTooManyScans(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 2 || p[0] != 0xFF || p[1] != 0xD8) return false;  // not a JPEG: no scans to count
    int scans = 0;
    qsizetype i = 2;
    while (i + 1 < n) {
        if (p[i] != 0xFF) {  // scan data
            ++i;
            continue;
        }
        const unsigned char marker = p[i + 1];
        if (marker == 0xFF) {  // fill byte before a marker
            ++i;
            continue;
        }
        if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01 ||
            marker == 0xD8) {  // stuffed byte, restart marker, or a marker without a segment
            i += 2;
            continue;
        }
        if (marker == 0xD9) break;  // end of image
        if (i + 3 >= n) break;
        if (marker == 0xDA && ++scans > kMaxJpegScans) return true;
        const int length = (p[i + 2] << 8) | p[i + 3];
        i += 2 + length;
    }
    return false;
}

}  // namespace

ImageHandle ImgKitFileLoad(const std::string& path, int min_width, int min_height) {
    if (!ImageLibrary::IsLoaded()) return {};
    QByteArray bytes;
    if (!ReadPictureBytes(path, bytes)) return {};
    // Qt's JPEG reader has no scan limit of its own; every decode below reads these bytes.
    if (HasTooManyScans(bytes)) return {};
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer);
    const std::optional<Header> header = ReadHeader(reader, bytes.size());
    if (!header) return {};
    const QSize stored = header->stored;
    const bool swaps = header->swaps;
    const QSize upright = header->Upright();

    QImage image;
    bool reduced = false;
    if (reader.format() == "jpeg" && (min_width > 0 || min_height > 0)) {
        QSize need(std::max(min_width, 1), std::max(min_height, 1));
        if (swaps) need.transpose();
        const int scale = ChooseScale(stored, need);
        if (scale > 1) {
            image = DecodeJpegScaled(bytes, scale);
            if (!image.isNull()) {
                image = ApplyOrientation(image, reader.transformation());
                reduced = !image.isNull();
            }
        }
    }
    if (!reduced && reader.format() == "bmp") {
        // A damaged BMP (an RLE delta past the end, a file cut short) leaves pixels that the
        // decoder never writes. Handed a cleared picture of the size and format it will make, the
        // decoder fills that one, so those pixels are black instead of whatever the memory held
        // before (which would otherwise end up in the saved files).
        const QImage::Format format = reader.imageFormat();
        if (format != QImage::Format_Invalid) {
            image = QImage(stored, format);
            if (!image.isNull()) image.fill(0);
        }
    }
    if (!reduced && (!reader.read(&image) || image.isNull())) return {};
    if (image.format() != QImage::Format_RGB32) {
        image.convertTo(QImage::Format_RGB32);
        if (image.isNull()) return {};
    }
    if (!reduced) return MakeHandle(image, image.width(), image.height());
    return MakeHandle(std::move(image), upright.width(), upright.height());
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
    int scale = 1;
    if (jpeg && (min_width > 0 || min_height > 0)) {
        // The scale does not depend on the axes: an orientation that swaps them swaps both sizes.
        scale = ChooseScale(QSize(upright.width, upright.height),
                            QSize(std::max(min_width, 1), std::max(min_height, 1)));
    }
    // The decoder rounds each side up.
    const std::int64_t w = (upright.width + scale - 1) / scale;
    const std::int64_t h = (upright.height + scale - 1) / scale;
    return w * h;
}

void ImgKitRotation(ImageHandle& image) {
    ImgKitPicture* p = image.get();
    if (!p || !ImageLibrary::IsLoaded()) return;
    // Qt's y axis points down, so +90 degrees turns the picture clockwise as the user sees it.
    QImage turned = p->pixels.transformed(QTransform().rotate(90));
    if (turned.isNull()) return;
    if (turned.format() != QImage::Format_RGB32) turned.convertTo(QImage::Format_RGB32);
    p->pixels = std::move(turned);
    std::swap(p->width, p->height);
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
    QImage resized = AreaResample(p->pixels, width, height);
    if (resized.isNull()) return {};
    return MakeHandle(std::move(resized), width, height);
}

std::optional<std::string> ImgKitJpegEncode(const ImageHandle& image, int quality) {
    const ImgKitPicture* p = image.get();
    if (!p || !ImageLibrary::IsLoaded()) return std::nullopt;
    const QImage pixels = PixelsAtReportedSize(*p);
    if (pixels.isNull()) return std::nullopt;
    quality = std::clamp(quality, 1, 100);
    // 4:4:4 keeps the colour edges of high-quality output (thumbnails at 100 lose about 4.5 dB
    // with 4:2:0); below 90 the smaller 4:2:0 file is the better trade.
    const int sampling = quality >= 90 ? TJSAMP_444 : TJSAMP_420;
    const int pixel_format = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    tjhandle handle = tjInitCompress();
    if (!handle) return std::nullopt;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(handle, pixels.constBits(), pixels.width(),
                               static_cast<int>(pixels.bytesPerLine()), pixels.height(),
                               pixel_format, &buffer, &size, sampling, quality, 0);
    std::string bytes;
    if (rc == 0 && buffer) bytes.assign(reinterpret_cast<const char*>(buffer), size);
    tjFree(buffer);
    tjDestroy(handle);
    if (rc != 0 || bytes.empty()) return std::nullopt;
    return bytes;
}

std::optional<std::string> ImgKitBmpEncode(const ImageHandle& image) {
    const ImgKitPicture* p = image.get();
    if (!p || !ImageLibrary::IsLoaded()) return std::nullopt;
    // RGB888 makes the writer emit 24 bits a pixel with no palette and no alpha.
    const QImage pixels = PixelsAtReportedSize(*p).convertToFormat(QImage::Format_RGB888);
    if (pixels.isNull()) return std::nullopt;
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(pixels)) return std::nullopt;
    buffer.close();
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

int ImgKitJpegFileSave(const std::string& path, const ImageHandle& image, int quality) {
    const std::optional<std::string> bytes = ImgKitJpegEncode(image, quality);
    return bytes && ReplaceFile(path, *bytes) ? 1 : 0;
}

int ImgKitBmpFileSave(const std::string& path, const ImageHandle& image) {
    const std::optional<std::string> bytes = ImgKitBmpEncode(image);
    return bytes && ReplaceFile(path, *bytes) ? 1 : 0;
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
    painter.drawImage(target, p->pixels);
    painter.restore();
}

void ImgKitMemFree(ImageHandle& image) {
    delete image.release();
}

const QImage* ImgKitPixels(const ImageHandle& image) {
    const ImgKitPicture* p = image.get();
    return p ? &p->pixels : nullptr;
}
