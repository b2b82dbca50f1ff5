#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/path_helpers.h"

// The metadata a picture file carries, taken out of its container as the blocks every format
// shares: an Exif (TIFF-structured) block, an XMP packet, an IPTC-IIM block. Whatever is read of a
// picture's metadata (where it was taken, its caption, when it was taken) is read from these, so a
// new format is one more case of MetadataCarriersOf and ReplaceMetadataCarriers, and every reader
// and writer above them takes it as it is.

struct MetadataCarriers {
    std::string exif;          // the TIFF structure ("II*\0..." or "MM\0*..."), without "Exif\0\0"
    std::string xmp;           // the main XMP packet as stored
    std::string extended_xmp;  // a JPEG's extended XMP, its chunks put together in order
    std::string iptc;          // the IPTC-IIM datasets (inside a JPEG's Photoshop block)
    // Part of the file could not be walked (damage, a carrier after the first scan, a carrier
    // split in a way no reader puts together): what it holds there is unknown.
    bool unwalkable = false;
};

// The carriers of a file of `kind` (a BMP carries none): a JPEG's segments, a GIF's XMP
// extension, a PNG's eXIf, XMP iTXt and "Raw profile type" texts, a WebP's EXIF and "XMP "
// chunks, a HEIF's or AVIF's Exif and XMP items, a TIFF's own tags. Reads only `bytes`.
MetadataCarriers MetadataCarriersOf(ImageKind kind, std::string_view bytes);

// What to put in place of each carrier: its new bytes, empty to leave it out, or none to keep it
// as it is.
struct CarrierReplacement {
    std::optional<std::string> exif;
    std::optional<std::string> xmp;
    bool drop_extended_xmp = false;
    std::optional<std::string> iptc;
};

// `bytes` (a file of `kind`) with its carriers replaced, everything else byte for byte as it was:
// a JPEG keeps every other segment and all of its data from the first scan on, a GIF every block
// but its XMP, a PNG every other chunk (its IDAT chunks), a WebP its bitstream chunks, a HEIF or
// AVIF every byte but those of its metadata items (rewritten in place at their own sizes); a TIFF
// is written anew by the metadata library, its strips kept. None when the file cannot be walked
// far enough to do so, or a new carrier does not fit its place (a JPEG segment holds at most
// 64 KB; a HEIF's item cannot grow; a WebP or HEIF without a carrier gets none added).
std::optional<std::string> ReplaceMetadataCarriers(ImageKind kind, std::string_view bytes,
                                                   const CarrierReplacement& replacement);
