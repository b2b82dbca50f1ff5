#include "album/cli/setting_overrides.h"

#include "album/settings/album_setting_schema.h"
#include "album/settings/output_names.h"
#include "core/whole_number.h"

std::vector<std::string> SettableKeys() {
    std::vector<std::string> keys;
    for (const AlbumSettingRow& row : kAlbumSettingSchema) keys.push_back(row.key);
    return keys;
}

std::optional<std::string> ApplySetting(AlbumSettings& settings, const std::string& key,
                                        const std::string& value) {
    const AlbumSettingRow* row = FindSetting(key);
    if (row == nullptr) return key + ": そのような設定項目はありません";
    switch (ReadSettingText(*row, value, settings)) {
        case SettingRefusal::NotAWholeNumber:
            return key + ": " + NotAWholeNumberMessage();
        case SettingRefusal::NotAColour:
            return key + ": 色は整数か #rrggbb で指定してください。";
        default:
            return std::nullopt;
    }
}

std::optional<std::string> CheckSettings(AlbumSettings& settings) {
    // The numbers first: a value out of range is named before a name that holds a path.
    for (bool names : {false, true}) {
        for (const AlbumSettingRow& row : kAlbumSettingSchema) {
            if ((row.kind == SettingKind::Name) != names) continue;
            const std::string value = SettingText(row, settings);
            switch (CheckSettingValue(row, settings)) {
                case SettingRefusal::OutOfRange:
                    return std::string(row.key) + "=" + value + ": " +
                           OutOfRangeMessage(row.range.low, row.range.high);
                case SettingRefusal::NotANameAlone:
                    return std::string(row.key) + "=" + value + ": " + kNameOnlyMessage;
                default:
                    break;
            }
        }
    }
    return std::nullopt;
}
