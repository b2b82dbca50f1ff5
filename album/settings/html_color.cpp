#include "album/settings/html_color.h"

#include <cstdio>

#include "core/whole_number.h"

std::string FormatHtmlColor(std::uint32_t colour) {
    colour &= 0xFFFFFFu;
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour & 0xFFu, (colour >> 8) & 0xFFu,
                  (colour >> 16) & 0xFFu);
    return text;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

std::uint32_t ParseHtmlColor(std::string_view text) {
    if (text.size() < 6) return 0;
    // Only a 7-character text has its "#" skipped: "#12345" reads "#" as a zero digit, and a longer
    // text is read from its first character. Theme files written by other users hold colours in
    // exactly this form, so reading them any other way would change their colours.
    std::size_t start = (text.size() == 7 && text[0] == '#') ? 1 : 0;
    std::uint32_t pair[3];
    for (int i = 0; i < 3; ++i) {
        pair[i] = static_cast<std::uint32_t>(16 * HexDigitValue(text[start + 2 * i]) +
                                             HexDigitValue(text[start + 2 * i + 1]));
    }
    return pair[0] + pair[1] * 256u + pair[2] * 65536u;
}

std::optional<int> ParseColourSetting(std::string_view text) {
    if (std::optional<int> number = ParseWholeNumber(text)) return number;
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    for (char c : text.substr(1)) {
        // HexDigitValue reads any other byte as 0, which a typed colour must not get away with.
        if (HexDigitValue(c) == 0 && c != '0') return std::nullopt;
    }
    return static_cast<int>(ParseHtmlColor(text));
}
