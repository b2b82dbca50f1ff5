#include "imaging/metadata_carriers.h"

#include <cstdint>
#include <cstring>

#include "imaging/exiv2_carriers.h"
#include "imaging/heif_items.h"
#include "imaging/jpeg_segments.h"
#include "imaging/png_chunks.h"
#include "imaging/webp_chunks.h"

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

// Which carrier a PNG chunk is: eXIf, the XMP iTXt, or one of the "Raw profile type" texts that
// ImageMagick and exiftool write (exif or APP1, xmp, iptc, 8bim).
enum class PngCarrier { None, Exif, RawExif, Xmp, RawXmp, RawIptc, Raw8bim };

PngCarrier CarrierOf(const PngChunk& chunk) {
    if (chunk.type == "eXIf") return PngCarrier::Exif;
    if (chunk.type != "tEXt" && chunk.type != "zTXt" && chunk.type != "iTXt")
        return PngCarrier::None;
    const std::size_t nul = chunk.data.find('\0');
    const std::string_view keyword = chunk.data.substr(0, nul);
    if (keyword == "XML:com.adobe.xmp") return PngCarrier::Xmp;
    if (keyword == "Raw profile type exif" || keyword == "Raw profile type APP1")
        return PngCarrier::RawExif;
    if (keyword == "Raw profile type xmp") return PngCarrier::RawXmp;
    if (keyword == "Raw profile type iptc") return PngCarrier::RawIptc;
    if (keyword == "Raw profile type 8bim") return PngCarrier::Raw8bim;
    return PngCarrier::None;
}

// The IPTC datasets of a Photoshop resource block.
std::optional<std::string> IptcOfPhotoshop(std::string_view block) {
    const auto resources = PhotoshopResources(block);
    if (!resources) return std::nullopt;
    std::string iptc;
    for (const PhotoshopResource& r : *resources)
        if (r.id == kIptcResource) iptc.append(block.substr(r.data, r.size));
    return iptc;
}

// A "Raw profile type iptc" holds the datasets, or (as ImageMagick writes it) a Photoshop block.
std::string IptcOfRawProfile(std::string bytes) {
    if (bytes.substr(0, 4) == "8BIM") return IptcOfPhotoshop(bytes).value_or(std::string());
    return bytes;
}

MetadataCarriers PngCarriers(std::string_view png) {
    MetadataCarriers carriers;
    bool whole = false;
    const std::vector<PngChunk> chunks = PngChunks(png, &whole);
    carriers.unwalkable = !whole;
    int exifs = 0;
    int xmps = 0;
    int iptcs = 0;
    for (const PngChunk& chunk : chunks) {
        const PngCarrier carrier = CarrierOf(chunk);
        if (carrier == PngCarrier::None) continue;
        std::string bytes;
        if (carrier == PngCarrier::Exif) {
            bytes.assign(chunk.data);
        } else {
            const std::optional<PngText> text = ReadPngText(chunk);
            std::optional<std::string> raw;
            if (text && carrier == PngCarrier::Xmp) raw = text->text;
            if (text && carrier != PngCarrier::Xmp) raw = RawProfileBytes(text->text);
            if (!raw) {
                carriers.unwalkable = true;
                continue;
            }
            bytes = std::move(*raw);
        }
        // Two of a kind: a reader takes either, so what each says cannot be told for the file.
        switch (carrier) {
            case PngCarrier::Exif:
            case PngCarrier::RawExif:
                if (bytes.substr(0, kExifName.size()) == kExifName)
                    bytes.erase(0, kExifName.size());
                if (++exifs > 1) carriers.unwalkable = true;
                carriers.exif = std::move(bytes);
                break;
            case PngCarrier::Xmp:
            case PngCarrier::RawXmp:
                if (++xmps > 1) carriers.unwalkable = true;
                carriers.xmp = std::move(bytes);
                break;
            case PngCarrier::RawIptc:
            case PngCarrier::Raw8bim:
                if (++iptcs > 1) carriers.unwalkable = true;
                carriers.iptc = carrier == PngCarrier::RawIptc
                                    ? IptcOfRawProfile(std::move(bytes))
                                    : IptcOfPhotoshop(bytes).value_or(std::string());
                break;
            case PngCarrier::None:
                break;
        }
    }
    return carriers;
}

