#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/image_kind.h"
#include "imaging/imgkit.h"

// Every kind of the registry (core/image_kind.h) read from a file's bytes and written to bytes:
// a job reads a picture file once (ReadPictureBytes) and hands the same bytes to the probe, the
// decode and the metadata of the copy it writes. The content decides the decoder, whatever the
// name says. Pictures come out upright: a JPEG's, PNG's, WebP's and TIFF's orientation applied,
// and for HEIF and AVIF the file's own transforms (their Exif orientation is only a note of what
// the transforms already did, and is ignored). Every decoder checks the header before any
// allocation, refuses a damaged file rather than give half a picture, and refuses an animation or
// a file of several pictures rather than keep its first. Safe from several threads at once; no
// call starts a pool of threads of its own (the jobs' workers are the parallelism): HEVC decodes
// on libde265's one worker and x265 encodes on its one frame thread while the caller waits; only
// dav1d (AV1 decoding) takes threads of its own, which libheif 1.15 gives no way to limit.

// Why a picture cannot be decoded, or None.
enum class PictureRefusal {
    kNone,
    kUnreadable,     // not a picture, damaged (cut short, corrupt), or no decoder of ours
    kTooLarge,       // its header claims more pixels than any photograph has
    kAnimated,       // an animated PNG, WebP or AVIF
    kSeveralImages,  // a HEIF of more than one picture, a TIFF of several pages
    kNoDecoder,      // its kind's decoder is missing at run time (a build without HEVC)
    kOutOfMemory,    // memory ran out for it
};

// What the first bytes and the header of a picture file say, without decoding it.
struct PictureFacts {
    ImageKind kind = kNotPicture;  // by the content
    ImgKitSize stored;             // as stored, before the orientation or transforms
    ImgKitSize upright;            // as shown: what a whole decode gives
    bool alpha = false;            // it has an alpha channel
    bool deep = false;             // the picture keeps 16 bits a channel (a 16-bit PNG)
    bool lossless = false;         // PNG, TIFF, BMP, a lossless WebP (VP8L)
    bool compressed = false;       // TIFF: its pixels are compressed (LZW, Deflate, ...)
    bool thumbnail_item = false;   // HEIF/AVIF: it carries a thumbnail image item
    PictureRefusal refusal = PictureRefusal::kNone;  // as far as the header tells
};

// The facts of a picture file from its bytes (the whole file, or as much of its start as the
// caller has: the kind needs kSniffBytes, the header more); never decodes pixels.
PictureFacts ProbePicture(std::string_view bytes);

// The facts of the picture file at `path`, read from its head alone where the header lies there
// (most files), else from the whole file; kind kNotPicture and refusal kUnreadable when it cannot
// be read. For planning and memory budgets before the file is read whole.
PictureFacts ProbePictureFile(const std::string& path);

// True when this kind's decoder is present now: libheif without an HEVC or AV1 decoder decodes
// no HEIF or AVIF (a GIF is never decoded). The kind's name for a message is FindImageKind(kind).
bool ImageKindDecodable(ImageKind kind);

// True when a picture can be written in this kind now: its registry entry is `written` and its
// encoder is present (libheif without x265 or aom writes no HEIF or AVIF).
bool ImageKindEncodable(ImageKind kind);

// The memory in bytes a decode of a picture with these facts holds at its peak beside its file's
// bytes: the decoder's own planes and the picture it gives, for a load with these minimums (a JPEG
// at its DCT scale, a HEIF from its thumbnail item when that is used). For memory budgets.
std::int64_t PictureDecodeBytes(const PictureFacts& facts, int min_width, int min_height);

// How a picture is decoded.
struct DecodeRequest {
    // The upright picture is wanted at least this large (0: whole). A JPEG is then decoded at the
    // smallest DCT scale that keeps it so, a HEIF or AVIF from its thumbnail item when that is at
    // least this large with the same proportions and turns; ImgKitImageInfo still reports the
    // full upright size (see ImgKitFileLoad).
    int min_width = 0;
    int min_height = 0;
    ImgKitDamage damage = ImgKitDamage::Refuse;
};

// A decode's result: the picture, or why there is none.
struct DecodedPicture {
    ImageHandle image;
    ImageKind kind = kNotPicture;  // by the content
    PictureRefusal refusal = PictureRefusal::kUnreadable;
};

// The upright picture of the file `bytes`, by its content. A JPEG or BMP gives exactly what
// ImgKitFileLoad gives for the file; a GIF is refused (never decoded).
DecodedPicture DecodePicture(std::string_view bytes, const DecodeRequest& request = {});

// The upright picture of the file at `path` (a regular file only), by its content: its header is
// probed from the file's head first, so that a file refused by its header (an absurd size, an
// animation, several pictures, a missing decoder) is never read whole; then the file is read once
// and decoded. For a caller that needs nothing else of the file (the preview); a job that also
// writes the file's metadata reads it with ReadPictureBytes and calls DecodePicture.
DecodedPicture LoadPictureFile(const std::string& path, const DecodeRequest& request = {});

// How a picture is encoded.
struct EncodeSettings {
    ImageKind kind = kJpegImage;  // any kind whose registry entry is `written`
    // 1 to 100: JPEG, lossy WebP, AVIF and HEIF on one scale (JPEG's). PNG, TIFF and BMP ignore it.
    int quality = 90;
    // WebP: lossless (VP8L) instead of lossy at `quality`.
    bool lossless = false;
    // TIFF: LZW compression, else none.
    bool compress = true;
    // The source's Exif and XMP are handed to the encoder without what tells where the picture
    // was taken (CarriersWithoutLocation). A JPEG from a JPEG keeps its segments as they are: its
    // caller rewrites them (WithoutLocation).
    bool without_location = false;
};

// The file of `image` in the kind of `settings`, upright with orientation 1, carrying the Exif,
// XMP and ICC profile of `source` (the whole file the picture was decoded from, any kind; empty:
// none), as CarryJpegMetadata carries a JPEG's: orientation set to 1, the size tags set to the
// real size, the Exif preview dropped, a profile kept only when it fits the picture. A JPEG from a
// JPEG is exactly ImgKitJpegEncode then CarryJpegMetadata (IPTC kept too). PNG is lossless with
// its 16 bits and alpha (zlib level 6, Exif as eXIf, XMP as iTXt, ICC as iCCP); WebP keeps alpha
// (Exif, XMP and ICC in its chunks); AVIF (aom, speed 7) and HEIF (x265, preset fast) keep alpha,
// with no irot; TIFF keeps alpha, none or LZW. JPEG and BMP lay alpha over white. None when the
// encoder failed, the kind cannot be written, or memory ran out (then noted: TakeOutOfMemoryNote;
// a copy is never made without the metadata it should carry for lack of memory).
// `xmp_too_large` (may be null) as for CarryJpegMetadata.
std::optional<std::string> EncodePicture(const ImageHandle& image, const EncodeSettings& settings,
                                         std::string_view source = {},
                                         bool* xmp_too_large = nullptr);

// The settings that write a picture in its source's own kind as faithfully as it came: a lossless
// WebP stays lossless, a TIFF keeps its compression or none, the others at `quality`.
EncodeSettings SameKindSettings(const PictureFacts& source, int quality);
