// Feeds arbitrary bytes to the decoder of the kind they begin like (PNG, WebP, AVIF, HEIF, TIFF,
// JPEG, BMP), as a job decodes (damage refused, at a reduced size) and as the preview does
// (damage shown), and runs what the jobs run on whatever decodes: measure, turn, resize, and a
// small picture written back in its own kind. Seeded with the small pictures of
// tests/data/formats; 16 KiB may claim at most 64 megapixels under the plausibility rule.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "imaging/imaging_limits.h"
#include "imaging/picture_codec.h"
#include "tests/fuzz/load_image_library.h"

namespace {

void Exercise(const ImageHandle& image, ImageKind kind) {
    ImgKitInfoRecord info;
    ImgKitImageInfo(image, info);
    const int width = info.values[0];
    const int height = info.values[1];
    if (width < 1 || height < 1 || std::int64_t{width} * height > kMaxPicturePixels) std::abort();
    ImageHandle small = ImgKitImageSize(image, 1 + height / 5, 1 + width / 5);
    if (!small || !ImgKitRotation(small)) std::abort();
    const ImageKindInfo* info_of_kind = FindImageKind(kind);
    // Encoding is the slow part: only small pictures, into their own kind.
    if (info_of_kind && info_of_kind->written && width * height <= 64 * 64) {
        const std::optional<std::string> written = EncodePicture(small, {kind, 50});
        if (written && DecodePicture(*written).refusal != PictureRefusal::kNone) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LoadImageLibraryOrAbort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto copy = std::make_unique<char[]>(size + 1);
    std::memcpy(copy.get(), data, size);
    const std::string_view bytes(copy.get(), size);

    const DecodedPicture shown = DecodePicture(bytes, {0, 0, ImgKitDamage::Show});
    if (shown.image) Exercise(shown.image, shown.kind);
    const DecodedPicture job = DecodePicture(bytes, {8, 8, ImgKitDamage::Refuse});
    if (job.image) {
        if (job.refusal != PictureRefusal::kNone) std::abort();
        Exercise(job.image, job.kind);
    } else if (job.refusal == PictureRefusal::kNone) {
        std::abort();
    }
    return 0;
}
