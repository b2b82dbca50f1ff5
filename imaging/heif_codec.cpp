// HEIF (HEVC) and AVIF (AV1) through libheif: the primary image decoded with its transforms
// applied (its Exif orientation only notes what they did, and is ignored), or its thumbnail item
// when a reduced picture is wanted and one fits (ChooseHeifThumbnail); encoded with Exif, XMP and
// ICC attached and no irot. No call starts a pool of its own (the jobs' workers are the
// parallelism): grid tiles are decoded one after the other, libde265 decodes on its one worker
// and x265 encodes on its one frame thread while the caller waits; only dav1d, decoding AV1,
// takes threads of its own, which libheif 1.15 cannot limit (its one-thread alternative here,
// aom, took twice the processor time for the same picture). The file's own boxes are checked
// first (heif_items.h), so that a grid that would decode to gigabytes is refused before libheif
// allocates for it.

#include <libheif/heif.h>

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "imaging/heif_items.h"
#include "imaging/image_kind_codecs.h"
#include "imaging/imaging_limits.h"
#include "imaging/picture_pixels.h"
#include "imaging/pixel_buffer.h"

namespace {

// The most tiles a grid may have: a 200-megapixel picture in tiles of 512 x 512 has about 800.
constexpr std::int64_t kMaxGridTiles = 4096;

// No side of a picture is longer than this (libheif's own limit is the same).
constexpr int kMaxSide = 32768;

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct EncoderDeleter {
    void operator()(heif_encoder* e) const { heif_encoder_release(e); }
};
using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<heif_image_handle, HandleDeleter>;
using Image = std::unique_ptr<heif_image, ImageDeleter>;
using Encoder = std::unique_ptr<heif_encoder, EncoderDeleter>;

PictureRefusal RefusalOf(const heif_error& error) {
    if (error.code == heif_error_Memory_allocation_error &&
        error.subcode == heif_suberror_Security_limit_exceeded)
        return PictureRefusal::kTooLarge;
    if (error.code == heif_error_Memory_allocation_error) {
        NoteOutOfMemory();
        return PictureRefusal::kOutOfMemory;
    }
    return PictureRefusal::kUnreadable;
}

// The file read into a context of libheif's (which holds `bytes` without copying them), its
// primary image's handle, and what our own reading of its boxes says.
struct OpenedFile {
    Context context;
    Handle primary;
    HeifLayout layout;
    ImageKind kind = kNotPicture;
};

// Opens `bytes` and checks everything a decode would meet before it allocates: the kind's decoder,
// an image sequence, several pictures, the size and a grid's geometry. `facts` gets what is known.
PictureRefusal Open(std::string_view bytes, OpenedFile& file, PictureFacts& facts) {
    file.kind = SniffImageKind(bytes.substr(0, kSniffBytes));
    const std::optional<HeifLayout> layout = ReadHeifLayout(bytes);
    if (!layout) return PictureRefusal::kUnreadable;
    file.layout = *layout;
    if (file.layout.sequence) return PictureRefusal::kAnimated;
    // The decoder allocates what each coded picture's parameter set declares, whatever its item
    // says: a tiny file declaring a huge picture there is refused as one declaring it anywhere.
    for (const HeifItem& item : file.layout.items) {
        if (item.coded_width > 0 &&
            !PlausiblePictureSize(item.coded_width, item.coded_height, bytes.size()))
            return PictureRefusal::kTooLarge;
    }
    if (file.layout.grid_rows > 0) {
        const std::int64_t tiles = std::int64_t{file.layout.grid_rows} * file.layout.grid_columns;
        if (tiles > kMaxGridTiles ||
            !PlausiblePictureSize(file.layout.grid_width, file.layout.grid_height, bytes.size()))
            return PictureRefusal::kTooLarge;
    }
    file.context.reset(heif_context_alloc());
    if (!file.context) {
        NoteOutOfMemory();
        return PictureRefusal::kOutOfMemory;
    }
    heif_context_set_maximum_image_size_limit(file.context.get(), kMaxSide);
    // Tiles are decoded one after the other on the calling thread.
    heif_context_set_max_decoding_threads(file.context.get(), 0);
    heif_error error = heif_context_read_from_memory_without_copy(file.context.get(), bytes.data(),
                                                                  bytes.size(), nullptr);
    if (error.code != heif_error_Ok) return RefusalOf(error);
    heif_image_handle* primary = nullptr;
    error = heif_context_get_primary_image_handle(file.context.get(), &primary);
    if (error.code != heif_error_Ok) return RefusalOf(error);
    file.primary.reset(primary);
    const int width = heif_image_handle_get_width(primary);
    const int height = heif_image_handle_get_height(primary);
    facts.upright = {width, height};
    facts.stored = {heif_image_handle_get_ispe_width(primary),
                    heif_image_handle_get_ispe_height(primary)};
    facts.alpha = heif_image_handle_has_alpha_channel(primary) != 0;
    facts.thumbnail_item = heif_image_handle_get_number_of_thumbnails(primary) > 0;
    if (heif_context_get_number_of_top_level_images(file.context.get()) > 1 ||
        file.layout.TopLevelImages() > 1)
        return PictureRefusal::kSeveralImages;
    if (!PlausiblePictureSize(width, height, bytes.size()) ||
        !PlausiblePictureSize(facts.stored.width, facts.stored.height, bytes.size()))
        return PictureRefusal::kTooLarge;
    const bool av1 = file.kind == kAvifImage;
    if (!(av1 ? Av1Decodable() : HevcDecodable())) return PictureRefusal::kNoDecoder;
    return PictureRefusal::kNone;
}

// The decoded image of `handle` in 8-bit RGB, with alpha when `alpha`, its transforms applied.
// Planar where the coded picture has 8 bits: libheif 1.15 reaches planar RGB from 4:2:0 in one
// step, where interleaved RGB costs it a full-resolution YCbCr copy first and then the
// interleaved one, two more passes over fresh, zero-filled memory (of a 12-megapixel HEIC's
// resize to 1600 pixels, they were a third of the processor time). Deeper pictures are brought
// to 8 bits by libheif only on the way to interleaved RGB.
PictureRefusal DecodeHandle(heif_image_handle* handle, bool alpha, bool strict, Image& out) {
    std::unique_ptr<heif_decoding_options, decltype(&heif_decoding_options_free)> options(
        heif_decoding_options_alloc(), heif_decoding_options_free);
    if (!options) {
        NoteOutOfMemory();
        return PictureRefusal::kOutOfMemory;
    }
    options->ignore_transformations = 0;
    options->convert_hdr_to_8bit = 1;
    // Damaged data is an error, never a picture with a grey rest, unless the preview asks.
    options->strict_decoding = strict ? 1 : 0;
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8 ||
                      heif_image_handle_get_chroma_bits_per_pixel(handle) > 8;
    const heif_chroma chroma = !deep   ? heif_chroma_444
                               : alpha ? heif_chroma_interleaved_RGBA
                                       : heif_chroma_interleaved_RGB;
    heif_image* image = nullptr;
    const heif_error error =
        heif_decode_image(handle, &image, heif_colorspace_RGB, chroma, options.get());
    out.reset(image);
    if (error.code != heif_error_Ok) return RefusalOf(error);
    if (strict && heif_image_get_decoding_warnings(image, 0, nullptr, 0) > 0)
        return PictureRefusal::kUnreadable;
    return PictureRefusal::kNone;
}

// The decoded image (8-bit RGB planes, or interleaved RGB or RGBA) as a picture's pixels; null
// when its channels are not as DecodeHandle asked.
QImage PixelsOf(const heif_image* image, bool alpha) {
    const bool planar = heif_image_get_chroma_format(image) == heif_chroma_444;
    const heif_channel channels[] = {heif_channel_R, heif_channel_G, heif_channel_B,
                                     heif_channel_Alpha};
    const int count = !planar ? 1 : alpha ? 4 : 3;
    const int width = heif_image_get_width(image, planar ? channels[0] : heif_channel_interleaved);
    const int height =
        heif_image_get_height(image, planar ? channels[0] : heif_channel_interleaved);
    const uint8_t* planes[4] = {};
    int strides[4] = {};
    for (int c = 0; c < count; ++c) {
        const heif_channel channel = planar ? channels[c] : heif_channel_interleaved;
        planes[c] = heif_image_get_plane_readonly(image, channel, &strides[c]);
        if (!planes[c] || heif_image_get_width(image, channel) != width ||
            heif_image_get_height(image, channel) != height ||
            heif_image_get_bits_per_pixel_range(image, channel) != 8)
            return {};
    }
    if (width < 1 || height < 1) return {};
    QImage pixels =
        NewPixelImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (pixels.isNull()) return {};
    for (int y = 0; y < height; ++y) {
        const uint8_t* in[4];
        for (int c = 0; c < count; ++c)
            in[c] = planes[c] + static_cast<std::ptrdiff_t>(y) * strides[c];
        auto* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
        if (planar && alpha) {
            for (int x = 0; x < width; ++x) row[x] = qRgba(in[0][x], in[1][x], in[2][x], in[3][x]);
        } else if (planar) {
            for (int x = 0; x < width; ++x) row[x] = qRgb(in[0][x], in[1][x], in[2][x]);
        } else if (alpha) {
            const uint8_t* p = in[0];
            for (int x = 0; x < width; ++x, p += 4) row[x] = qRgba(p[0], p[1], p[2], p[3]);
        } else {
            const uint8_t* p = in[0];
            for (int x = 0; x < width; ++x, p += 3) row[x] = qRgb(p[0], p[1], p[2]);
        }
    }
    return pixels;
}

bool DecoderPresent(heif_compression_format format) {
    return heif_have_decoder_for_format(format) != 0;
}

}  // namespace

