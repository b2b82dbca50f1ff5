#pragma once

#include <optional>
#include <string>
#include <vector>

struct AlbumSettings;

// The profile keys that `--set KEY=VALUE` accepts, in profile order.
std::vector<std::string> SettableKeys();

// Sets the field whose profile key is `key` from `value`: integers in decimal, colours in decimal
// or as "#rrggbb", texts as given. Returns an error text (unknown key, not a number) or nothing.
std::optional<std::string> ApplySetting(AlbumSettings& settings, const std::string& key,
                                        const std::string& value);

// The first value outside the range its page accepts (box 50-180, columns and rows 1-10, font sizes
// 1-7, flags 0-1, colours 0-0xffffff, the four names without path or extension), as an error text
// naming the key; nothing when every value is acceptable.
std::optional<std::string> CheckSettingRanges(const AlbumSettings& settings);
