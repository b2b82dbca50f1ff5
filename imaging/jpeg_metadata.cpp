#include "imaging/jpeg_metadata.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "imaging/jpeg_segments.h"
#include "imaging/metadata_parts.h"
#include "imaging/xmp_packet_edit.h"

namespace {

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
            AdjustExifForCopy(parts.exif, width, height);
            parts.present |= kExif;
        } catch (const std::exception& e) {
            ThrowIfOutOfMemory(e);
        }
    }
    if (!parts.iptc.empty()) parts.present |= kIptc;
    if (!parts.xmp.empty()) {
        try {
            parts.xmp_packet =
                XmpPacketForCopy(parts.xmp, xmp_packet, width, height, kMaxXmpPacket);
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
        return WrittenBytes(image);
    } catch (const std::exception& e) {
        ThrowIfOutOfMemory(e);
        return std::nullopt;
    }
}

}  // namespace

void InitialiseJpegMetadata() {
    InitialiseMetadataLibrary();
}

std::string CarryJpegMetadata(std::string_view source, std::string_view encoded,
                              bool* xmp_too_large) {
    if (xmp_too_large != nullptr) *xmp_too_large = false;
    InitialiseMetadataLibrary();
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
