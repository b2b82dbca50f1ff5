#pragma once

#include <string_view>

// The Orientation tag (1 to 8) of an Exif block: TIFF-structured bytes ("II*\0" or "MM\0*"), with
// or without the "Exif\0\0" name a JPEG segment puts before them. 0 when the block has no such tag
// in its first directory, or cannot be read; never reads outside `exif`.
int ExifOrientation(std::string_view exif);
