#pragma once

// The metadata library's side of the carriers, for the readers in this folder: each carrier
// decoded into its data, and written back. Not for use outside imaging/.

#include <optional>
#include <string>

// The library's set-up and its failures told apart from memory that ran out.
#include "imaging/metadata_parts.h"

// The carrier decoded; none when it cannot be read. An empty carrier decodes to empty data.
std::optional<Exiv2::ExifData> DecodeExif(const std::string& tiff,
                                          Exiv2::ByteOrder* order = nullptr);
std::optional<Exiv2::XmpData> DecodeXmp(const std::string& packet);
std::optional<Exiv2::IptcData> DecodeIptc(const std::string& datasets);

// The XMP property at the top of a datum's path ("LocationCreated" of
// "Xmp.iptcExt.LocationCreated[1]/Iptc4xmpExt:City") and the namespace it belongs to.
std::string XmpTopProperty(const Exiv2::Xmpdatum& datum);
std::string XmpNamespace(const Exiv2::Xmpdatum& datum);
