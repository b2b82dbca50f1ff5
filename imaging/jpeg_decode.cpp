#include "imaging/jpeg_decode.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <type_traits>

#include <jpeglib.h>

#include "imaging/imaging_limits.h"
#include "imaging/jpeg_block_arrays.h"
#include "imaging/jpeg_error_manager.h"
#include "imaging/jpeg_segments.h"
#include "imaging/pixel_buffer.h"

// The functions that set a jump point below (see JpegErrorManager) hand back what they make
// through their callers' objects.

namespace {

// The library's structures, set up to report through JpegErrorManager, with the coefficient arrays
// of a progressive picture on large pages (JpegBlockArrays). Call jpeg_create_decompress (through
// Start) after setting the jump point, and Finish on every way out.
struct Decoder {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    JpegBlockArrays blocks;

    void Prepare() {
        // Damaged data after the header still gives the picture as far as it decodes; the
        // manager notes the damage.
        cinfo.err = error.Prepare(false);
        blocks.count = 0;
    }
    void Start(const unsigned char* data, size_t size);
    void Finish() {
        jpeg_destroy_decompress(&cinfo);
        blocks.Release();
    }
};

// A long jump runs no destructor, so what lives across one must have none to run.
static_assert(std::is_trivially_destructible_v<Decoder>);
static_assert(MAX_COMPONENTS == kMaxJpegComponents);

void Decoder::Start(const unsigned char* data, size_t size) {
    jpeg_create_decompress(&cinfo);
    blocks.Install(reinterpret_cast<j_common_ptr>(&cinfo));
    cinfo.progress = &error.scan_limit;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
}

bool IsOneSample(const jpeg_component_info& c) {
#if JPEG_LIB_VERSION >= 70
    return c.DCT_h_scaled_size == 1 && c.DCT_v_scaled_size == 1;
#else
    return c.DCT_scaled_size == 1;
#endif
}

using ComponentSet = std::array<bool, 256>;

// For a progressive (Huffman-coded) file decoded at `eighths` / 8: the components whose blocks
// the decoder turns into single pixels, which are made from the DC coefficient alone. False when
// there are none, or the file is not such a file.
bool FindDcOnlyComponents(const unsigned char* data, size_t size, int eighths, ComponentSet& out) {
    Decoder d;
    d.Prepare();
    if (setjmp(d.error.jump)) {
        d.Finish();
        return false;
    }
    d.Start(data, size);
    bool any = false;
    if (d.cinfo.progressive_mode && !d.cinfo.arith_code) {
        d.cinfo.scale_num = static_cast<unsigned>(eighths);
        d.cinfo.scale_denom = 8;
        jpeg_calc_output_dimensions(&d.cinfo);
        for (int i = 0; i < d.cinfo.num_components; ++i) {
            const jpeg_component_info& c = d.cinfo.comp_info[i];
            if (IsOneSample(c) && c.component_id >= 0 && c.component_id < 256) {
                out[static_cast<size_t>(c.component_id)] = true;
                any = true;
            }
        }
    }
    d.Finish();
    return any;
}

// `jpeg` without its AC scans of the components in `dc_only`; every other segment and scan is
// kept byte for byte. Empty when nothing would be dropped, the segments cannot be walked cleanly
// or the file ends before its end-of-image marker (the caller then decodes the file as it is).
std::string WithoutAcScans(std::string_view jpeg, const ComponentSet& dc_only) {
    JpegWalker walker(jpeg);
    std::string out;
    out.reserve(jpeg.size());
    out.append(jpeg.substr(0, 2));
    bool dropped = false;
    bool ended = false;     // the end-of-image marker was reached
    bool dropping = false;  // the data of a dropped scan header follows
    while (const std::optional<JpegSegment> segment = walker.Next()) {
        if (segment->skipped > 0) return {};
        if (segment->marker == JpegMarker::kScanData) {
            if (!dropping) out.append(segment->body);
            continue;
        }
        dropping = false;
        if (segment->marker == JpegMarker::kEoi) {  // keep it and whatever follows
            out.append(jpeg.substr(segment->start));
            ended = true;
            break;
        }
        if (segment->marker == JpegMarker::kSos) {
            const std::optional<JpegScan> scan = ParseJpegScan(*segment);
            if (!scan) return {};
            dropping = scan->spectral_start > 0 && scan->component_count == 1 &&
                       dc_only[static_cast<size_t>(scan->component_ids[0])];
            dropped = dropped || dropping;
            if (dropping) continue;
        }
        out.append(jpeg.substr(segment->start, segment->end - segment->start));
    }
    // A file cut short may have lost scans of its own that are left out here: its whole decode
    // tells.
    if (walker.Damaged() || !dropped || !ended) return {};
    return out;
}

// Decodes into `out`, which the caller owns. A four-component picture is only read through (into
// rows of the library's own, when `read_four_components`) so that `out.damaged` tells whether its
// data is whole. False when the decoder gave nothing.
bool DecodeInto(const unsigned char* data, size_t size, int eighths, bool smoothing,
                bool read_four_components, JpegDecoded& out) {
    Decoder d;
    d.Prepare();
    if (setjmp(d.error.jump)) {
        d.Finish();
        return false;
    }
    d.Start(data, size);
    // CMYK needs a conversion this decoder does not make; the caller decodes it another way.
    out.four_components = d.cinfo.jpeg_color_space == JCS_CMYK ||
                          d.cinfo.jpeg_color_space == JCS_YCCK || d.cinfo.num_components == 4;
    if (out.four_components && !read_four_components) {
        d.Finish();
        return true;
    }
    d.cinfo.scale_num = static_cast<unsigned>(eighths);
    d.cinfo.scale_denom = 8;
    // The byte order of Format_RGB32 in memory; the decoder fills the padding byte with 0xff.
    d.cinfo.out_color_space = out.four_components               ? JCS_CMYK
                              : Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA
                                                                : JCS_EXT_ARGB;
    d.cinfo.do_block_smoothing = smoothing ? TRUE : FALSE;
    jpeg_calc_output_dimensions(&d.cinfo);
    const auto width = static_cast<std::int64_t>(d.cinfo.output_width);
    const auto height = static_cast<std::int64_t>(d.cinfo.output_height);
    if (width < 1 || height < 1 || width * height > kMaxPicturePixels) {
        d.Finish();
        return false;
    }
    JSAMPARRAY scratch = nullptr;
    if (out.four_components) {
        // Freed with the decoder.
        scratch = (*d.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.cinfo),
                                               JPOOL_IMAGE, d.cinfo.output_width * 4, 16);
    } else {
        try {
            out.image = NewPixelImage(static_cast<int>(width), static_cast<int>(height));
        } catch (...) {  // no memory for the picture's own record: the decoder is released first
            d.Finish();
            throw;
        }
        if (out.image.isNull()) {
            d.Finish();
            return false;
        }
    }
    jpeg_start_decompress(&d.cinfo);
    JSAMPROW rows[16];
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const JDIMENSION first = d.cinfo.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, d.cinfo.output_height - first);
        for (JDIMENSION r = 0; r < count; ++r)
            rows[r] = scratch ? scratch[r] : out.image.scanLine(static_cast<int>(first + r));
        if (jpeg_read_scanlines(&d.cinfo, rows, count) == 0) break;  // cannot happen from memory
    }
    jpeg_finish_decompress(&d.cinfo);
    out.damaged = d.error.Damaged();
    d.Finish();
    return true;
}

}  // namespace

