#pragma once

#include <string_view>

// Whether the BMP file `bmp` (its whole bytes) holds all of its pixel data, sound: every row of an
// uncompressed picture, or run-length data that reaches its end-of-bitmap code or its last row
// without a code that reaches past the picture.
// Qt's reader gives a picture cut short without a word, the rows it could not read left as they
// were. True for what this check does not know (an embedded JPEG or PNG, a header it cannot
// read): the reader itself refuses those, or reads them whole.
bool BmpPixelDataWhole(std::string_view bmp);
