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

// What DecodeJpeg made of a file.
struct JpegDecoded {
    // The picture, or null: nothing could be decoded (a broken header, more than kMaxJpegScans
    // scans, no memory), the picture has four components, or it is damaged and was not asked for.
    QImage image;
    // The data is damaged (JpegErrorManager::Damaged): the file ends inside the picture's data, or
    // data before a scan's last row of blocks is corrupt.
    bool damaged = false;
    // A CMYK or YCCK picture, which this decoder does not convert: its data was read through all
    // the same, so `damaged` tells whether it is whole.
    bool four_components = false;
};

// The picture of the whole JPEG file `bytes`, decoded at `eighths` / 8 in its stored orientation.
// A progressive picture decoded at 1/8 reads only the scans that picture shows (the DC scans of
// every component whose blocks become single pixels), which gives the same pixels without
// decoding most of the file. A damaged picture comes back as far as it decodes (the rest grey, as
// other viewers show it) only when `keep_damaged`.
JpegDecoded DecodeJpeg(std::string_view bytes, int eighths, bool keep_damaged);
