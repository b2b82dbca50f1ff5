#include "imaging/jpeg_metadata.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "imaging/jpeg_segments.h"
#include "imaging/xmp_packet_edit.h"

// Exiv2 0.27 still spells its owning pointers std::auto_ptr, which C++20 deprecates.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

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

void InitialiseOnce() {
    std::call_once(g_initialised, [] {
        // A damaged tag is an everyday sight in photographs; the library's warnings would only
        // clutter the terminal of a program that already copes with them.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(LockXmpRegistry, &g_xmp_registry);
    });
}

// Called in a handler: memory that ran out is thrown on as std::bad_alloc (the library reports its
// own failed allocations as an error of its own), never taken for a part that cannot be read. A
// copy written without the metadata it should keep would be a loss nobody is told of; the job
// lists the picture as out of memory instead and writes nothing for it.
void ThrowIfOutOfMemory(const std::exception& e) {
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) throw;
    const auto* error = dynamic_cast<const Exiv2::AnyError*>(&e);
    if (error != nullptr && error->code() == Exiv2::kerMallocFailed) throw std::bad_alloc();
}

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
    return (std::uint32_t{static_cast<unsigned char>(bytes[at])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(bytes[at + 1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(bytes[at + 2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(bytes[at + 3])};
}

// The profile as it should be written, or nothing when it cannot be trusted: it must be whole
// (its declared size within what was read; a padded last chunk is trimmed), carry the profile
// signature, keep its tag table inside itself, and describe the colour model of the picture it
// goes into (one of `components` components). A CMYK or grey profile on an RGB picture would make
// every colour-managed viewer show wrong colours, which is worse than no profile.
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

enum Part : unsigned { kExif = 1, kIptc = 2, kXmp = 4, kIcc = 8 };

// The source's metadata, already adjusted for the picture it goes into.
struct Parts {
    unsigned present = 0;
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    std::string xmp_packet;      // what is written: see XmpPacketToWrite
    bool xmp_too_large = false;  // the source's XMP could not be fitted into its segment
    std::string icc;
};

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

// The XMP properties a copy changes, with their namespaces.
struct XmpField {
    const char* key;
    const char* ns;
    const char* name;
};
constexpr XmpField kXmpFields[] = {
    {"Xmp.tiff.Orientation", "http://ns.adobe.com/tiff/1.0/", "Orientation"},
    {"Xmp.tiff.ImageWidth", "http://ns.adobe.com/tiff/1.0/", "ImageWidth"},
    {"Xmp.tiff.ImageLength", "http://ns.adobe.com/tiff/1.0/", "ImageLength"},
    {"Xmp.exif.PixelXDimension", "http://ns.adobe.com/exif/1.0/", "PixelXDimension"},
    {"Xmp.exif.PixelYDimension", "http://ns.adobe.com/exif/1.0/", "PixelYDimension"},
};

// Sets the field when it is there and says something else, and notes the edit.
void SetIfPresent(Exiv2::XmpData& xmp, const XmpField& field, std::uint32_t value,
                  std::vector<XmpPropertyEdit>& edits) {
    const auto it = xmp.findKey(Exiv2::XmpKey(field.key));
    const std::string text = std::to_string(value);
    if (it == xmp.end() || it->toString() == text) return;
    it->setValue(text);
    edits.push_back({field.ns, field.name, text});
}

// The most an XMP packet can be: one segment (65,535 bytes with its two length bytes) less the
// 29 bytes of the name that marks it as XMP.
constexpr std::size_t kMaxXmpPacket = 65535 - 2 - 29;

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

// The packet the copy carries: the source's own, byte for byte, when no value in it had to
// change (it fitted its segment there, so it fits here). Else the source's packet with the new
// values written into its text, everything else kept, its padding shrunk when the new values are
// longer, and the properties that grow left out when even that would not fit. Only a packet that
// cannot be edited so (an unusual layout) is written anew from the values: compactly, and with no
// wrapper or spacing at all when even that would not fit. Empty when nothing fits.
std::string XmpPacketToWrite(const Exiv2::XmpData& xmp, const std::string& original,
                             const std::vector<XmpPropertyEdit>& edits) {
    if (edits.empty() && !original.empty()) return original;
    if (!original.empty()) {
        if (const auto edited = EditXmpPacketInPlace(original, edits, kMaxXmpPacket)) {
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
            packet.size() <= kMaxXmpPacket)
            return packet;
    }
    return {};
}

// Reads what the source carries. A part whose reading throws is lost with the parts after it in
// the file, but what was read before the fault is kept: a broken profile after the camera's EXIF
// still leaves the EXIF. A part whose editing throws is lost alone.
Parts ReadParts(std::string_view source, const JpegFrame& frame) {
    Parts parts;
    std::string xmp_packet;
    try {
        Exiv2::JpegImage image(MemoryOf(source), false);
        try {
            image.readMetadata();
        } catch (const std::exception& e) {
            ThrowIfOutOfMemory(e);
        }
        parts.exif = image.exifData();
        parts.iptc = image.iptcData();
        parts.xmp = image.xmpData();
        // As read: without the flag the library hands back its own re-encoding, with padding.
        image.writeXmpFromPacket(true);
        xmp_packet = image.xmpPacket();
        if (image.iccProfileDefined()) {
            const Exiv2::DataBuf* icc = image.iccProfile();
            parts.icc.assign(reinterpret_cast<const char*>(icc->pData_), icc->size_);
        }
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return {};
    }

    const auto width = static_cast<std::uint32_t>(frame.width);
    const auto height = static_cast<std::uint32_t>(frame.height);
    if (!parts.exif.empty()) {
        try {
            // The preview shows the picture as it was stored, possibly turned the other way, and
            // would only take room.
            Exiv2::ExifThumb(parts.exif).erase();
            parts.exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(1);
            parts.exif["Exif.Photo.PixelXDimension"] = width;
            parts.exif["Exif.Photo.PixelYDimension"] = height;
            SetIfPresent(parts.exif, "Exif.Image.ImageWidth", width);
            SetIfPresent(parts.exif, "Exif.Image.ImageLength", height);
            parts.present |= kExif;
        } catch (const std::exception& e) {
            ThrowIfOutOfMemory(e);
        }
    }
    if (!parts.iptc.empty()) parts.present |= kIptc;
    if (!parts.xmp.empty()) {
        try {
            std::vector<XmpPropertyEdit> edits;
            const std::uint32_t values[] = {1, width, height, width, height};
            for (int i = 0; i < 5; ++i) SetIfPresent(parts.xmp, kXmpFields[i], values[i], edits);
            parts.xmp_packet = XmpPacketToWrite(parts.xmp, xmp_packet, edits);
            if (!parts.xmp_packet.empty()) parts.present |= kXmp;
            parts.xmp_too_large = parts.xmp_packet.empty();
        } catch (const std::exception& e) {
            ThrowIfOutOfMemory(e);
        }
    }
    if (auto icc = UsableIccProfile(std::move(parts.icc), frame.component_count)) {
        parts.icc = std::move(*icc);
        parts.present |= kIcc;
    } else {
        parts.icc.clear();
    }
    return parts;
}

// `target` with the chosen parts written into it (what it already carries is kept), or nothing
// when the library refuses (a part too large for its segment, a tag it cannot encode).
std::optional<std::string> WriteParts(std::string_view target, const Parts& parts, unsigned which) {
    try {
        Exiv2::JpegImage image(MemoryOf(target), false);
        image.readMetadata();
        if (which & kExif) image.setExifData(parts.exif);
        if (which & kIptc) image.setIptcData(parts.iptc);
        if (which & kXmp) {
            image.setXmpPacket(parts.xmp_packet);
            image.writeXmpFromPacket(true);
        }
        if (which & kIcc) {
            Exiv2::DataBuf icc(reinterpret_cast<const Exiv2::byte*>(parts.icc.data()),
                               static_cast<long>(parts.icc.size()));
            image.setIccProfile(icc, true);
        }
        image.writeMetadata();
        Exiv2::BasicIo& io = image.io();
        if (io.open() != 0) return std::nullopt;
        std::string bytes(static_cast<std::size_t>(io.size()), '\0');
        const long read =
            io.read(reinterpret_cast<Exiv2::byte*>(bytes.data()), static_cast<long>(bytes.size()));
        io.close();
        if (read != static_cast<long>(bytes.size())) return std::nullopt;
        return bytes;
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return std::nullopt;
    }
}

}  // namespace

void InitialiseJpegMetadata() {
    InitialiseOnce();
}

std::string CarryJpegMetadata(std::string_view source, std::string_view encoded,
                              bool* xmp_too_large) {
    if (xmp_too_large != nullptr) *xmp_too_large = false;
    InitialiseOnce();
    const std::optional<JpegFrame> frame = JpegHeadFrame(encoded);
    if (!frame) return std::string(encoded);
    const Parts parts = ReadParts(source, *frame);
    if (xmp_too_large != nullptr) *xmp_too_large = parts.xmp_too_large;
    if (parts.present == 0) return std::string(encoded);
    if (auto all = WriteParts(encoded, parts, parts.present)) return std::move(*all);
    // Something would not go in; add the parts one by one so that only the one at fault is lost.
    std::string result(encoded);
    for (const unsigned part : {kExif, kIcc, kXmp, kIptc}) {
        if ((parts.present & part) == 0) continue;
        if (auto with = WriteParts(result, parts, part)) result = std::move(*with);
    }
    return result;
}