QSize JpegScaledSize(QSize stored, int eighths) {
    // The decoder's own rounding: each side up.
    return QSize(static_cast<int>((std::int64_t{stored.width()} * eighths + 7) / 8),
                 static_cast<int>((std::int64_t{stored.height()} * eighths + 7) / 8));
}

int JpegScaleEighths(QSize stored, QSize need) {
    for (int eighths : {1, 2, 4}) {
        const QSize scaled = JpegScaledSize(stored, eighths);
        if (scaled.width() >= need.width() && scaled.height() >= need.height()) return eighths;
    }
    return 8;
}

std::int64_t JpegCoefficientBytes(std::string_view head) {
    std::optional<JpegFrame> frame;
    for (const JpegSegment& segment : JpegHeadSegments(head)) {
        if (IsJpegFrameMarker(segment.marker)) {
            frame = ParseJpegFrame(segment);
            if (!frame) return 0;
        } else if (segment.marker == JpegMarker::kSos) {
            const std::optional<JpegScan> scan = ParseJpegScan(segment);
            // A first scan without every component means more scans to come.
            if (!frame || !scan ||
                (!frame->progressive && scan->component_count >= frame->component_count))
                return 0;
            int max_h = 1, max_v = 1;
            for (int c = 0; c < frame->component_count; ++c) {
                max_h = std::max(max_h, frame->components[c].h);
                max_v = std::max(max_v, frame->components[c].v);
            }
            // The decoder's own layout: blocks per component, rounded up to whole units of its
            // sampling, each array on whole large pages.
            std::int64_t bytes = 0;
            for (int c = 0; c < frame->component_count; ++c) {
                const JpegFrame::Component& component = frame->components[c];
                const std::int64_t across =
                    (std::int64_t{frame->width} * component.h + 8 * max_h - 1) / (8 * max_h);
                const std::int64_t down =
                    (std::int64_t{frame->height} * component.v + 8 * max_v - 1) / (8 * max_v);
                const std::int64_t cols = (across + component.h - 1) / component.h * component.h;
                const std::int64_t rows = (down + component.v - 1) / component.v * component.v;
                constexpr std::int64_t kPage = std::int64_t{2} << 20;
                bytes += (cols * rows * static_cast<std::int64_t>(sizeof(JBLOCK)) + kPage - 1) /
                         kPage * kPage;
            }
            return bytes;
        }
    }
    return 0;
}

JpegDecoded DecodeJpeg(std::string_view bytes, int eighths, bool keep_damaged) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    JpegDecoded out;
    if (eighths == 1) {
        // The pixels of a 1/8 decode of the components found here come from their DC
        // coefficients alone, so their AC scans (most of a progressive file) need not be read.
        // Interblock smoothing, which only a file with missing scans would get, is off so that
        // the pixels are exactly those of the whole file.
        ComponentSet dc_only{};
        if (FindDcOnlyComponents(data, bytes.size(), eighths, dc_only)) {
            // The scans left out would never reach the decoder's scan limit.
            if (JpegHasMoreScansThan(bytes, kMaxJpegScans)) return {};
            const std::string reduced = WithoutAcScans(bytes, dc_only);
            // Damage in the scans kept (or a picture to be checked another way) is left to the
            // decode of the whole file below, which tells it as it is.
            if (!reduced.empty() &&
                DecodeInto(reinterpret_cast<const unsigned char*>(reduced.data()), reduced.size(),
                           eighths, false, !keep_damaged, out) &&
                !out.damaged && !out.image.isNull())
                return out;
            out = JpegDecoded{};
        }
    }
    if (!DecodeInto(data, bytes.size(), eighths, true, !keep_damaged, out)) return {};
    if (out.damaged && !keep_damaged) out.image = QImage();
    return out;
}
