#include "imaging/jpeg_block_arrays.h"

#include <cstdint>

#include <jerror.h>

#include "platform/large_memory.h"

namespace {

JpegBlockArrays& ArraysOf(j_common_ptr cinfo) {
    return *static_cast<JpegBlockArrays*>(cinfo->client_data);
}

[[noreturn]] void Fail(j_common_ptr cinfo) {
    cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
    (*cinfo->err->error_exit)(cinfo);
    for (;;) {
    }  // error_exit never returns
}

// Gives an array its memory and its row pointers. False when there is no memory.
bool Allocate(jvirt_barray_control& a) {
    const size_t row_bytes = size_t{a.blocks_per_row} * sizeof(JBLOCK);
    if (row_bytes == 0 || a.row_count == 0 || a.row_count > SIZE_MAX / row_bytes) return false;
    const size_t pointers = size_t{a.row_count} * sizeof(JBLOCKROW);
    // The row pointers sit in front of the blocks, on the same mapping.
    const size_t head = (pointers + sizeof(JBLOCK) - 1) / sizeof(JBLOCK) * sizeof(JBLOCK);
    if (row_bytes * a.row_count > SIZE_MAX - head) return false;
    a.bytes = head + row_bytes * a.row_count;
    a.memory = AllocateLargeZeroed(a.bytes);
    if (!a.memory) return false;
    a.rows = static_cast<JBLOCKARRAY>(a.memory);
    char* blocks = static_cast<char*>(a.memory) + head;
    for (JDIMENSION r = 0; r < a.row_count; ++r)
        a.rows[r] = reinterpret_cast<JBLOCKROW>(blocks + r * row_bytes);
    return true;
}

jvirt_barray_ptr RequestBlocks(j_common_ptr cinfo, int, boolean, JDIMENSION blocks_per_row,
                               JDIMENSION row_count, JDIMENSION) {
    JpegBlockArrays& d = ArraysOf(cinfo);
    if (d.count >= MAX_COMPONENTS * 2) Fail(cinfo);
    jvirt_barray_control& a = d.arrays[d.count++];
    a = jvirt_barray_control{nullptr, blocks_per_row, row_count, nullptr, 0};
    return &a;
}

void RealizeArrays(j_common_ptr cinfo) {
    JpegBlockArrays& d = ArraysOf(cinfo);
    d.library_realize(cinfo);  // the library's own arrays of samples, if it asked for any
    for (int i = 0; i < d.count; ++i) {
        if (!d.arrays[i].memory && !Allocate(d.arrays[i])) Fail(cinfo);
    }
}

JBLOCKARRAY AccessBlocks(j_common_ptr cinfo, jvirt_barray_ptr a, JDIMENSION first, JDIMENSION count,
                         boolean) {
    if (!a->rows || first > a->row_count || count > a->row_count - first) Fail(cinfo);
    return a->rows + first;
}

}  // namespace

void JpegBlockArrays::Install(j_common_ptr cinfo) {
    cinfo->client_data = this;
    library_realize = cinfo->mem->realize_virt_arrays;
    cinfo->mem->request_virt_barray = RequestBlocks;
    cinfo->mem->realize_virt_arrays = RealizeArrays;
    cinfo->mem->access_virt_barray = AccessBlocks;
}

jvirt_barray_ptr JpegBlockArrays::Make(JDIMENSION blocks_per_row, JDIMENSION row_count) {
    if (count >= MAX_COMPONENTS * 2) return nullptr;
    jvirt_barray_control& a = arrays[count];
    a = jvirt_barray_control{nullptr, blocks_per_row, row_count, nullptr, 0};
    if (!Allocate(a)) return nullptr;
    ++count;
    return &a;
}

void JpegBlockArrays::Drop(jvirt_barray_ptr array) {
    FreeLarge(array->memory, array->bytes);
    array->memory = nullptr;
    array->rows = nullptr;
}

void JpegBlockArrays::Release() {
    for (int i = 0; i < count; ++i) FreeLarge(arrays[i].memory, arrays[i].bytes);
    count = 0;
}

void UseLargeBlockAccess(j_common_ptr cinfo) {
    cinfo->mem->access_virt_barray = AccessBlocks;
}
