#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/path_helpers.h"
#include "imaging/heif_items.h"
#include "imaging/jpeg_segments.h"
#include "imaging/picture_location.h"
#include "imaging/png_chunks.h"
#include "imaging/webp_chunks.h"
#include "tests/support/temp_dir.h"

// Reading a written picture back for where it was taken: with the project's own reader, and with
// exiftool where it is installed (a reader that owes nothing to ours).

// Whether exiftool can be run here.
inline bool ExiftoolInstalled() {
    static const bool installed = std::system("exiftool -ver >/dev/null 2>&1") == 0;
    return installed;
}

// What exiftool reports of `path` among the given tags ("-s -s" form, one "Name: value" a line);
// empty when it finds none of them or is not installed.
inline std::string ExiftoolTags(const std::string& path, const std::string& tags) {
    if (!ExiftoolInstalled()) return {};
    const std::string command = "exiftool -q -q -s -s -a " + tags + " '" + path + "' 2>/dev/null";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
        pclose(pipe);
    }
    return out;
}

// Every carrier of location exiftool knows of, in the groups the programs write.
inline constexpr const char* kExiftoolLocationTags =
    "-GPS:all -XMP-exif:GPS* -XMP-exifEX:GPS* -XMP-photoshop:City -XMP-photoshop:State "
    "-XMP-photoshop:Country -XMP-iptcCore:Location -XMP-iptcCore:CountryCode "
    "-XMP-iptcExt:Location* "
    "-IPTC:City -IPTC:Sub-location -IPTC:Province-State -IPTC:Country-PrimaryLocationCode "
    "-IPTC:Country-PrimaryLocationName";

// What tells where the picture at `path` was taken: our reader's carriers as bits, then what
// exiftool found; empty when nothing does.
inline std::string LocationReadBack(const std::string& path) {
    const unsigned ours = LocationCarriersOf(ImageKindOfName(path), ReadTestFile(path));
    std::string found = ExiftoolTags(path, kExiftoolLocationTags);
    if (ours != kNoLocation) found = "own reader: " + std::to_string(ours) + "\n" + found;
    return found;
}

// A JPEG's bytes from its first scan header on: its compressed picture.
inline std::string FromFirstScan(std::string_view jpeg) {
    const std::vector<JpegSegment> head = JpegHeadSegments(jpeg);
    if (head.empty() || head.back().marker != JpegMarker::kSos) return {};
    return std::string(jpeg.substr(head.back().start));
}

// What a copy keeps byte for byte of its picture: a JPEG's data from its first scan, a PNG's IDAT
// chunks, a WebP's bitstream chunks, a HEIF's or AVIF's every byte but its metadata items (the
// file with those blanked). Empty for a kind whose picture is not compared (a GIF, a TIFF).
inline std::string ImageData(ImageKind kind, std::string_view bytes) {
    std::string data;
    switch (kind) {
        case kJpegImage:
            return FromFirstScan(bytes);
        case kPngImage:
            for (const PngChunk& chunk : PngChunks(bytes))
                if (chunk.type == "IDAT") data.append(chunk.data);
            return data;
        case kWebpImage:
            for (const RiffChunk& chunk : WebpChunks(bytes))
                if (chunk.name == "VP8 " || chunk.name == "VP8L" || chunk.name == "ALPH")
                    data.append(chunk.data);
            return data;
        case kAvifImage:
        case kHeifImage:
            data.assign(bytes);
            for (const HeifMetadataItem& item : ReadHeifMetadataItems(bytes).items)
                for (const auto& [offset, length] : item.extents)
                    data.replace(offset, length, length, '\0');
            return data;
        default:
            return data;
    }
}
