#include "imaging/jpeg_encode.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <type_traits>

#include <jpeglib.h>

#include "imaging/jpeg_block_arrays.h"
#include "imaging/jpeg_error_manager.h"
#include "imaging/jpeg_large_output.h"

namespace {

// The library's structures for one file (see JpegErrorManager). Finish on every way out; the
// output is released by the owner of the Encoder.
struct Encoder {
    jpeg_compress_struct cinfo;
    JpegErrorManager error;
    JpegBlockArrays blocks;
    JpegLargeOutput output;
    bool made;

    void Finish() {
        if (made) jpeg_destroy_compress(&cinfo);
        made = false;
        blocks.Release();
    }
};

// A long jump runs no destructor, so what lives across one must have none to run.
static_assert(std::is_trivially_destructible_v<Encoder>);

// Writes the file into e.output; false when the library gave up.
bool Compress(const QImage& pixels, int quality, bool subsample, Encoder& e) {
    e.made = false;
    e.blocks.count = 0;
    e.cinfo.err = e.error.Prepare(false);
    if (setjmp(e.error.jump)) {
        e.Finish();
        return false;
    }
    jpeg_create_compress(&e.cinfo);
    e.made = true;
    e.blocks.Install(reinterpret_cast<j_common_ptr>(&e.cinfo));
    e.cinfo.image_width = static_cast<JDIMENSION>(pixels.width());
    e.cinfo.image_height = static_cast<JDIMENSION>(pixels.height());
    e.cinfo.input_components = 4;
    // The byte order of Format_RGB32 in memory; the padding byte is ignored.
    e.cinfo.in_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_set_defaults(&e.cinfo);
    jpeg_set_quality(&e.cinfo, quality, TRUE);
    // TurboJPEG's choice: the fast integer DCT, the accurate one from quality 96.
    e.cinfo.dct_method = quality >= 96 ? JDCT_ISLOW : JDCT_FASTEST;
    e.cinfo.optimize_coding = TRUE;
    jpeg_set_colorspace(&e.cinfo, JCS_YCbCr);
    const int luma = subsample ? 2 : 1;
    e.cinfo.comp_info[0].h_samp_factor = e.cinfo.comp_info[0].v_samp_factor = luma;
    for (int c = 1; c < 3; ++c)
        e.cinfo.comp_info[c].h_samp_factor = e.cinfo.comp_info[c].v_samp_factor = 1;
    // A photograph at a middle quality takes well under a byte a pixel.
    e.output.Install(
        &e.cinfo, static_cast<size_t>(pixels.width()) * static_cast<size_t>(pixels.height()) / 2);
    jpeg_start_compress(&e.cinfo, TRUE);
    JSAMPROW rows[16];
    while (e.cinfo.next_scanline < e.cinfo.image_height) {
        const JDIMENSION first = e.cinfo.next_scanline;
        JDIMENSION count = 0;
        for (; count < 16 && first + count < e.cinfo.image_height; ++count)
            rows[count] =
                const_cast<JSAMPROW>(pixels.constScanLine(static_cast<int>(first + count)));
        jpeg_write_scanlines(&e.cinfo, rows, count);
    }
    jpeg_finish_compress(&e.cinfo);
    e.Finish();
    return true;
}

}  // namespace

std::optional<std::string> EncodeJpegFile(const QImage& pixels, int quality, bool subsample) {
    if (pixels.isNull() || pixels.format() != QImage::Format_RGB32) return std::nullopt;
    Encoder e;
    e.output.data = nullptr;
    // The output goes back however the encoding or the copy ends.
    const std::unique_ptr<JpegLargeOutput, void (*)(JpegLargeOutput*)> output(
        &e.output, [](JpegLargeOutput* o) { o->Release(); });
    if (!Compress(pixels, quality, subsample, e) || output->size == 0) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(output->data), output->size);
}
