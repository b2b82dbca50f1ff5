#pragma once

#include <array>
#include <climits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

#include "album/settings/album_settings.h"
#include "core/whole_number.h"

// The one table of the album maker's stored settings: each one's profile key, member, kind, range
// and what the manual page says of it. The profile (LoadSettings, SaveSettings), pictavo-cli's
// --set, the pages' checks, the fuzz target and the key lists of the manual page and the shell
// completion (filled in at build time) all read it. The defaults are the members' initialisers in
// AlbumSettings, the one list of defaults.
//
// A new setting is its member in AlbumSettings, one row here and its control on a page.

// What a setting holds, and so how a typed value of it is read and what is checked.
enum class SettingKind {
    Integer,     // a whole number within the row's range (a number box or a list of numbers)
    Flag,        // 0 or 1 (a check box)
    Choice,      // one number of the row's range, each a radio button
    Colour,      // a COLORREF (red in bits 0-7) within 0..0xffffff: a whole number or "#rrggbb"
    Text,        // any text
    FolderPath,  // a folder path
    Material,    // a file name of its material folder, or empty for none (chosen from a list)
    Name,        // a name alone: no folder part, no extension (the rule of CheckNameField)
};

using IntSetting = int AlbumSettings::*;
using TextSetting = std::string AlbumSettings::*;

struct AlbumSettingRow {
    const char* key;  // the profile key, which is the member's own name
    std::variant<IntSetting, TextSetting> member;
    SettingKind kind;
    NumberRange range;   // the numbers a numeric kind accepts (kAnyNumber for the others)
    const char* manual;  // the manual page's words for it, without the range; rows next to each
                         // other with the same words are described together
};

constexpr NumberRange Between(int low, int high) {
    return NumberRange{low, high};
}
inline constexpr NumberRange kAnyNumber = Between(INT_MIN, INT_MAX);
inline constexpr NumberRange kFlagRange = Between(0, 1);
inline constexpr NumberRange kColourRange = Between(0, 0xFFFFFF);

// The manual page's words shared by settings that it describes together.
namespace setting_manual {
inline constexpr const char* kBox = "The thumbnail box's width and height in pixels";
inline constexpr const char* kTitle = "The album's title and the text under it";
inline constexpr const char* kLayout = "Thumbnails in a row, and rows on a page";
inline constexpr const char* kCaptions =
    "1: show each file name under its thumbnail; draw a frame around the thumbnails";
inline constexpr const char* kShow = "1: add a slide show; scroll the text under the title";
inline constexpr const char* kColours =
    "The colours of the title, the text, the thumbnails' names and the page";
inline constexpr const char* kSizes = "Font sizes";
inline constexpr const char* kMaterials =
    "The wallpaper, music and rule image: a file name of Material/BKGROUND, Material/SOUND and "
    "Material/BORDER under the current folder, or empty for none";
inline constexpr const char* kNames =
    "The name of the first page (without .html) and of the folders for the copies, the "
    "thumbnails and the materials; names only, no paths. The folder for the copies must not be "
    "the picture folder under any name (a link to it, a bind mount of it); that is what out_sorce "
    "is for";
}  // namespace setting_manual

// The key is the member's own name, so a misspelt key does not compile.
#define PICTAVO_SETTING(name, kind, range, manual)                    \
    AlbumSettingRow {                                                 \
#name, &AlbumSettings::name, SettingKind::kind, range, manual \
    }

