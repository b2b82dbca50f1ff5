#include "imaging/picture_metadata.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "core/image_kind.h"
#include "imaging/metadata_parts.h"
#include "imaging/png_chunks.h"
#include "imaging/webp_chunks.h"

namespace {

using namespace std::string_view_literals;

// The tags of a TIFF's first directory that describe its own pixels or hold other blocks: they
// mean nothing in a copy's Exif, which gets its own layout, profile and XMP.
constexpr std::string_view kTiffLayoutTags[] = {
    "Exif.Image.NewSubfileType",
    "Exif.Image.SubfileType",
    "Exif.Image.ImageWidth",
    "Exif.Image.ImageLength",
    "Exif.Image.BitsPerSample",
    "Exif.Image.Compression",
    "Exif.Image.PhotometricInterpretation",
    "Exif.Image.Thresholding",
    "Exif.Image.FillOrder",
    "Exif.Image.StripOffsets",
    "Exif.Image.SamplesPerPixel",
    "Exif.Image.RowsPerStrip",
    "Exif.Image.StripByteCounts",
    "Exif.Image.PlanarConfiguration",
    "Exif.Image.Predictor",
    "Exif.Image.ColorMap",
    "Exif.Image.TileWidth",
    "Exif.Image.TileLength",
    "Exif.Image.TileOffsets",
    "Exif.Image.TileByteCounts",
    "Exif.Image.ExtraSamples",
    "Exif.Image.SampleFormat",
    "Exif.Image.JPEGTables",
    "Exif.Image.SubIFDs",
    "Exif.Image.InterColorProfile",
    "Exif.Image.XMLPacket",
    "Exif.Image.IPTCNAA",
    "Exif.Image.ImageResources",
    "Exif.Image.MinSampleValue",
    "Exif.Image.MaxSampleValue",
    "Exif.Image.T4Options",
    "Exif.Image.T6Options",
};

bool IsTiffLayoutTag(const std::string& key) {
    return std::find(std::begin(kTiffLayoutTags), std::end(kTiffLayoutTags), key) !=
           std::end(kTiffLayoutTags);
}

// The source's parts as the metadata library holds them.
struct SourceParts {
    Exiv2::ExifData exif;
    Exiv2::ByteOrder order = Exiv2::littleEndian;
    std::string xmp;
    std::string icc;
};

// Reads the parts of a JPEG or TIFF through the metadata library. What was read before a fault
// is kept.
template <typename Image>
void ReadThroughLibrary(std::string_view source, SourceParts& parts, bool tiff) {
    try {
        Image image(MemoryOf(source), false);
        try {
            image.readMetadata();
        } catch (const std::exception& e) {
            ThrowIfOutOfMemory(e);
        }
        parts.order =
            image.byteOrder() == Exiv2::invalidByteOrder ? Exiv2::littleEndian : image.byteOrder();
        parts.exif = image.exifData();
        image.writeXmpFromPacket(true);
        parts.xmp = image.xmpPacket();
        if (tiff) {
            // The library parses a TIFF's packet without keeping its text: it is taken from its
            // tag as written.
            const auto xmp = parts.exif.findKey(Exiv2::ExifKey("Exif.Image.XMLPacket"));
            if (xmp != parts.exif.end() && xmp->size() > 0) {
                Exiv2::DataBuf buffer(xmp->size());
                xmp->copy(buffer.pData_, Exiv2::invalidByteOrder);
                parts.xmp.assign(reinterpret_cast<const char*>(buffer.pData_), buffer.size_);
            }
            for (auto it = parts.exif.begin(); it != parts.exif.end();)
                it = IsTiffLayoutTag(it->key()) ? parts.exif.erase(it) : std::next(it);
        }
        if (image.iccProfileDefined()) {
            const Exiv2::DataBuf* icc = image.iccProfile();
            parts.icc.assign(reinterpret_cast<const char*>(icc->pData_), icc->size_);
        }
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
    }
}

SourceParts ReadSourceParts(std::string_view source) {
    SourceParts parts;
    const ImageKind kind = SniffImageKind(source.substr(0, kSniffBytes));
    if (kind == kJpegImage) {
        ReadThroughLibrary<Exiv2::JpegImage>(source, parts, false);
        return parts;
    }
    if (kind == kTiffImage) {
        ReadThroughLibrary<Exiv2::TiffImage>(source, parts, true);
        return parts;
    }
    SourceMetadata raw = ReadSourceMetadata(source);
    parts.xmp = std::move(raw.xmp);
    parts.icc = std::move(raw.icc);
    if (!raw.exif.empty()) {
        try {
            parts.order = Exiv2::ExifParser::decode(
                parts.exif, reinterpret_cast<const Exiv2::byte*>(raw.exif.data()),
                static_cast<std::uint32_t>(raw.exif.size()));
            if (parts.order == Exiv2::invalidByteOrder) {
                parts.exif.clear();
                parts.order = Exiv2::littleEndian;
            }
        } catch (const std::exception& e) {
            ThrowIfOutOfMemory(e);
            parts.exif.clear();
        }
    }
    return parts;
}

// The parts of `metadata` written into the file `target` of the metadata library's `Image` kind
// (what it already carries is kept), or nothing when the library refuses. `merge` adds the Exif
// tags to the file's own (a TIFF's layout) instead of replacing them.
template <typename Image>
std::optional<std::string> WriteParts(std::string_view target, const CopyMetadata& metadata,
                                      bool exif, bool xmp, bool icc, bool merge) {
    try {
        Image image(MemoryOf(target), false);
        image.readMetadata();
        if (exif && !metadata.exif.empty()) {
            Exiv2::ExifData data;
            Exiv2::ExifParser::decode(data,
                                      reinterpret_cast<const Exiv2::byte*>(metadata.exif.data()),
                                      static_cast<std::uint32_t>(metadata.exif.size()));
            if (merge) {
                Exiv2::ExifData& own = image.exifData();
                for (const Exiv2::Exifdatum& datum : data) own[datum.key()] = datum.value();
            } else {
                image.setExifData(data);
            }
        }
        if (icc && !metadata.icc.empty()) {
            // A TIFF's profile tag is written from this too.
            Exiv2::DataBuf buffer(reinterpret_cast<const Exiv2::byte*>(metadata.icc.data()),
                                  static_cast<long>(metadata.icc.size()));
            image.setIccProfile(buffer, true);
        }
        if (xmp && !metadata.xmp.empty()) {
            image.setXmpPacket(metadata.xmp);
            image.writeXmpFromPacket(true);
        }
        image.writeMetadata();
        return WrittenBytes(image);
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return std::nullopt;
    }
}

// All parts at once, else one by one so that only the one at fault is lost.
template <typename Image>
std::string WriteEveryPart(std::string_view target, const CopyMetadata& metadata, bool merge) {
    InitialiseMetadataLibrary();
    if (metadata.exif.empty() && metadata.xmp.empty() && metadata.icc.empty())
        return std::string(target);
    if (auto all = WriteParts<Image>(target, metadata, true, true, true, merge))
        return std::move(*all);
    std::string result(target);
    if (auto with = WriteParts<Image>(result, metadata, true, false, false, merge))
        result = std::move(*with);
    if (auto with = WriteParts<Image>(result, metadata, false, false, true, merge))
        result = std::move(*with);
    if (auto with = WriteParts<Image>(result, metadata, false, true, false, merge))
        result = std::move(*with);
    return result;
}

}  // namespace

