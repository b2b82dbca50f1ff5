#include "imaging/picture_codec.h"

#include <algorithm>

#include "imaging/image_kind_codecs.h"
#include "imaging/image_library.h"
#include "imaging/imaging_limits.h"
#include "imaging/jpeg_bmp_bytes.h"
#include "imaging/jpeg_decode.h"
#include "imaging/jpeg_metadata.h"
#include "imaging/metadata_parts.h"
#include "imaging/picture_bytes.h"
#include "imaging/picture_location.h"
#include "imaging/picture_metadata.h"
#include "imaging/picture_pixels.h"
#include "imaging/pixel_buffer.h"

namespace {

bool Always() {
    return true;
}

// One entry per kind that has a codec; GIF has none (it is copied, never decoded).
constexpr ImageKindCodec kCodecs[] = {
    {kJpegImage, ProbeJpegOrBmp, DecodeJpegOrBmpKind, EncodeJpegKind, Always},
    {kBmpImage, ProbeJpegOrBmp, DecodeJpegOrBmpKind, EncodeBmpKind, Always},
    {kPngImage, ProbePng, DecodePng, EncodePng, Always},
    {kWebpImage, ProbeWebp, DecodeWebp, EncodeWebp, Always},
    {kAvifImage, ProbeHeif, DecodeHeif, EncodeHeif, Av1Decodable},
    {kHeifImage, ProbeHeif, DecodeHeif, EncodeHeif, HevcDecodable},
    {kTiffImage, ProbeTiff, DecodeTiff, EncodeTiff, Always},
};

// How much of a file ProbePictureFile reads first: the header of every kind but a TIFF whose
// directory is at its end, or a HEIF whose boxes come after its pixels, lies within it.
constexpr std::size_t kProbeHeadBytes = std::size_t{256} << 10;

}  // namespace

const ImageKindCodec* FindImageKindCodec(ImageKind kind) {
    for (const ImageKindCodec& codec : kCodecs)
        if (codec.kind == kind) return &codec;
    return nullptr;
}