// Every chunk but the carriers replaced kept byte for byte (the IDAT chunks among them): a
// replaced carrier is written as eXIf, an uncompressed XMP iTXt or a "Raw profile type iptc"
// text where the first of its kind was, the others of its kind dropped; one the file lacked goes
// right after IHDR.
std::optional<std::string> ReplacePngCarriers(std::string_view png,
                                              const CarrierReplacement& replacement) {
    bool whole = false;
    const std::vector<PngChunk> chunks = PngChunks(png, &whole);
    if (!whole || chunks.empty() || chunks.front().type != "IHDR") return std::nullopt;
    std::string out(png.substr(0, chunks.front().start));
    out.reserve(png.size());
    bool exif_done = false;
    bool xmp_done = false;
    bool iptc_done = false;
    auto put = [&](bool& done, const std::optional<std::string>& with, auto chunk_of) {
        if (!done && !with->empty()) out += chunk_of(*with);
        done = true;
    };
    auto exif_chunk = [](const std::string& exif) { return PngChunkBytes("eXIf", exif); };
    auto xmp_chunk = [](const std::string& xmp) {
        return PngChunkBytes("iTXt", PngXmpChunkData(xmp));
    };
    auto iptc_chunk = [](const std::string& iptc) { return RawProfileChunk("iptc", iptc); };
    for (const PngChunk& chunk : chunks) {
        const PngCarrier carrier = CarrierOf(chunk);
        const bool exif = carrier == PngCarrier::Exif || carrier == PngCarrier::RawExif;
        const bool xmp = carrier == PngCarrier::Xmp || carrier == PngCarrier::RawXmp;
        const bool iptc = carrier == PngCarrier::RawIptc || carrier == PngCarrier::Raw8bim;
        if (exif && replacement.exif) {
            put(exif_done, replacement.exif, exif_chunk);
        } else if (xmp && replacement.xmp) {
            put(xmp_done, replacement.xmp, xmp_chunk);
        } else if (iptc && replacement.iptc) {
            put(iptc_done, replacement.iptc, iptc_chunk);
        } else {
            out.append(png.substr(chunk.start, chunk.end - chunk.start));
        }
    }
    // A carrier the file lacked: after IHDR, before the pixels.
    std::string added;
    if (replacement.exif && !exif_done && !replacement.exif->empty())
        added += exif_chunk(*replacement.exif);
    if (replacement.xmp && !xmp_done && !replacement.xmp->empty())
        added += xmp_chunk(*replacement.xmp);
    if (replacement.iptc && !iptc_done && !replacement.iptc->empty())
        added += iptc_chunk(*replacement.iptc);
    // IHDR, first and kept, ends where it did.
    if (!added.empty()) out.insert(chunks.front().end, added);
    return out;
}

MetadataCarriers WebpCarriers(std::string_view webp) {
    MetadataCarriers carriers;
    bool whole = false;
    const std::vector<RiffChunk> chunks = WebpChunks(webp, &whole);
    carriers.unwalkable = !whole || chunks.empty();
    int exifs = 0;
    int xmps = 0;
    for (const RiffChunk& chunk : chunks) {
        if (chunk.name == "EXIF") {
            if (++exifs > 1) carriers.unwalkable = true;
            carriers.exif.assign(chunk.data);
            // Some writers keep the name a JPEG segment has.
            if (carriers.exif.substr(0, kExifName.size()) == kExifName)
                carriers.exif.erase(0, kExifName.size());
        } else if (chunk.name == "XMP ") {
            if (++xmps > 1) carriers.unwalkable = true;
            carriers.xmp.assign(chunk.data);
        }
    }
    return carriers;
}

void AppendLittleEndian32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string RiffChunkBytes(std::string_view name, std::string_view data) {
    std::string out(name);
    AppendLittleEndian32(out, static_cast<std::uint32_t>(data.size()));
    out.append(data);
    if (data.size() % 2) out += '\0';
    return out;
}

