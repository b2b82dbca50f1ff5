#include "imaging/picture_location.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/image_kind.h"
#include "imaging/exiv2_carriers.h"
#include "imaging/heif_items.h"

namespace {

constexpr const char* kExifNs = "http://ns.adobe.com/exif/1.0/";
constexpr const char* kExifExNs = "http://cipa.jp/exif/1.0/";
constexpr const char* kPhotoshopNs = "http://ns.adobe.com/photoshop/1.0/";
constexpr const char* kIptcCoreNs = "http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/";
constexpr const char* kIptcExtNs = "http://iptc.org/std/Iptc4xmpExt/2008-02-29/";
constexpr const char* kXmpNoteNs = "http://ns.adobe.com/xmp/note/";

bool IsExifLocation(const Exiv2::Exifdatum& datum) {
    // The GPS block's own tags, and the pointer to it that IFD0 holds.
    return datum.groupName() == "GPSInfo" || datum.key() == "Exif.Image.GPSTag";
}

bool IsXmpLocation(const Exiv2::Xmpdatum& datum) {
    const std::string ns = XmpNamespace(datum);
    const std::string top = XmpTopProperty(datum);
    if (ns == kExifNs || ns == kExifExNs) return top.rfind("GPS", 0) == 0;
    if (ns == kPhotoshopNs) return top == "City" || top == "State" || top == "Country";
    if (ns == kIptcCoreNs) return top == "Location" || top == "CountryCode";
    if (ns == kIptcExtNs) return top == "LocationCreated" || top == "LocationShown";
    return false;
}

bool IsIptcLocation(const Exiv2::Iptcdatum& datum) {
    // City, sub-location, province or state, country code and country name, and what lies
    // between them.
    return datum.record() == Exiv2::IptcDataSets::application2 && datum.tag() >= 90 &&
           datum.tag() <= 101;
}

template <typename Data, typename Is>
bool AnyOf(const Data& data, Is is) {
    for (const auto& datum : data) {
        if (is(datum)) return true;
    }
    return false;
}

template <typename Data, typename Is>
void EraseAll(Data& data, Is is) {
    for (auto it = data.begin(); it != data.end();) {
        if (is(*it)) {
            it = data.erase(it);
        } else {
            ++it;
        }
    }
}

// The Exif block without its GPS block; empty when it holds nothing else or cannot be written.
std::string ExifWithoutLocation(const std::string& tiff, Exiv2::ExifData exif,
                                Exiv2::ByteOrder order) {
    EraseAll(exif, IsExifLocation);
    if (exif.empty()) return {};
    try {
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, reinterpret_cast<const Exiv2::byte*>(tiff.data()),
                                  static_cast<std::uint32_t>(tiff.size()), order, exif);
        return std::string(blob.begin(), blob.end());
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return {};
    }
}

std::string XmpWithoutLocation(Exiv2::XmpData xmp, bool drop_extension_note) {
    EraseAll(xmp, IsXmpLocation);
    if (drop_extension_note) {
        EraseAll(xmp, [](const Exiv2::Xmpdatum& datum) {
            return XmpNamespace(datum) == kXmpNoteNs && XmpTopProperty(datum) == "HasExtendedXMP";
        });
    }
    if (xmp.empty()) return {};
    try {
        std::string packet;
        if (Exiv2::XmpParser::encode(packet, xmp, Exiv2::XmpParser::useCompactFormat) != 0)
            return {};
        return packet;
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return {};
    }
}

std::string IptcWithoutLocation(Exiv2::IptcData iptc) {
    EraseAll(iptc, IsIptcLocation);
    if (iptc.empty()) return {};
    try {
        const Exiv2::DataBuf buffer = Exiv2::IptcParser::encode(iptc);
        return std::string(reinterpret_cast<const char*>(buffer.pData_),
                           static_cast<std::size_t>(buffer.size_));
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return {};
    }
}

// The tags of an Exif block that tell no location, as (key, value) pairs in order.
std::vector<std::pair<std::string, std::string>> TagsBesideLocation(const Exiv2::ExifData& exif) {
    std::vector<std::pair<std::string, std::string>> tags;
    for (const Exiv2::Exifdatum& datum : exif) {
        if (!IsExifLocation(datum)) tags.emplace_back(datum.key(), datum.toString());
    }
    std::sort(tags.begin(), tags.end());
    return tags;
}

