#include "imaging/jpeg_error_manager.h"

#include <jerror.h>

#include "imaging/imaging_limits.h"
#include "imaging/pixel_buffer.h"

namespace {

// Level -1 is a warning; the others are trace messages, which say nothing about the data.
void NoteWarning(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    switch (cinfo->err->msg_code) {
        case JWRN_JPEG_EOF:
            manager->ended_early = true;
            break;
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_MUST_RESYNC: {
            // The decoder goes on with zeros to the end of the scan (or the restart interval).
            manager->lost_data = true;
            if (!cinfo->is_decompressor) break;
            const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
            if (d->input_iMCU_row + 1 < d->total_iMCU_rows) manager->lost_before_last_row = true;
            break;
        }
        default:
            break;
    }
}

void FailOnWarning(j_common_ptr cinfo, int level) {
    if (level < 0) JpegJumpOut(cinfo);
}

void LimitScans(j_common_ptr cinfo) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (cinfo->is_decompressor && d->input_scan_number > kMaxJpegScans) JpegJumpOut(cinfo);
}

}  // namespace

jpeg_error_mgr* JpegErrorManager::Prepare(bool warnings_fail) {
    jpeg_std_error(&pub);
    pub.error_exit = JpegJumpOut;
    pub.emit_message = warnings_fail ? FailOnWarning : NoteWarning;
    lost_before_last_row = lost_data = ended_early = false;
    scan_limit = jpeg_progress_mgr{};
    scan_limit.progress_monitor = LimitScans;
    return &pub;
}

void JpegJumpOut(j_common_ptr cinfo) {
    if (cinfo->err->msg_code == JERR_OUT_OF_MEMORY) NoteOutOfMemory();
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}
