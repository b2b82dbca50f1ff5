// Feeds arbitrary bytes to the sniffing of a file's kind and to the header probe of every kind
// (PNG chunks, WebP features, the HEIF boxes through libheif and our own reading, TIFF
// directories, JPEG and BMP headers), each in a heap buffer of exactly the input's size, and
// checks what they promise: the probe tells the kind the sniffing tells, and a size it gives is
// one a decoder may allocate for. Seeded with the small pictures of tests/data/formats.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "core/image_kind.h"
#include "imaging/imaging_limits.h"
#include "imaging/picture_codec.h"
#include "tests/fuzz/load_image_library.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LoadImageLibraryOrAbort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto copy = std::make_unique<char[]>(size + 1);
    std::memcpy(copy.get(), data, size);
    const std::string_view bytes(copy.get(), size);

    const ImageKind kind = SniffImageKind(bytes.substr(0, kSniffBytes));
    if (kind != SniffImageKind(bytes)) std::abort();  // the first bytes are enough
    const PictureFacts facts = ProbePicture(bytes);
    if (facts.kind != kind) std::abort();
    if (facts.refusal == PictureRefusal::kNone) {
        const std::int64_t pixels = std::int64_t{facts.upright.width} * facts.upright.height;
        if (facts.upright.width < 1 || facts.upright.height < 1 || pixels > kMaxPicturePixels)
            std::abort();
        if (PictureDecodeBytes(facts, 0, 0) < 0) std::abort();
    }
    return 0;
}
