#include "browser/imaging/image_codec.h"

#include <filesystem>
#include <system_error>

#include "browser/imaging/imaging_limits.h"
#include "browser/imaging/jpeg_metadata.h"
#include "browser/imaging/lossless_turn.h"

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

}  // namespace

std::string ImageCodec::CarryMetadata(const std::string& source, const std::string& encoded) {
    std::string bytes;
    if (!ReadPictureFile(source, bytes)) return encoded;
    return CarryJpegMetadata(bytes, encoded);
}

std::optional<std::string> ImageCodec::TurnLosslessly(const std::string& source,
                                                      int quarter_turns) {
    std::string bytes;
    if (!ReadPictureFile(source, bytes)) return std::nullopt;
    return TurnJpegLosslessly(bytes, quarter_turns);
}

ImageCodec& DefaultImageCodec() {
    static ImageCodec codec;
    return codec;
}
