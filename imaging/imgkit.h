#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QImage;
class QPainter;
class QRect;

// The imaging entry points both programs use. A picture is loaded upright (its EXIF orientation
// applied), turned by quarter turns, measured, resized by area averaging and encoded as JPEG (the
// bytes TurboJPEG would write: 4:4:4 at quality 90 and above, 4:2:0 below, optimised tables) or
// as 24-bit BMP (a picture with alpha laid over white). The path-based loads read JPEG and BMP;
// every kind of the registry is decoded from its bytes by DecodePicture (picture_codec.h). Every
// operation fails safely (no image, false) while ImageLibrary is not loaded.

struct ImgKitPicture;  // opaque

// A move-only owner of one picture; its destructor releases the picture with ImgKitMemFree, so a
// picture is released exactly once.
class ImageHandle {
  public:
    ImageHandle() = default;
    explicit ImageHandle(ImgKitPicture* picture) : picture_(picture) {}
    ImageHandle(ImageHandle&& other) noexcept : picture_(other.release()) {}
    ImageHandle& operator=(ImageHandle&& other) noexcept;
    ImageHandle(const ImageHandle&) = delete;
    ImageHandle& operator=(const ImageHandle&) = delete;
    ~ImageHandle();

    explicit operator bool() const { return picture_ != nullptr; }
    ImgKitPicture* get() const { return picture_; }
    ImgKitPicture* release() {
        ImgKitPicture* p = picture_;
        picture_ = nullptr;
        return p;
    }

  private:
    ImgKitPicture* picture_ = nullptr;
};

// Width and height in pixels.
struct ImgKitSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const ImgKitSize&, const ImgKitSize&) = default;
};

// The record filled by ImgKitImageInfo: values[0] width, values[1] height (after any turns); the
// others are 24 (bits per pixel), 0, 0.
struct ImgKitInfoRecord {
    std::int32_t values[5] = {0, 0, 0, 0, 0};
};

// What a load does with a picture whose data is damaged: a file that ends inside the picture's
// data (a download cut short) or whose data is corrupt. Refuse: no image, so that a half picture
// with a grey rest is never saved as the picture (the jobs). Show: the picture as far as it
// decodes, the rest grey, which tells the user at a glance what is wrong with the file (the
// preview).
enum class ImgKitDamage { Refuse, Show };

// Loads a JPEG or BMP picture upright; no image when it cannot be read. The path is used by its
// bytes (names need not be UTF-8); only a regular file is opened, never a FIFO or device that could
// block; a file whose header claims an absurd size is refused before any allocation, and a JPEG of
// more than kMaxJpegScans scans before any decode. With min_width/min_height > 0 a JPEG is decoded
// at the smallest DCT scale that keeps the upright picture at least that large (shrink-on-load);
// ImgKitImageInfo still reports the full upright size, so only make images of at most that size
// from such a load.
ImageHandle ImgKitFileLoad(const std::string& path, int min_width = 0, int min_height = 0,
                           ImgKitDamage damage = ImgKitDamage::Refuse);

// Why the last ImgKitFileLoad on the calling thread gave no picture: memory ran out for it, or the
// file could not be read as a picture (missing, damaged, not a picture of its kind). None after a
// load that gave one.
enum class ImgKitLoadFailure { None, Unreadable, OutOfMemory };
ImgKitLoadFailure ImgKitLastLoadFailure();

// The upright size a load would report, read from the header alone (opened as the load opens it);
// {0, 0} when unreadable.
ImgKitSize ImgKitUprightSize(const std::string& path);

// The number of pixels ImgKitFileLoad decodes for a picture of `upright` size with these minimums:
// the whole picture, or for a JPEG the DCT reduction the load chooses. For memory budgets.
std::int64_t ImgKitDecodedPixels(ImgKitSize upright, bool jpeg, int min_width, int min_height);

// The memory a load of `path` holds beside the pixels it decodes, in bytes: the file's bytes, and
// for a JPEG of several scans (a progressive one) the coefficient arrays of the whole picture, at
// any scale, which for a 16-megapixel photograph come to about 100 MB. 0 when the file cannot be
// read. For memory budgets.
std::int64_t ImgKitDecodeWorkBytes(const std::string& path);
// The same for a picture file already read whole (`bytes`), which the decode holds beside it.
std::int64_t ImgKitDecodeWorkBytesOf(std::string_view bytes);

// The start of the file at `path` as far as its first scan header if it is a JPEG (where its
// frame, tables and metadata are): most files need only their first 64 KB, none more than
// kJpegHeadBytes, so the read stops as soon as that head is whole. May hold more than the head;
// `file_size` gets the whole file's size. False when the file cannot be read (it is not a regular
// file, for one).
bool ReadJpegHeadBytes(const std::string& path, std::string& bytes, std::int64_t& file_size);

// Turns the picture in place by one quarter turn clockwise (the reported size swaps). False when
// there is no picture or no memory for the turned one: the picture is then as it was.
bool ImgKitRotation(ImageHandle& image);

// Fills values[0] = width and values[1] = height of the picture (after its turns).
void ImgKitImageInfo(const ImageHandle& image, ImgKitInfoRecord& info);

// A new picture of exactly width x height made from `image` (area averaging when reducing); no
// image when a size is below 1 or beyond kMaxPicturePixels, or memory fails. `image` stays valid.
ImageHandle ImgKitImageSize(const ImageHandle& image, int width, int height);

// The JPEG file of the picture at quality 1-100 with optimised Huffman tables; none on failure
// (memory, or the library's error). Files are written by the jobs' ImageCodec, which carries
// the source's metadata and writes through ReplaceFile.
std::optional<std::string> ImgKitJpegEncode(const ImageHandle& image, int quality);

// The 24-bit BMP file of the picture; none on failure.
std::optional<std::string> ImgKitBmpEncode(const ImageHandle& image);

// Draws the picture fitted into `area` (centred, proportions kept, never enlarged beyond the area).
void ImgKitDisplay(QPainter& painter, const QRect& area, const ImageHandle& image);

// Releases the picture; the handle becomes empty. Safe on an empty handle.
void ImgKitMemFree(ImageHandle& image);

// True when the picture keeps an alpha channel (a PNG, WebP, AVIF, HEIF or TIFF that has one);
// a JPEG or BMP never does.
bool ImgKitHasAlpha(const ImageHandle& image);

// True when the picture keeps 16 bits a channel (a 16-bit PNG).
bool ImgKitHasDeepChannels(const ImageHandle& image);

// The pixels of a picture (for tests and drawing): Format_RGB32, or Format_ARGB32, RGBX64 or
// RGBA64 for a picture with alpha or 16 bits a channel; nullptr for an empty handle.
const QImage* ImgKitPixels(const ImageHandle& image);
