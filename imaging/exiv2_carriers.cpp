#include "imaging/exiv2_carriers.h"

#include <mutex>
#include <new>

namespace {

std::once_flag g_initialised;
std::recursive_mutex g_xmp_registry;

void LockXmpRegistry(void* data, bool lock) {
    auto* mutex = static_cast<std::recursive_mutex*>(data);
    if (lock) {
        mutex->lock();
    } else {
        mutex->unlock();
    }
}

}  // namespace

void InitialiseExiv2() {
    std::call_once(g_initialised, [] {
        // A damaged tag is an everyday sight in photographs; the library's warnings would only
        // clutter the terminal of a program that already copes with them.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(LockXmpRegistry, &g_xmp_registry);
    });
}

void ThrowIfExiv2OutOfMemory(const std::exception& e) {
    // The library reports its own failed allocations as an error of its own.
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) throw;
    const auto* error = dynamic_cast<const Exiv2::AnyError*>(&e);
    if (error != nullptr && error->code() == Exiv2::kerMallocFailed) throw std::bad_alloc();
}

std::optional<Exiv2::ExifData> DecodeExif(const std::string& tiff, Exiv2::ByteOrder* order) {
    InitialiseExiv2();
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
        ThrowIfExiv2OutOfMemory(e);
        return std::nullopt;
    }
}

std::optional<Exiv2::XmpData> DecodeXmp(const std::string& packet) {
    InitialiseExiv2();
    Exiv2::XmpData xmp;
    if (packet.empty()) return xmp;
    try {
        if (Exiv2::XmpParser::decode(xmp, packet) != 0) return std::nullopt;
        return xmp;
    } catch (const std::exception& e) {
        ThrowIfExiv2OutOfMemory(e);
        return std::nullopt;
    }
}

std::optional<Exiv2::IptcData> DecodeIptc(const std::string& datasets) {
    InitialiseExiv2();
    Exiv2::IptcData iptc;
    if (datasets.empty()) return iptc;
    try {
        if (Exiv2::IptcParser::decode(iptc, reinterpret_cast<const Exiv2::byte*>(datasets.data()),
                                      static_cast<std::uint32_t>(datasets.size())) != 0)
            return std::nullopt;
        return iptc;
    } catch (const std::exception& e) {
        ThrowIfExiv2OutOfMemory(e);
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
        ThrowIfExiv2OutOfMemory(e);
        return {};
    }
}
