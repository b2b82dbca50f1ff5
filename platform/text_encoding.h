#pragma once

#include <optional>
#include <string>
#include <string_view>

// Conversions between the program's UTF-8 text and CP932 (Shift-JIS as Windows writes it) for the
// files that are kept in that code page: the album pages, the theme files and the profile.

// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// UTF-8 to CP932; std::nullopt when a character has no CP932 form or the input is not UTF-8.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// UTF-8 to CP932 for HTML: a character CP932 cannot hold is written as a numeric character
// reference
// ("&#x1F338;"). Bytes that are not UTF-8 are written as U+FFFD references.
std::string Utf8ToCp932Html(std::string_view utf8);

// CP932 to UTF-8; a byte sequence that is not CP932 becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);

// A text file's bytes as UTF-8: taken as they are when they are valid UTF-8 (a leading BOM is
// dropped), else converted from CP932.
std::string DecodeTextFileBytes(std::string_view bytes);

// The bytes of a file name or argument as UTF-16 text for a toolkit that holds text that way. A
// byte that is not part of well-formed UTF-8 (a name from an old disk, "caf\xe9.jpg") becomes the
// lone surrogate U+DC80 + byte, so that Utf16ToBytes gives back exactly the bytes it was given.
std::u16string BytesToUtf16(std::string_view bytes);

// UTF-16 text back to bytes: UTF-8 for every character, the byte itself for U+DC80 to U+DCFF; any
// other lone surrogate becomes U+FFFD.
std::string Utf16ToBytes(std::u16string_view text);
