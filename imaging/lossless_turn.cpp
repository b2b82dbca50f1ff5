#include "imaging/lossless_turn.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "imaging/imaging_limits.h"
#include "imaging/jpeg_block_arrays.h"
#include "imaging/jpeg_error_manager.h"
#include "imaging/jpeg_large_output.h"
#include "imaging/jpeg_metadata.h"
#include "imaging/jpeg_segments.h"

// TurnBlocks sets the library's jump point (see JpegErrorManager).

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

// How a block operation moves the blocks and their coefficients: the picture is first laid
// across its top-left to bottom-right diagonal (when `transpose`), then mirrored left to right
// and top to bottom as asked, in the axes of the result.
struct Operation {
    Matrix matrix;
    bool transpose;
    bool mirror;
    bool flip;
};

constexpr std::array<Operation, 8> kOperations{{
    {kIdentity, false, false, false},
    {kMirror, false, true, false},
    {kFlip, false, false, true},
    {{0, 1, 1, 0}, true, false, false},   // across the top-left to bottom-right diagonal
    {{0, -1, -1, 0}, true, true, true},   // across the top-right to bottom-left diagonal
    {kClockwise, true, true, false},      // laid across the diagonal, then mirrored
    {{-1, 0, 0, -1}, false, true, true},  // half a turn
    {{0, 1, -1, 0}, true, false, true},   // laid across the diagonal, then flipped
}};

// The one block operation that shows the stored picture as the loader shows it (mirror, flip,
// then a quarter turn clockwise: the order the loader applies an EXIF orientation in) and then
// turned `quarter_turns` times clockwise.
Operation CombinedOperation(QImageIOHandler::Transformations orientation, int quarter_turns) {
    Matrix m = kIdentity;
    if (orientation & QImageIOHandler::TransformationMirror) m = m.Then(kMirror);
    if (orientation & QImageIOHandler::TransformationFlip) m = m.Then(kFlip);
    int turns = ((quarter_turns % 4) + 4) % 4;
    if (orientation & QImageIOHandler::TransformationRotate90) ++turns;
    for (int i = 0; i < turns; ++i) m = m.Then(kClockwise);
    for (const Operation& o : kOperations) {
        if (o.matrix == m) return o;
    }
    return kOperations[0];  // unreachable: the eight cover every product
}

