#include "imaging/metadata_carriers.h"

#include <cstdint>
#include <cstring>

#include "imaging/jpeg_segments.h"

namespace {

constexpr unsigned char kApp1 = 0xE1;
constexpr unsigned char kApp13 = 0xED;
constexpr std::string_view kExifName("Exif\0\0", 6);
constexpr std::string_view kXmpName("http://ns.adobe.com/xap/1.0/\0", 29);
constexpr std::string_view kExtendedXmpName("http://ns.adobe.com/xmp/extension/\0", 35);
constexpr std::string_view kPhotoshopName("Photoshop 3.0\0", 14);
// After the extended XMP's name: the GUID of its main packet (32), the whole length (4) and this
// chunk's place in it (4).
constexpr std::size_t kExtendedXmpHeader = 35 + 32 + 4 + 4;
// What one segment's body holds at most (its two length bytes count in the 65,535).
constexpr std::size_t kMaxSegmentBody = 65535 - 2;
constexpr std::uint16_t kIptcResource = 0x0404;

std::uint32_t BigEndian(std::string_view bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

void AppendBigEndian(std::string& out, std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool StartsWith(std::string_view body, std::string_view name) {
    return body.substr(0, name.size()) == name;
}

// Which carrier a JPEG segment is.
enum class JpegCarrier { None, Exif, Xmp, ExtendedXmp, Photoshop };

JpegCarrier CarrierOf(const JpegSegment& segment) {
    if (segment.marker == kApp1) {
        if (StartsWith(segment.body, kExifName)) return JpegCarrier::Exif;
        if (StartsWith(segment.body, kXmpName)) return JpegCarrier::Xmp;
        if (StartsWith(segment.body, kExtendedXmpName)) return JpegCarrier::ExtendedXmp;
    }
    if (segment.marker == kApp13 && StartsWith(segment.body, kPhotoshopName))
        return JpegCarrier::Photoshop;
    return JpegCarrier::None;
}

// One resource of a Photoshop block: "8BIM", its number, a padded name, a padded length and data.
struct PhotoshopResource {
    std::uint16_t id;
    std::size_t start;  // where its signature is
    std::size_t data;   // where its data is
    std::size_t size;   // of its data
    std::size_t end;    // where the next one is
};

// The resources of a Photoshop block; none when it does not walk to its end.
std::optional<std::vector<PhotoshopResource>> PhotoshopResources(std::string_view block) {
    std::vector<PhotoshopResource> resources;
    std::size_t at = 0;
    while (at < block.size()) {
        if (block.size() - at < 7) return std::nullopt;
        const std::string_view signature = block.substr(at, 4);
        if (signature != "8BIM" && signature != "PHUT" && signature != "DCSR" &&
            signature != "AgHg" && signature != "MeSa")
            return std::nullopt;
        PhotoshopResource r{static_cast<std::uint16_t>(BigEndian(block, at + 4, 2)), at, 0, 0, 0};
        // The name: a length byte and the name, padded to an even count.
        std::size_t name = 1 + static_cast<unsigned char>(block[at + 6]);
        name += name % 2;
        const std::size_t length_at = at + 6 + name;
        if (length_at + 4 > block.size()) return std::nullopt;
        r.size = BigEndian(block, length_at, 4);
        r.data = length_at + 4;
        if (r.size > block.size() - r.data) return std::nullopt;
        r.end = r.data + r.size + r.size % 2;
        if (r.end > block.size()) r.end = block.size();  // a last pad byte some writers leave out
        resources.push_back(r);
        at = r.end;
    }
    return resources;
}

// The XMP packet of a GIF's XMP application extension, from the bytes after its name to the end
// of its blocks: the packet ends with its last ">", before the "magic trailer" that lets readers
// walk the raw text as data blocks.
std::string GifXmpPacket(std::string_view raw) {
    // The ramp holds a ">" of its own: the packet ends before the ramp begins.
    const std::size_t ramp = raw.rfind("\x01\xFF\xFE\xFD");
    if (ramp != std::string_view::npos) raw = raw.substr(0, ramp);
    const std::size_t last = raw.rfind('>');
    return last == std::string_view::npos ? std::string() : std::string(raw.substr(0, last + 1));
}

constexpr std::string_view kGifXmpName = "XMP DataXMP";

// A GIF's blocks, as much as walk: each extension and picture with where it is.
struct GifBlock {
    bool xmp;           // the XMP application extension
    std::size_t start;  // its introducer
    std::size_t body;   // XMP: after its name
    std::size_t end;    // after its closing empty block
};

struct GifWalk {
    std::vector<GifBlock> blocks;
    std::size_t trailer = 0;  // where the trailer is; 0 when the walk ended without one
};

// Skips data blocks from `at` to after the empty block that closes them; npos when they run past
// the end.
std::size_t SkipGifDataBlocks(std::string_view gif, std::size_t at) {
    while (at < gif.size()) {
        const std::size_t length = static_cast<unsigned char>(gif[at]);
        ++at;
        if (length == 0) return at;
        at += length;
    }
    return std::string_view::npos;
}

GifWalk WalkGif(std::string_view gif) {
    GifWalk walk;
    if (gif.size() < 13 || (gif.substr(0, 6) != "GIF87a" && gif.substr(0, 6) != "GIF89a"))
        return walk;
    const auto packed = static_cast<unsigned char>(gif[10]);
    std::size_t at = 13;
    if (packed & 0x80) at += 3u << ((packed & 7) + 1);
    while (at < gif.size()) {
        const auto introducer = static_cast<unsigned char>(gif[at]);
        if (introducer == 0x3B) {
            walk.trailer = at;
            return walk;
        }
        GifBlock block{false, at, 0, 0};
        std::size_t next = std::string_view::npos;
        if (introducer == 0x21 && at + 2 < gif.size()) {
            const auto label = static_cast<unsigned char>(gif[at + 1]);
            block.xmp = label == 0xFF && gif.substr(at + 2, 12) ==
                                             "\x0B"
                                             "XMP DataXMP";
            block.body = at + 14;
            next = SkipGifDataBlocks(gif, at + 2);
        } else if (introducer == 0x2C && at + 10 < gif.size()) {
            const auto local = static_cast<unsigned char>(gif[at + 9]);
            std::size_t data = at + 10;
            if (local & 0x80) data += 3u << ((local & 7) + 1);
            // The code size byte, then the picture's data blocks.
            if (data < gif.size()) next = SkipGifDataBlocks(gif, data + 1);
        }
        if (next == std::string_view::npos || next > gif.size()) return walk;
        block.end = next;
        walk.blocks.push_back(block);
        at = next;
    }
    return walk;
}

// An XMP application extension holding `packet`, with the magic trailer: 0x01, then 0xFF down to
// 0x00, then the empty block. A reader walking the packet as data blocks lands in the ramp and
// jumps to the end whatever byte it lands on.
std::string GifXmpExtension(const std::string& packet) {
    std::string out = "\x21\xFF\x0B";
    out += kGifXmpName;
    out += packet;
    out += '\x01';
    for (int v = 0xFF; v >= 0; --v) out += static_cast<char>(v);
    out += '\0';
    return out;
}

MetadataCarriers GifCarriers(std::string_view gif) {
    MetadataCarriers carriers;
    const GifWalk walk = WalkGif(gif);
    carriers.unwalkable = walk.trailer == 0;
    int packets = 0;
    for (const GifBlock& block : walk.blocks) {
        if (!block.xmp) continue;
        if (++packets > 1) carriers.unwalkable = true;  // a second packet no reader takes
        carriers.xmp = GifXmpPacket(gif.substr(block.body, block.end - block.body));
    }
    return carriers;
}

std::optional<std::string> ReplaceGifCarriers(std::string_view gif,
                                              const CarrierReplacement& replacement) {
    const GifWalk walk = WalkGif(gif);
    if (walk.trailer == 0) return std::nullopt;
    if (!replacement.xmp) return std::string(gif);
    std::string out;
    std::size_t at = 0;
    bool written = false;
    for (const GifBlock& block : walk.blocks) {
        if (!block.xmp) continue;
        out.append(gif.substr(at, block.start - at));
        // The packet is written raw: a zero byte in it would end the extension early.
        if (!written && !replacement.xmp->empty() &&
            replacement.xmp->find('\0') == std::string::npos)
            out += GifXmpExtension(*replacement.xmp);
        written = true;
        at = block.end;
    }
    out.append(gif.substr(at));
    return out;
}

MetadataCarriers JpegCarriers(std::string_view jpeg) {
    MetadataCarriers carriers;
    JpegWalker walker(jpeg);
    bool scanned = false;
    int exifs = 0;
    int xmps = 0;
    std::string photoshop;
    std::string extended_guid;
    std::vector<bool> extended_filled;
    while (const std::optional<JpegSegment> segment = walker.Next()) {
        if (segment->marker == JpegMarker::kSos) scanned = true;
        const JpegCarrier carrier = CarrierOf(*segment);
        if (carrier == JpegCarrier::None) continue;
        // A carrier after the first scan is kept by a copy, but no replacement reaches it.
        if (scanned) carriers.unwalkable = true;
        const std::string_view body = segment->body;
        switch (carrier) {
            case JpegCarrier::Exif:
                if (++exifs == 1)
                    carriers.exif = std::string(body.substr(kExifName.size()));
                else
                    carriers.unwalkable = true;
                break;
            case JpegCarrier::Xmp:
                if (++xmps == 1)
                    carriers.xmp = std::string(body.substr(kXmpName.size()));
                else
                    carriers.unwalkable = true;
                break;
            case JpegCarrier::ExtendedXmp: {
                if (body.size() < kExtendedXmpHeader) {
                    carriers.unwalkable = true;
                    break;
                }
                const std::string_view guid = body.substr(kExtendedXmpName.size(), 32);
                const std::uint32_t total = BigEndian(body, kExtendedXmpName.size() + 32, 4);
                const std::uint32_t offset = BigEndian(body, kExtendedXmpName.size() + 36, 4);
                const std::string_view chunk = body.substr(kExtendedXmpHeader);
                if (extended_guid.empty()) {
                    extended_guid = std::string(guid);
                    // Bounded by the file: the chunks together cannot be longer than it.
                    if (total > jpeg.size()) {
                        carriers.unwalkable = true;
                        break;
                    }
                    carriers.extended_xmp.assign(total, ' ');
                    extended_filled.assign(total, false);
                }
                if (guid != extended_guid || total != carriers.extended_xmp.size() ||
                    offset > total || chunk.size() > total - offset) {
                    carriers.unwalkable = true;
                    break;
                }
                std::memcpy(carriers.extended_xmp.data() + offset, chunk.data(), chunk.size());
                for (std::size_t i = 0; i < chunk.size(); ++i) extended_filled[offset + i] = true;
                break;
            }
            case JpegCarrier::Photoshop:
                photoshop.append(body.substr(kPhotoshopName.size()));
                break;
            case JpegCarrier::None:
                break;
        }
    }
    if (walker.Damaged() || !scanned) carriers.unwalkable = true;
    for (const bool filled : extended_filled) {
        if (!filled) carriers.unwalkable = true;
    }
    if (!photoshop.empty()) {
        const auto resources = PhotoshopResources(photoshop);
        if (!resources) carriers.unwalkable = true;
        for (const PhotoshopResource& r : resources.value_or(std::vector<PhotoshopResource>{})) {
            if (r.id == kIptcResource) carriers.iptc.append(photoshop.substr(r.data, r.size));
        }
    }
    return carriers;
}

// One JPEG segment of `marker` holding `name` and `data`; none when it does not fit a segment.
std::optional<std::string> JpegSegmentOf(unsigned char marker, std::string_view name,
                                         std::string_view data) {
    const std::size_t body = name.size() + data.size();
    if (body > kMaxSegmentBody) return std::nullopt;
    std::string out = "\xFF";
    out += static_cast<char>(marker);
    AppendBigEndian(out, static_cast<std::uint32_t>(body + 2), 2);
    out.append(name);
    out.append(data);
    return out;
}

// The Photoshop block `block` with its IPTC resource (or resources) replaced by one holding `iptc`
// where the first was, or by none when `iptc` is empty; none when the block does not walk.
std::optional<std::string> PhotoshopWithIptc(std::string_view block, const std::string& iptc) {
    const auto resources = PhotoshopResources(block);
    if (!resources) return std::nullopt;
    std::string out;
    bool placed = false;
    auto place = [&] {
        if (placed || iptc.empty()) return;
        placed = true;
        out += "8BIM";
        AppendBigEndian(out, kIptcResource, 2);
        out.append("\0\0", 2);  // no name, padded
        AppendBigEndian(out, static_cast<std::uint32_t>(iptc.size()), 4);
        out += iptc;
        if (iptc.size() % 2) out += '\0';
    };
    for (const PhotoshopResource& r : *resources) {
        if (r.id == kIptcResource) {
            place();
            continue;
        }
        out.append(block.substr(r.start, r.end - r.start));
        if ((r.end - r.start) % 2) out += '\0';  // the pad byte a writer left out
    }
    place();
    return out;
}

std::optional<std::string> ReplaceJpegCarriers(std::string_view jpeg,
                                               const CarrierReplacement& replacement) {
    const std::vector<JpegSegment> segments = JpegHeadSegments(jpeg);
    if (segments.empty() || segments.back().marker != JpegMarker::kSos) return std::nullopt;
    std::string photoshop;
    for (const JpegSegment& segment : segments) {
        if (CarrierOf(segment) == JpegCarrier::Photoshop)
            photoshop.append(segment.body.substr(kPhotoshopName.size()));
    }
    std::optional<std::string> new_photoshop;
    if (replacement.iptc) {
        new_photoshop = PhotoshopWithIptc(photoshop, *replacement.iptc);
        if (!new_photoshop) return std::nullopt;
    }

    std::string out;
    out.reserve(jpeg.size());
    std::size_t at = 0;
    bool exif_done = false;
    bool xmp_done = false;
    bool photoshop_done = false;
    // Puts `with` in place of the segment `old`, or leaves it out when none.
    auto replace = [&](const JpegSegment& old, const std::optional<std::string>& with) {
        out.append(jpeg.substr(at, old.start - at));
        if (with) out += *with;
        at = old.end;
    };
    for (const JpegSegment& segment : segments) {
        switch (CarrierOf(segment)) {
            case JpegCarrier::Exif:
                if (!replacement.exif) break;
                if (exif_done || replacement.exif->empty()) {
                    replace(segment, std::nullopt);
                } else {
                    const auto with = JpegSegmentOf(kApp1, kExifName, *replacement.exif);
                    if (!with) return std::nullopt;
                    replace(segment, with);
                }
                exif_done = true;
                break;
            case JpegCarrier::Xmp:
                if (!replacement.xmp) break;
                if (xmp_done || replacement.xmp->empty()) {
                    replace(segment, std::nullopt);
                } else {
                    const auto with = JpegSegmentOf(kApp1, kXmpName, *replacement.xmp);
                    if (!with) return std::nullopt;
                    replace(segment, with);
                }
                xmp_done = true;
                break;
            case JpegCarrier::ExtendedXmp:
                if (replacement.drop_extended_xmp) replace(segment, std::nullopt);
                break;
            case JpegCarrier::Photoshop: {
                if (!new_photoshop) break;
                if (photoshop_done || new_photoshop->empty()) {
                    replace(segment, std::nullopt);
                    photoshop_done = true;
                    break;
                }
                // The block in as many segments as it needs, where the first one was.
                std::string with;
                const std::size_t room = kMaxSegmentBody - kPhotoshopName.size();
                for (std::size_t from = 0; from < new_photoshop->size(); from += room)
                    with += *JpegSegmentOf(kApp13, kPhotoshopName,
                                           std::string_view(*new_photoshop).substr(from, room));
                replace(segment, with);
                photoshop_done = true;
                break;
            }
            case JpegCarrier::None:
                break;
        }
    }
    // A carrier the file lacked goes in after the segments that must come first (JFIF, Exif).
    std::string added;
    if (replacement.exif && !exif_done && !replacement.exif->empty()) {
        const auto with = JpegSegmentOf(kApp1, kExifName, *replacement.exif);
        if (!with) return std::nullopt;
        added += *with;
    }
    if (replacement.xmp && !xmp_done && !replacement.xmp->empty()) {
        const auto with = JpegSegmentOf(kApp1, kXmpName, *replacement.xmp);
        if (!with) return std::nullopt;
        added += *with;
    }
    out.append(jpeg.substr(at));
    if (!added.empty()) {
        std::size_t insert = 2;
        if (segments.front().marker == 0xE0) insert = segments.front().end;
        out.insert(insert, added);
    }
    return out;
}

}  // namespace

MetadataCarriers MetadataCarriersOf(ImageKind kind, std::string_view bytes) {
    switch (kind) {
        case kJpegImage:
            return JpegCarriers(bytes);
        case kGifImage:
            return GifCarriers(bytes);
        case kBmpImage:
        case kNotPicture:
            break;
    }
    return {};
}

std::optional<std::string> ReplaceMetadataCarriers(ImageKind kind, std::string_view bytes,
                                                   const CarrierReplacement& replacement) {
    switch (kind) {
        case kJpegImage:
            return ReplaceJpegCarriers(bytes, replacement);
        case kGifImage:
            return ReplaceGifCarriers(bytes, replacement);
        case kBmpImage:
        case kNotPicture:
            break;
    }
    return std::string(bytes);
}
