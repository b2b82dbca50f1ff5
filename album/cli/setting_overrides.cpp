#include "album/cli/setting_overrides.h"

#include <charconv>
#include <climits>

#include "album/settings/album_settings.h"

namespace {

enum class Kind { Integer, Flag, Colour, Text };

// One row per stored field. Member pointers make a misspelt field fail to compile; the test
// compares the keys with the profile that SaveSettings writes.
struct Row {
    const char* key;
    Kind kind;
    int AlbumSettings::*number;
    std::string AlbumSettings::*text;
    int low;
    int high;
};

constexpr int kAny = INT_MIN;

const Row kRows[] = {
    {"thumbnail_x", Kind::Integer, &AlbumSettings::thumbnail_x, nullptr, 50, 180},
    {"thumbnail_y", Kind::Integer, &AlbumSettings::thumbnail_y, nullptr, 50, 180},
    {"picture_path", Kind::Text, nullptr, &AlbumSettings::picture_path, 0, 0},
    {"html_title", Kind::Text, nullptr, &AlbumSettings::html_title, 0, 0},
    {"html_comment", Kind::Text, nullptr, &AlbumSettings::html_comment, 0, 0},
    {"thumbnail_cols", Kind::Integer, &AlbumSettings::thumbnail_cols, nullptr, 1, 10},
    {"thumbnail_rows", Kind::Integer, &AlbumSettings::thumbnail_rows, nullptr, 1, 10},
    {"html_page", Kind::Flag, &AlbumSettings::html_page, nullptr, 0, 1},
    {"thumbnail_fname", Kind::Flag, &AlbumSettings::thumbnail_fname, nullptr, 0, 1},
    {"thumbnail_frame", Kind::Flag, &AlbumSettings::thumbnail_frame, nullptr, 0, 1},
    {"thumbnail_fsize", Kind::Flag, &AlbumSettings::thumbnail_fsize, nullptr, 0, 1},
    {"brws_mode", Kind::Flag, &AlbumSettings::brws_mode, nullptr, 0, 1},
    {"slide_mode", Kind::Flag, &AlbumSettings::slide_mode, nullptr, 0, 1},
    {"html_marquee", Kind::Flag, &AlbumSettings::html_marquee, nullptr, 0, 1},
    {"color_title", Kind::Colour, &AlbumSettings::color_title, nullptr, 0, 0xFFFFFF},
    {"color_commen", Kind::Colour, &AlbumSettings::color_commen, nullptr, 0, 0xFFFFFF},
    {"color_thumb", Kind::Colour, &AlbumSettings::color_thumb, nullptr, 0, 0xFFFFFF},
    {"color_bg", Kind::Colour, &AlbumSettings::color_bg, nullptr, 0, 0xFFFFFF},
    {"size_title", Kind::Integer, &AlbumSettings::size_title, nullptr, 1, 7},
    {"size_comment", Kind::Integer, &AlbumSettings::size_comment, nullptr, 1, 7},
    {"size_thumb", Kind::Integer, &AlbumSettings::size_thumb, nullptr, 1, 7},
    {"name_bg", Kind::Text, nullptr, &AlbumSettings::name_bg, 0, 0},
    {"name_bgm", Kind::Text, nullptr, &AlbumSettings::name_bgm, 0, 0},
    {"name_hr", Kind::Text, nullptr, &AlbumSettings::name_hr, 0, 0},
    {"currect_theme", Kind::Integer, &AlbumSettings::currect_theme, nullptr, kAny, kAny},
    {"back_url", Kind::Text, nullptr, &AlbumSettings::back_url, 0, 0},
    {"out_dir", Kind::Text, nullptr, &AlbumSettings::out_dir, 0, 0},
    {"html_name", Kind::Text, nullptr, &AlbumSettings::html_name, 0, 0},
    {"pic_folder", Kind::Text, nullptr, &AlbumSettings::pic_folder, 0, 0},
    {"thumb_folder", Kind::Text, nullptr, &AlbumSettings::thumb_folder, 0, 0},
    {"material_folder", Kind::Text, nullptr, &AlbumSettings::material_folder, 0, 0},
    {"out_sorce", Kind::Flag, &AlbumSettings::out_sorce, nullptr, 0, 1},
    {"save_param", Kind::Flag, &AlbumSettings::save_param, nullptr, 0, 1},
};

std::optional<int> ParseDecimal(const std::string& text) {
    int value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || begin == end) return std::nullopt;
    return value;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// "#rrggbb" as a COLORREF (red in the low byte); nothing when the text is not that form.
std::optional<int> ParseHashColour(const std::string& text) {
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    for (std::size_t i = 1; i < 7; ++i) {
        if (!IsHexDigit(text[i])) return std::nullopt;
    }
    const int red = std::stoi(text.substr(1, 2), nullptr, 16);
    const int green = std::stoi(text.substr(3, 2), nullptr, 16);
    const int blue = std::stoi(text.substr(5, 2), nullptr, 16);
    return red | (green << 8) | (blue << 16);
}

// A name field holds a name only: no folder part and no extension (a trailing separator is
// dropped first, as the Output page does).
bool IsNameOnly(std::string name) {
    if (!name.empty() && (name.back() == '/' || name.back() == '\\')) name.pop_back();
    if (name.find_first_of("/\\") != std::string::npos) return false;
    if (name.size() >= 2 && name[1] == ':') return false;
    return name.find('.') == std::string::npos;
}

}  // namespace

std::vector<std::string> SettableKeys() {
    std::vector<std::string> keys;
    for (const Row& row : kRows) keys.push_back(row.key);
    return keys;
}

std::optional<std::string> ApplySetting(AlbumSettings& settings, const std::string& key,
                                        const std::string& value) {
    for (const Row& row : kRows) {
        if (key != row.key) continue;
        if (row.kind == Kind::Text) {
            settings.*row.text = value;
            return std::nullopt;
        }
        std::optional<int> number = ParseDecimal(value);
        if (!number && row.kind == Kind::Colour) number = ParseHashColour(value);
        if (!number) {
            return key + ": " +
                   (row.kind == Kind::Colour ? "色は整数か #rrggbb で指定してください。"
                                             : "整数を入力してください。");
        }
        settings.*row.number = *number;
        return std::nullopt;
    }
    return key + ": そのような設定項目はありません";
}

std::optional<std::string> CheckSettingRanges(const AlbumSettings& settings) {
    for (const Row& row : kRows) {
        if (row.kind == Kind::Text || row.low == kAny) continue;
        const int value = settings.*row.number;
        if (value < row.low || value > row.high) {
            return std::string(row.key) + "=" + std::to_string(value) + ": " +
                   std::to_string(row.low) + " から " + std::to_string(row.high) +
                   " までの整数を入力してください。";
        }
    }
    for (const char* key : {"html_name", "pic_folder", "thumb_folder", "material_folder"}) {
        for (const Row& row : kRows) {
            if (std::string(key) == row.key && !IsNameOnly(settings.*row.text)) {
                return std::string(key) + "=" + settings.*row.text +
                       ": 名前のみを指定します。（パス、拡張子は不要）";
            }
        }
    }
    return std::nullopt;
}
