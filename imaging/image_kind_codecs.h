#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/image_kind.h"
#include "imaging/picture_codec.h"

// The codecs of the registry's kinds, one entry per kind as core/image_kind.h has one row per
// kind: a new format is a row there, an entry here and its codec file. Used by picture_codec.cpp;
// callers use DecodePicture, EncodePicture and ProbePicture.

// What a copy carries of its source, made ready for it (see EncodePicture): the Exif block as
// TIFF-structured bytes with orientation 1, the copy's size and no preview; the XMP packet with
// the same values; the ICC profile when it fits the copy's colours. Each empty when absent.
struct CopyMetadata {
    std::string exif;
    std::string xmp;
    std::string icc;
};

// What a source file carries, as read: the Exif block as TIFF-structured bytes (without the
// "Exif\0\0" name), the XMP packet and the ICC profile, each empty when absent.
struct SourceMetadata {
    std::string exif;
    std::string xmp;
    std::string icc;
};

// No metadata block of a file is read when larger: no real profile, Exif or XMP comes near it.
inline constexpr std::size_t kMaxMetadataBlockBytes = std::size_t{16} << 20;

// One kind's codec.
struct ImageKindCodec {
    ImageKind kind;
    // Fills `facts` (kind set already) from the file's bytes, without decoding pixels.
    void (*probe)(std::string_view bytes, PictureFacts& facts);
    // The upright picture; none with `refusal` set when there is none (memory noted as for
    // NewPixelImage).
    ImageHandle (*decode)(std::string_view bytes, const DecodeRequest& request,
                          PictureRefusal& refusal);
    // The file of the picture, carrying `metadata`; none when the encoder failed.
    std::optional<std::string> (*encode)(const ImageHandle& image, const EncodeSettings& settings,
                                         const CopyMetadata& metadata);
    // True when the decoder is present now.
    bool (*decodable)();
};

// The codec of `kind`; nullptr for a kind that has none (GIF, kNotPicture).
const ImageKindCodec* FindImageKindCodec(ImageKind kind);

// True when a picture of width x height stored in a file of `file_bytes` is one a decoder may
// allocate for: at least 1 x 1, at most kMaxPicturePixels, and not a tiny file claiming a huge
// size (see kMaxPixelsPerByte).
bool PlausiblePictureSize(std::int64_t width, std::int64_t height, std::size_t file_bytes);

// The codecs, each in its own file.
void ProbePng(std::string_view bytes, PictureFacts& facts);
ImageHandle DecodePng(std::string_view bytes, const DecodeRequest& request,
                      PictureRefusal& refusal);
std::optional<std::string> EncodePng(const ImageHandle& image, const EncodeSettings& settings,
                                     const CopyMetadata& metadata);

void ProbeWebp(std::string_view bytes, PictureFacts& facts);
ImageHandle DecodeWebp(std::string_view bytes, const DecodeRequest& request,
                       PictureRefusal& refusal);
std::optional<std::string> EncodeWebp(const ImageHandle& image, const EncodeSettings& settings,
                                      const CopyMetadata& metadata);

void ProbeHeif(std::string_view bytes, PictureFacts& facts);
ImageHandle DecodeHeif(std::string_view bytes, const DecodeRequest& request,
                       PictureRefusal& refusal);
std::optional<std::string> EncodeHeif(const ImageHandle& image, const EncodeSettings& settings,
                                      const CopyMetadata& metadata);
void ReadHeifMetadata(std::string_view bytes, SourceMetadata& out);
bool HevcDecodable();
bool Av1Decodable();
bool HevcEncodable();
bool Av1Encodable();

void ProbeTiff(std::string_view bytes, PictureFacts& facts);
ImageHandle DecodeTiff(std::string_view bytes, const DecodeRequest& request,
                       PictureRefusal& refusal);
std::optional<std::string> EncodeTiff(const ImageHandle& image, const EncodeSettings& settings,
                                      const CopyMetadata& metadata);

// The JPEG and BMP codecs over the ImgKit entry points (imgkit.cpp).
void ProbeJpegOrBmp(std::string_view bytes, PictureFacts& facts);
ImageHandle DecodeJpegOrBmpKind(std::string_view bytes, const DecodeRequest& request,
                                PictureRefusal& refusal);
std::optional<std::string> EncodeJpegKind(const ImageHandle& image, const EncodeSettings& settings,
                                          const CopyMetadata& metadata);
std::optional<std::string> EncodeBmpKind(const ImageHandle& image, const EncodeSettings& settings,
                                         const CopyMetadata& metadata);
