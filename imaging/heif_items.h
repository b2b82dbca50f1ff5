#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The image items of a HEIF or AVIF file as its boxes describe them, read by our own code: the
// facts the decoder library does not give (each item's transforms, an image grid's geometry, an
// image sequence), for choosing a thumbnail item and refusing a grid that would decode to
// gigabytes before the library allocates for it. Never reads outside the bytes it is given.

// An item's geometric transforms (its irot, imir and clap properties).
struct HeifTransforms {
    int quarter_turns = 0;  // irot: anti-clockwise, 0 to 3
    int mirror = -1;        // imir: its axis (0 or 1); -1 without one
    // clap: the part kept, as fractions of the item's own width and height (1 without one).
    double crop_width = 1;
    double crop_height = 1;
    bool cropped = false;
    bool SameAs(const HeifTransforms& other) const;
};

struct HeifItem {
    std::uint32_t id = 0;
    std::string type;  // "hvc1", "av01", "grid", "Exif", "mime", ...
    bool hidden = false;
    std::uint32_t width = 0;  // ispe, as coded (before the transforms); 0 without one
    std::uint32_t height = 0;
    HeifTransforms transforms;
    std::uint32_t thumbnail_of = 0;  // a thmb reference: the item it is a thumbnail of
    std::uint32_t auxiliary_of = 0;  // an auxl reference (alpha, depth, a gain map)
    bool grid_input = false;         // a dimg reference leads to it (a tile)
    // The size its HEVC sequence parameter set declares (what the decoder allocates for, whatever
    // the ispe says); 0 when it has none that can be read.
    std::uint32_t coded_width = 0;
    std::uint32_t coded_height = 0;
    // The size it shows at, its transforms applied (a quarter turn swaps the sides).
    std::uint32_t ShownWidth() const;
    std::uint32_t ShownHeight() const;
    bool IsImage() const;  // a coded or derived picture, not metadata
};

struct HeifLayout {
    std::uint32_t primary = 0;
    std::vector<HeifItem> items;
    bool sequence = false;  // a movie box: an image sequence (an animation)
    // The primary item's grid, when it is one: tiles and the size they compose.
    int grid_rows = 0;
    int grid_columns = 0;
    std::uint32_t grid_width = 0;
    std::uint32_t grid_height = 0;

    const HeifItem* Find(std::uint32_t id) const;
    // The pictures of the file: image items that are not hidden, not a thumbnail, not an
    // auxiliary image and not a grid's tile.
    int TopLevelImages() const;
};

// The picture size the first sequence parameter set of an HEVC decoder configuration (an hvcC
// property's body) declares; none when it has none that can be read.
std::optional<std::pair<std::uint32_t, std::uint32_t>> HevcCodedSize(std::string_view hvcc);

// The layout of the HEIF or AVIF file `file`; none when it has no meta box with a primary item.
std::optional<HeifLayout> ReadHeifLayout(std::string_view file);

// The thumbnail item to decode in place of the primary image for a picture wanted at least
// min_width x min_height upright: the smallest of the primary's thumbnails that is at least that
// large as shown, smaller than the primary, of the same proportions (within a pixel) and with the
// same transforms. None when no thumbnail qualifies, or the whole picture is wanted (both 0).
std::optional<std::uint32_t> ChooseHeifThumbnail(const HeifLayout& layout, int min_width,
                                                 int min_height);

// A metadata item of a HEIF or AVIF file: an Exif block ("Exif"), or an XMP packet (a "mime" item
// of content type application/rdf+xml), and where its bytes lie in the file.
struct HeifMetadataItem {
    std::uint32_t id = 0;
    bool exif = false;  // else XMP
    // Its extents in the file, in order, as (offset, length). `located` is false when its data
    // lies elsewhere (the idat box, another file), is content-encoded, or cannot be found whole
    // in the file.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;
    bool located = false;
};

struct HeifMetadataLayout {
    std::vector<HeifMetadataItem> items;
    // The meta box, its item infos and locations were read to their ends.
    bool whole = false;
};

// The Exif and XMP items of the HEIF or AVIF file `file`.
HeifMetadataLayout ReadHeifMetadataItems(std::string_view file);

// The TIFF structure of an Exif block `tiff` (either byte order) with its location taken out in
// place, every other byte kept: the entries of the GPS block and every value they point to set to
// zero, which leaves an empty GPS block, and IFD0's pointer to it dropped (the entries after it
// move up one place). The same size as `tiff`, so that it fits where the block was; `tiff` as it
// is when IFD0 points to no GPS block. None when the structure cannot be followed: an offset
// outside the block, a GPS block or a value overlapping the header or IFD0, a value type of
// unknown size, or more than one pointer.
std::optional<std::string> ExifWithGpsBlanked(std::string_view tiff);