QImageIOHandler::Transformations OrientationOf(std::string_view jpeg) {
    QByteArray bytes = QByteArray::fromRawData(jpeg.data(), static_cast<qsizetype>(jpeg.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(true);
    return reader.transformation();
}

// Whether the frame is progressive, so that the turned copy is written the same way: a sequential
// copy of a progressive photograph would come out larger, and a progressive copy of a sequential
// one would be about its size but take several times as long to write (bench/README.md).
bool IsProgressive(std::string_view jpeg) {
    const std::optional<JpegFrame> frame = JpegHeadFrame(jpeg);
    return frame && frame->progressive;
}

// Whether the operation keeps every block whole: an edge it mirrors must end on a whole MCU, or
// the partial blocks there (picture and padding) would move inside the picture.
bool IsPerfect(const jpeg_decompress_struct& in, const Operation& op) {
    const JDIMENSION mcu_width = static_cast<JDIMENSION>(in.max_h_samp_factor) * DCTSIZE;
    const JDIMENSION mcu_height = static_cast<JDIMENSION>(in.max_v_samp_factor) * DCTSIZE;
    // Mirrors are in the axes of the result: after a transposition, its mirror runs down the
    // source's columns.
    const bool across = op.transpose ? op.flip : op.mirror;
    const bool down = op.transpose ? op.mirror : op.flip;
    return (!across || in.image_width % mcu_width == 0) &&
           (!down || in.image_height % mcu_height == 0);
}

// Fills the output component's blocks (`width` x `height` of them) from the input component's
// (`in_width` x `in_height`): each output block is the input block the operation moves there, its
// coefficients transposed and the odd frequencies of a mirrored axis negated, which is that block
// mirrored in the picture.
void MoveBlocks(const jvirt_barray_control& in, JDIMENSION in_width, JDIMENSION in_height,
                jvirt_barray_control& out, JDIMENSION width, JDIMENSION height,
                const Operation& op) {
    std::array<JCOEF, DCTSIZE2> sign{};
    for (int v = 0; v < DCTSIZE; ++v) {
        for (int u = 0; u < DCTSIZE; ++u) {
            const bool negate = ((op.mirror && (u & 1)) != 0) != ((op.flip && (v & 1)) != 0);
            sign[v * DCTSIZE + u] = negate ? -1 : 1;
        }
    }
    for (JDIMENSION y = 0; y < height; ++y) {
        JBLOCKROW row = out.rows[y];
        for (JDIMENSION x = 0; x < width; ++x) {
            // Where the block comes from, in the axes of the result, then in the input's.
            const JDIMENSION rx = op.mirror ? width - 1 - x : x;
            const JDIMENSION ry = op.flip ? height - 1 - y : y;
            const JDIMENSION sx = op.transpose ? ry : rx;
            const JDIMENSION sy = op.transpose ? rx : ry;
            if (sx >= in_width || sy >= in_height) continue;  // padding only
            const JCOEF* from = in.rows[sy][sx];
            JCOEF* to = row[x];
            if (op.transpose) {
                for (int v = 0; v < DCTSIZE; ++v) {
                    for (int u = 0; u < DCTSIZE; ++u)
                        to[v * DCTSIZE + u] =
                            static_cast<JCOEF>(from[u * DCTSIZE + v] * sign[v * DCTSIZE + u]);
                }
            } else {
                for (int k = 0; k < DCTSIZE2; ++k) to[k] = static_cast<JCOEF>(from[k] * sign[k]);
            }
        }
    }
}

// The library's structures for one turn: the file read as blocks, the turned file written from
// them. Finish on every way out; the output is released by the owner of the Turner.
struct Turner {
    jpeg_decompress_struct in;
    jpeg_compress_struct out;
    JpegErrorManager error;  // shared: both report to the one jump point
    JpegBlockArrays blocks;
    jvirt_barray_ptr turned[MAX_COMPONENTS];
    JpegLargeOutput output;
    bool in_made;
    bool out_made;

    // Releases the library's structures and the blocks; the output stays.
    void Finish() {
        if (out_made) jpeg_destroy_compress(&out);
        if (in_made) jpeg_destroy_decompress(&in);
        out_made = in_made = false;
        blocks.Release();
    }
};

// A long jump runs no destructor, so what lives across one must have none to run.
static_assert(std::is_trivially_destructible_v<Turner>);

// Turns `source` into t.output, or false. `t` is the caller's, so that nothing here needs a
// destructor; the caller releases t.output whichever way this ends.
bool TurnBlocks(std::string_view source, const Operation& op, bool progressive, Turner& t) {
    t.in_made = t.out_made = false;
    t.blocks.count = 0;
    // A warning (damaged data) ends the turn too: the caller's decode then shows what it can.
    t.in.err = t.out.err = t.error.Prepare(true);
    if (setjmp(t.error.jump)) {
        t.Finish();
        return false;
    }

    jpeg_create_decompress(&t.in);
    t.in_made = true;
    t.blocks.Install(reinterpret_cast<j_common_ptr>(&t.in));
    t.in.progress = &t.error.scan_limit;
    jpeg_mem_src(&t.in, reinterpret_cast<const unsigned char*>(source.data()),
                 static_cast<unsigned long>(source.size()));
    jpeg_read_header(&t.in, TRUE);
    const std::int64_t pixels = std::int64_t{t.in.image_width} * t.in.image_height;
    // An RGB, CMYK or YCCK file's marker conventions (Adobe's inverted CMYK among them) are not
    // all rewritten faithfully by a block copy; those are re-encoded instead.
    const bool fits =
        pixels > 0 && pixels <= kMaxPicturePixels &&
        (t.in.jpeg_color_space == JCS_YCbCr || t.in.jpeg_color_space == JCS_GRAYSCALE);
    if (!fits || !IsPerfect(t.in, op)) {
        t.Finish();
        return false;
    }
    jvirt_barray_ptr* blocks = jpeg_read_coefficients(&t.in);

    jpeg_create_compress(&t.out);
    t.out_made = true;
    UseLargeBlockAccess(reinterpret_cast<j_common_ptr>(&t.out));
    jpeg_copy_critical_parameters(&t.in, &t.out);
    if (op.transpose) {
        std::swap(t.out.image_width, t.out.image_height);
        std::swap(t.out.X_density, t.out.Y_density);
        for (int c = 0; c < t.out.num_components; ++c) {
            jpeg_component_info& info = t.out.comp_info[c];
            std::swap(info.h_samp_factor, info.v_samp_factor);
        }
        // A transposed block's coefficient (u, v) was (v, u): its divisor goes with it.
        for (JQUANT_TBL* table : t.out.quant_tbl_ptrs) {
            if (!table) continue;
            for (int v = 0; v < DCTSIZE; ++v) {
                for (int u = v + 1; u < DCTSIZE; ++u)
                    std::swap(table->quantval[v * DCTSIZE + u], table->quantval[u * DCTSIZE + v]);
            }
        }
    }
    for (int c = 0; c < t.in.num_components; ++c) {
        const jpeg_component_info& from = t.in.comp_info[c];
        const JDIMENSION width = op.transpose ? from.height_in_blocks : from.width_in_blocks;
        const JDIMENSION height = op.transpose ? from.width_in_blocks : from.height_in_blocks;
        // Rounded up to whole units of the component's sampling, as the writer reads them.
        const auto h = static_cast<JDIMENSION>(t.out.comp_info[c].h_samp_factor);
        const auto v = static_cast<JDIMENSION>(t.out.comp_info[c].v_samp_factor);
        t.turned[c] = t.blocks.Make((width + h - 1) / h * h, (height + v - 1) / v * v);
        if (!t.turned[c]) JpegJumpOut(reinterpret_cast<j_common_ptr>(&t.out));
        MoveBlocks(*blocks[c], from.width_in_blocks, from.height_in_blocks, *t.turned[c], width,
                   height, op);
        // Each component's blocks go as soon as they are moved, so that at most one component
        // is held twice: a 4:4:4 picture needs no more than twice its decoded pixels.
        JpegBlockArrays::Drop(blocks[c]);
    }
    // Sequential files get optimised Huffman tables; progressive ones stay progressive (see
    // IsProgressive).
    t.out.optimize_coding = TRUE;
    if (progressive) jpeg_simple_progression(&t.out);
    // A turned file is about the size of its source (its metadata is carried afterwards).
    t.output.Install(&t.out, source.size());
    jpeg_write_coefficients(&t.out, t.turned);
    jpeg_finish_compress(&t.out);
    jpeg_finish_decompress(&t.in);
    t.Finish();
    return true;
}

}  // namespace

std::optional<std::string> TurnJpegLosslessly(std::string_view source, int quarter_turns,
                                              bool* xmp_too_large) {
    if (xmp_too_large != nullptr) *xmp_too_large = false;
    if (source.size() < 4) return std::nullopt;
    // No markers are copied: the metadata is carried separately, adjusted.
    const Operation op = CombinedOperation(OrientationOf(source), quarter_turns);
    Turner t;
    t.output.data = nullptr;
    std::string turned;
    {
        // The output goes back however the turn or the copy ends (either may run out of memory).
        const std::unique_ptr<JpegLargeOutput, void (*)(JpegLargeOutput*)> output(
            &t.output, [](JpegLargeOutput* o) { o->Release(); });
        if (!TurnBlocks(source, op, IsProgressive(source), t) || output->size == 0)
            return std::nullopt;
        turned.assign(reinterpret_cast<const char*>(output->data), output->size);
    }
    return CarryJpegMetadata(source, turned, xmp_too_large);
}
