#include "imaging/picture_bytes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "imaging/imaging_limits.h"
#include "imaging/pixel_buffer.h"
#include "platform/file_system.h"
#include "platform/large_memory.h"

namespace {

// Reads `size` bytes at `offset` of `fd` into `out`; the count read (fewer at the file's end), or
// -1 on an error.
std::int64_t ReadAt(int fd, char* out, std::size_t size, std::int64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

}  // namespace

PictureBytes::PictureBytes(PictureBytes&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
}

PictureBytes& PictureBytes::operator=(PictureBytes&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = other.data_;
        size_ = other.size_;
        other.data_ = nullptr;
        other.size_ = 0;
    }
    return *this;
}

PictureBytes PictureBytes::Copy(std::string_view bytes) {
    PictureBytes copy;
    if (!bytes.empty() && copy.Allocate(bytes.size()))
        std::memcpy(copy.data_, bytes.data(), bytes.size());
    return copy;
}

bool PictureBytes::Allocate(std::size_t size) {
    Release();
    if (size == 0) return true;
    data_ = static_cast<char*>(AllocateLargeZeroed(size));
    if (!data_) {
        NoteOutOfMemory();
        return false;
    }
    size_ = size;
    return true;
}

void PictureBytes::Release() {
    FreeLarge(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

std::optional<PictureBytes> ReadPictureBytes(const std::string& path) {
    const int fd = OpenRegularFile(path);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<PictureBytes> result;
    if (::fstat(fd, &st) == 0 && st.st_size >= 1 && st.st_size <= kMaxPictureFileBytes) {
        PictureBytes bytes;
        const auto size = static_cast<std::size_t>(st.st_size);
        // A file that shrank since it was measured is refused: its end is gone.
        if (bytes.Allocate(size) &&
            ReadAt(fd, bytes.Data(), size, 0) == static_cast<std::int64_t>(size))
            result = std::move(bytes);
    }
    ::close(fd);
    return result;
}

std::optional<std::string> ReadPictureHead(const std::string& path, std::size_t limit,
                                           std::int64_t& file_size) {
    file_size = 0;
    const int fd = OpenRegularFile(path);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<std::string> result;
    if (::fstat(fd, &st) == 0) {
        file_size = st.st_size;
        std::string head(std::min<std::size_t>(limit, static_cast<std::size_t>(st.st_size)), '\0');
        const std::int64_t n = ReadAt(fd, head.data(), head.size(), 0);
        if (n >= 0) {
            head.resize(static_cast<std::size_t>(n));
            result = std::move(head);
        }
    }
    ::close(fd);
    return result;
}
