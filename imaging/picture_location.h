#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/path_helpers.h"
#include "imaging/metadata_carriers.h"

// Where a picture was taken, as its metadata may tell it, and copies of a picture that tell it no
// more. Location is every carrier of it: the Exif GPS block, the XMP exif:GPS* properties,
// photoshop:City, State and Country, Iptc4xmpCore:Location and CountryCode, the Iptc4xmpExt
// LocationCreated and LocationShown structures, and IPTC datasets 2:90 to 2:101. Safe to call
// from several threads at once; std::bad_alloc when memory runs out, nothing else thrown.

// The carriers that tell where the picture was taken, as bits.
enum LocationCarrier : unsigned {
    kNoLocation = 0,
    kExifLocation = 1,
    kXmpLocation = 2,
    kIptcLocation = 4,
    // A carrier that cannot be read, or part of the file that cannot be walked: it may tell.
    kUnknownLocation = 8,
};

// Which carriers of `carriers` tell where the picture was taken.
unsigned LocationIn(const MetadataCarriers& carriers);

// Which carriers of the file `bytes` of `kind` tell where it was taken (kNoLocation for a BMP).
unsigned LocationCarriersOf(ImageKind kind, std::string_view bytes);

// Each carrier without location, for the carriers that hold some: a carrier that cannot be read
// is left out whole. The other properties, datasets and tags are kept.
CarrierReplacement CarriersWithoutLocation(const MetadataCarriers& carriers);

// `bytes` (a file of `kind`) as a copy that tells nothing of where it was taken: the same bytes
// when it tells nothing already, else its metadata written anew without the location and every
// other byte kept (a JPEG's data from its first scan on, a GIF's pictures). Read back before it is
// given: none when location would still be found in it, or it cannot be walked.
std::optional<std::string> WithoutLocation(ImageKind kind, std::string_view bytes);
