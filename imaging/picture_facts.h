#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/path_helpers.h"
#include "imaging/metadata_carriers.h"

// What a picture's own metadata says of it that an album shows: the caption written in the camera
// or another program, and when it was taken. Read from the carriers (MetadataCarriersOf), so every
// format that has them gives both. Safe to call from several threads at once; std::bad_alloc when
// memory runs out, nothing else thrown.

// When a picture was taken: Exif DateTimeOriginal with SubSecTimeOriginal and OffsetTimeOriginal.
struct CaptureTime {
    std::int64_t wall_seconds = 0;      // the clock on the camera, as seconds from 1970-01-01 00:00
    std::int64_t nanoseconds = 0;       // the sub-second part ("7" is 0.7 s, "50" is 0.50 s)
    std::optional<int> offset_minutes;  // from UTC, when the camera recorded it

    // The moment as milliseconds from the epoch in UTC; a time without its offset is taken at
    // `assumed_offset_minutes`.
    std::int64_t UtcMilliseconds(int assumed_offset_minutes) const;
};

// "YYYY:MM:DD HH:MM:SS" (blanks and dashes accepted in the date) with the sub-second digits and an
// offset "+HH:MM" (either may be empty); none when the date is no date (blank, zeros, out of
// range).
std::optional<CaptureTime> ParseCaptureTime(std::string_view date_time, std::string_view subsec,
                                            std::string_view offset);

// Exif UserComment's bytes decoded by the character code of its first eight: ASCII, UNICODE
// (UTF-8 when it reads as such, else UTF-16 by its byte-order mark, else by where its zero bytes
// fall, else in the Exif block's own order `big_endian`), JIS (JIS X 0208, with or without the
// escapes of ISO-2022-JP), undefined (UTF-8, else CP932). Trailing zeros and blanks dropped.
std::string DecodeUserComment(std::string_view bytes, bool big_endian);

// Whether a caption is no caption: blank, a camera's boilerplate ("OLYMPUS DIGITAL CAMERA",
// "SONY DSC", ...), or a copy of the camera's make or model.
bool IsBoilerplateCaption(std::string_view caption, std::string_view make, std::string_view model);

// Which field a caption came from.
enum class CaptionField {
    None,
    XmpDescription,
    IptcCaption,
    ExifDescription,
    UserComment,
    XpComment
};

struct CaptionFacts {
    std::string caption;  // UTF-8, line breaks as "\r\n"; empty when the picture has none
    CaptionField caption_field = CaptionField::None;
    std::optional<CaptureTime> taken;
};

// The facts of carriers: the first caption that is one, in the order XMP dc:description (the
// x-default language, else the first), IPTC Caption-Abstract, Exif ImageDescription, UserComment,
// XPComment; a text that is not UTF-8 is read as CP932.
CaptionFacts FactsOfCarriers(const MetadataCarriers& carriers);

// The facts of the picture file at `path` (of the kind its name says); none known when it cannot
// be read. Reads a JPEG's head only.
CaptionFacts ReadCaptionFacts(const std::string& path);