// Every chunk but EXIF and "XMP " kept byte for byte (the VP8 or VP8L bitstream among them),
// those two written anew or left out, the extended header's flags and the RIFF size made to
// match. A carrier is replaced only where the file has one (a simple WebP has no room to add one
// without a new header): none when asked to add one.
std::optional<std::string> ReplaceWebpCarriers(std::string_view webp,
                                               const CarrierReplacement& replacement) {
    bool whole = false;
    const std::vector<RiffChunk> chunks = WebpChunks(webp, &whole);
    if (!whole || chunks.empty()) return std::nullopt;
    std::string body;
    bool has_exif = false;
    bool has_xmp = false;
    bool exif_done = false;
    bool xmp_done = false;
    std::size_t vp8x = std::string::npos;
    for (const RiffChunk& chunk : chunks) {
        const bool exif = chunk.name == "EXIF";
        const bool xmp = chunk.name == "XMP ";
        if (exif && replacement.exif) {
            if (!exif_done && !replacement.exif->empty()) {
                body += RiffChunkBytes("EXIF", *replacement.exif);
                has_exif = true;
            }
            exif_done = true;
            continue;
        }
        if (xmp && replacement.xmp) {
            if (!xmp_done && !replacement.xmp->empty()) {
                body += RiffChunkBytes("XMP ", *replacement.xmp);
                has_xmp = true;
            }
            xmp_done = true;
            continue;
        }
        has_exif = has_exif || exif;
        has_xmp = has_xmp || xmp;
        if (chunk.name == "VP8X" && chunk.data.size() >= 10) vp8x = body.size();
        body.append(webp.substr(chunk.start, chunk.end - chunk.start));
        // The padding byte of an odd chunk that ended the file without one.
        if ((chunk.end - chunk.start) % 2) body += '\0';
    }
    if ((replacement.exif && !exif_done && !replacement.exif->empty()) ||
        (replacement.xmp && !xmp_done && !replacement.xmp->empty()))
        return std::nullopt;
    if (vp8x != std::string::npos) {
        auto flags = static_cast<unsigned char>(body[vp8x + 8]);
        flags = static_cast<unsigned char>((flags & ~0x0Cu) | (has_exif ? 0x08u : 0u) |
                                           (has_xmp ? 0x04u : 0u));
        body[vp8x + 8] = static_cast<char>(flags);
    }
    std::string out = "RIFF";
    AppendLittleEndian32(out, static_cast<std::uint32_t>(body.size() + 4));
    out += "WEBP";
    out += body;
    return out;
}

// The bytes of a HEIF item's extents, put together.
std::string HeifItemBytes(std::string_view file, const HeifMetadataItem& item) {
    std::string bytes;
    for (const auto& [offset, length] : item.extents)
        bytes.append(
            file.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length)));
    return bytes;
}

// Where an Exif item's TIFF structure starts: after the four bytes that give its offset.
std::optional<std::size_t> HeifExifStart(std::string_view item) {
    if (item.size() < 4) return std::nullopt;
    const std::uint32_t offset = BigEndian(item, 0, 4);
    if (offset > item.size() - 4) return std::nullopt;
    return 4 + std::size_t{offset};
}

MetadataCarriers HeifCarriers(std::string_view file) {
    MetadataCarriers carriers;
    const HeifMetadataLayout layout = ReadHeifMetadataItems(file);
    carriers.unwalkable = !layout.whole;
    int exifs = 0;
    int xmps = 0;
    for (const HeifMetadataItem& item : layout.items) {
        if (!item.located) {
            carriers.unwalkable = true;
            continue;
        }
        const std::string bytes = HeifItemBytes(file, item);
        if (item.exif) {
            const std::optional<std::size_t> start = HeifExifStart(bytes);
            if (++exifs > 1 || !start) carriers.unwalkable = true;
            if (start) carriers.exif = bytes.substr(*start);
        } else {
            if (++xmps > 1) carriers.unwalkable = true;
            carriers.xmp = bytes;
        }
    }
    return carriers;
}

