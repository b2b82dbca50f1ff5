#pragma once

// jpeglib.h needs FILE and size_t declared before it.
#include <cstddef>
#include <cstdio>
#include <type_traits>

#include <jpeglib.h>

// One array of coefficient blocks for a whole picture (one per component): held in memory of our
// own instead of the decoder library's (see JpegBlockArrays). The library only names this type;
// its layout is ours.
struct jvirt_barray_control {
    JBLOCKARRAY rows;
    JDIMENSION blocks_per_row;
    JDIMENSION row_count;
    void* memory;
    size_t bytes;
};

// The coefficient arrays a decoder keeps for a whole picture (a progressive file, or a file read
// for a lossless turn) and an encoder for its optimised tables, 128 bytes a block: about 100 MB for
// a 16-megapixel 4:4:4 photograph. The library would take them from the heap and touch them page by
// page; here they come from AllocateLargeZeroed, on large pages and returned to the system when the
// picture is done, so that filling them costs no page fault every 4 KB (bench/README.md).
//
// Trivially destructible on purpose: it lives beside the library's long jumps. Errors inside the
// hooks end through the library's error_exit.
struct JpegBlockArrays {
    jvirt_barray_control arrays[MAX_COMPONENTS * 2];
    int count;
    void (*library_realize)(j_common_ptr);

    // Routes the arrays that `cinfo` (a decompressor before jpeg_read_header, or a compressor
    // before jpeg_start_compress) asks for through this object; sets cinfo->client_data.
    void Install(j_common_ptr cinfo);
    // A zeroed array of `blocks_per_row` x `row_count` blocks made at once, for a picture that is
    // written from blocks; null when there is no memory. Read through LargeBlockAccess.
    jvirt_barray_ptr Make(JDIMENSION blocks_per_row, JDIMENSION row_count);
    // Returns one array's memory at once, for a picture whose blocks are done with before the
    // library is: the array must not be read again.
    static void Drop(jvirt_barray_ptr array);
    // Returns every array's memory; call after the library structures are destroyed.
    void Release();
};

static_assert(std::is_trivially_destructible_v<JpegBlockArrays>);

// Lets `cinfo` (a compressor) read arrays made by JpegBlockArrays::Make.
void UseLargeBlockAccess(j_common_ptr cinfo);
