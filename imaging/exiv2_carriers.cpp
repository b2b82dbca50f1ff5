#include "imaging/exiv2_carriers.h"

#include <new>

std::optional<Exiv2::ExifData> DecodeExif(const std::string& tiff, Exiv2::ByteOrder* order) {
    InitialiseMetadataLibrary();
    Exiv2::ExifData exif;
    if (tiff.empty()) return exif;
    try {
        const Exiv2::ByteOrder read =
            Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(tiff.data()),
                                      static_cast<std::uint32_t>(tiff.size()));
        if (read == Exiv2::invalidByteOrder) return std::nullopt;
        if (order != nullptr) *order = read;
        return exif;
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return std::nullopt;
    }
}

std::optional<Exiv2::XmpData> DecodeXmp(const std::string& packet) {
    InitialiseMetadataLibrary();
    Exiv2::XmpData xmp;
    if (packet.empty()) return xmp;
    try {
        if (Exiv2::XmpParser::decode(xmp, packet) != 0) return std::nullopt;
        return xmp;
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return std::nullopt;
    }
}

std::optional<Exiv2::IptcData> DecodeIptc(const std::string& datasets) {
    InitialiseMetadataLibrary();
    Exiv2::IptcData iptc;
    if (datasets.empty()) return iptc;
    try {
        if (Exiv2::IptcParser::decode(iptc, reinterpret_cast<const Exiv2::byte*>(datasets.data()),
                                      static_cast<std::uint32_t>(datasets.size())) != 0)
            return std::nullopt;
        return iptc;
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return std::nullopt;
    }
}

std::string XmpTopProperty(const Exiv2::Xmpdatum& datum) {
    const std::string name = datum.tagName();
    return name.substr(0, name.find_first_of("[/"));
}

std::string XmpNamespace(const Exiv2::Xmpdatum& datum) {
    try {
        return Exiv2::XmpProperties::ns(datum.groupName());
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return {};
    }
}
