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

// How much of a JPEG file is read first for its metadata: cameras and editors put theirs (EXIF,
// XMP, a colour profile) in the segments before the first scan, well within this.
constexpr std::size_t kHeadBytes = std::size_t{1} << 20;

// The segments of a JPEG file up to its first scan, where all its metadata lives, closed with an
// end-of-image marker so that they read as a JPEG of their own: a 16 MB photograph's metadata
// without reading and holding the 16 MB. False when the first scan does not start within
// kHeadBytes (or the bytes are no JPEG); the caller then reads the whole file.
bool ReadJpegHead(const std::string& path, std::string& head) {
    if (!ReadFileStart(path, kHeadBytes, head)) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(head.data());
    const size_t n = head.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return false;
    size_t at = 2;
    while (at + 4 <= n && p[at] == 0xFF) {
        const unsigned char marker = p[at + 1];
        if (marker == 0xFF) {  // a fill byte before the marker
            ++at;
            continue;
        }
        if (marker == 0xD9) return false;  // no scan at all: let the whole file speak
        const size_t end = at + 2 + ((size_t{p[at + 2]} << 8) | p[at + 3]);
        if (end > n) return false;
        if (marker == 0xDA) {
            head.resize(end);
            head += "\xFF\xD9";
            return true;
        }
        at = end;
    }
    return false;
}

}  // namespace

std::string ImageCodec::CarryMetadata(const std::string& source, const std::string& encoded) {
    std::string bytes;
    if (!ReadJpegHead(source, bytes) && !ReadPictureFile(source, bytes)) return encoded;
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
