#pragma once

#include <QRectF>

class QImage;

// Resamples a Format_RGB32 picture to exactly width x height. Each axis that shrinks averages the
// source pixels its output pixel covers, weighted by the covered length (a 3-pixel run reduced to 2
// gives weights 2/3 + 1/3 and 1/3 + 2/3); an axis that grows interpolates linearly between the
// two nearest centres. `area` is the part of the source, in source pixels, that the output shows:
// all of it when null; a smaller one when the source's last row or column is only partly picture
// (a decode at 5/8 of 2572 pixels gives 1608, of which 1607.5 are picture). Returns a null image
// when a size is below 1 or memory fails.
QImage AreaResample(const QImage& source, int width, int height, const QRectF& area = QRectF());
