#include "imaging/heif_items.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace {

// A view of bytes read from the front, every read checked against the end.
struct Cursor {
    std::string_view bytes;
    std::size_t at = 0;
    bool ok = true;

    bool Has(std::size_t count) const { return ok && count <= bytes.size() - at; }
    std::uint64_t Read(int count) {
        if (!Has(static_cast<std::size_t>(count))) {
            ok = false;
            at = bytes.size();
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i) value = value << 8 | static_cast<std::uint8_t>(bytes[at++]);
        return value;
    }
    std::string_view Take(std::size_t count) {
        if (!Has(count)) {
            ok = false;
            at = bytes.size();
            return {};
        }
        const std::string_view out = bytes.substr(at, count);
        at += count;
        return out;
    }
};

struct Box {
    std::string_view type;
    std::string_view body;
    std::size_t start = 0;  // of the whole box, in the bytes walked
};

// The boxes of `bytes`, as far as they are whole.
std::vector<Box> Boxes(std::string_view bytes) {
    std::vector<Box> boxes;
    Cursor c{bytes};
    while (c.Has(8)) {
        const std::size_t start = c.at;
        std::uint64_t size = c.Read(4);
        const std::string_view type = c.Take(4);
        std::size_t header = 8;
        if (size == 1) {
            if (!c.Has(8)) break;
            size = c.Read(8);
            header = 16;
        } else if (size == 0) {
            size = bytes.size() - start;
        }
        if (size < header || size - header > bytes.size() - c.at) break;
        boxes.push_back({type, bytes.substr(c.at, static_cast<std::size_t>(size - header)), start});
        c.at += static_cast<std::size_t>(size - header);
    }
    return boxes;
}

// A full box's version, with `c` moved past its version and flags.
int FullBoxVersion(Cursor& c, std::uint32_t* flags = nullptr) {
    const int version = static_cast<int>(c.Read(1));
    const auto f = static_cast<std::uint32_t>(c.Read(3));
    if (flags != nullptr) *flags = f;
    return version;
}

HeifItem& ItemOf(std::vector<HeifItem>& items, std::uint32_t id) {
    for (HeifItem& item : items)
        if (item.id == id) return item;
    items.push_back(HeifItem{});
    items.back().id = id;
    return items.back();
}

void ReadItemInfos(std::string_view body, std::vector<HeifItem>& items) {
    Cursor c{body};
    const int version = FullBoxVersion(c);
    c.Read(version == 0 ? 2 : 4);
    if (!c.ok) return;
    for (const Box& infe : Boxes(body.substr(c.at))) {
        if (infe.type != "infe") continue;
        Cursor e{infe.body};
        std::uint32_t flags = 0;
        const int v = FullBoxVersion(e, &flags);
        if (v < 2) continue;  // the old form names no item type
        const auto id = static_cast<std::uint32_t>(e.Read(v == 2 ? 2 : 4));
        e.Read(2);  // protection index
        const std::string_view type = e.Take(4);
        if (!e.ok) continue;
        HeifItem& item = ItemOf(items, id);
        item.type.assign(type);
        item.hidden = (flags & 1) != 0;
    }
}

void ReadReferences(std::string_view body, std::vector<HeifItem>& items) {
    Cursor c{body};
    const int version = FullBoxVersion(c);
    if (!c.ok) return;
    const int id_size = version == 0 ? 2 : 4;
    for (const Box& ref : Boxes(body.substr(c.at))) {
        Cursor r{ref.body};
        const auto from = static_cast<std::uint32_t>(r.Read(id_size));
        const auto count = static_cast<std::size_t>(r.Read(2));
        for (std::size_t i = 0; i < count && r.ok; ++i) {
            const auto to = static_cast<std::uint32_t>(r.Read(id_size));
            if (!r.ok) break;
            if (ref.type == "thmb") ItemOf(items, from).thumbnail_of = to;
            if (ref.type == "auxl") ItemOf(items, from).auxiliary_of = to;
            if (ref.type == "dimg") ItemOf(items, to).grid_input = true;
        }
    }
}

