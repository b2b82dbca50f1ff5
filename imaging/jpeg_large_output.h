#pragma once

// jpeglib.h needs FILE and size_t declared before it.
#include <cstddef>
#include <cstdio>
#include <type_traits>

#include <jpeglib.h>

// Where a compressor writes its file: memory of our own on large pages (a photograph's megabytes
// then fill without a page fault every 4 KB) that grows by copying as it fills. Its owner releases
// it on every way out, long jumps included: the library's own memory destination keeps a buffer
// that has grown where an error jump cannot find it.
struct JpegLargeOutput {
    jpeg_destination_mgr pub;  // first: the library's pointer to it is a pointer to this
    unsigned char* data;
    size_t capacity;
    size_t size;  // the file's length, set when the library is done

    // Makes this `cinfo`'s destination, starting with room for `expected` bytes. Set data to
    // nullptr before the jump point, so that Release is safe whenever the jump comes.
    void Install(j_compress_ptr cinfo, size_t expected);
    void Release();
};

// A long jump runs no destructor, so what lives across one must have none to run.
static_assert(std::is_trivially_destructible_v<JpegLargeOutput>);
