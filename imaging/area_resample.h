#pragma once

#include <QRectF>

class QImage;

// Resamples a picture to exactly width x height, in the format it has when that is one a picture
// holds (Format_RGB32, or Format_ARGB32, RGBX64 or RGBA64: alpha averaged premultiplied), else in
// Format_RGB32. Each axis that shrinks averages the
// source pixels its output pixel covers, weighted by the covered length (a 3-pixel run reduced to 2
// gives weights 2/3 + 1/3 and 1/3 + 2/3); an axis that grows interpolates linearly between the
// two nearest centres. `area` is the part of the source, in source pixels, that the output shows:
// all of it when null; a smaller one when the source's last row or column is only partly picture
// (a decode at 5/8 of 2572 pixels gives 1608, of which 1607.5 are picture). Returns a null image
// when a size is below 1 or memory fails.
QImage AreaResample(const QImage& source, int width, int height, const QRectF& area = QRectF());