// Reads the bits of an HEVC parameter set's payload, its emulation-prevention bytes (the 3 of
// 00 00 03) left out. Reading past the end gives zeros and marks it broken.
class BitReader {
  public:
    explicit BitReader(std::string_view bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    std::uint32_t Bits(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) value = value << 1 | Bit();
        return value;
    }
    // An unsigned Exp-Golomb number; broken beyond 32 bits.
    std::uint32_t Golomb() {
        int zeros = 0;
        while (Bit() == 0 && ok_) {
            if (++zeros > 31) {
                ok_ = false;
                return 0;
            }
        }
        return static_cast<std::uint32_t>((std::uint64_t{1} << zeros) - 1 + Bits(zeros));
    }

  private:
    std::uint32_t Bit() {
        while (bit_ == 0) {
            if (at_ >= bytes_.size()) {
                ok_ = false;
                return 0;
            }
            current_ = static_cast<std::uint8_t>(bytes_[at_++]);
            if (current_ == 3 && zeros_ >= 2) {  // emulation prevention: not payload
                zeros_ = 0;
                continue;
            }
            zeros_ = current_ == 0 ? zeros_ + 1 : 0;
            bit_ = 8;
        }
        --bit_;
        return (current_ >> bit_) & 1;
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
    int bit_ = 0;
    std::uint8_t current_ = 0;
    int zeros_ = 0;
    bool ok_ = true;
};

// A property of the ipco box, as far as an item's geometry goes.
struct Property {
    std::string_view type;
    std::uint32_t width = 0, height = 0;     // ispe, or the size an hvcC's parameter set declares
    int value = 0;                           // irot's turns, imir's axis
    double crop_width = 0, crop_height = 0;  // clap, in pixels
};

Property ReadProperty(const Box& box) {
    Property p;
    p.type = box.type;
    Cursor c{box.body};
    if (box.type == "ispe") {
        FullBoxVersion(c);
        p.width = static_cast<std::uint32_t>(c.Read(4));
        p.height = static_cast<std::uint32_t>(c.Read(4));
    } else if (box.type == "irot") {
        p.value = static_cast<int>(c.Read(1) & 3);
    } else if (box.type == "imir") {
        p.value = static_cast<int>(c.Read(1) & 1);
    } else if (box.type == "hvcC") {
        if (const auto size = HevcCodedSize(box.body)) {
            p.width = size->first;
            p.height = size->second;
        }
    } else if (box.type == "clap") {
        const auto wn = static_cast<std::uint32_t>(c.Read(4));
        const auto wd = static_cast<std::uint32_t>(c.Read(4));
        const auto hn = static_cast<std::uint32_t>(c.Read(4));
        const auto hd = static_cast<std::uint32_t>(c.Read(4));
        if (wd != 0 && hd != 0) {
            p.crop_width = static_cast<double>(wn) / wd;
            p.crop_height = static_cast<double>(hn) / hd;
        }
    }
    if (!c.ok) p.type = {};
    return p;
}

void ReadProperties(std::string_view body, std::vector<HeifItem>& items) {
    std::vector<Property> properties;
    std::string_view ipma_body;
    for (const Box& box : Boxes(body)) {
        if (box.type == "ipco") {
            for (const Box& property : Boxes(box.body))
                properties.push_back(ReadProperty(property));
        } else if (box.type == "ipma" && ipma_body.empty()) {
            ipma_body = box.body;
        }
    }
    Cursor c{ipma_body};
    std::uint32_t flags = 0;
    const int version = FullBoxVersion(c, &flags);
    const auto entries = static_cast<std::size_t>(c.Read(4));
    for (std::size_t i = 0; i < entries && c.ok; ++i) {
        const auto id = static_cast<std::uint32_t>(c.Read(version < 1 ? 2 : 4));
        const auto count = static_cast<int>(c.Read(1));
        if (!c.ok) break;
        HeifItem& item = ItemOf(items, id);
        double crop_width = 0, crop_height = 0;
        for (int k = 0; k < count && c.ok; ++k) {
            const std::uint64_t entry = c.Read((flags & 1) ? 2 : 1);
            const std::size_t index = (flags & 1) ? (entry & 0x7FFF) : (entry & 0x7F);
            if (!c.ok || index == 0 || index > properties.size()) continue;
            const Property& p = properties[index - 1];
            if (p.type == "ispe") {
                item.width = p.width;
                item.height = p.height;
            } else if (p.type == "hvcC") {
                item.coded_width = p.width;
                item.coded_height = p.height;
            } else if (p.type == "irot") {
                item.transforms.quarter_turns = p.value;
            } else if (p.type == "imir") {
                item.transforms.mirror = p.value;
            } else if (p.type == "clap") {
                item.transforms.cropped = true;
                crop_width = p.crop_width;
                crop_height = p.crop_height;
            }
        }
        if (item.transforms.cropped && item.width > 0 && item.height > 0) {
            item.transforms.crop_width = std::clamp(crop_width / item.width, 0.0, 1.0);
            item.transforms.crop_height = std::clamp(crop_height / item.height, 0.0, 1.0);
        }
    }
}

// Where an item's data lies: in the file (method 0) or in the idat box (method 1).
struct Location {
    int method = 0;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

std::optional<Location> FindLocation(std::string_view body, std::uint32_t wanted) {
    Cursor c{body};
    const int version = FullBoxVersion(c);
    const auto sizes = static_cast<int>(c.Read(1));
    const auto more = static_cast<int>(c.Read(1));
    const int offset_size = sizes >> 4, length_size = sizes & 15, base_size = more >> 4;
    const int index_size = version >= 1 ? more & 15 : 0;
    const auto count = static_cast<std::size_t>(c.Read(version < 2 ? 2 : 4));
    for (std::size_t i = 0; i < count && c.ok; ++i) {
        const auto id = static_cast<std::uint32_t>(c.Read(version < 2 ? 2 : 4));
        Location location;
        if (version >= 1) location.method = static_cast<int>(c.Read(2) & 15);
        c.Read(2);  // data reference
        const std::uint64_t base = c.Read(base_size);
        const auto extents = static_cast<std::size_t>(c.Read(2));
        for (std::size_t k = 0; k < extents && c.ok; ++k) {
            c.Read(index_size);
            const std::uint64_t offset = c.Read(offset_size);
            const std::uint64_t length = c.Read(length_size);
            if (k == 0) {
                location.offset = base + offset;
                location.length = length;
            }
        }
        if (c.ok && id == wanted && extents > 0) return location;
    }
    return std::nullopt;
}

void ReadGrid(std::string_view file, std::string_view idat, std::string_view iloc,
              HeifLayout& layout) {
    const std::optional<Location> location = FindLocation(iloc, layout.primary);
    if (!location) return;
    const std::string_view from = location->method == 1 ? idat : file;
    if (location->method > 1 || location->offset > from.size()) return;
    Cursor c{from.substr(static_cast<std::size_t>(location->offset),
                         static_cast<std::size_t>(std::min<std::uint64_t>(location->length, 12)))};
    c.Read(1);  // version
    const auto flags = static_cast<int>(c.Read(1));
    const int rows = static_cast<int>(c.Read(1)) + 1;
    const int columns = static_cast<int>(c.Read(1)) + 1;
    const int field = (flags & 1) ? 4 : 2;
    const auto width = static_cast<std::uint32_t>(c.Read(field));
    const auto height = static_cast<std::uint32_t>(c.Read(field));
    if (!c.ok) return;
    layout.grid_rows = rows;
    layout.grid_columns = columns;
    layout.grid_width = width;
    layout.grid_height = height;
}

bool IsImageType(std::string_view type) {
    static constexpr std::string_view kTypes[] = {"hvc1", "av01", "grid", "iden", "iovl",
                                                  "jpeg", "unci", "j2k1", "vvc1"};
    return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
}

}  // namespace

std::optional<std::pair<std::uint32_t, std::uint32_t>> HevcCodedSize(std::string_view hvcc) {
    // The fixed part (22 bytes: profile, level, formats), then arrays of NAL units by type.
    Cursor c{hvcc};
    c.Take(22);
    const auto arrays = static_cast<int>(c.Read(1));
    for (int a = 0; a < arrays && c.ok; ++a) {
        const auto type = static_cast<int>(c.Read(1) & 0x3F);
        const auto count = static_cast<int>(c.Read(2));
        for (int n = 0; n < count && c.ok; ++n) {
            const std::string_view nal = c.Take(static_cast<std::size_t>(c.Read(2)));
            if (type != 33 || nal.size() < 3) continue;  // 33: a sequence parameter set
            BitReader r(nal.substr(2));                  // after the NAL unit header
            r.Bits(4);                                   // video parameter set id
            const int sub_layers = static_cast<int>(r.Bits(3));
            r.Bits(1);
            r.Bits(32);  // the general profile, tier and level: 96 bits
            r.Bits(32);
            r.Bits(32);
            bool profile[8] = {}, level[8] = {};
            for (int i = 0; i < sub_layers; ++i) {
                profile[i] = r.Bits(1) != 0;
                level[i] = r.Bits(1) != 0;
            }
            if (sub_layers > 0)
                for (int i = sub_layers; i < 8; ++i) r.Bits(2);
            for (int i = 0; i < sub_layers; ++i) {
                if (profile[i]) {
                    r.Bits(32);  // 88 bits
                    r.Bits(32);
                    r.Bits(24);
                }
                if (level[i]) r.Bits(8);
            }
            r.Golomb();                      // sequence parameter set id
            if (r.Golomb() == 3) r.Bits(1);  // 4:4:4 with separate colour planes
            const std::uint32_t width = r.Golomb();
            const std::uint32_t height = r.Golomb();
            if (r.ok()) return std::make_pair(width, height);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool HeifTransforms::SameAs(const HeifTransforms& other) const {
    if (quarter_turns != other.quarter_turns || mirror != other.mirror) return false;
    if (cropped != other.cropped) return false;
    return !cropped || (std::abs(crop_width - other.crop_width) < 0.01 &&
                        std::abs(crop_height - other.crop_height) < 0.01);
}

std::uint32_t HeifItem::ShownWidth() const {
    const auto w = static_cast<std::uint32_t>(std::lround(width * transforms.crop_width));
    const auto h = static_cast<std::uint32_t>(std::lround(height * transforms.crop_height));
    return transforms.quarter_turns % 2 ? h : w;
}

std::uint32_t HeifItem::ShownHeight() const {
    const auto w = static_cast<std::uint32_t>(std::lround(width * transforms.crop_width));
    const auto h = static_cast<std::uint32_t>(std::lround(height * transforms.crop_height));
    return transforms.quarter_turns % 2 ? w : h;
}

bool HeifItem::IsImage() const {
    return IsImageType(type);
}

const HeifItem* HeifLayout::Find(std::uint32_t id) const {
    for (const HeifItem& item : items)
        if (item.id == id) return &item;
    return nullptr;
}

int HeifLayout::TopLevelImages() const {
    int count = 0;
    for (const HeifItem& item : items) {
        if (item.IsImage() && !item.hidden && item.thumbnail_of == 0 && item.auxiliary_of == 0 &&
            !item.grid_input)
            ++count;
    }
    return count;
}

std::optional<HeifLayout> ReadHeifLayout(std::string_view file) {
    HeifLayout layout;
    std::string_view meta;
    for (const Box& box : Boxes(file)) {
        if (box.type == "meta" && meta.empty()) meta = box.body;
        if (box.type == "moov") layout.sequence = true;
    }
    Cursor c{meta};
    FullBoxVersion(c);
    if (!c.ok) return std::nullopt;
    std::string_view idat, iloc;
    bool primary = false;
    for (const Box& box : Boxes(meta.substr(c.at))) {
        if (box.type == "pitm") {
            Cursor p{box.body};
            const int version = FullBoxVersion(p);
            layout.primary = static_cast<std::uint32_t>(p.Read(version == 0 ? 2 : 4));
            primary = p.ok;
        } else if (box.type == "iinf") {
            ReadItemInfos(box.body, layout.items);
        } else if (box.type == "iref") {
            ReadReferences(box.body, layout.items);
        } else if (box.type == "iprp") {
            ReadProperties(box.body, layout.items);
        } else if (box.type == "idat") {
            idat = box.body;
        } else if (box.type == "iloc") {
            iloc = box.body;
        }
    }
    if (!primary) return std::nullopt;
    const HeifItem* item = layout.Find(layout.primary);
    if (item != nullptr && item->type == "grid") ReadGrid(file, idat, iloc, layout);
    return layout;
}

std::optional<std::uint32_t> ChooseHeifThumbnail(const HeifLayout& layout, int min_width,
                                                 int min_height) {
    if (min_width <= 0 && min_height <= 0) return std::nullopt;
    const HeifItem* primary = layout.Find(layout.primary);
    if (primary == nullptr) return std::nullopt;
    const std::int64_t pw = primary->ShownWidth();
    const std::int64_t ph = primary->ShownHeight();
    // No picture's side comes near a million pixels (and the products below stay in range).
    constexpr std::int64_t kMaxSide = 1 << 20;
    if (pw < 1 || ph < 1 || pw > kMaxSide || ph > kMaxSide) return std::nullopt;
    std::optional<std::uint32_t> best;
    std::int64_t best_pixels = 0;
    for (const HeifItem& item : layout.items) {
        if (item.thumbnail_of != primary->id || !item.IsImage()) continue;
        if (!item.transforms.SameAs(primary->transforms)) continue;
        const std::int64_t w = item.ShownWidth();
        const std::int64_t h = item.ShownHeight();
        if (w < std::max(min_width, 1) || h < std::max(min_height, 1)) continue;
        if (w >= pw || h >= ph) continue;  // no smaller than the picture itself
        // Scaled from the primary, each side rounded: within a pixel of its proportions.
        if (std::llabs(w * ph - h * pw) > std::max(pw, ph)) continue;
        if (!best || w * h < best_pixels) {
            best = item.id;
            best_pixels = w * h;
        }
    }
    return best;
}

HeifMetadataLayout ReadHeifMetadataItems(std::string_view file) {
    HeifMetadataLayout layout;
    std::string_view meta;
    bool metas = false;
    for (const Box& box : Boxes(file)) {
        if (box.type != "meta") continue;
        if (metas) return layout;  // a second meta box no reader takes
        metas = true;
        meta = box.body;
    }
    Cursor c{meta};
    FullBoxVersion(c);
    if (!metas || !c.ok) return layout;
    std::string_view iinf, iloc;
    for (const Box& box : Boxes(meta.substr(c.at))) {
        if (box.type == "iinf") iinf = box.body;
        if (box.type == "iloc") iloc = box.body;
    }
    bool whole = !iinf.empty();
    // Which items are metadata, and how each is stored.
    Cursor i{iinf};
    const int iinf_version = FullBoxVersion(i);
    i.Read(iinf_version == 0 ? 2 : 4);
    for (const Box& infe : Boxes(iinf.substr(std::min(i.at, iinf.size())))) {
        if (infe.type != "infe") continue;
        Cursor e{infe.body};
        const int v = FullBoxVersion(e);
        if (v < 2) continue;
        const auto id = static_cast<std::uint32_t>(e.Read(v == 2 ? 2 : 4));
        e.Read(2);
        const std::string_view type = e.Take(4);
        if (!e.ok) {
            whole = false;
            continue;
        }
        // The name, then for a mime item its content type and encoding, each ending in NUL.
        const std::string_view rest = infe.body.substr(e.at);
        std::vector<std::string_view> strings;
        std::size_t at = 0;
        while (at < rest.size() && strings.size() < 3) {
            const std::size_t nul = rest.find('\0', at);
            strings.push_back(
                rest.substr(at, nul == std::string_view::npos ? rest.npos : nul - at));
            if (nul == std::string_view::npos) break;
            at = nul + 1;
        }
        HeifMetadataItem item;
        item.id = id;
        if (type == "Exif") {
            item.exif = true;
        } else if (type == "mime" && strings.size() >= 2 && strings[1] == "application/rdf+xml") {
            // A packet compressed for storage is not one to be rewritten here.
            if (strings.size() >= 3 && !strings[2].empty()) whole = false;
        } else {
            continue;
        }
        layout.items.push_back(item);
    }
    if (!layout.items.empty()) {
        Cursor l{iloc};
        const int version = FullBoxVersion(l);
        const auto sizes = static_cast<int>(l.Read(1));
        const auto more = static_cast<int>(l.Read(1));
        const int offset_size = sizes >> 4, length_size = sizes & 15, base_size = more >> 4;
        const int index_size = version >= 1 ? more & 15 : 0;
        const auto count = static_cast<std::size_t>(l.Read(version < 2 ? 2 : 4));
        for (std::size_t n = 0; n < count && l.ok; ++n) {
            const auto id = static_cast<std::uint32_t>(l.Read(version < 2 ? 2 : 4));
            int method = 0;
            if (version >= 1) method = static_cast<int>(l.Read(2) & 15);
            const auto reference = l.Read(2);
            const std::uint64_t base = l.Read(base_size);
            const auto extents = static_cast<std::size_t>(l.Read(2));
            std::vector<std::pair<std::uint64_t, std::uint64_t>> found;
            bool inside = true;
            for (std::size_t k = 0; k < extents && l.ok; ++k) {
                l.Read(index_size);
                const std::uint64_t offset = base + l.Read(offset_size);
                const std::uint64_t length = l.Read(length_size);
                // A length of 0 runs to the end of the file.
                const std::uint64_t end = length == 0 ? file.size() : offset + length;
                if (offset > file.size() || end > file.size() || end < offset) inside = false;
                found.emplace_back(offset, end - offset);
            }
            if (!l.ok) break;
            for (HeifMetadataItem& item : layout.items) {
                if (item.id != id) continue;
                item.located = method == 0 && reference == 0 && inside && !found.empty();
                item.extents = std::move(found);
                break;
            }
        }
        whole = whole && l.ok;
    }
    layout.whole = whole;
    return layout;
}

std::optional<std::string> ExifWithGpsBlanked(std::string_view tiff) {
    if (tiff.size() < 8) return std::nullopt;
    const bool little = tiff.substr(0, 2) == "II";
    if (!little && tiff.substr(0, 2) != "MM") return std::nullopt;
    auto read = [&](std::uint64_t at, int count) -> std::uint64_t {
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i) {
            const auto byte = static_cast<std::uint8_t>(
                tiff[static_cast<std::size_t>(at) + (little ? count - 1 - i : i)]);
            value = value << 8 | byte;
        }
        return value;
    };
    if (read(2, 2) != 42) return std::nullopt;
    const std::uint64_t size = tiff.size();
    // An IFD's extent: its count, its entries and the offset of the next one.
    auto ifd_end = [&](std::uint64_t at) -> std::optional<std::uint64_t> {
        if (at < 8 || at > size - 2) return std::nullopt;
        const std::uint64_t end = at + 2 + 12 * read(at, 2) + 4;
        if (end > size) return std::nullopt;
        return end;
    };
    const std::uint64_t ifd0 = read(4, 4);
    const std::optional<std::uint64_t> ifd0_end = ifd_end(ifd0);
    if (!ifd0_end) return std::nullopt;
    auto clear_of_ifd0 = [&](std::uint64_t from, std::uint64_t to) {
        return from >= 8 && (to <= ifd0 || from >= *ifd0_end);
    };
    const std::uint64_t entries = read(ifd0, 2);
    std::optional<std::uint64_t> pointer_entry;
    for (std::uint64_t n = 0; n < entries; ++n) {
        const std::uint64_t entry = ifd0 + 2 + 12 * n;
        if (read(entry, 2) != 0x8825) continue;
        if (pointer_entry) return std::nullopt;
        pointer_entry = entry;
    }
    std::string out(tiff);
    if (!pointer_entry) return out;
    const std::uint64_t gps = read(*pointer_entry + 8, 4);
    const std::optional<std::uint64_t> gps_end = ifd_end(gps);
    if (!gps_end || !clear_of_ifd0(gps, *gps_end)) return std::nullopt;
    // The bytes of one value of each TIFF type; 0 for a type of unknown size.
    constexpr int kTypeSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    const std::uint64_t gps_entries = read(gps, 2);
    for (std::uint64_t n = 0; n < gps_entries; ++n) {
        const std::uint64_t entry = gps + 2 + 12 * n;
        const std::uint64_t type = read(entry + 2, 2);
        if (type >= std::size(kTypeSizes) || kTypeSizes[type] == 0) return std::nullopt;
        const std::uint64_t bytes = kTypeSizes[type] * read(entry + 4, 4);
        if (bytes <= 4) continue;  // held in the entry itself
        const std::uint64_t at = read(entry + 8, 4);
        if (at > size || bytes > size - at || !clear_of_ifd0(at, at + bytes)) return std::nullopt;
        out.replace(static_cast<std::size_t>(at), static_cast<std::size_t>(bytes),
                    static_cast<std::size_t>(bytes), '\0');
    }
    // Zeros throughout leave a count of 0 and no next IFD.
    out.replace(static_cast<std::size_t>(gps), static_cast<std::size_t>(*gps_end - gps),
                static_cast<std::size_t>(*gps_end - gps), '\0');
    // The pointer goes: the entries after it and the next-IFD offset move up, the count drops.
    const auto from = static_cast<std::size_t>(*pointer_entry);
    const auto end = static_cast<std::size_t>(*ifd0_end);
    out.replace(from, end - from, out.substr(from + 12, end - from - 12) + std::string(12, '\0'));
    const std::uint64_t count = entries - 1;
    out[static_cast<std::size_t>(ifd0) + (little ? 0 : 1)] = static_cast<char>(count & 0xFF);
    out[static_cast<std::size_t>(ifd0) + (little ? 1 : 0)] = static_cast<char>(count >> 8);
    return out;
}