bool HevcDecodable() {
    static const bool present = DecoderPresent(heif_compression_HEVC);
    return present;
}

bool Av1Decodable() {
    static const bool present = DecoderPresent(heif_compression_AV1);
    return present;
}

bool HevcEncodable() {
    static const bool present = heif_have_encoder_for_format(heif_compression_HEVC) != 0;
    return present;
}

bool Av1Encodable() {
    static const bool present = heif_have_encoder_for_format(heif_compression_AV1) != 0;
    return present;
}

void ProbeHeif(std::string_view bytes, PictureFacts& facts) {
    OpenedFile file;
    facts.refusal = Open(bytes, file, facts);
}

ImageHandle DecodeHeif(std::string_view bytes, const DecodeRequest& request,
                       PictureRefusal& refusal) {
    OpenedFile file;
    PictureFacts facts;
    refusal = Open(bytes, file, facts);
    if (refusal != PictureRefusal::kNone) return {};
    const bool strict = request.damage == ImgKitDamage::Refuse;

    // A thumbnail item that is large enough saves decoding the whole picture; it must carry the
    // alpha the picture has.
    if (const auto id = ChooseHeifThumbnail(file.layout, request.min_width, request.min_height)) {
        heif_image_handle* thumbnail = nullptr;
        if (heif_image_handle_get_thumbnail(file.primary.get(), *id, &thumbnail).code ==
            heif_error_Ok) {
            Handle owned(thumbnail);
            if ((heif_image_handle_has_alpha_channel(thumbnail) != 0) == facts.alpha) {
                Image image;
                if (DecodeHandle(thumbnail, facts.alpha, strict, image) == PictureRefusal::kNone) {
                    QImage pixels = PixelsOf(image.get(), facts.alpha);
                    image.reset();
                    if (!pixels.isNull()) {
                        refusal = PictureRefusal::kNone;
                        // Reports the whole picture's size, as a JPEG decoded at a DCT scale does.
                        return MakePictureHandle(std::move(pixels), facts.upright.width,
                                                 facts.upright.height);
                    }
                }
            }
        }
    }
    Image image;
    refusal = DecodeHandle(file.primary.get(), facts.alpha, strict, image);
    if (refusal != PictureRefusal::kNone && !(image && !strict)) return {};
    file.primary.reset();
    file.context.reset();
    QImage pixels = PixelsOf(image.get(), facts.alpha);
    image.reset();
    if (pixels.isNull()) {
        refusal = PictureRefusal::kUnreadable;
        return {};
    }
    refusal = PictureRefusal::kNone;
    return MakePictureHandle(std::move(pixels));
}

