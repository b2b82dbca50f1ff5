// Feeds arbitrary bytes to our reading of a HEIF's boxes (items, references, properties, an image
// grid's geometry) and to the choice of a thumbnail item for a size taken from the input, each in
// a heap buffer of exactly the input's size. A chosen thumbnail must be one of the primary
// image's, as large as asked, smaller than the picture and turned as it is. Seeded with small
// HEIC and AVIF files of tests/data/formats. The same bytes, read as an Exif block, have their GPS
// block blanked in place: the result keeps its size, and a second pass finds nothing to change.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "imaging/heif_items.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto copy = std::make_unique<char[]>(size + 1);
    std::memcpy(copy.get(), data, size);
    const std::string_view file(copy.get(), size);

    if (const auto blanked = ExifWithGpsBlanked(file)) {
        if (blanked->size() != size || ExifWithGpsBlanked(*blanked) != blanked) std::abort();
    }

    const auto layout = ReadHeifLayout(file);
    if (!layout) return 0;
    (void)layout->TopLevelImages();
    const int min_width = size > 0 ? data[size - 1] : 1;
    const int min_height = size > 1 ? data[size - 2] : 1;
    const auto chosen = ChooseHeifThumbnail(*layout, min_width, min_height);
    if (!chosen) return 0;
    const HeifItem* thumbnail = layout->Find(*chosen);
    const HeifItem* primary = layout->Find(layout->primary);
    if (!thumbnail || !primary || thumbnail->thumbnail_of != primary->id) std::abort();
    if (thumbnail->ShownWidth() < static_cast<std::uint32_t>(min_width) ||
        thumbnail->ShownHeight() < static_cast<std::uint32_t>(min_height) ||
        thumbnail->ShownWidth() >= primary->ShownWidth() ||
        !thumbnail->transforms.SameAs(primary->transforms))
        std::abort();
    return 0;
}
