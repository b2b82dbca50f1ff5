#include "imaging/jpeg_error_manager.h"

#include "imaging/imaging_limits.h"

namespace {

void IgnoreMessage(j_common_ptr, int) {}

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
    pub.emit_message = warnings_fail ? FailOnWarning : IgnoreMessage;
    scan_limit = jpeg_progress_mgr{};
    scan_limit.progress_monitor = LimitScans;
    return &pub;
}

void JpegJumpOut(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}