SourceMetadata ReadSourceMetadata(std::string_view source) {
    SourceMetadata out;
    switch (SniffImageKind(source.substr(0, kSniffBytes))) {
        case kPngImage: {
            PngMetadata png = ReadPngMetadata(source);
            out.exif = std::move(png.exif);
            out.xmp = std::move(png.xmp);
            out.icc = std::move(png.icc);
            break;
        }
        case kWebpImage: {
            std::string_view exif = WebpChunk(source, "EXIF");
            // Some writers put the JPEG segment's name before the TIFF header.
            if (exif.substr(0, 6) == "Exif\0\0"sv) exif.remove_prefix(6);
            out.exif.assign(exif);
            out.xmp.assign(WebpChunk(source, "XMP "));
            out.icc.assign(WebpChunk(source, "ICCP"));
            break;
        }
        case kAvifImage:
        case kHeifImage:
            ReadHeifMetadata(source, out);
            break;
        case kJpegImage:
        case kTiffImage: {
            InitialiseMetadataLibrary();
            SourceParts parts = ReadSourceParts(source);
            if (!parts.exif.empty()) {
                try {
                    Exiv2::Blob blob;
                    Exiv2::ExifParser::encode(blob, parts.order, parts.exif);
                    out.exif.assign(blob.begin(), blob.end());
                } catch (const std::exception& e) {
                    ThrowIfOutOfMemory(e);
                }
            }
            out.xmp = std::move(parts.xmp);
            out.icc = std::move(parts.icc);
            break;
        }
        default:
            break;
    }
    return out;
}

CopyMetadata PrepareCopyMetadata(std::string_view source, std::uint32_t width, std::uint32_t height,
                                 std::size_t xmp_limit, bool* xmp_too_large) {
    if (xmp_too_large != nullptr) *xmp_too_large = false;
    CopyMetadata out;
    if (source.empty()) return out;
    InitialiseMetadataLibrary();
    SourceParts parts = ReadSourceParts(source);
    if (!parts.exif.empty()) {
        try {
            AdjustExifForCopy(parts.exif, width, height);
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, parts.order, parts.exif);
            out.exif.assign(blob.begin(), blob.end());
        } catch (const std::exception& e) {
            ThrowIfOutOfMemory(e);
            out.exif.clear();
        }
    }
    if (!parts.xmp.empty()) {
        try {
            Exiv2::XmpData xmp;
            if (Exiv2::XmpParser::decode(xmp, parts.xmp) == 0 && !xmp.empty()) {
                out.xmp = XmpPacketForCopy(xmp, parts.xmp, width, height, xmp_limit);
                if (out.xmp.empty() && xmp_too_large != nullptr) *xmp_too_large = true;
            }
        } catch (const std::exception& e) {
            ThrowIfOutOfMemory(e);
            out.xmp.clear();
        }
    }
    if (auto icc = UsableIccProfile(std::move(parts.icc), 3)) out.icc = std::move(*icc);
    return out;
}

std::string JpegWithCopyMetadata(std::string_view jpeg, const CopyMetadata& metadata) {
    return WriteEveryPart<Exiv2::JpegImage>(jpeg, metadata, false);
}

std::string TiffWithCopyMetadata(std::string_view tiff, const CopyMetadata& metadata) {
    return WriteEveryPart<Exiv2::TiffImage>(tiff, metadata, true);
}