// The Exif block with its GPS block blanked in place, at its own size; none when its structure
// cannot be followed, or when a value the GPS block pointed to was shared with another tag (what
// the metadata library reads of every other tag must be as it was).
std::optional<std::string> ExifBlankedKeepingTheRest(const std::string& tiff) {
    std::optional<std::string> blanked = ExifWithGpsBlanked(tiff);
    if (!blanked) return std::nullopt;
    const auto before = DecodeExif(tiff);
    const auto after = DecodeExif(*blanked);
    if (!before || !after || TagsBesideLocation(*before) != TagsBesideLocation(*after))
        return std::nullopt;
    return blanked;
}

}  // namespace

unsigned LocationIn(const MetadataCarriers& carriers) {
    unsigned found = carriers.unwalkable ? kUnknownLocation : kNoLocation;
    if (const auto exif = DecodeExif(carriers.exif)) {
        if (AnyOf(*exif, IsExifLocation)) found |= kExifLocation;
    } else {
        found |= kUnknownLocation;
    }
    for (const std::string* packet : {&carriers.xmp, &carriers.extended_xmp}) {
        if (const auto xmp = DecodeXmp(*packet)) {
            if (AnyOf(*xmp, IsXmpLocation)) found |= kXmpLocation;
        } else {
            found |= kUnknownLocation;
        }
    }
    if (const auto iptc = DecodeIptc(carriers.iptc)) {
        if (AnyOf(*iptc, IsIptcLocation)) found |= kIptcLocation;
    } else {
        found |= kUnknownLocation;
    }
    return found;
}

unsigned LocationCarriersOf(ImageKind kind, std::string_view bytes) {
    return LocationIn(MetadataCarriersOf(kind, bytes));
}

CarrierReplacement CarriersWithoutLocation(const MetadataCarriers& carriers) {
    CarrierReplacement replacement;
    Exiv2::ByteOrder order = Exiv2::littleEndian;
    const auto exif = DecodeExif(carriers.exif, &order);
    if (!exif) {
        replacement.exif = std::string();
    } else if (AnyOf(*exif, IsExifLocation)) {
        replacement.exif = ExifWithoutLocation(carriers.exif, *exif, order);
    }
    // An extension that tells (or may tell) goes whole: its main packet then no longer points
    // to it.
    if (!carriers.extended_xmp.empty()) {
        const auto extended = DecodeXmp(carriers.extended_xmp);
        replacement.drop_extended_xmp = !extended || AnyOf(*extended, IsXmpLocation);
    }
    const auto xmp = DecodeXmp(carriers.xmp);
    if (!xmp) {
        replacement.xmp = std::string();
    } else if (AnyOf(*xmp, IsXmpLocation) || replacement.drop_extended_xmp) {
        replacement.xmp = XmpWithoutLocation(*xmp, replacement.drop_extended_xmp);
    }
    const auto iptc = DecodeIptc(carriers.iptc);
    if (!iptc) {
        replacement.iptc = std::string();
    } else if (AnyOf(*iptc, IsIptcLocation)) {
        replacement.iptc = IptcWithoutLocation(*iptc);
    }
    return replacement;
}

std::optional<std::string> WithoutLocation(ImageKind kind, std::string_view bytes) {
    const MetadataCarriers carriers = MetadataCarriersOf(kind, bytes);
    if (LocationIn(carriers) == kNoLocation) return std::string(bytes);
    CarrierReplacement replacement = CarriersWithoutLocation(carriers);
    std::optional<std::string> copy = ReplaceMetadataCarriers(kind, bytes, replacement);
    // A HEIF's Exif item cannot grow, and the metadata library's new layout of a phone's block
    // (maker notes, values it no longer shares) often comes out larger: the location is then
    // taken out of the block's own bytes, which keeps its size.
    const ImageKindInfo* info = FindImageKind(kind);
    const bool heif = info && info->metadata == MetadataCarrier::kHeifItems;
    if (!copy && heif && replacement.exif && replacement.exif->size() > carriers.exif.size()) {
        if (std::optional<std::string> blanked = ExifBlankedKeepingTheRest(carriers.exif)) {
            replacement.exif = std::move(blanked);
            copy = ReplaceMetadataCarriers(kind, bytes, replacement);
        }
    }
    // Read back as a reader of the copy would: what still tells, or cannot be told, is refused.
    if (!copy || LocationCarriersOf(kind, *copy) != kNoLocation) return std::nullopt;
    return copy;
}
