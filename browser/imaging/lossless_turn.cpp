#include "browser/imaging/lossless_turn.h"

#include <turbojpeg.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageIOHandler>
#include <QImageReader>
#include <array>
#include <cstdint>

#include "browser/imaging/imaging_limits.h"
#include "browser/imaging/jpeg_metadata.h"

namespace {

// One of the eight ways to lay a picture on its grid (turns and mirrors), as the 2 x 2 matrix it
// applies to a point measured from the picture's centre, x to the right and y down.
struct Matrix {
    int a, b, c, d;  // (x, y) -> (a x + b y, c x + d y)
    friend bool operator==(const Matrix&, const Matrix&) = default;
    Matrix Then(const Matrix& next) const {  // this first, then next
        return {next.a * a + next.b * c, next.a * b + next.b * d, next.c * a + next.d * c,
                next.c * b + next.d * d};
    }
};

constexpr Matrix kIdentity{1, 0, 0, 1};
constexpr Matrix kMirror{-1, 0, 0, 1};
constexpr Matrix kFlip{1, 0, 0, -1};
constexpr Matrix kClockwise{0, -1, 1, 0};  // the top edge's middle (0, -1) goes to the right (1, 0)

struct Operation {
    Matrix matrix;
    int op;
};

constexpr std::array<Operation, 8> kOperations{{
    {kIdentity, TJXOP_NONE},
    {kMirror, TJXOP_HFLIP},
    {kFlip, TJXOP_VFLIP},
    {{0, 1, 1, 0}, TJXOP_TRANSPOSE},     // across the top-left to bottom-right diagonal
    {{0, -1, -1, 0}, TJXOP_TRANSVERSE},  // across the top-right to bottom-left diagonal
    {kClockwise, TJXOP_ROT90},
    {{-1, 0, 0, -1}, TJXOP_ROT180},
    {{0, 1, -1, 0}, TJXOP_ROT270},
}};

// The one block operation that shows the stored picture as the loader shows it (mirror, flip,
// then a quarter turn clockwise: the order the loader applies an EXIF orientation in) and then
// turned `quarter_turns` times clockwise.
int CombinedOperation(QImageIOHandler::Transformations orientation, int quarter_turns) {
    Matrix m = kIdentity;
    if (orientation & QImageIOHandler::TransformationMirror) m = m.Then(kMirror);
    if (orientation & QImageIOHandler::TransformationFlip) m = m.Then(kFlip);
    int turns = ((quarter_turns % 4) + 4) % 4;
    if (orientation & QImageIOHandler::TransformationRotate90) ++turns;
    for (int i = 0; i < turns; ++i) m = m.Then(kClockwise);
    for (const Operation& o : kOperations) {
        if (o.matrix == m) return o.op;
    }
    return TJXOP_NONE;  // unreachable: the eight cover every product
}

QImageIOHandler::Transformations OrientationOf(std::string_view jpeg) {
    QByteArray bytes = QByteArray::fromRawData(jpeg.data(), static_cast<qsizetype>(jpeg.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(true);
    return reader.transformation();
}

// Whether the frame is progressive, so that the turned copy is written the same way. A sequential
// copy of a progressive photograph would come out 4 to 8 % larger (the block copy cannot optimise a
// sequential file's Huffman tables); a progressive copy of a sequential one would be about its
// size but take two to four times as long to write. Walks the marker segments up to the frame.
bool IsProgressive(std::string_view jpeg) {
    std::size_t at = 2;  // after SOI
    while (at + 4 <= jpeg.size()) {
        if (static_cast<unsigned char>(jpeg[at]) != 0xFF) return false;
        const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
        if (marker == 0xFF) {  // a fill byte before the marker
            ++at;
            continue;
        }
        if (marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE) return true;
        const bool other_frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (other_frame || marker == 0xDA || marker == 0xD9) return false;
        const std::size_t length = (std::size_t{static_cast<unsigned char>(jpeg[at + 2])} << 8) |
                                   static_cast<unsigned char>(jpeg[at + 3]);
        if (length < 2) return false;
        at += 2 + length;
    }
    return false;
}

}  // namespace

std::optional<std::string> TurnJpegLosslessly(std::string_view source, int quarter_turns) {
    if (source.size() < 4) return std::nullopt;
    const auto* data = reinterpret_cast<const unsigned char*>(source.data());
    const auto size = static_cast<unsigned long>(source.size());

    tjhandle handle = tjInitTransform();
    if (!handle) return std::nullopt;
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    const bool fits =
        tjDecompressHeader3(handle, data, size, &width, &height, &subsampling, &colorspace) == 0 &&
        width > 0 && height > 0 && static_cast<std::int64_t>(width) * height <= kMaxPicturePixels &&
        // An RGB, CMYK or YCCK file's marker conventions (Adobe's inverted CMYK among them) are
        // not all rewritten faithfully by the block copy; those are re-encoded instead.
        (colorspace == TJCS_YCbCr || colorspace == TJCS_GRAY);
    if (!fits) {
        tjDestroy(handle);
        return std::nullopt;
    }

    tjtransform transform{};
    transform.op = CombinedOperation(OrientationOf(source), quarter_turns);
    // Perfect: refuse rather than drop or smear a partial block row or column at an edge the
    // turn moves. No markers copied: the metadata is carried separately, adjusted.
    transform.options = TJXOPT_PERFECT | TJXOPT_COPYNONE;
    if (IsProgressive(source)) transform.options |= TJXOPT_PROGRESSIVE;
    unsigned char* output = nullptr;
    unsigned long output_size = 0;
    // A warning (damaged data) counts as failure here: the caller's decode shows what it can. Every
    // scan is a pass over all the blocks, so a file of thousands of scans is refused at the
    // library's scan limit (the loader refuses it too) instead of stalling the job.
    const int rc =
        tjTransform(handle, data, size, 1, &output, &output_size, &transform, TJFLAG_LIMITSCANS);
    std::optional<std::string> turned;
    if (rc == 0 && output && output_size > 0)
        turned.emplace(reinterpret_cast<const char*>(output), output_size);
    tjFree(output);
    tjDestroy(handle);
    if (!turned) return std::nullopt;
    return CarryJpegMetadata(source, *turned);
}