bool PlausiblePictureSize(std::int64_t width, std::int64_t height, std::size_t file_bytes) {
    if (width < 1 || height < 1 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return false;
    const std::int64_t pixels = width * height;
    if (pixels > kMaxPicturePixels) return false;
    return pixels <= kPlausibilityThresholdPixels ||
           static_cast<std::int64_t>(file_bytes) * kMaxPixelsPerByte >= pixels;
}

void ProbeJpegOrBmp(std::string_view bytes, PictureFacts& facts) {
    const std::optional<JpegOrBmpHeader> header = ReadJpegOrBmpHeader(bytes);
    if (!header) {
        facts.refusal = PictureRefusal::kUnreadable;
        return;
    }
    facts.stored = header->stored;
    facts.upright = header->upright;
    facts.lossless = !header->jpeg;
}

ImageHandle DecodeJpegOrBmpKind(std::string_view bytes, const DecodeRequest& request,
                                PictureRefusal& refusal) {
    ImageHandle image =
        DecodeJpegOrBmp(bytes, request.min_width, request.min_height, request.damage);
    refusal = image ? PictureRefusal::kNone : PictureRefusal::kUnreadable;
    return image;
}

std::optional<std::string> EncodeJpegKind(const ImageHandle& image, const EncodeSettings& settings,
                                          const CopyMetadata& metadata) {
    std::optional<std::string> bytes = ImgKitJpegEncode(image, settings.quality);
    if (!bytes) return std::nullopt;
    return JpegWithCopyMetadata(*bytes, metadata);
}

std::optional<std::string> EncodeBmpKind(const ImageHandle& image, const EncodeSettings&,
                                         const CopyMetadata&) {
    return ImgKitBmpEncode(image);
}

PictureFacts ProbePicture(std::string_view bytes) {
    PictureFacts facts;
    facts.kind = SniffImageKind(bytes.substr(0, kSniffBytes));
    const ImageKindCodec* codec = FindImageKindCodec(facts.kind);
    if (!codec || !ImageLibrary::IsLoaded()) {
        facts.refusal = PictureRefusal::kUnreadable;
        return facts;
    }
    TakeOutOfMemoryNote();
    try {
        codec->probe(bytes, facts);
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
    }
    if (TakeOutOfMemoryNote()) facts.refusal = PictureRefusal::kOutOfMemory;
    if (facts.refusal == PictureRefusal::kNone && !codec->decodable())
        facts.refusal = PictureRefusal::kNoDecoder;
    return facts;
}

PictureFacts ProbePictureFile(const std::string& path) {
    std::int64_t file_size = 0;
    const std::optional<std::string> head = ReadPictureHead(path, kProbeHeadBytes, file_size);
    PictureFacts facts;
    facts.refusal = PictureRefusal::kUnreadable;
    if (!head || head->empty()) return facts;
    facts = ProbePicture(*head);
    if (facts.refusal != PictureRefusal::kUnreadable ||
        static_cast<std::int64_t>(head->size()) >= file_size)
        return facts;
    // The header lies beyond the head (or the head cut it): the whole file tells.
    const std::optional<PictureBytes> whole = ReadPictureBytes(path);
    if (!whole) return facts;
    return ProbePicture(whole->View());
}

bool ImageKindDecodable(ImageKind kind) {
    const ImageKindInfo* info = FindImageKind(kind);
    const ImageKindCodec* codec = FindImageKindCodec(kind);
    return info && info->decoded && codec && codec->decodable();
}

bool ImageKindEncodable(ImageKind kind) {
    const ImageKindInfo* info = FindImageKind(kind);
    if (!info || !info->written || !FindImageKindCodec(kind)) return false;
    if (kind == kAvifImage) return Av1Encodable();
    if (kind == kHeifImage) return HevcEncodable();
    return true;
}

std::int64_t PictureDecodeBytes(const PictureFacts& facts, int min_width, int min_height) {
    const std::int64_t pixels = std::int64_t{facts.upright.width} * facts.upright.height;
    if (pixels <= 0) return 0;
    switch (facts.kind) {
        case kJpegImage:
        case kBmpImage:
            return ImgKitDecodedPixels(facts.upright, facts.kind == kJpegImage, min_width,
                                       min_height) *
                   4;
        case kPngImage:
            // The picture itself (8 bytes a pixel at 16 bits) and a turned copy.
            return pixels * (facts.deep ? 8 : 4) * 2;
        case kWebpImage:
            // The picture; a lossless decode keeps a row cache of its own beside it.
            return pixels * (facts.lossless ? 8 : 4) + pixels * 4;
        case kAvifImage:
        case kHeifImage:
            // The decoder's planes (up to 16 bits a sample, 4:4:4), its RGB picture and ours.
            return pixels * (6 + 4 + 4);
        case kTiffImage:
            // libtiff's strip buffer is small; the picture and a turned copy.
            return pixels * 4 * 2;
        default:
            return 0;
    }
}

DecodedPicture DecodePicture(std::string_view bytes, const DecodeRequest& request) {
    DecodedPicture out;
    out.kind = SniffImageKind(bytes.substr(0, kSniffBytes));
    const ImageKindCodec* codec = FindImageKindCodec(out.kind);
    if (!codec || !ImageLibrary::IsLoaded()) {
        out.refusal = PictureRefusal::kUnreadable;
        return out;
    }
    if (!codec->decodable()) {
        out.refusal = PictureRefusal::kNoDecoder;
        return out;
    }
    TakeOutOfMemoryNote();
    PictureRefusal refusal = PictureRefusal::kUnreadable;
    try {
        out.image = codec->decode(bytes, request, refusal);
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        out.image = ImageHandle();
    }
    const bool out_of_memory = TakeOutOfMemoryNote();
    if (out.image) {
        out.refusal = PictureRefusal::kNone;
    } else {
        out.refusal = out_of_memory                      ? PictureRefusal::kOutOfMemory
                      : refusal == PictureRefusal::kNone ? PictureRefusal::kUnreadable
                                                         : refusal;
    }
    return out;
}

DecodedPicture LoadPictureFile(const std::string& path, const DecodeRequest& request) {
    DecodedPicture out;
    std::int64_t file_size = 0;
    const std::optional<std::string> head = ReadPictureHead(path, kProbeHeadBytes, file_size);
    if (!head || head->empty() || file_size > kMaxPictureFileBytes) return out;
    const PictureFacts facts = ProbePicture(*head);
    out.kind = facts.kind;
    // What the head alone cannot tell (a TIFF's directory at its end) the whole file does.
    const bool whole_head = static_cast<std::int64_t>(head->size()) >= file_size;
    if (facts.refusal != PictureRefusal::kNone &&
        (facts.refusal != PictureRefusal::kUnreadable || whole_head)) {
        out.refusal = facts.refusal;
        return out;
    }
    if (whole_head) return DecodePicture(*head, request);
    TakeOutOfMemoryNote();
    const std::optional<PictureBytes> bytes = ReadPictureBytes(path);
    if (!bytes) {
        out.refusal =
            TakeOutOfMemoryNote() ? PictureRefusal::kOutOfMemory : PictureRefusal::kUnreadable;
        return out;
    }
    return DecodePicture(bytes->View(), request);
}

std::optional<std::string> EncodePicture(const ImageHandle& image, const EncodeSettings& settings,
                                         std::string_view source, bool* xmp_too_large) {
    if (xmp_too_large != nullptr) *xmp_too_large = false;
    const ImageKindInfo* info = FindImageKind(settings.kind);
    const ImageKindCodec* codec = FindImageKindCodec(settings.kind);
    if (!image || !info || !info->written || !codec || !ImageLibrary::IsLoaded())
        return std::nullopt;
    const ImageKind source_kind = SniffImageKind(source.substr(0, kSniffBytes));
    if (settings.kind == kJpegImage && source_kind == kJpegImage) {
        // A JPEG from a JPEG keeps all it kept before: IPTC too, its XMP edited in place.
        std::optional<std::string> bytes = ImgKitJpegEncode(image, settings.quality);
        if (!bytes) return std::nullopt;
        return CarryJpegMetadata(source, *bytes, xmp_too_large);
    }
    ImgKitInfoRecord size;
    ImgKitImageInfo(image, size);
    CopyMetadata metadata;
    if (info->metadata != MetadataCarrier::kNone && !source.empty()) {
        // A JPEG holds its XMP in one segment; the other kinds have room for any real packet.
        const std::size_t limit =
            settings.kind == kJpegImage ? kMaxXmpPacket : kMaxMetadataBlockBytes;
        metadata =
            PrepareCopyMetadata(source, static_cast<std::uint32_t>(size.values[0]),
                                static_cast<std::uint32_t>(size.values[1]), limit, xmp_too_large);
        if (settings.without_location) {
            MetadataCarriers carriers;
            carriers.exif = std::move(metadata.exif);
            carriers.xmp = std::move(metadata.xmp);
            const CarrierReplacement clean = CarriersWithoutLocation(carriers);
            metadata.exif = clean.exif.value_or(std::move(carriers.exif));
            metadata.xmp = clean.xmp.value_or(std::move(carriers.xmp));
        }
    }
    try {
        return codec->encode(image, settings, metadata);
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        return std::nullopt;
    }
}

EncodeSettings SameKindSettings(const PictureFacts& source, int quality) {
    EncodeSettings settings;
    settings.kind = source.kind;
    settings.quality = quality;
    settings.lossless = source.lossless;
    settings.compress = source.compressed;
    return settings;
}
