#pragma once

#include <array>
#include <climits>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

#include "core/image_kind.h"
#include "core/whole_number.h"

// The size rules, in the order of the dialog's radio buttons.
enum SizeMode : int { ScaleByPercent = 0, FitHeight = 1, FitWidth = 2, FitBox = 3, KeepSize = 4 };

// The kind the resized pictures are saved in, in the order of the dialog's list.
enum class OutputFormat : int { Original = 0, Jpeg, Png, Webp, Avif };

// One choice of output format: its scalvo-cli word, the dialog's text and the kind it writes.
struct OutputFormatChoice {
    OutputFormat format;
    std::string_view word;  // --format WORD
    const char* label;      // the dialog's line
    // kNotPicture for Original: each picture keeps its own kind where that can be written.
    ImageKind kind;
};

inline constexpr std::array kOutputFormats = {
    OutputFormatChoice{OutputFormat::Original, "orig", "元の形式", kNotPicture},
    OutputFormatChoice{OutputFormat::Jpeg, "jpeg", "JPEG", kJpegImage},
    OutputFormatChoice{OutputFormat::Png, "png", "PNG", kPngImage},
    OutputFormatChoice{OutputFormat::Webp, "webp", "WebP", kWebpImage},
    OutputFormatChoice{OutputFormat::Avif, "avif", "AVIF", kAvifImage},
};

// The words of kOutputFormats, in its order, for the schema's row.
inline constexpr std::array<std::string_view, kOutputFormats.size()> kOutputFormatWords = [] {
    std::array<std::string_view, kOutputFormats.size()> words{};
    for (std::size_t i = 0; i < kOutputFormats.size(); ++i) words[i] = kOutputFormats[i].word;
    return words;
}();

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
    // JPEG, WebP, AVIF and HEIF on one scale; PNG, TIFF and BMP ignore it.
    int jpegQuality = 50;
    // Original keeps JPEG and BMP (and every kind that can be written) as they are.
    OutputFormat outputFormat = OutputFormat::Original;
    // No written picture tells where it was taken ("位置情報を削除").
    bool stripLocation = false;

    // "~/MyAlbum" here ("C:\MyAlbum" on Windows), as the album maker's default output folder.
    static std::string DefaultOutputFolder();
};

using ResizerNumber = int ResizerSettings::*;
using ResizerFlag = bool ResizerSettings::*;
using ResizerText = std::string ResizerSettings::*;
using ResizerChoice = OutputFormat ResizerSettings::*;

// One value the user sets, named by scalvo-cli's option for it. The size rule itself is chosen by
// which of the rule options is given (--box and --keep choose FitBox and KeepSize with no value of
// their own) and, in the dialog, by the radio buttons.
struct ResizerSettingRow {
    const char* option;  // the long option, without "--"
    char short_option;   // its one-letter form, or 0
    std::variant<ResizerNumber, ResizerFlag, ResizerText, ResizerChoice> member;
    NumberRange range;  // the numbers a number accepts (any for the others)
    int size_mode;      // the size rule the option chooses, or -1
    // A choice's words, the first for its first value; empty for the others.
    std::span<const std::string_view> words = {};
};

// The one table of the resizer's values: the dialog's checks, scalvo-cli's options and the
// numbers of its usage, manual page and completion (filled in at build time) all read it.
// A new number is its member in ResizerSettings, one row here and its control in the dialog.
inline constexpr std::array kResizerSettingSchema = {
    ResizerSettingRow{"percent", 0, &ResizerSettings::scalePercent, {10, 400}, ScaleByPercent},
    ResizerSettingRow{"height", 0, &ResizerSettings::targetHeight, {50, 4000}, FitHeight},
    ResizerSettingRow{"width", 0, &ResizerSettings::targetWidth, {50, 4000}, FitWidth},
    ResizerSettingRow{"quality", 0, &ResizerSettings::jpegQuality, {10, 100}, -1},
    ResizerSettingRow{
        "format", 0, &ResizerSettings::outputFormat, {INT_MIN, INT_MAX}, -1, kOutputFormatWords},
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

// The choice of `format`.
const OutputFormatChoice& ChoiceOf(OutputFormat format);