// Profile order: reading and writing both follow it (slide_mode comes before html_marquee).
inline constexpr std::array kAlbumSettingSchema = {
    // Picture page
    PICTAVO_SETTING(thumbnail_x, Integer, Between(50, 180), setting_manual::kBox),
    PICTAVO_SETTING(thumbnail_y, Integer, Between(50, 180), setting_manual::kBox),
    PICTAVO_SETTING(picture_path, FolderPath, kAnyNumber,
                    "The picture folder (PICTURE_FOLDER takes its place)"),
    // HTML page
    PICTAVO_SETTING(html_title, Text, kAnyNumber, setting_manual::kTitle),
    PICTAVO_SETTING(html_comment, Text, kAnyNumber, setting_manual::kTitle),
    PICTAVO_SETTING(thumbnail_cols, Integer, Between(1, 10), setting_manual::kLayout),
    PICTAVO_SETTING(thumbnail_rows, Integer, Between(1, 10), setting_manual::kLayout),
    PICTAVO_SETTING(html_page, Flag, kFlagRange,
                    "1: split the thumbnails over several pages of thumbnail_rows rows each"),
    PICTAVO_SETTING(thumbnail_fname, Flag, kFlagRange, setting_manual::kCaptions),
    PICTAVO_SETTING(thumbnail_frame, Flag, kFlagRange, setting_manual::kCaptions),
    PICTAVO_SETTING(thumbnail_fsize, Flag, kFlagRange,
                    "A flag kept in the profile that no page uses"),
    PICTAVO_SETTING(brws_mode, Choice, Between(0, 1),
                    "1: a clicked thumbnail opens its picture fitted to the browser window; 0: at "
                    "its own size"),
    PICTAVO_SETTING(slide_mode, Flag, kFlagRange, setting_manual::kShow),
    PICTAVO_SETTING(html_marquee, Flag, kFlagRange, setting_manual::kShow),
    PICTAVO_SETTING(page_style, Choice, Between(kClassicPages, kModernPages),
                    "0: classic pages (Shift_JIS tables); 1: modern pages (UTF-8, for phones and "
                    "wide screens alike, with a dark mode, sharper thumbnails on dense screens and "
                    "a slide show that can be paused; the text never scrolls and a clicked picture "
                    "opens in the same window, so html_marquee and brws_mode do not apply)"),
    // Style page
    PICTAVO_SETTING(color_title, Colour, kColourRange, setting_manual::kColours),
    PICTAVO_SETTING(color_commen, Colour, kColourRange, setting_manual::kColours),
    PICTAVO_SETTING(color_thumb, Colour, kColourRange, setting_manual::kColours),
    PICTAVO_SETTING(color_bg, Colour, kColourRange, setting_manual::kColours),
    PICTAVO_SETTING(size_title, Integer, Between(1, 7), setting_manual::kSizes),
    PICTAVO_SETTING(size_comment, Integer, Between(1, 7), setting_manual::kSizes),
    PICTAVO_SETTING(size_thumb, Integer, Between(1, 7), setting_manual::kSizes),
    PICTAVO_SETTING(name_bg, Material, kAnyNumber, setting_manual::kMaterials),
    PICTAVO_SETTING(name_bgm, Material, kAnyNumber, setting_manual::kMaterials),
    PICTAVO_SETTING(name_hr, Material, kAnyNumber, setting_manual::kMaterials),
    PICTAVO_SETTING(currect_theme, Integer, kAnyNumber, "The theme last chosen in the window"),
    // Output page
    PICTAVO_SETTING(back_url, Text, kAnyNumber,
                    "The address of a \"back\" link on every page, or empty for none"),
    PICTAVO_SETTING(out_dir, FolderPath, kAnyNumber, "The output folder (-o takes its place)"),
    PICTAVO_SETTING(html_name, Name, kAnyNumber, setting_manual::kNames),
    PICTAVO_SETTING(pic_folder, Name, kAnyNumber, setting_manual::kNames),
    PICTAVO_SETTING(thumb_folder, Name, kAnyNumber, setting_manual::kNames),
    PICTAVO_SETTING(material_folder, Name, kAnyNumber, setting_manual::kNames),
    PICTAVO_SETTING(out_sorce, Flag, kFlagRange,
                    "1: make the album in the picture folder itself, using the pictures "
                    "themselves as the copies"),
    PICTAVO_SETTING(save_param, Flag, kFlagRange,
                    "1: the window saves its settings when it closes"),
    // Stored last, shown on the Picture, HTML and Output pages
    PICTAVO_SETTING(read_captions, Flag, kFlagRange,
                    "1: a picture without a comment shows the caption stored in it (XMP, IPTC or "
                    "Exif; not a camera's boilerplate) (--captions)"),
    PICTAVO_SETTING(date_order, Flag, kFlagRange,
                    "1: the pages show the pictures in the order they were taken (Exif date, "
                    "sub-seconds and time zone), then by name, undated ones last; 0: by name "
                    "(--order)"),
    PICTAVO_SETTING(strip_location, Flag, kFlagRange,
                    "1: no copy or thumbnail tells where its picture was taken (GPS, place names): "
                    "a copy that does gets new metadata and keeps its image data, and a picture "
                    "whose location cannot be removed is listed and not copied "
                    "(--strip-location)"),
};

