#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Edits of an XMP packet made on its text, so that everything a user's tools wrote into it (the
// properties, their order, the layout, the padding) stays as it was.

// One simple property to set: its namespace, its name and its new value (plain text).
struct XmpPropertyEdit {
    std::string_view ns;    // "http://ns.adobe.com/tiff/1.0/"
    std::string_view name;  // "Orientation"
    std::string value;      // "1"
};

struct EditedXmpPacket {
    std::string packet;
    // The edits (indexes into the edits given) whose properties were removed instead of set.
    std::vector<std::size_t> left_out;
};

// `packet` with each property of `edits` set in place: every occurrence written as an attribute
// (tiff:Orientation="6") or as an element holding text alone (<tiff:Orientation>6</tiff:
// Orientation>), under whatever prefix the packet binds to its namespace, gets the new value;
// every other byte is kept. A packet that then exceeds `limit` bytes gives up the difference from
// the padding before its closing processing instruction ("<?xpacket end"). When the padding is
// not enough, the properties whose new value is longer than the old are removed instead of set (a
// copy then says nothing of them rather than something wrong), the others still set. None when a
// property is not found in one of those forms, or the packet cannot be read that far, or it still
// exceeds `limit`.
std::optional<EditedXmpPacket> EditXmpPacketInPlace(std::string_view packet,
                                                    const std::vector<XmpPropertyEdit>& edits,
                                                    std::size_t limit);
