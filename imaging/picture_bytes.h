#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A picture file's bytes, read once and handed to every step that needs them (the probe, the
// decode, the metadata of a copy, a lossless turn), on large pages of their own
// (AllocateLargeZeroed): a photograph's megabytes then fill without a page fault every 4 KB, and go
// back to the system when released. Move-only; released exactly once.
class PictureBytes {
  public:
    PictureBytes() = default;
    PictureBytes(PictureBytes&& other) noexcept;
    PictureBytes& operator=(PictureBytes&& other) noexcept;
    PictureBytes(const PictureBytes&) = delete;
    PictureBytes& operator=(const PictureBytes&) = delete;
    ~PictureBytes() { Release(); }

    // A copy of `bytes` (for tests, and for bytes read another way); empty when memory fails.
    static PictureBytes Copy(std::string_view bytes);

    // Takes `size` zero-filled bytes to fill; false (memory noted as failed) when there are none.
    bool Allocate(std::size_t size);
    char* Data() { return data_; }
    std::string_view View() const { return {data_, size_}; }
    std::size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    void Release();

  private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

// The whole file at `path`, read once: only a regular file is opened (by the bytes of its path,
// never a FIFO or device that could block), of 1 byte to kMaxPictureFileBytes. None when it cannot
// be read; a failure for lack of memory is noted (TakeOutOfMemoryNote tells it).
std::optional<PictureBytes> ReadPictureBytes(const std::string& path);

// The first `limit` bytes of the regular file at `path` (all of a shorter one), for a probe that
// needs no more; `file_size` gets the whole file's size. None when it cannot be read.
std::optional<std::string> ReadPictureHead(const std::string& path, std::size_t limit,
                                           std::int64_t& file_size);
