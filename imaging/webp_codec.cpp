// WebP through libwebp directly: decoded straight into the picture's own pixels (alpha kept where
// the file has it), encoded lossy at a quality or lossless, one thread a call. The metadata chunks
// are our own RIFF writer's (webp_chunks.h).

#include <webp/decode.h>
#include <webp/encode.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "imaging/exif_orientation.h"
#include "imaging/image_kind_codecs.h"
#include "imaging/picture_pixels.h"
#include "imaging/pixel_buffer.h"
#include "imaging/webp_chunks.h"

namespace {

using namespace std::string_view_literals;

std::uint32_t LittleEndian32(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24;
}

void AppendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

void AppendChunk(std::string& out, std::string_view name, std::string_view data) {
    out.append(name);
    AppendLittleEndian(out, static_cast<std::uint32_t>(data.size()), 4);
    out.append(data);
    if (data.size() % 2 != 0) out.push_back('\0');
}

// The byte order of Format_RGB32 and Format_ARGB32 in memory.
constexpr WEBP_CSP_MODE kPictureMode = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;

struct WebpHeader {
    int width = 0;
    int height = 0;
    bool alpha = false;
    bool animated = false;
    bool lossless = false;
    int orientation = 0;
};

std::optional<WebpHeader> ReadHeader(std::string_view bytes) {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &features) !=
        VP8_STATUS_OK)
        return std::nullopt;
    WebpHeader header;
    header.width = features.width;
    header.height = features.height;
    header.alpha = features.has_alpha != 0;
    header.animated = features.has_animation != 0;
    header.lossless = features.format == 2;
    header.orientation = ExifOrientation(WebpChunk(bytes, "EXIF"));
    return header;
}

}  // namespace

std::vector<RiffChunk> WebpChunks(std::string_view webp, bool* whole) {
    std::vector<RiffChunk> chunks;
    if (whole != nullptr) *whole = false;
    if (webp.size() < 12 || webp.substr(0, 4) != "RIFF" || webp.substr(8, 4) != "WEBP")
        return chunks;
    const std::uint64_t declared = std::uint64_t{LittleEndian32(webp, 4)} + 8;
    const std::size_t end =
        static_cast<std::size_t>(std::min<std::uint64_t>(declared, webp.size()));
    std::size_t at = 12;
    while (end - at >= 8) {
        const std::uint64_t size = LittleEndian32(webp, at + 4);
        if (size > end - at - 8) return chunks;
        RiffChunk chunk;
        chunk.name = webp.substr(at, 4);
        chunk.data = webp.substr(at + 8, static_cast<std::size_t>(size));
        chunk.start = at;
        chunk.end = std::min<std::size_t>(end, at + 8 + static_cast<std::size_t>(size + size % 2));
        chunks.push_back(chunk);
        at = chunk.end;
    }
    if (whole != nullptr) *whole = at == end && declared <= webp.size();
    return chunks;
}

std::string_view WebpChunk(std::string_view webp, std::string_view name) {
    for (const RiffChunk& chunk : WebpChunks(webp))
        if (chunk.name == name) return chunk.data;
    return {};
}

std::string WebpWithMetadata(std::string_view webp, std::string_view exif, std::string_view xmp,
                             std::string_view icc) {
    if (exif.empty() && xmp.empty() && icc.empty()) return std::string(webp);
    bool whole = false;
    const std::vector<RiffChunk> chunks = WebpChunks(webp, &whole);
    if (!whole || chunks.empty()) return std::string(webp);
    WebpHeader header;
    if (const auto read = ReadHeader(webp)) {
        header = *read;
    } else {
        return std::string(webp);
    }
    // An animation's frames would need its own chunks kept in their order; never written here.
    if (header.animated) return std::string(webp);
    std::string picture;  // ALPH and the bitstream, as the encoder wrote them
    for (const RiffChunk& chunk : chunks) {
        if (chunk.name == "ALPH" || chunk.name == "VP8 " || chunk.name == "VP8L")
            picture.append(webp.substr(chunk.start, chunk.end - chunk.start));
    }
    std::uint8_t flags = 0;
    if (!icc.empty()) flags |= 0x20;
    if (header.alpha) flags |= 0x10;
    if (!exif.empty()) flags |= 0x08;
    if (!xmp.empty()) flags |= 0x04;
    std::string vp8x;
    vp8x.push_back(static_cast<char>(flags));
    vp8x.append(3, '\0');
    AppendLittleEndian(vp8x, static_cast<std::uint32_t>(header.width - 1), 3);
    AppendLittleEndian(vp8x, static_cast<std::uint32_t>(header.height - 1), 3);
    std::string out = "RIFF";
    out.append(4, '\0');
    out.append("WEBP");
    AppendChunk(out, "VP8X", vp8x);
    if (!icc.empty()) AppendChunk(out, "ICCP", icc);
    out.append(picture);
    if (!exif.empty()) AppendChunk(out, "EXIF", exif);
    if (!xmp.empty()) AppendChunk(out, "XMP ", xmp);
    const auto riff = static_cast<std::uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<char>(riff >> (8 * i));
    return out;
}

