#include "album/settings/album_setting_schema.h"

#include <optional>

#include "album/settings/html_color.h"
#include "album/settings/output_names.h"

const AlbumSettingRow* FindSetting(std::string_view key) {
    for (const AlbumSettingRow& row : kAlbumSettingSchema) {
        if (key == row.key) return &row;
    }
    return nullptr;
}

SettingRefusal ReadSettingText(const AlbumSettingRow& row, std::string_view text,
                               AlbumSettings& settings) {
    if (const TextSetting* member = std::get_if<TextSetting>(&row.member)) {
        settings.*(*member) = std::string(text);
        return SettingRefusal::None;
    }
    const IntSetting member = std::get<IntSetting>(row.member);
    if (row.kind == SettingKind::Colour) {
        const std::optional<int> colour = ParseColourSetting(text);
        if (!colour) return SettingRefusal::NotAColour;
        settings.*member = *colour;
        return SettingRefusal::None;
    }
    const std::optional<int> number = ParseWholeNumber(text);
    if (!number) return SettingRefusal::NotAWholeNumber;
    settings.*member = *number;
    return SettingRefusal::None;
}

SettingRefusal CheckSettingValue(const AlbumSettingRow& row, AlbumSettings& settings) {
    if (const IntSetting* member = std::get_if<IntSetting>(&row.member)) {
        return row.range.Contains(settings.*(*member)) ? SettingRefusal::None
                                                       : SettingRefusal::OutOfRange;
    }
    if (row.kind != SettingKind::Name) return SettingRefusal::None;
    std::string& name = settings.*std::get<TextSetting>(row.member);
    const NameFieldResult result = CheckNameField(name);
    if (result.refused) return SettingRefusal::NotANameAlone;
    name = result.name;
    return SettingRefusal::None;
}

std::string SettingText(const AlbumSettingRow& row, const AlbumSettings& settings) {
    if (const IntSetting* member = std::get_if<IntSetting>(&row.member))
        return std::to_string(settings.*(*member));
    return settings.*std::get<TextSetting>(row.member);
}
