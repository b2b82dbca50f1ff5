#include "imaging/jpeg_decode.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

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
        // Damaged data after the header still gives the picture as far as it decodes.
        cinfo.err = error.Prepare(false);
        blocks.count = 0;
    }
    void Start(const unsigned char* data, size_t size);
    void Finish() {
        jpeg_destroy_decompress(&cinfo);
        blocks.Release();
    }
};

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
// kept byte for byte. Empty when nothing would be dropped or the segments cannot be walked
// cleanly (the caller then decodes the file as it is). The entropy-coded data of a scan runs to
// the next marker that is neither a stuffed zero byte nor a restart marker.
std::string WithoutAcScans(std::string_view jpeg, const ComponentSet& dc_only) {
    const auto* p = reinterpret_cast<const unsigned char*>(jpeg.data());
    const size_t n = jpeg.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return {};
    std::string out;
    out.reserve(n);
    out.append(jpeg.substr(0, 2));
    bool dropped = false;
    size_t i = 2;
    while (i < n) {
        if (p[i] != 0xFF || i + 1 >= n) return {};
        const unsigned char marker = p[i + 1];
        if (marker == 0xFF) {  // a fill byte before the marker
            ++i;
            continue;
        }
        if (marker == 0xD9) {  // end of image: keep it and whatever follows
            out.append(jpeg.substr(i));
            break;
        }
        if (i + 4 > n) return {};
        const size_t length = (size_t{p[i + 2]} << 8) | p[i + 3];
        if (length < 2 || i + 2 + length > n) return {};
        size_t end = i + 2 + length;
        bool drop = false;
        if (marker == 0xDA) {
            const size_t components = p[i + 4];
            if (components < 1 || length != 6 + 2 * components) return {};
            const unsigned char spectral_start = p[i + 5 + 2 * components];
            drop = spectral_start > 0 && components == 1 && dc_only[p[i + 5]];
            while (end + 1 < n) {
                if (p[end] == 0xFF && p[end + 1] != 0x00 && p[end + 1] != 0xFF &&
                    (p[end + 1] < 0xD0 || p[end + 1] > 0xD7))
                    break;
                ++end;
            }
            if (end + 1 >= n) end = n;  // a file cut short inside its last scan
        }
        if (drop) {
            dropped = true;
        } else {
            out.append(jpeg.substr(i, end - i));
        }
        i = end;
    }
    if (!dropped) return {};
    return out;
}

// Decodes into `image`, which the caller owns. False when the decoder gave no picture.
bool DecodeInto(const unsigned char* data, size_t size, int eighths, bool smoothing,
                QImage& image) {
    Decoder d;
    d.Prepare();
    if (setjmp(d.error.jump)) {
        d.Finish();
        return false;
    }
    d.Start(data, size);
    // CMYK needs a conversion this decoder does not make; the caller decodes it another way.
    if (d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK ||
        d.cinfo.num_components == 4) {
        d.Finish();
        return false;
    }
    d.cinfo.scale_num = static_cast<unsigned>(eighths);
    d.cinfo.scale_denom = 8;
    // The byte order of Format_RGB32 in memory; the decoder fills the padding byte with 0xff.
    d.cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    d.cinfo.do_block_smoothing = smoothing ? TRUE : FALSE;
    jpeg_calc_output_dimensions(&d.cinfo);
    const auto width = static_cast<std::int64_t>(d.cinfo.output_width);
    const auto height = static_cast<std::int64_t>(d.cinfo.output_height);
    if (width < 1 || height < 1 || width * height > kMaxPicturePixels) {
        d.Finish();
        return false;
    }
    image = NewPixelImage(static_cast<int>(width), static_cast<int>(height));
    if (image.isNull()) {
        d.Finish();
        return false;
    }
    jpeg_start_decompress(&d.cinfo);
    JSAMPROW rows[16];
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const JDIMENSION first = d.cinfo.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, d.cinfo.output_height - first);
        for (JDIMENSION r = 0; r < count; ++r)
            rows[r] = image.scanLine(static_cast<int>(first + r));
        if (jpeg_read_scanlines(&d.cinfo, rows, count) == 0) break;  // cannot happen from memory
    }
    jpeg_finish_decompress(&d.cinfo);
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
    struct Component {
        int h, v;
    };
    std::array<Component, MAX_COMPONENTS> components{};
    int count = 0, width = 0, height = 0;
    bool progressive = false;
    for (const JpegSegment& s : JpegHeadSegments(head)) {
        const auto* segment = reinterpret_cast<const unsigned char*>(s.body.data());
        const size_t length = s.body.size() + 2;
        if (IsJpegFrameMarker(s.marker) && length >= 8) {
            progressive = IsProgressiveFrameMarker(s.marker);
            height = (segment[1] << 8) | segment[2];
            width = (segment[3] << 8) | segment[4];
            count = segment[5];
            if (count < 1 || count > MAX_COMPONENTS || length < 8 + 3 * size_t(count)) return 0;
            for (int c = 0; c < count; ++c) {
                components[c].h = std::max(1, segment[7 + 3 * c] >> 4);
                components[c].v = std::max(1, segment[7 + 3 * c] & 15);
            }
        } else if (s.marker == 0xDA) {
            // A first scan without every component means more scans to come.
            if (count == 0 || (!progressive && segment[0] >= count)) return 0;
            int max_h = 1, max_v = 1;
            for (int c = 0; c < count; ++c) {
                max_h = std::max(max_h, components[c].h);
                max_v = std::max(max_v, components[c].v);
            }
            // The decoder's own layout: blocks per component, rounded up to whole units of its
            // sampling, each array on whole large pages.
            std::int64_t bytes = 0;
            for (int c = 0; c < count; ++c) {
                const std::int64_t across =
                    (std::int64_t{width} * components[c].h + 8 * max_h - 1) / (8 * max_h);
                const std::int64_t down =
                    (std::int64_t{height} * components[c].v + 8 * max_v - 1) / (8 * max_v);
                const std::int64_t cols =
                    (across + components[c].h - 1) / components[c].h * components[c].h;
                const std::int64_t rows =
                    (down + components[c].v - 1) / components[c].v * components[c].v;
                constexpr std::int64_t kPage = std::int64_t{2} << 20;
                bytes += (cols * rows * static_cast<std::int64_t>(sizeof(JBLOCK)) + kPage - 1) /
                         kPage * kPage;
            }
            return bytes;
        }
    }
    return 0;
}

QImage DecodeJpeg(std::string_view bytes, int eighths) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    QImage image;
    if (eighths == 1) {
        // The pixels of a 1/8 decode of the components found here come from their DC
        // coefficients alone, so their AC scans (most of a progressive file) need not be read.
        // Interblock smoothing, which only a file with missing scans would get, is off so that
        // the pixels are exactly those of the whole file.
        ComponentSet dc_only{};
        if (FindDcOnlyComponents(data, bytes.size(), eighths, dc_only)) {
            const std::string reduced = WithoutAcScans(bytes, dc_only);
            if (!reduced.empty()) {
                if (DecodeInto(reinterpret_cast<const unsigned char*>(reduced.data()),
                               reduced.size(), eighths, false, image))
                    return image;
                image = QImage();
            }
        }
    }
    if (!DecodeInto(data, bytes.size(), eighths, true, image)) return {};
    return image;
}
