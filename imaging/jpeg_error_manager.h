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
    // What the warnings of a decode said about its data (see Damaged).
    bool lost_before_last_row;  // data of a scan lost before the scan's last row of blocks
    bool lost_data;             // data of a scan lost anywhere
    bool ended_early;           // the file ended before its end-of-image marker

    // Sets the manager up and returns what goes into each library object's `err`. Warnings
    // (damaged data after the header) are not printed; they end the work like errors when
    // `warnings_fail`, else they are noted for Damaged.
    jpeg_error_mgr* Prepare(bool warnings_fail);

    // Whether the picture decoded lacks data its file should have held: the file ends inside the
    // picture's data (a download cut short), or data before a scan's last row of blocks is
    // corrupt (a bad code, a marker in the middle of the data, a lost restart marker), where the
    // decoder fills the rest of the scan with grey. Not damage: stray bytes between segments,
    // a file that ends only without its end-of-image marker, or a scan whose very last blocks
    // come short (the picture is whole as far as a viewer can tell).
    bool Damaged() const { return lost_before_last_row || (lost_data && ended_early); }
};

// A long jump runs no destructor, so what lives across one must have none to run.
static_assert(std::is_trivially_destructible_v<JpegErrorManager>);

// Ends the library call in progress through the jump of the manager of `cinfo`. A call ended
// because the library found no memory is noted for the calling thread (NoteOutOfMemory).
[[noreturn]] void JpegJumpOut(j_common_ptr cinfo);
