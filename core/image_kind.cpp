#include "core/image_kind.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

bool StartsWith(std::string_view head, std::string_view signature) {
    return head.substr(0, signature.size()) == signature;
}

bool BeginsLikeJpeg(std::string_view head) {
    return StartsWith(head, "\xFF\xD8\xFF");
}
bool BeginsLikeGif(std::string_view head) {
    return StartsWith(head, "GIF87a") || StartsWith(head, "GIF89a");
}
bool BeginsLikeBmp(std::string_view head) {
    return StartsWith(head, "BM");
}
bool BeginsLikePng(std::string_view head) {
    return StartsWith(head, "\x89PNG\r\n\x1A\n");
}
bool BeginsLikeWebp(std::string_view head) {
    return head.size() >= 12 && StartsWith(head, "RIFF") && head.substr(8, 4) == "WEBP";
}
bool BeginsLikeTiff(std::string_view head) {
    using namespace std::string_view_literals;
    // Classic TIFF (42) and BigTIFF (43), in either byte order.
    return StartsWith(head, "II*\0"sv) || StartsWith(head, "MM\0*"sv) ||
           StartsWith(head, "II+\0"sv) || StartsWith(head, "MM\0+"sv);
}

// Which of the two ISO box kinds a brand names: AV1 brands, HEVC (and generic image) brands, or
// neither.
ImageKind KindOfBrand(std::string_view brand) {
    if (brand == "avif" || brand == "avis") return kAvifImage;
    static constexpr std::string_view kHevc[] = {"heic", "heix", "heim", "heis",
                                                 "hevc", "hevx", "hevm", "hevs"};
    if (std::find(std::begin(kHevc), std::end(kHevc), brand) != std::end(kHevc)) return kHeifImage;
    return kNotPicture;
}

bool IsGenericImageBrand(std::string_view brand) {
    return brand == "mif1" || brand == "mif2" || brand == "msf1" || brand == "miaf";
}

// The kind of an ISO box file from its leading file-type box: the major brand when it names a
// codec, else the first compatible brand that does (a generic "mif1" file lists "avif" there);
// a generic image file with neither is HEIF. kNotPicture for other box files (a video, a raw
// file): their brands name no still image.
ImageKind KindOfBoxFile(std::string_view head) {
    if (head.size() < 16 || head.substr(4, 4) != "ftyp") return kNotPicture;
    const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(head[i] & 0xFF); };
    const std::uint32_t size = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
    if (size < 16 || size % 4 != 0) return kNotPicture;
    const std::string_view major = head.substr(8, 4);
    if (const ImageKind kind = KindOfBrand(major); kind != kNotPicture) return kind;
    bool generic = IsGenericImageBrand(major);
    const std::size_t end = std::min<std::size_t>(size, head.size());
    for (std::size_t at = 16; at + 4 <= end; at += 4) {
        const std::string_view brand = head.substr(at, 4);
        if (const ImageKind kind = KindOfBrand(brand); kind != kNotPicture) return kind;
        generic = generic || IsGenericImageBrand(brand);
    }
    return generic ? kHeifImage : kNotPicture;
}

bool BeginsLikeAvif(std::string_view head) {
    return KindOfBoxFile(head) == kAvifImage;
}
bool BeginsLikeHeif(std::string_view head) {
    return KindOfBoxFile(head) == kHeifImage;
}

constexpr ImageKindInfo kKinds[] = {
    {kJpegImage,
     "JPEG",
     {".jpg", ".jpeg"},
     true,
     true,
     true,
     MetadataCarrier::kJpegSegments,
     BeginsLikeJpeg},
    {kGifImage, "GIF", {".gif"}, true, false, false, MetadataCarrier::kNone, BeginsLikeGif},
    // The album copies a BMP as it is and makes a BMP thumbnail, as it does a JPEG.
    {kBmpImage, "BMP", {".bmp"}, true, true, true, MetadataCarrier::kNone, BeginsLikeBmp},
    {kPngImage, "PNG", {".png"}, true, true, true, MetadataCarrier::kPngChunks, BeginsLikePng},
    {kWebpImage, "WebP", {".webp"}, true, true, true, MetadataCarrier::kRiffChunks, BeginsLikeWebp},
    {kAvifImage, "AVIF", {".avif"}, true, true, true, MetadataCarrier::kHeifItems, BeginsLikeAvif},
    {kHeifImage,
     "HEIF",
     {".heic", ".heif", ".hif"},
     false,
     true,
     true,
     MetadataCarrier::kHeifItems,
     BeginsLikeHeif},
    {kTiffImage,
     "TIFF",
     {".tif", ".tiff"},
     false,
     true,
     true,
     MetadataCarrier::kTiffTags,
     BeginsLikeTiff},
};

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::span<const ImageKindInfo> ImageKinds() {
    return kKinds;
}

const ImageKindInfo* FindImageKind(ImageKind kind) {
    for (const ImageKindInfo& info : kKinds)
        if (info.kind == kind) return &info;
    return nullptr;
}

ImageKind ImageKindOfExtension(std::string_view extension) {
    // No extension of the table is longer than this.
    if (extension.size() < 2 || extension.size() > 8) return kNotPicture;
    std::string lower;
    for (const char c : extension) lower.push_back(AsciiLower(c));
    for (const ImageKindInfo& info : kKinds) {
        for (const std::string_view known : info.extensions)
            if (!known.empty() && known == lower) return info.kind;
    }
    return kNotPicture;
}

ImageKind SniffImageKind(std::string_view head) {
    // Only the first bytes count, so that a file and its head are always of one kind.
    head = head.substr(0, kSniffBytes);
    for (const ImageKindInfo& info : kKinds)
        if (info.begins_like(head)) return info.kind;
    return kNotPicture;
}
