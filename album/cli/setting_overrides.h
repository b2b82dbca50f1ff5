#pragma once

#include <optional>
#include <string>
#include <vector>

struct AlbumSettings;

// pictavo-cli's reading of the settings schema (kAlbumSettingSchema): its texts name the key.

// The profile keys that `--set KEY=VALUE` accepts, in profile order.
std::vector<std::string> SettableKeys();

// Sets the field whose profile key is `key` from `value` (ReadSettingText: numbers in decimal,
// colours in decimal or as "#rrggbb", texts as given). Returns an error text (unknown key, not a
// number or colour) or nothing.
std::optional<std::string> ApplySetting(AlbumSettings& settings, const std::string& key,
                                        const std::string& value);

// Checks every value as the pages do (CheckSettingValue), the numbers first, then the names, and
// returns the first refusal as an error text naming the key; nothing when every value passes, the
// names then holding their name alone (one trailing separator dropped).
std::optional<std::string> CheckSettings(AlbumSettings& settings);
