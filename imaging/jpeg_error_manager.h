#pragma once

// jpeglib.h needs FILE and size_t declared before it.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <type_traits>

#include <jpeglib.h>

// How our calls into the JPEG library end on bad data: the library reports an error by a long jump
// to `jump`, which the caller sets with setjmp before its first library call. Between that point
// and the library calls the caller holds no object with a destructor of its own. One manager may
// serve several library objects of one job (a decompressor and a compressor).
struct JpegErrorManager {
    jpeg_error_mgr pub;  // first: the library's pointer to it is a pointer to the manager
    std::jmp_buf jump;
    // A decompressor's progress monitor (cinfo.progress = &scan_limit) that ends the work past
    // kMaxJpegScans scans: every scan of a progressive file is a pass over the whole picture.
    jpeg_progress_mgr scan_limit;

    // Sets the manager up and returns what goes into each library object's `err`. Warnings
    // (damaged data after the header) are not printed; they end the work like errors when
    // `warnings_fail`.
    jpeg_error_mgr* Prepare(bool warnings_fail);
};

// A long jump runs no destructor, so what lives across one must have none to run.
static_assert(std::is_trivially_destructible_v<JpegErrorManager>);

// Ends the library call in progress through the jump of the manager of `cinfo`.
[[noreturn]] void JpegJumpOut(j_common_ptr cinfo);
