#include "imaging/pixel_buffer.h"

#include <cstddef>
#include <cstdint>
#include <limits>

#include "platform/large_memory.h"

namespace {

// Below this a picture's pages are few and the heap serves it as well.
constexpr std::size_t kLargeBytes = std::size_t{4} << 20;

// The mapping's size is kept in front of the pixels, which start a cache line further on.
constexpr std::size_t kHeader = 64;

thread_local bool t_out_of_memory = false;

void ReleasePixels(void* base) {
    const std::size_t total = *static_cast<std::size_t*>(base);
    FreeLarge(base, total);
}

}  // namespace

QImage NewPixelImage(int width, int height, QImage::Format format) {
    if (width < 1 || height < 1) return {};
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (depth != 32 && depth != 64) return {};
    const std::size_t line = static_cast<std::size_t>(width) * static_cast<std::size_t>(depth / 8);
    if (static_cast<std::size_t>(height) >
        (std::numeric_limits<std::size_t>::max() - kHeader) / line)
        return {};
    const std::size_t bytes = line * static_cast<std::size_t>(height);
    if (bytes < kLargeBytes) {
        QImage image(width, height, format);
        if (image.isNull()) NoteOutOfMemory();
        return image;
    }
    const std::size_t total = kHeader + bytes;
    void* base = AllocateLargeZeroed(total);
    if (!base) {
        NoteOutOfMemory();
        return {};
    }
    *static_cast<std::size_t*>(base) = total;
    try {
        QImage image(static_cast<uchar*>(base) + kHeader, width, height,
                     static_cast<qsizetype>(line), format, ReleasePixels, base);
        if (image.isNull()) ReleasePixels(base);
        return image;
    } catch (...) {  // no memory for the picture's record: the pixels go back at once
        ReleasePixels(base);
        throw;
    }
}

void NoteOutOfMemory() {
    t_out_of_memory = true;
}

bool TakeOutOfMemoryNote() {
    const bool noted = t_out_of_memory;
    t_out_of_memory = false;
    return noted;
}
