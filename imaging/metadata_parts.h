#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/xmp_packet_edit.h"

// Exiv2 0.27 still spells its owning pointers std::auto_ptr, which C++20 deprecates.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

// What every copy's metadata is made with, whatever the kinds of its source and of the copy: the
// metadata library's set-up, its failures told apart from memory that ran out, and the edits a
// copy's Exif and XMP get (orientation 1, the true size, no preview). Safe from several threads.

// Prepares the metadata library for use from several threads (the XMP toolkit needs one
// initialisation before any thread parses); idempotent.
void InitialiseMetadataLibrary();

// Called in a handler: memory that ran out is thrown on as std::bad_alloc (the library reports its
// own failed allocations as an error of its own), never taken for a part that cannot be read. A
// copy written without the metadata it should keep would be a loss nobody is told of; the job
// lists the picture as out of memory instead and writes nothing for it.
void ThrowIfOutOfMemory(const std::exception& e);

// The whole file `image` holds after its metadata was written into it (its memory io), or nothing
// when the io cannot be read back whole.
std::optional<std::string> WrittenBytes(Exiv2::Image& image);

// The profile as it should be written, or nothing when it cannot be trusted: it must be whole
// (its declared size within what was read; a padded last chunk is trimmed), carry the profile
// signature, keep its tag table inside itself, and describe the colour model of the picture it
// goes into (one of `components` components). A CMYK or grey profile on an RGB picture would make
// every colour-managed viewer show wrong colours, which is worse than no profile.
std::optional<std::string> UsableIccProfile(std::string profile, int components);

// The metadata library's view of `bytes`, read in place (copied only when written to).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
Exiv2::BasicIo::AutoPtr MemoryOf(std::string_view bytes);
#pragma GCC diagnostic pop

// Sets the tag when it is there, as a number (a SHORT too small for the value becomes a LONG).
void SetIfPresent(Exiv2::ExifData& exif, const char* key, std::uint32_t value);

// A copy's Exif: its preview dropped, orientation 1, the pixel-size tags set to width x height.
// Throws what the library throws.
void AdjustExifForCopy(Exiv2::ExifData& exif, std::uint32_t width, std::uint32_t height);

// The XMP properties a copy changes, with their namespaces.
struct XmpField {
    const char* key;
    const char* ns;
    const char* name;
};
extern const XmpField kXmpFields[5];

// Sets the field when it is there and says something else, and notes the edit.
void SetIfPresent(Exiv2::XmpData& xmp, const XmpField& field, std::uint32_t value,
                  std::vector<XmpPropertyEdit>& edits);

// The most an XMP packet can be in a JPEG: one segment (65,535 bytes with its two length bytes)
// less the 29 bytes of the name that marks it as XMP.
inline constexpr std::size_t kMaxXmpPacket = 65535 - 2 - 29;

// The packet a copy carries of `xmp` (read from the packet `original`) with `edits` made, at most
// `limit` bytes; empty when nothing fits (see the definition for the forms tried).
std::string XmpPacketToWrite(const Exiv2::XmpData& xmp, const std::string& original,
                             const std::vector<XmpPropertyEdit>& edits, std::size_t limit);

// The packet a copy of width x height carries of the source's `xmp` (parsed from `original`):
// orientation 1 and the sizes set where the packet has them. Empty when nothing fits in `limit`
// bytes. Throws what the library throws.
std::string XmpPacketForCopy(Exiv2::XmpData& xmp, const std::string& original, std::uint32_t width,
                             std::uint32_t height, std::size_t limit);