// An Exif block of no tags, for an item that must keep its size but tell nothing.
const std::string kEmptyTiff("II*\0\x08\0\0\0\0\0\0\0\0\0", 14);
// An XMP packet of no properties, for the same.
constexpr std::string_view kEmptyXmp =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
    "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"/></x:xmpmeta>";

// `packet` made `size` bytes long with blanks where an XMP packet allows them (before its
// closing processing instruction, else at its end); none when it is longer.
std::optional<std::string> PaddedXmp(std::string packet, std::size_t size) {
    if (packet.size() > size) return std::nullopt;
    const std::size_t end = packet.rfind("<?xpacket end");
    packet.insert(end == std::string::npos ? packet.size() : end, size - packet.size(), ' ');
    return packet;
}

// The file with its Exif and XMP items rewritten in place, each at its own size, so that no
// offset in the file moves and every other byte (the coded pictures) stays as it was: the new
// Exif block padded with zeros after its structure, the new packet with blanks. None when a new
// carrier is larger than the old one's place, or one is to be added: a HEIF's items cannot grow
// without rewriting its boxes.
std::optional<std::string> ReplaceHeifCarriers(std::string_view file,
                                               const CarrierReplacement& replacement) {
    if (replacement.iptc && !replacement.iptc->empty()) return std::nullopt;
    const HeifMetadataLayout layout = ReadHeifMetadataItems(file);
    if (!layout.whole) return std::nullopt;
    std::string out(file);
    bool exif_found = false;
    bool xmp_found = false;
    for (const HeifMetadataItem& item : layout.items) {
        if (!item.located) return std::nullopt;
        const std::optional<std::string>& with = item.exif ? replacement.exif : replacement.xmp;
        (item.exif ? exif_found : xmp_found) = true;
        if (!with) continue;
        const std::string old = HeifItemBytes(file, item);
        std::string now;
        if (item.exif) {
            const std::optional<std::size_t> start = HeifExifStart(old);
            if (!start) return std::nullopt;
            const std::string& tiff = with->empty() ? kEmptyTiff : *with;
            if (tiff.size() > old.size() - *start) return std::nullopt;
            now = old.substr(0, *start) + tiff;
            now.resize(old.size(), '\0');
        } else {
            const std::optional<std::string> padded =
                PaddedXmp(with->empty() ? std::string(kEmptyXmp) : *with, old.size());
            if (!padded) return std::nullopt;
            now = *padded;
        }
        std::size_t from = 0;
        for (const auto& [offset, length] : item.extents) {
            out.replace(static_cast<std::size_t>(offset), static_cast<std::size_t>(length),
                        now.substr(from, static_cast<std::size_t>(length)));
            from += static_cast<std::size_t>(length);
        }
    }
    if ((replacement.exif && !exif_found && !replacement.exif->empty()) ||
        (replacement.xmp && !xmp_found && !replacement.xmp->empty()))
        return std::nullopt;
    return out;
}

// A TIFF's carriers are its own tags: the file is its Exif block, its XMP and IPTC are tags of
// its first directory (700 and 33723, or the IPTC inside a Photoshop block, 34377).
MetadataCarriers TiffCarriers(std::string_view tiff) {
    MetadataCarriers carriers;
    carriers.exif.assign(tiff);
    Exiv2::ByteOrder order = Exiv2::littleEndian;
    const std::optional<Exiv2::ExifData> exif = DecodeExif(carriers.exif, &order);
    if (!exif) {
        carriers.unwalkable = true;
        return carriers;
    }
    auto tag_bytes = [&](const char* key) -> std::optional<std::string> {
        const auto it = exif->findKey(Exiv2::ExifKey(key));
        if (it == exif->end()) return std::nullopt;
        std::string bytes(it->size(), '\0');
        if (!bytes.empty())
            // In the file's own order: an IPTC block is often typed as LONGs.
            it->copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), order);
        return bytes;
    };
    if (auto xmp = tag_bytes("Exif.Image.XMLPacket")) carriers.xmp = std::move(*xmp);
    if (auto iptc = tag_bytes("Exif.Image.IPTCNAA")) carriers.iptc = std::move(*iptc);
    if (auto photoshop = tag_bytes("Exif.Image.ImageResources")) {
        const std::optional<std::string> iptc = IptcOfPhotoshop(*photoshop);
        if (!iptc) carriers.unwalkable = true;
        if (iptc && !iptc->empty()) {
            if (!carriers.iptc.empty()) carriers.unwalkable = true;
            carriers.iptc = *iptc;
        }
    }
    return carriers;
}

