#pragma once

#include <optional>
#include <string_view>

#include "imaging/imgkit.h"

// JPEG and BMP pictures held in memory, read exactly as ImgKitFileLoad reads their files: the same
// header checks (a format decided by the content, a plausible size), the same DCT scale and the
// same orientation, so that a picture gives the same pixels either way.

// What the header of a JPEG or BMP says.
struct JpegOrBmpHeader {
    bool jpeg = false;  // else BMP
    ImgKitSize stored;
    ImgKitSize upright;  // its Exif orientation applied
};

// The header of the JPEG or BMP `bytes`; none when they are neither, or claim an implausible size.
std::optional<JpegOrBmpHeader> ReadJpegOrBmpHeader(std::string_view bytes);

// The picture of the JPEG or BMP `bytes`, as ImgKitFileLoad gives it for a file of these bytes.
// Memory that runs out is noted (TakeOutOfMemoryNote).
ImageHandle DecodeJpegOrBmp(std::string_view bytes, int min_width, int min_height,
                            ImgKitDamage damage);