namespace {

heif_error WriteToString(heif_context*, const void* data, size_t size, void* userdata) {
    auto* out = static_cast<std::string*>(userdata);
    try {
        out->append(static_cast<const char*>(data), size);
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, "out of memory"};
    }
    return {heif_error_Ok, heif_suberror_Unspecified, "Success"};
}

}  // namespace

std::optional<std::string> EncodeHeif(const ImageHandle& source, const EncodeSettings& settings,
                                      const CopyMetadata& metadata) {
    const ImgKitPicture* p = source.get();
    if (!p) return std::nullopt;
    QImage pixels = PixelsAtReportedSize(*p);
    if (pixels.isNull()) return std::nullopt;
    const bool alpha = HasAlphaChannel(pixels.format());
    const QImage::Format wanted = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (pixels.format() != wanted) pixels = pixels.convertToFormat(wanted);
    if (pixels.isNull()) {
        NoteOutOfMemory();
        return std::nullopt;
    }
    const bool av1 = settings.kind == kAvifImage;
    Context context(heif_context_alloc());
    if (!context) return std::nullopt;
    heif_encoder* raw_encoder = nullptr;
    if (heif_context_get_encoder_for_format(
            context.get(), av1 ? heif_compression_AV1 : heif_compression_HEVC, &raw_encoder)
            .code != heif_error_Ok)
        return std::nullopt;
    Encoder encoder(raw_encoder);
    heif_encoder_set_lossy_quality(encoder.get(), std::clamp(settings.quality, 1, 100));
    if (av1) {
        // Speed 7 costs a few per cent of size against the default 6, at well under half the time.
        heif_encoder_set_parameter_integer(encoder.get(), "speed", 7);
        heif_encoder_set_parameter_integer(encoder.get(), "threads", 1);
    } else {
        heif_encoder_set_parameter_string(encoder.get(), "preset", "fast");
        // No pool of x265's own: its frame thread encodes while the calling thread waits.
        heif_encoder_set_parameter_string(encoder.get(), "x265:pools", "none");
        heif_encoder_set_parameter_string(encoder.get(), "x265:frame-threads", "1");
    }

    heif_image* raw_image = nullptr;
    const int width = pixels.width();
    const int height = pixels.height();
    if (heif_image_create(width, height, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          &raw_image)
            .code != heif_error_Ok)
        return std::nullopt;
    Image image(raw_image);
    if (heif_image_add_plane(image.get(), heif_channel_interleaved, width, height, 8).code !=
        heif_error_Ok) {
        NoteOutOfMemory();
        return std::nullopt;
    }
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    for (int y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        uint8_t* out = plane + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            *out++ = static_cast<uint8_t>(qRed(in[x]));
            *out++ = static_cast<uint8_t>(qGreen(in[x]));
            *out++ = static_cast<uint8_t>(qBlue(in[x]));
            if (alpha) *out++ = static_cast<uint8_t>(qAlpha(in[x]));
        }
    }
    pixels = QImage();
    if (!metadata.icc.empty())
        heif_image_set_raw_color_profile(image.get(), "prof", metadata.icc.data(),
                                         metadata.icc.size());
    std::unique_ptr<heif_encoding_options, decltype(&heif_encoding_options_free)> options(
        heif_encoding_options_alloc(), heif_encoding_options_free);
    if (!options) return std::nullopt;
    options->save_alpha_channel = alpha ? 1 : 0;
    heif_image_handle* raw_handle = nullptr;
    const heif_error encoded = heif_context_encode_image(context.get(), image.get(), encoder.get(),
                                                         options.get(), &raw_handle);
    if (encoded.code != heif_error_Ok) {
        if (encoded.code == heif_error_Memory_allocation_error) NoteOutOfMemory();
        return std::nullopt;
    }
    Handle handle(raw_handle);
    image.reset();
    if (!metadata.exif.empty())
        heif_context_add_exif_metadata(context.get(), handle.get(), metadata.exif.data(),
                                       static_cast<int>(metadata.exif.size()));
    if (!metadata.xmp.empty())
        heif_context_add_XMP_metadata(context.get(), handle.get(), metadata.xmp.data(),
                                      static_cast<int>(metadata.xmp.size()));
    std::string out;
    heif_writer writer{1, WriteToString};
    if (heif_context_write(context.get(), &writer, &out).code != heif_error_Ok) return std::nullopt;
    return out;
}