#undef PICTAVO_SETTING

// True when a kind holds a number (an int member) rather than a text.
constexpr bool IsNumericKind(SettingKind kind) {
    return kind == SettingKind::Integer || kind == SettingKind::Flag ||
           kind == SettingKind::Choice || kind == SettingKind::Colour;
}

// Every row's member fits its kind, flags and colours have their one range, and no key is there
// twice.
constexpr bool SchemaIsSound() {
    for (std::size_t i = 0; i < kAlbumSettingSchema.size(); ++i) {
        const AlbumSettingRow& row = kAlbumSettingSchema[i];
        if (IsNumericKind(row.kind) != std::holds_alternative<IntSetting>(row.member)) return false;
        if (row.kind == SettingKind::Flag &&
            (row.range.low != kFlagRange.low || row.range.high != kFlagRange.high))
            return false;
        if (row.kind == SettingKind::Colour &&
            (row.range.low != kColourRange.low || row.range.high != kColourRange.high))
            return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (std::string_view(kAlbumSettingSchema[j].key) == row.key) return false;
        }
    }
    return true;
}
static_assert(SchemaIsSound(), "a row whose member, kind or range do not agree");

// The row of a member. Used in constant expressions, a member without a row does not compile.
template <typename Member>
constexpr const AlbumSettingRow& SettingOf(Member AlbumSettings::*member) {
    for (const AlbumSettingRow& row : kAlbumSettingSchema) {
        if (const auto* m = std::get_if<Member AlbumSettings::*>(&row.member); m && *m == member)
            return row;
    }
    throw std::logic_error("an AlbumSettings member without a row in the schema");
}

// The numbers the pages and --set accept for a numeric member.
constexpr NumberRange RangeOf(IntSetting member) {
    return SettingOf(member).range;
}

// The row of a profile key; null when no setting has that key.
const AlbumSettingRow* FindSetting(std::string_view key);

// Why a typed value or a value held was refused.
enum class SettingRefusal {
    None,
    NotAWholeNumber,  // a numeric kind's text is not a whole number (ParseWholeNumber)
    NotAColour,       // a colour's text is neither a whole number nor "#rrggbb"
    OutOfRange,       // the number lies outside the row's range
    NotANameAlone,    // a name holds a folder part or an extension
};

// Reads a typed value into the row's member, as --set takes it: numbers by ParseWholeNumber,
// colours also as "#rrggbb", texts as given. A text of the wrong form leaves the member as it was.
// No range is checked here (CheckSettingValue does).
SettingRefusal ReadSettingText(const AlbumSettingRow& row, std::string_view text,
                               AlbumSettings& settings);

// Checks the value the member holds, as the pages do: a number outside the row's range is refused
// (and stays, as a refused box keeps what was typed); a name keeps its name alone, one trailing
// separator dropped ("my_p/" -> "my_p"), or is refused and left as it was when it holds a folder
// part or an extension. Every other kind passes.
SettingRefusal CheckSettingValue(const AlbumSettingRow& row, AlbumSettings& settings);

// The member's value as the profile holds it: a number in decimal, a text as it is.
std::string SettingText(const AlbumSettingRow& row, const AlbumSettings& settings);
