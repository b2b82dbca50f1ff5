#pragma once

class QImage;

// Resamples a Format_RGB32 picture to exactly width x height. Each axis that shrinks averages the
// source pixels its output pixel covers, weighted by the covered length (a 3-pixel run reduced to 2
// gives weights 2/3 + 1/3 and 1/3 + 2/3); an axis that grows interpolates linearly between the
// two nearest centres. Returns a null image when a size is below 1 or memory fails.
QImage AreaResample(const QImage& source, int width, int height);
