#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <string_view>

// JPEG decoding straight into the pixel format the imaging layer keeps (Format_RGB32 with its
// padding byte at 0xff), at any of the decoder's DCT scales (1/8, 2/8, ... 8/8). Safe to call from
// several threads at once.

// The scale, in eighths, that a picture stored at `stored` is decoded at so that it still covers
// `need` in both directions: the smallest of 1, 2 and 4 that does, else 8 (the whole picture). The
// other eighths are left out on purpose: the decoder's odd scales cost more time than the next
// power of two (5/8 and 3/4 more than the whole picture) and give resizes further from a
// reference, for almost nothing gained by the job (bench/README.md).
int JpegScaleEighths(QSize stored, QSize need);

// The size a picture stored at `stored` has once decoded at `eighths` / 8 (sides rounded up, as
// the decoder rounds them).
QSize JpegScaledSize(QSize stored, int eighths);

// The bytes of the coefficient arrays a decode of the JPEG file starting with `head` holds for the
// whole picture, at any scale: 128 bytes a block of 8 x 8 samples, more than the decoded pixels.
// Only a file of several scans (progressive, or one component a scan) needs them; 0 for a file of
// one scan, or when its frame and first scan are not within `head`.
std::int64_t JpegCoefficientBytes(std::string_view head);

// The picture of the whole JPEG file `bytes`, decoded at `eighths` / 8 in its stored orientation.
// A progressive picture decoded at 1/8 reads only the scans that picture shows (the DC scans of
// every component whose blocks become single pixels), which gives the same pixels without
// decoding most of the file. A null image when the decoder cannot give one (a CMYK or YCCK picture,
// a broken header, more than kMaxJpegScans scans, no memory); damage after the header still gives
// the picture as far as it decodes, as other viewers show it.
QImage DecodeJpeg(std::string_view bytes, int eighths);