void ReadHeifMetadata(std::string_view bytes, SourceMetadata& out) {
    Context context(heif_context_alloc());
    if (!context) return;
    heif_context_set_maximum_image_size_limit(context.get(), kMaxSide);
    if (heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(),
                                                   nullptr)
            .code != heif_error_Ok)
        return;
    heif_image_handle* raw = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &raw).code != heif_error_Ok) return;
    Handle primary(raw);
    const auto block = [&](const char* type, const char* content_type) -> std::string {
        heif_item_id ids[8];
        const int count =
            heif_image_handle_get_list_of_metadata_block_IDs(primary.get(), type, ids, 8);
        for (int i = 0; i < count; ++i) {
            if (content_type != nullptr &&
                std::strcmp(heif_image_handle_get_metadata_content_type(primary.get(), ids[i]),
                            content_type) != 0)
                continue;
            const size_t size = heif_image_handle_get_metadata_size(primary.get(), ids[i]);
            if (size == 0 || size > kMaxMetadataBlockBytes) continue;
            std::string data(size, '\0');
            if (heif_image_handle_get_metadata(primary.get(), ids[i], data.data()).code ==
                heif_error_Ok)
                return data;
        }
        return {};
    };
    std::string exif = block("Exif", nullptr);
    // The Exif item starts with the offset of its TIFF header from the end of that field.
    if (exif.size() >= 4) {
        const std::uint32_t offset =
            static_cast<std::uint8_t>(exif[0]) << 24 | static_cast<std::uint8_t>(exif[1]) << 16 |
            static_cast<std::uint8_t>(exif[2]) << 8 | static_cast<std::uint8_t>(exif[3]);
        out.exif = offset <= exif.size() - 4 ? exif.substr(4 + offset) : std::string();
    }
    out.xmp = block("mime", "application/rdf+xml");
    const size_t icc_size = heif_image_handle_get_raw_color_profile_size(primary.get());
    if (icc_size > 0 && icc_size <= kMaxMetadataBlockBytes) {
        out.icc.assign(icc_size, '\0');
        if (heif_image_handle_get_raw_color_profile(primary.get(), out.icc.data()).code !=
            heif_error_Ok)
            out.icc.clear();
    }
}
