#pragma once

#include <QImage>
#include <QImageIOHandler>
#include <QRectF>

#include "imaging/imgkit.h"

// What an ImageHandle holds, for the imaging layer's own codecs (callers outside it use the
// ImgKit entry points).

// One picture: its pixels and the size it reports. The pixels are Format_RGB32 (opaque, 8 bits a
// channel: every JPEG and BMP), Format_ARGB32 (straight alpha), Format_RGBX64 (opaque, 16 bits)
// or Format_RGBA64 (16 bits with straight alpha): alpha and 16 bits are kept only where the source
// has them. After a reduced-scale load the pixels are smaller than the reported size, which stays
// the full upright size so that the callers' size rules work on the real picture; `area` is then
// the part of the pixels that is picture: a decode at 5/8 of 2572 columns gives 1608, the last
// only half picture, so that resizing all 1608 would shift the far edge by half a pixel. Null:
// all of the pixels.
struct ImgKitPicture {
    QImage pixels;
    int width = 0;
    int height = 0;
    QRectF area;
};

// True for the four pixel formats a picture may hold (see ImgKitPicture).
bool IsPictureFormat(QImage::Format format);

// True when `format` has an alpha channel.
bool HasAlphaChannel(QImage::Format format);

// A handle owning a picture of `pixels` that reports width x height (see ImgKitPicture).
ImageHandle MakePictureHandle(QImage pixels, int width, int height, QRectF area = QRectF());

// A handle owning a picture of `pixels` that reports their own size.
ImageHandle MakePictureHandle(QImage pixels);

// The transformation that shows a picture stored with Exif orientation `orientation` (1 to 8)
// upright, as Qt's readers name it; none for any other value.
QImageIOHandler::Transformations TransformationOfExifOrientation(int orientation);

// Applies an orientation the way Qt's reader does: mirror and flip first, then a clockwise
// quarter turn (orientation 8, a turn the other way, is done as one rotation). `area` (see
// ImgKitPicture) goes where its pixels go. Null when memory fails (noted as such).
QImage ApplyOrientation(const QImage& image, QImageIOHandler::Transformations t, QRectF& area);

// The picture turned a quarter clockwise, in its own format, in a picture of its own from
// NewPixelImage. Null when memory fails.
QImage TurnedClockwise(const QImage& image);

// Where a part `area` of a picture of `size` lies once the picture is turned a quarter clockwise.
QRectF ClockwiseArea(const QRectF& area, const QSize& size);

// The pixels at the reported size (a reduced-scale load saved without a resize is brought back to
// its full size first, so a saved file always has the size the picture reports).
QImage PixelsAtReportedSize(const ImgKitPicture& p);

// An opaque Format_RGB32 copy for writers of 8-bit opaque files (JPEG, BMP): alpha laid over
// white, as a transparent picture shows on a page, 16 bits rounded to 8. `image` itself when it
// already is one. Null when memory fails.
QImage OpaqueRgb32(const QImage& image);
