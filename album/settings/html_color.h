#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Colours as the settings, the theme files and the pages hold them: a COLORREF value (red in bits
// 0-7, green 8-15, blue 16-23) and its HTML text "#rrggbb".

// The HTML colour text "#rrggbb" (lower-case digits) of a COLORREF value (red in bits 0-7); the top
// byte is ignored.
std::string FormatHtmlColor(std::uint32_t colour);

// The COLORREF value of an HTML colour text, with or without the leading "#" (a "#" is skipped only
// in a 7-character text); 0 for a text shorter than six characters. Other bytes read as digit 0.
std::uint32_t ParseHtmlColor(std::string_view text);

// A colour setting as it is typed (pictavo-cli's --set): a whole number, the profile's decimal
// COLORREF, or exactly "#rrggbb" in hexadecimal digits of either case ("#FF8000" is 33023). Nothing
// for any other text ("#fff", "#12345g", "ff8000"). A whole number is not range-checked here.
std::optional<int> ParseColourSetting(std::string_view text);

// The value 0-15 of one hexadecimal digit of either case; 0 for any other byte.
int HexDigitValue(char c);
