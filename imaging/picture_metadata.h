#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "imaging/image_kind_codecs.h"

// The metadata a copy carries of its source, whatever the kinds of the two (JPEG to JPEG is
// CarryJpegMetadata's, which also keeps IPTC). Every function is safe from several threads and
// throws nothing but std::bad_alloc, when memory runs out.

// The Exif, XMP and ICC profile the file `source` carries, as read (kind by its content).
SourceMetadata ReadSourceMetadata(std::string_view source);

// What a copy of width x height made from `source` carries (see CopyMetadata): the Exif with
// orientation 1, the copy's size and no preview (a TIFF's own layout tags left out), the XMP
// packet edited to match and at most `xmp_limit` bytes, the profile when it is a sound RGB one.
// `xmp_too_large` (may be null) says whether the source's XMP had to be left out for its size.
CopyMetadata PrepareCopyMetadata(std::string_view source, std::uint32_t width, std::uint32_t height,
                                 std::size_t xmp_limit, bool* xmp_too_large);

// `jpeg` with `metadata` written into its segments (APP1 Exif and XMP, APP2 ICC); a part that
// cannot be written is left out and the rest kept.
std::string JpegWithCopyMetadata(std::string_view jpeg, const CopyMetadata& metadata);

// `tiff` with `metadata` written into its first directory (the Exif tags beside its own layout
// tags, the XMP and ICC tags); a part that cannot be written is left out and the rest kept.
std::string TiffWithCopyMetadata(std::string_view tiff, const CopyMetadata& metadata);
