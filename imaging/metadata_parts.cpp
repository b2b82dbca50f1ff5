#include "imaging/metadata_parts.h"

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

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
    return (std::uint32_t{static_cast<unsigned char>(bytes[at])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(bytes[at + 1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(bytes[at + 2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(bytes[at + 3])};
}

// Whether `packet` reads as exactly `expected`: every property with the same value, none more.
bool ReadsAs(const std::string& packet, const Exiv2::XmpData& expected) {
    Exiv2::XmpData read;
    if (Exiv2::XmpParser::decode(read, packet) != 0 || read.count() != expected.count())
        return false;
    for (const Exiv2::Xmpdatum& datum : expected) {
        const auto it = read.findKey(Exiv2::XmpKey(datum.key()));
        if (it == read.end() || it->toString() != datum.toString()) return false;
    }
    return true;
}

}  // namespace

void InitialiseMetadataLibrary() {
    std::call_once(g_initialised, [] {
        // A damaged tag is an everyday sight in photographs; the library's warnings would only
        // clutter the terminal of a program that already copes with them.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(LockXmpRegistry, &g_xmp_registry);
    });
}

void ThrowIfOutOfMemory(const std::exception& e) {
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) throw;
    const auto* error = dynamic_cast<const Exiv2::AnyError*>(&e);
    if (error != nullptr && error->code() == Exiv2::kerMallocFailed) throw std::bad_alloc();
}

std::optional<std::string> WrittenBytes(Exiv2::Image& image) {
    Exiv2::BasicIo& io = image.io();
    if (io.open() != 0) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(io.size()), '\0');
    const long read =
        io.read(reinterpret_cast<Exiv2::byte*>(bytes.data()), static_cast<long>(bytes.size()));
    io.close();
    if (read != static_cast<long>(bytes.size())) return std::nullopt;
    return bytes;
}

std::optional<std::string> UsableIccProfile(std::string profile, int components) {
    constexpr std::size_t kHeader = 128;
    if (profile.size() < kHeader + 4) return std::nullopt;
    const std::uint32_t declared = BigEndian32(profile, 0);
    if (declared < kHeader + 4 || declared > profile.size()) return std::nullopt;
    profile.resize(declared);
    if (profile.compare(36, 4, "acsp") != 0) return std::nullopt;
    const std::uint64_t tags = BigEndian32(profile, kHeader);
    if (kHeader + 4 + tags * 12 > declared) return std::nullopt;
    const std::string model = profile.substr(16, 4);
    const char* wanted = components == 1   ? "GRAY"
                         : components == 3 ? "RGB "
                         : components == 4 ? "CMYK"
                                           : nullptr;
    if (!wanted || model != wanted) return std::nullopt;
    return profile;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
Exiv2::BasicIo::AutoPtr MemoryOf(std::string_view bytes) {
    // MemIo reads the caller's bytes in place; it copies only when written to.
    return Exiv2::BasicIo::AutoPtr(new Exiv2::MemIo(
        reinterpret_cast<const Exiv2::byte*>(bytes.data()), static_cast<long>(bytes.size())));
}
#pragma GCC diagnostic pop

void SetIfPresent(Exiv2::ExifData& exif, const char* key, std::uint32_t value) {
    // Assigned as a number, so a SHORT tag too small for the new size becomes a LONG.
    if (exif.findKey(Exiv2::ExifKey(key)) != exif.end()) exif[key] = value;
}

void AdjustExifForCopy(Exiv2::ExifData& exif, std::uint32_t width, std::uint32_t height) {
    // The preview shows the picture as it was stored, possibly turned the other way, and would
    // only take room.
    Exiv2::ExifThumb(exif).erase();
    exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(1);
    exif["Exif.Photo.PixelXDimension"] = width;
    exif["Exif.Photo.PixelYDimension"] = height;
    SetIfPresent(exif, "Exif.Image.ImageWidth", width);
    SetIfPresent(exif, "Exif.Image.ImageLength", height);
}

const XmpField kXmpFields[5] = {
    {"Xmp.tiff.Orientation", "http://ns.adobe.com/tiff/1.0/", "Orientation"},
    {"Xmp.tiff.ImageWidth", "http://ns.adobe.com/tiff/1.0/", "ImageWidth"},
    {"Xmp.tiff.ImageLength", "http://ns.adobe.com/tiff/1.0/", "ImageLength"},
    {"Xmp.exif.PixelXDimension", "http://ns.adobe.com/exif/1.0/", "PixelXDimension"},
    {"Xmp.exif.PixelYDimension", "http://ns.adobe.com/exif/1.0/", "PixelYDimension"},
};

void SetIfPresent(Exiv2::XmpData& xmp, const XmpField& field, std::uint32_t value,
                  std::vector<XmpPropertyEdit>& edits) {
    const auto it = xmp.findKey(Exiv2::XmpKey(field.key));
    const std::string text = std::to_string(value);
    if (it == xmp.end() || it->toString() == text) return;
    it->setValue(text);
    edits.push_back({field.ns, field.name, text});
}

// The packet the copy carries, at most `limit` bytes: the source's own, byte for byte, when no
// value in it had to change (it fitted its segment there, so it fits here). Else the source's
// packet with the new values written into its text, everything else kept, its padding shrunk when
// the new values are longer, and the properties that grow left out when even that would not fit.
// Only a packet that cannot be edited so (an unusual layout) is written anew from the values:
// compactly, and with no wrapper or spacing at all when even that would not fit. Empty when nothing
// fits.
std::string XmpPacketToWrite(const Exiv2::XmpData& xmp, const std::string& original,
                             const std::vector<XmpPropertyEdit>& edits, std::size_t limit) {
    if (edits.empty() && !original.empty()) return original;
    if (!original.empty()) {
        if (const auto edited = EditXmpPacketInPlace(original, edits, limit)) {
            Exiv2::XmpData expected = xmp;
            for (const std::size_t i : edited->left_out) {
                for (const XmpField& field : kXmpFields) {
                    if (edits[i].ns != field.ns || edits[i].name != field.name) continue;
                    const auto it = expected.findKey(Exiv2::XmpKey(field.key));
                    if (it != expected.end()) expected.erase(it);
                }
            }
            if (ReadsAs(edited->packet, expected)) return edited->packet;
        }
    }
    for (const std::uint16_t format :
         {std::uint16_t{Exiv2::XmpParser::useCompactFormat},
          std::uint16_t{Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::omitPacketWrapper |
                        Exiv2::XmpParser::omitAllFormatting}}) {
        std::string packet;
        if (Exiv2::XmpParser::encode(packet, xmp, format) == 0 && !packet.empty() &&
            packet.size() <= limit)
            return packet;
    }
    return {};
}

std::string XmpPacketForCopy(Exiv2::XmpData& xmp, const std::string& original, std::uint32_t width,
                             std::uint32_t height, std::size_t limit) {
    std::vector<XmpPropertyEdit> edits;
    const std::uint32_t values[] = {1, width, height, width, height};
    for (int i = 0; i < 5; ++i) SetIfPresent(xmp, kXmpFields[i], values[i], edits);
    return XmpPacketToWrite(xmp, original, edits, limit);
}
