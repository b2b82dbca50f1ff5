#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

// The kinds of picture file both programs know, in one table: what each is called, which file
// extensions name it, how its content begins, whether browsers show it, whether the programs
// decode and write it, and what carries its metadata. Everything here is plain data and needs
// neither Qt nor a codec; what the codecs add (a decoder present at run time, the encoders) is in
// imaging/image_kind_codecs.h, one entry per kind as well. A new format is one row here and one
// there, plus its codec.

// Picture kind of a file. The first values are kept in plans and outcomes and never change.
enum ImageKind : int {
    kNotPicture = -1,
    kJpegImage = 1,
    kGifImage = 2,
    kBmpImage = 3,
    kPngImage = 4,
    kWebpImage = 5,
    kAvifImage = 6,
    kHeifImage = 7,  // HEIC, HEIF and HIF: HEVC (or any codec but AV1) in the ISO box format
    kTiffImage = 8,
};

// Where a kind's files keep the Exif, XMP and colour profile a copy carries over.
enum class MetadataCarrier {
    kNone,          // GIF and BMP: nothing is carried
    kJpegSegments,  // APP1 Exif and XMP, APP2 ICC (and APP13 IPTC)
    kPngChunks,     // eXIf, iTXt "XML:com.adobe.xmp", iCCP
    kRiffChunks,    // WebP's EXIF, "XMP " and ICCP chunks
    kHeifItems,     // Exif and XMP items of the primary image, its colr property
    kTiffTags,      // the first directory's Exif, XMP and ICC tags
};

// One kind of picture file.
struct ImageKindInfo {
    ImageKind kind;
    const char* name;  // for messages and tables: "JPEG", "HEIF"
    // Lower case, with the dot; any letter case of a name matches. The first is the one a file
    // the programs write in this kind gets; unused places are empty.
    std::array<std::string_view, 3> extensions;
    // Every current browser shows it in a page: the album copies it as it is and links it. The
    // others get a JPEG display copy.
    bool browser_shows;
    // The programs decode it (a GIF is copied and shown by the browser, never decoded).
    bool decoded;
    // The programs can write it: a resize keeps it, or the user may choose it.
    bool written;
    MetadataCarrier metadata;
    // True when `head` (the first bytes of a file) begins like a file of this kind.
    bool (*begins_like)(std::string_view head);
};

// Every kind, in the order of their values (kJpegImage first); kNotPicture has no entry.
std::span<const ImageKindInfo> ImageKinds();

// The entry of `kind`; nullptr for kNotPicture or a value no entry has.
const ImageKindInfo* FindImageKind(ImageKind kind);

// The kind an extension names (".HEIC", ".jpg"; with its dot, any ASCII case); kNotPicture for
// any other text.
ImageKind ImageKindOfExtension(std::string_view extension);

// How many first bytes of a file SniffImageKind needs at most to tell every kind apart: the ISO
// box format's file-type box with its list of brands fits in them.
inline constexpr std::size_t kSniffBytes = 256;

// The kind the content of a file is, from its first bytes (kSniffBytes of them, or the whole file
// when it is shorter; any further bytes given are not looked at): the signature of each kind, and
// for the ISO box format the brands of its file-type box, which tell AVIF (AV1) from HEIF (HEVC).
// kNotPicture when it is none of them.
ImageKind SniffImageKind(std::string_view head);
