#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/path_helpers.h"
#include "imaging/picture_location.h"
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