void ProbeWebp(std::string_view bytes, PictureFacts& facts) {
    const std::optional<WebpHeader> header = ReadHeader(bytes);
    if (!header) {
        facts.refusal = PictureRefusal::kUnreadable;
        return;
    }
    facts.stored = {header->width, header->height};
    facts.upright =
        header->orientation >= 5 ? ImgKitSize{header->height, header->width} : facts.stored;
    facts.alpha = header->alpha;
    facts.lossless = header->lossless;
    if (header->animated) {
        facts.refusal = PictureRefusal::kAnimated;
    } else if (!PlausiblePictureSize(header->width, header->height, bytes.size())) {
        facts.refusal = PictureRefusal::kTooLarge;
    }
}

ImageHandle DecodeWebp(std::string_view bytes, const DecodeRequest& request,
                       PictureRefusal& refusal) {
    PictureFacts facts;
    ProbeWebp(bytes, facts);
    refusal = facts.refusal;
    if (refusal != PictureRefusal::kNone) return {};
    refusal = PictureRefusal::kUnreadable;
    QImage image = NewPixelImage(facts.stored.width, facts.stored.height,
                                 facts.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) return {};
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return {};
    config.options.use_threads = 0;
    config.output.colorspace = kPictureMode;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = static_cast<int>(image.bytesPerLine());
    config.output.u.RGBA.size = static_cast<size_t>(image.sizeInBytes());
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    bool whole = false;
    if (request.damage == ImgKitDamage::Show) {
        // As far as it decodes, the rest grey, as a damaged JPEG shows.
        image.fill(QColor(128, 128, 128));
        WebPIDecoder* decoder = WebPIDecode(data, 0, &config);
        if (!decoder) return {};
        const VP8StatusCode status = WebPIUpdate(decoder, data, bytes.size());
        int last_row = 0;
        WebPIDecGetRGB(decoder, &last_row, nullptr, nullptr, nullptr);
        WebPIDelete(decoder);
        whole = status == VP8_STATUS_OK;
        if (!whole && last_row <= 0) return {};
    } else {
        whole = WebPDecode(data, bytes.size(), &config) == VP8_STATUS_OK;
        WebPFreeDecBuffer(&config.output);
        if (!whole) return {};
    }
    QRectF area;
    const int orientation = ExifOrientation(WebpChunk(bytes, "EXIF"));
    image = ApplyOrientation(image, TransformationOfExifOrientation(orientation), area);
    if (image.isNull()) return {};
    refusal = PictureRefusal::kNone;
    return MakePictureHandle(std::move(image));
}

namespace {

// Collects the encoder's output into a string of ours (the writer of libwebp's own would need its
// memory released through libwebp).
int WriteToString(const uint8_t* data, size_t size, const WebPPicture* picture) {
    auto* out = static_cast<std::string*>(picture->custom_ptr);
    try {
        out->append(reinterpret_cast<const char*>(data), size);
        return 1;
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        return 0;
    }
}

}  // namespace

std::optional<std::string> EncodeWebp(const ImageHandle& image, const EncodeSettings& settings,
                                      const CopyMetadata& metadata) {
    const ImgKitPicture* p = image.get();
    if (!p) return std::nullopt;
    QImage pixels = PixelsAtReportedSize(*p);
    if (pixels.isNull()) return std::nullopt;
    const bool alpha = HasAlphaChannel(pixels.format());
    const QImage::Format wanted = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (pixels.format() != wanted) {
        pixels = pixels.convertToFormat(wanted);
        if (pixels.isNull()) {
            NoteOutOfMemory();
            return std::nullopt;
        }
    }
    if (pixels.width() > WEBP_MAX_DIMENSION || pixels.height() > WEBP_MAX_DIMENSION)
        return std::nullopt;
    WebPConfig config;
    if (!WebPConfigInit(&config)) return std::nullopt;
    if (settings.lossless) {
        // Level 5 (method 4): within a few per cent of the smallest file at a fraction of the time.
        WebPConfigLosslessPreset(&config, 5);
        config.exact = 1;  // the colour under a transparent pixel is kept too: nothing changes
    } else {
        config.quality = static_cast<float>(std::clamp(settings.quality, 1, 100));
        config.method = 4;
    }
    config.thread_level = 0;
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) return std::nullopt;
    picture.width = pixels.width();
    picture.height = pixels.height();
    picture.use_argb = settings.lossless ? 1 : 0;
    const auto* rows = pixels.constBits();
    const int stride = static_cast<int>(pixels.bytesPerLine());
    const bool little = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    int imported = 0;
    if (little) {
        imported = alpha ? WebPPictureImportBGRA(&picture, rows, stride)
                         : WebPPictureImportBGRX(&picture, rows, stride);
    } else {
        const QImage rgba =
            pixels.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
        imported = alpha ? WebPPictureImportRGBA(&picture, rgba.constBits(),
                                                 static_cast<int>(rgba.bytesPerLine()))
                         : WebPPictureImportRGBX(&picture, rgba.constBits(),
                                                 static_cast<int>(rgba.bytesPerLine()));
    }
    if (!imported) {
        WebPPictureFree(&picture);
        NoteOutOfMemory();
        return std::nullopt;
    }
    std::string out;
    picture.writer = WriteToString;
    picture.custom_ptr = &out;
    const bool encoded = WebPEncode(&config, &picture) != 0;
    if (!encoded && picture.error_code == VP8_ENC_ERROR_OUT_OF_MEMORY) NoteOutOfMemory();
    WebPPictureFree(&picture);
    if (!encoded) return std::nullopt;
    return WebpWithMetadata(out, metadata.exif, metadata.xmp, metadata.icc);
}
