#pragma once

#include <QImage>
#include <optional>
#include <string>

// The baseline JPEG file of `pixels` (Format_RGB32) at `quality` (1 to 100), its chroma sampled
// 4:2:0 when `subsample`, else 4:4:4, with optimised Huffman tables: the very bytes TurboJPEG
// writes for the same settings (JFIF header, its DCT for the quality). The optimisation needs the
// whole picture's coefficients at once; they sit on large pages of their own, as the file does
// while it is written, so that neither faults every 4 KB as it fills. None when memory runs out.
// Safe to call from several threads at once.
std::optional<std::string> EncodeJpegFile(const QImage& pixels, int quality, bool subsample);
