#include "imaging/jpeg_large_output.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <jerror.h>

#include "imaging/jpeg_error_manager.h"
#include "platform/large_memory.h"

namespace {

JpegLargeOutput& OutputOf(j_compress_ptr cinfo) {
    return *reinterpret_cast<JpegLargeOutput*>(cinfo->dest);
}

[[noreturn]] void FailForMemory(j_compress_ptr cinfo) {
    cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
    JpegJumpOut(reinterpret_cast<j_common_ptr>(cinfo));
}

void StartOutput(j_compress_ptr cinfo) {
    JpegLargeOutput& o = OutputOf(cinfo);
    o.data = static_cast<unsigned char*>(AllocateLargeZeroed(o.capacity));
    if (!o.data) FailForMemory(cinfo);
    o.pub.next_output_byte = o.data;
    o.pub.free_in_buffer = o.capacity;
}

boolean GrowOutput(j_compress_ptr cinfo) {  // called when the buffer is full
    JpegLargeOutput& o = OutputOf(cinfo);
    if (o.capacity > SIZE_MAX / 2) FailForMemory(cinfo);
    auto* grown = static_cast<unsigned char*>(AllocateLargeZeroed(o.capacity * 2));
    if (!grown) FailForMemory(cinfo);
    std::memcpy(grown, o.data, o.capacity);
    FreeLarge(o.data, o.capacity);
    o.data = grown;
    o.pub.next_output_byte = grown + o.capacity;
    o.pub.free_in_buffer = o.capacity;
    o.capacity *= 2;
    return TRUE;
}

void EndOutput(j_compress_ptr cinfo) {
    JpegLargeOutput& o = OutputOf(cinfo);
    o.size = o.capacity - o.pub.free_in_buffer;
}

}  // namespace

void JpegLargeOutput::Install(j_compress_ptr cinfo, size_t expected) {
    pub.init_destination = StartOutput;
    pub.empty_output_buffer = GrowOutput;
    pub.term_destination = EndOutput;
    capacity = std::max<size_t>(expected, 64 * 1024);
    size = 0;
    cinfo->dest = &pub;
}

void JpegLargeOutput::Release() {
    FreeLarge(data, capacity);
    data = nullptr;
}
