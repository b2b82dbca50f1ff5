#pragma once

#include <array>
#include <climits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

#include "core/whole_number.h"

// The size rules, in the order of the dialog's radio buttons.
enum SizeMode : int { ScaleByPercent = 0, FitHeight = 1, FitWidth = 2, FitBox = 3, KeepSize = 4 };

// The values of the resizer dialog that the batch job reads. Texts are UTF-8. Nothing persists.
// The initialisers are the defaults; each value's range is its row of kResizerSettingSchema.
struct ResizerSettings {
    std::string sourceFolder;  // ends in a separator once a folder is chosen
    std::string outputFolder = DefaultOutputFolder();
    bool overwriteOriginals = false;
    int sizeMode = ScaleByPercent;  // a SizeMode
    int scalePercent = 100;
    int targetWidth = 400;
    int targetHeight = 300;
    int jpegQuality = 50;
    // No written picture tells where it was taken ("位置情報を削除").
    bool stripLocation = false;

    // "~/MyAlbum" here ("C:\MyAlbum" on Windows), as the album maker's default output folder.
    static std::string DefaultOutputFolder();
};

using ResizerNumber = int ResizerSettings::*;
using ResizerFlag = bool ResizerSettings::*;
using ResizerText = std::string ResizerSettings::*;

// One value the user sets, named by scalvo-cli's option for it. The size rule itself is chosen by
// which of the rule options is given (--box and --keep choose FitBox and KeepSize with no value of
// their own) and, in the dialog, by the radio buttons.
struct ResizerSettingRow {
    const char* option;  // the long option, without "--"
    char short_option;   // its one-letter form, or 0
    std::variant<ResizerNumber, ResizerFlag, ResizerText> member;
    NumberRange range;  // the numbers a number accepts (any for the others)
    int size_mode;      // the size rule the option chooses, or -1
};

// The one table of the resizer's values: the dialog's checks, scalvo-cli's options and the
// numbers of its usage, manual page and completion (filled in at build time) all read it.
// A new number is its member in ResizerSettings, one row here and its control in the dialog.
inline constexpr std::array kResizerSettingSchema = {
    ResizerSettingRow{"percent", 0, &ResizerSettings::scalePercent, {10, 400}, ScaleByPercent},
    ResizerSettingRow{"height", 0, &ResizerSettings::targetHeight, {50, 4000}, FitHeight},
    ResizerSettingRow{"width", 0, &ResizerSettings::targetWidth, {50, 4000}, FitWidth},
    ResizerSettingRow{"quality", 0, &ResizerSettings::jpegQuality, {10, 100}, -1},
    ResizerSettingRow{"out", 'o', &ResizerSettings::outputFolder, {INT_MIN, INT_MAX}, -1},
    ResizerSettingRow{"overwrite", 0, &ResizerSettings::overwriteOriginals, {INT_MIN, INT_MAX}, -1},
    ResizerSettingRow{"strip-location", 0, &ResizerSettings::stripLocation, {INT_MIN, INT_MAX}, -1},
};

// The row of a member. Used in constant expressions, a member without a row does not compile.
template <typename Member>
constexpr const ResizerSettingRow& SettingOf(Member ResizerSettings::*member) {
    for (const ResizerSettingRow& row : kResizerSettingSchema) {
        if (const auto* m = std::get_if<Member ResizerSettings::*>(&row.member); m && *m == member)
            return row;
    }
    throw std::logic_error("a ResizerSettings member without a row in the schema");
}

// The numbers the dialog and scalvo-cli accept for a member.
constexpr NumberRange RangeOf(ResizerNumber member) {
    return SettingOf(member).range;
}

// The row of a long option; null when no value has that option.
const ResizerSettingRow* FindResizerSetting(std::string_view option);