// The TIFF written anew by the metadata library, its strips or tiles kept as they were: every
// Exif tag the replacement does not hold is removed (the replacement is the file's own Exif less
// what is to go), the XMP and IPTC tags set or removed. None when the library cannot write it.
std::optional<std::string> ReplaceTiffCarriers(std::string_view tiff,
                                               const CarrierReplacement& replacement) {
    try {
        InitialiseMetadataLibrary();
        Exiv2::TiffImage image(MemoryOf(tiff), false);
        image.readMetadata();
        if (replacement.exif) {
            const std::optional<Exiv2::ExifData> kept = DecodeExif(*replacement.exif);
            if (!kept || kept->empty()) return std::nullopt;
            Exiv2::ExifData& own = image.exifData();
            for (auto it = own.begin(); it != own.end();) {
                if (kept->findKey(Exiv2::ExifKey(it->key())) == kept->end())
                    it = own.erase(it);
                else
                    ++it;
            }
        }
        if (replacement.xmp) {
            image.xmpData().clear();
            image.setXmpPacket(*replacement.xmp);
            image.writeXmpFromPacket(true);
            if (replacement.xmp->empty()) image.clearXmpPacket();
        }
        if (replacement.iptc) {
            image.iptcData().clear();
            if (!replacement.iptc->empty()) {
                const std::optional<Exiv2::IptcData> iptc = DecodeIptc(*replacement.iptc);
                if (!iptc) return std::nullopt;
                image.setIptcData(*iptc);
            }
            Exiv2::ExifData& own = image.exifData();
            const auto resources = own.findKey(Exiv2::ExifKey("Exif.Image.ImageResources"));
            if (resources != own.end()) own.erase(resources);
        }
        image.writeMetadata();
        return WrittenBytes(image);
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return std::nullopt;
    }
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
    // An Exif or XMP segment: its first one takes the new block (or goes when the block is empty),
    // any later one goes. False when the new block does not fit a segment.
    auto replace_single = [&](const JpegSegment& segment, const std::optional<std::string>& block,
                              std::string_view name, bool& done) {
        if (!block) return true;
        if (done || block->empty()) {
            replace(segment, std::nullopt);
        } else {
            const auto with = JpegSegmentOf(kApp1, name, *block);
            if (!with) return false;
            replace(segment, with);
        }
        done = true;
        return true;
    };
    for (const JpegSegment& segment : segments) {
        switch (CarrierOf(segment)) {
            case JpegCarrier::Exif:
                if (!replace_single(segment, replacement.exif, kExifName, exif_done))
                    return std::nullopt;
                break;
            case JpegCarrier::Xmp:
                if (!replace_single(segment, replacement.xmp, kXmpName, xmp_done))
                    return std::nullopt;
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
        case kPngImage:
            return PngCarriers(bytes);
        case kWebpImage:
            return WebpCarriers(bytes);
        case kAvifImage:
        case kHeifImage:
            return HeifCarriers(bytes);
        case kTiffImage:
            return TiffCarriers(bytes);
        default:
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
        case kPngImage:
            return ReplacePngCarriers(bytes, replacement);
        case kWebpImage:
            return ReplaceWebpCarriers(bytes, replacement);
        case kAvifImage:
        case kHeifImage:
            return ReplaceHeifCarriers(bytes, replacement);
        case kTiffImage:
            return ReplaceTiffCarriers(bytes, replacement);
        default:
            break;
    }
    return std::string(bytes);
}
