#include "imaging/xmp_packet_edit.h"

#include <algorithm>
#include <map>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Where a property stands in the text: the value to replace and the whole of it, with the
// white space in front, to remove.
struct Place {
    std::size_t value_start;
    std::size_t value_end;
    std::size_t whole_start;
    std::size_t whole_end;
};

// What the walk over the packet's tags found: each attribute and each element holding text
// alone, by qualified name, and the namespaces bound to prefixes.
struct Found {
    std::multimap<std::string, Place, std::less<>> properties;
    std::map<std::string, std::string, std::less<>> prefixes;  // prefix -> namespace
};

std::size_t SpaceBefore(std::string_view text, std::size_t at) {
    while (at > 0 && IsSpace(text[at - 1])) --at;
    return at;
}

// Reads the start tag at `at` (just after its "<"); false when it does not end properly.
bool ReadStartTag(std::string_view text, std::size_t& at, Found& found) {
    const std::size_t tag_start = at - 1;
    std::size_t i = at;
    while (i < text.size() && !IsSpace(text[i]) && text[i] != '/' && text[i] != '>') ++i;
    const std::string_view name = text.substr(at, i - at);
    for (;;) {
        while (i < text.size() && IsSpace(text[i])) ++i;
        if (i >= text.size()) return false;
        if (text[i] == '>' || text[i] == '/') break;
        const std::size_t attribute_start = i;
        while (i < text.size() && !IsSpace(text[i]) && text[i] != '=') ++i;
        const std::string_view attribute = text.substr(attribute_start, i - attribute_start);
        while (i < text.size() && IsSpace(text[i])) ++i;
        if (i >= text.size() || text[i] != '=') return false;
        ++i;
        while (i < text.size() && IsSpace(text[i])) ++i;
        if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) return false;
        const std::size_t close = text.find(text[i], i + 1);
        if (close == std::string_view::npos) return false;
        const std::string_view value = text.substr(i + 1, close - i - 1);
        if (attribute.substr(0, 6) == "xmlns:") {
            found.prefixes.emplace(std::string(attribute.substr(6)), std::string(value));
        } else {
            found.properties.emplace(
                std::string(attribute),
                Place{i + 1, close, SpaceBefore(text, attribute_start), close + 1});
        }
        i = close + 1;
    }
    const bool closed_here = text[i] == '/';
    const std::size_t end = text.find('>', i);
    if (end == std::string_view::npos) return false;
    at = end + 1;
    if (closed_here) return true;
    // An element holding text alone: its text runs to its own end tag.
    const std::size_t next = text.find('<', at);
    if (next == std::string_view::npos) return true;
    const std::string end_tag = "</" + std::string(name);
    if (text.compare(next, end_tag.size(), end_tag) != 0) return true;
    std::size_t after = next + end_tag.size();
    while (after < text.size() && IsSpace(text[after])) ++after;
    if (after >= text.size() || text[after] != '>') return true;
    found.properties.emplace(std::string(name),
                             Place{at, next, SpaceBefore(text, tag_start), after + 1});
    return true;
}

// Walks every tag of the packet; false when it cannot be read to its end.
bool Walk(std::string_view text, Found& found) {
    std::size_t at = 0;
    while ((at = text.find('<', at)) != std::string_view::npos) {
        const std::string_view rest = text.substr(at);
        std::string_view close;
        if (rest.substr(0, 2) == "<?") {
            close = "?>";
        } else if (rest.substr(0, 4) == "<!--") {
            close = "-->";
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            close = "]]>";
        } else if (rest.substr(0, 2) == "<!" || rest.substr(0, 2) == "</") {
            close = ">";
        }
        if (!close.empty()) {
            const std::size_t end = text.find(close, at + 2);
            if (end == std::string_view::npos) return false;
            at = end + close.size();
            continue;
        }
        ++at;
        if (!ReadStartTag(text, at, found)) return false;
    }
    return true;
}

// The places of every edited property, in the order they stand; false when one is missing.
bool PlacesOfEdits(const Found& found, const std::vector<XmpPropertyEdit>& edits,
                   std::vector<std::pair<Place, const XmpPropertyEdit*>>& places) {
    for (const XmpPropertyEdit& edit : edits) {
        bool any = false;
        for (const auto& [prefix, ns] : found.prefixes) {
            if (ns != edit.ns) continue;
            const auto [first, last] =
                found.properties.equal_range(prefix + ":" + std::string(edit.name));
            for (auto it = first; it != last; ++it) {
                places.emplace_back(it->second, &edit);
                any = true;
            }
        }
        if (!any) return false;
    }
    std::sort(places.begin(), places.end(), [](const auto& a, const auto& b) {
        return a.first.whole_start < b.first.whole_start;
    });
    // Places that overlap (an attribute inside an element found too) cannot both be edited.
    for (std::size_t i = 1; i < places.size(); ++i)
        if (places[i].first.whole_start < places[i - 1].first.whole_end) return false;
    return true;
}

// The packet with each place's value replaced, or the whole place removed where its edit is in
// `removed`.
std::string Apply(std::string_view text,
                  const std::vector<std::pair<Place, const XmpPropertyEdit*>>& places,
                  const std::vector<const XmpPropertyEdit*>& removed) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    for (const auto& [place, edit] : places) {
        if (std::find(removed.begin(), removed.end(), edit) != removed.end()) {
            out.append(text.substr(at, place.whole_start - at));
            at = place.whole_end;
        } else {
            out.append(text.substr(at, place.value_start - at));
            out.append(edit->value);
            at = place.value_end;
        }
    }
    out.append(text.substr(at));
    return out;
}

// Removes `excess` bytes of the padding before "<?xpacket end"; false when it has fewer.
bool ShrinkPadding(std::string& packet, std::size_t excess) {
    const std::size_t end = packet.rfind("<?xpacket end");
    if (end == std::string::npos) return false;
    const std::size_t start = SpaceBefore(packet, end);
    if (end - start < excess) return false;
    packet.erase(end - excess, excess);
    return true;
}

}  // namespace

std::optional<EditedXmpPacket> EditXmpPacketInPlace(std::string_view packet,
                                                    const std::vector<XmpPropertyEdit>& edits,
                                                    std::size_t limit) {
    Found found;
    if (!Walk(packet, found)) return std::nullopt;
    std::vector<std::pair<Place, const XmpPropertyEdit*>> places;
    if (!PlacesOfEdits(found, edits, places)) return std::nullopt;
    EditedXmpPacket edited{Apply(packet, places, {}), {}};
    if (edited.packet.size() <= limit || ShrinkPadding(edited.packet, edited.packet.size() - limit))
        return edited;
    // The edits that make their property longer somewhere go; the rest cannot make the packet
    // longer than it was, and it fitted.
    std::vector<const XmpPropertyEdit*> growing;
    for (const auto& [place, edit] : places) {
        if (edit->value.size() > place.value_end - place.value_start &&
            std::find(growing.begin(), growing.end(), edit) == growing.end())
            growing.push_back(edit);
    }
    edited.packet = Apply(packet, places, growing);
    for (const XmpPropertyEdit* edit : growing)
        edited.left_out.push_back(static_cast<std::size_t>(edit - edits.data()));
    if (edited.packet.size() <= limit) return edited;
    return std::nullopt;
}
