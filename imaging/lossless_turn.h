#pragma once

#include <optional>
#include <string>
#include <string_view>

// A JPEG turned by quarter turns on its compressed blocks, without decoding it: no quality is
// lost and the file keeps about its size. Safe to call from several threads at once.

// The bytes of `source` (a whole JPEG file) shown upright (its EXIF orientation applied, as the
// loader applies it) and then turned `quarter_turns` times clockwise, made by moving its DCT
// blocks, with the source's metadata carried over as CarryJpegMetadata does (orientation 1).
// std::nullopt when that cannot be done without changing a pixel: the picture's width or height is
// not a whole number of blocks on an edge the turn moves, the data is damaged, or its colour model
// is neither YCbCr nor grey. The caller then re-encodes the turned pixels instead.
// `xmp_too_large` as for CarryJpegMetadata; std::bad_alloc as there.
std::optional<std::string> TurnJpegLosslessly(std::string_view source, int quarter_turns,
                                              bool* xmp_too_large = nullptr);
