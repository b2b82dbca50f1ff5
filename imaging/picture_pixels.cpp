#include "imaging/picture_pixels.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cstdint>

#include "imaging/area_resample.h"
#include "imaging/pixel_buffer.h"

namespace {

// Copies in square tiles, so that the rows written stay in the cache. Qt's y axis points down, so
// the pixel at (x, y) goes to (height - 1 - y, x).
template <typename Pixel>
void TurnPixels(const QImage& source, QImage& turned) {
    const int width = source.width();
    const int height = source.height();
    const qsizetype stride = turned.bytesPerLine() / static_cast<qsizetype>(sizeof(Pixel));
    auto* out = reinterpret_cast<Pixel*>(turned.bits());
    constexpr int kTile = 32;
    for (int top = 0; top < height; top += kTile) {
        const int bottom = std::min(height, top + kTile);
        for (int left = 0; left < width; left += kTile) {
            const int right = std::min(width, left + kTile);
            for (int y = top; y < bottom; ++y) {
                const auto* in = reinterpret_cast<const Pixel*>(source.constScanLine(y));
                Pixel* column = out + (height - 1 - y);
                for (int x = left; x < right; ++x) column[x * stride] = in[x];
            }
        }
    }
}

}  // namespace

bool IsPictureFormat(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_RGBX64 || format == QImage::Format_RGBA64;
}

bool HasAlphaChannel(QImage::Format format) {
    return QImage::toPixelFormat(format).alphaUsage() == QPixelFormat::UsesAlpha;
}

ImageHandle MakePictureHandle(QImage pixels, int width, int height, QRectF area) {
    auto* picture = new ImgKitPicture{std::move(pixels), width, height, area};
    return ImageHandle(picture);
}

ImageHandle MakePictureHandle(QImage pixels) {
    const int width = pixels.width();
    const int height = pixels.height();
    return MakePictureHandle(std::move(pixels), width, height);
}

QImageIOHandler::Transformations TransformationOfExifOrientation(int orientation) {
    switch (orientation) {
        case 2:
            return QImageIOHandler::TransformationMirror;
        case 3:
            return QImageIOHandler::TransformationRotate180;
        case 4:
            return QImageIOHandler::TransformationFlip;
        case 5:
            return QImageIOHandler::TransformationFlipAndRotate90;
        case 6:
            return QImageIOHandler::TransformationRotate90;
        case 7:
            return QImageIOHandler::TransformationMirrorAndRotate90;
        case 8:
            return QImageIOHandler::TransformationRotate270;
        default:
            return QImageIOHandler::TransformationNone;
    }
}

QRectF ClockwiseArea(const QRectF& area, const QSize& size) {
    return QRectF(size.height() - area.bottom(), area.left(), area.height(), area.width());
}

namespace {

QRectF CounterClockwiseArea(const QRectF& area, const QSize& size) {
    return QRectF(area.top(), size.width() - area.right(), area.height(), area.width());
}

}  // namespace

QImage ApplyOrientation(const QImage& image, QImageIOHandler::Transformations t, QRectF& area) {
    if (t == QImageIOHandler::TransformationNone) return image;
    const QSize size = image.size();
    QImage out;
    if (t == QImageIOHandler::TransformationRotate270) {
        if (!area.isNull()) area = CounterClockwiseArea(area, size);
        out = image.transformed(QTransform().rotate(270));
    } else {
        const bool mirror = t & QImageIOHandler::TransformationMirror;
        const bool flip = t & QImageIOHandler::TransformationFlip;
        out = image.mirrored(mirror, flip);
        if (!area.isNull()) {
            if (mirror) area.moveLeft(size.width() - area.right());
            if (flip) area.moveTop(size.height() - area.bottom());
        }
        if ((t & QImageIOHandler::TransformationRotate90) && !out.isNull()) {
            if (!area.isNull()) area = ClockwiseArea(area, size);
            out = out.transformed(QTransform().rotate(90));
        }
    }
    if (out.isNull()) NoteOutOfMemory();
    return out;
}

QImage TurnedClockwise(const QImage& image) {
    const QImage source =
        IsPictureFormat(image.format()) ? image : image.convertToFormat(QImage::Format_RGB32);
    if (source.isNull()) {
        NoteOutOfMemory();
        return {};
    }
    QImage turned = NewPixelImage(source.height(), source.width(), source.format());
    if (turned.isNull()) return {};
    if (source.depth() == 64) {
        TurnPixels<std::uint64_t>(source, turned);
    } else {
        TurnPixels<std::uint32_t>(source, turned);
    }
    return turned;
}

QImage PixelsAtReportedSize(const ImgKitPicture& p) {
    if (p.area.isNull() && p.pixels.width() == p.width && p.pixels.height() == p.height)
        return p.pixels;
    return AreaResample(p.pixels, p.width, p.height, p.area);
}

QImage OpaqueRgb32(const QImage& image) {
    if (image.format() == QImage::Format_RGB32 || image.isNull()) return image;
    QImage out;
    if (HasAlphaChannel(image.format())) {
        out = NewPixelImage(image.width(), image.height());
        if (out.isNull()) return {};
        out.fill(Qt::white);
        QPainter painter(&out);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(0, 0, image);
    } else {
        out = image.convertToFormat(QImage::Format_RGB32);
        if (out.isNull()) NoteOutOfMemory();
    }
    return out;
}
