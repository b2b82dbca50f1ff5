#include "imaging/image_codec.h"

#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

#include "imaging/imaging_limits.h"
#include "imaging/jpeg_metadata.h"
#include "imaging/jpeg_segments.h"
#include "imaging/lossless_turn.h"
#include "imaging/picture_location.h"
#include "imaging/pixel_buffer.h"

namespace {

// A picture file's bytes, read whole. Refused when it is not a regular file (reading a pipe named
// like a picture would never end) or larger than any photograph's file.
bool ReadPictureFile(const std::string& path, std::string& bytes) {
    const std::filesystem::path fs_path(std::u8string(path.begin(), path.end()));
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fs_path, ec)) return false;
    const std::uintmax_t size = std::filesystem::file_size(fs_path, ec);
    if (ec || size > static_cast<std::uintmax_t>(kMaxPictureFileBytes)) return false;
    return ReadWholeFile(path, bytes);
}

// The segments of a JPEG file up to its first scan, where all its metadata lives, closed with an
// end-of-image marker so that they read as a JPEG of their own: a 16 MB photograph's metadata
// without reading and holding the 16 MB. False when the first scan does not start within
// kJpegHeadBytes (or the bytes are no JPEG, or hold no scan at all); the caller then reads the
// whole file.
bool ReadJpegHead(const std::string& path, std::string& head) {
    std::int64_t file_size = 0;
    if (!ReadJpegHeadBytes(path, head, file_size)) return false;
    const std::vector<JpegSegment> segments = JpegHeadSegments(head);
    if (segments.empty() || segments.back().marker != 0xDA) return false;
    head.resize(segments.back().end);
    head += "\xFF\xD9";
    return true;
}

}  // namespace

void ImageCodec::Rotate(ImageHandle& image) {
    TakeOutOfMemoryNote();
    if (!ImgKitRotation(image) && TakeOutOfMemoryNote()) throw std::bad_alloc();
}

ImageHandle ImageCodec::Resize(const ImageHandle& image, int width, int height) {
    TakeOutOfMemoryNote();
    ImageHandle resized = ImgKitImageSize(image, width, height);
    if (!resized && TakeOutOfMemoryNote()) throw std::bad_alloc();
    return resized;
}

std::optional<std::string> ImageCodec::EncodeJpeg(const ImageHandle& image, int quality) {
    TakeOutOfMemoryNote();
    std::optional<std::string> bytes = ImgKitJpegEncode(image, quality);
    if (!bytes && TakeOutOfMemoryNote()) throw std::bad_alloc();
    return bytes;
}

std::optional<std::string> ImageCodec::EncodeBmp(const ImageHandle& image) {
    TakeOutOfMemoryNote();
    std::optional<std::string> bytes = ImgKitBmpEncode(image);
    if (!bytes && TakeOutOfMemoryNote()) throw std::bad_alloc();
    return bytes;
}

std::string ImageCodec::CarryMetadata(const std::string& source, const std::string& encoded,
                                      bool* xmp_too_large) {
    if (xmp_too_large != nullptr) *xmp_too_large = false;
    std::string bytes;
    if (!ReadJpegHead(source, bytes) && !ReadPictureFile(source, bytes)) return encoded;
    return CarryJpegMetadata(bytes, encoded, xmp_too_large);
}

std::optional<std::string> ImageCodec::TurnLosslessly(const std::string& source, int quarter_turns,
                                                      bool* xmp_too_large) {
    if (xmp_too_large != nullptr) *xmp_too_large = false;
    std::string bytes;
    if (!ReadPictureFile(source, bytes)) return std::nullopt;
    return TurnJpegLosslessly(bytes, quarter_turns, xmp_too_large);
}

PictureFailure ImageCodec::CopyPicture(const std::string& source, const std::string& output,
                                       ImageKind kind, LocationRule rule) {
    if (rule == LocationRule::Keep)
        return CopyFileReplacing(source, output) ? PictureFailure::None
                                                 : PictureFailure::CopyFailed;
    std::string bytes;
    // A file that cannot be read cannot be told to be free of location: it is not published.
    if (!ReadPictureFile(source, bytes)) return PictureFailure::LocationLeft;
    // Its carriers are where its content keeps them, whatever its name says.
    const ImageKind content = SniffImageKind(std::string_view(bytes).substr(0, kSniffBytes));
    const std::optional<std::string> published =
        Publishable(content != kNotPicture ? content : kind, bytes, rule);
    if (!published) return PictureFailure::LocationLeft;
    // A file that tells nothing stays a copy of the file.
    const bool copied =
        *published == bytes ? CopyFileReplacing(source, output) : WriteFile(output, *published);
    return copied ? PictureFailure::None : PictureFailure::CopyFailed;
}

std::optional<std::string> ImageCodec::Publishable(ImageKind kind, const std::string& bytes,
                                                   LocationRule rule) {
    if (rule == LocationRule::Keep) return bytes;
    return WithoutLocation(kind, bytes);
}

std::optional<std::string> ImageCodec::Encode(const ImageHandle& image,
                                              const EncodeSettings& settings,
                                              std::string_view source, bool* xmp_too_large) {
    TakeOutOfMemoryNote();
    std::optional<std::string> bytes = EncodePicture(image, settings, source, xmp_too_large);
    if (!bytes && TakeOutOfMemoryNote()) throw std::bad_alloc();
    return bytes;
}

std::optional<std::string> ImageCodec::TurnBytesLosslessly(std::string_view source,
                                                           int quarter_turns, bool* xmp_too_large) {
    if (xmp_too_large != nullptr) *xmp_too_large = false;
    return TurnJpegLosslessly(source, quarter_turns, xmp_too_large);
}

PictureFailure LoadFailureOf(ImgKitLoadFailure failure) {
    switch (failure) {
        case ImgKitLoadFailure::None:
            return PictureFailure::None;
        case ImgKitLoadFailure::OutOfMemory:
            return PictureFailure::NoMemory;
        case ImgKitLoadFailure::Unreadable:
            break;
    }
    return PictureFailure::Unreadable;
}

PictureFailure SaveFailureOf(bool saved, const ReplaceFailure& failure, bool xmp_too_large) {
    // A photograph saved without its XMP is not a lost photograph, but the user is told what it
    // lacks.
    if (saved) return xmp_too_large ? PictureFailure::XmpLeftOut : PictureFailure::None;
    return failure.changed ? PictureFailure::FileChanged : PictureFailure::SaveFailed;
}

PictureFailure RefusalFailureOf(PictureRefusal refusal) {
    switch (refusal) {
        case PictureRefusal::kNone:
            return PictureFailure::None;
        case PictureRefusal::kAnimated:
            return PictureFailure::Animated;
        case PictureRefusal::kSeveralImages:
            return PictureFailure::SeveralImages;
        case PictureRefusal::kNoDecoder:
            return PictureFailure::NoDecoder;
        case PictureRefusal::kOutOfMemory:
            return PictureFailure::NoMemory;
        case PictureRefusal::kUnreadable:
        case PictureRefusal::kTooLarge:
            break;
    }
    return PictureFailure::Unreadable;
}

ImageCodec& DefaultImageCodec() {
    static ImageCodec codec;
    return codec;
}
