#include "album/style/themes/theme_store.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>

#include "album/settings/album_settings.h"
#include "album/settings/html_color.h"
#include "core/path_helpers.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

namespace {

// Reads a size field the way the C library's atoi does (leading blanks, an optional sign, then
// digits up to the first other byte; none gives 0), saturating instead of overflowing.
int ParseSizeField(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int ParseColourField(const std::string& text) {
    return static_cast<int>(ParseHtmlColor(text));
}

// Letter case is ignored for ASCII letters only: full-width letters, kana and spaces still make two
// titles different, since their case folding depends on the locale and two themes a user can tell
// apart must stay two themes.
bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
    return CompareNoCase(a, b) == 0;
}

bool HasThemeExtension(const std::string& name) {
    static const std::string kExtension = ".ctm";
    if (name.size() <= kExtension.size()) return false;
    return EqualIgnoringAsciiCase(name.substr(name.size() - kExtension.size()), kExtension);
}

// A field holding one of these bytes would split or end the line when read back.
bool BreaksLine(const std::string& field) {
    return field.find_first_of(",\r\n") != std::string::npos;
}

std::string WithTrailingSeparator(const std::string& folder) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder;
    return folder + '/';
}

// Reads the part of a theme file the theme list takes: its first kStoredTextReadLimit bytes, to
// the end of the last whole line there (a line cut at the limit would give a theme with a cut
// name). False when the file cannot be read.
bool ReadListedPart(const std::string& path, std::string& bytes) {
    // A theme file of many megabytes (a damaged or sparse one) is never read whole.
    if (!ReadFileStart(path, kStoredTextReadLimit + 1, bytes)) return false;
    if (bytes.size() > kStoredTextReadLimit) {
        bytes.resize(kStoredTextReadLimit);
        const std::size_t last_break = bytes.rfind('\n');
        bytes.resize(last_break == std::string::npos ? 0 : last_break + 1);
    }
    return true;
}

// Appends the themes of every "*.ctm" file of `folder`, in file-name order; those of the file
// named `own_name` (none when null) are marked as the user's own.
void AppendFolderThemes(const std::string& folder, const char* own_name,
                        std::vector<ListedTheme>& listed) {
    std::vector<std::string> names;
    for (const DirEntry& entry : ListDirectory(folder)) {
        if (!entry.is_dir && HasThemeExtension(entry.name)) names.push_back(entry.name);
    }
    // The listing order of a folder differs between systems; name order keeps the list stable.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const bool own = own_name != nullptr && name == own_name;
        const std::size_t before = listed.size();
        try {
            std::string bytes;
            if (!ReadListedPart(WithTrailingSeparator(folder) + name, bytes)) continue;
            for (CoordinateTheme& theme : ParseThemeText(DecodeTextFileBytes(bytes))) {
                listed.push_back({std::move(theme), own});
            }
        } catch (const std::exception&) {
            // A file whose themes do not fit in memory contributes none; the others still load.
            listed.resize(before);
        }
    }
}

// The user's file stays in one encoding: CP932, as the theme files are written, unless it already
// holds UTF-8 text beyond ASCII (someone keeps it in UTF-8, and CP932 bytes there would turn every
// earlier line into mojibake on the next load).
bool HoldsUtf8Text(const std::string& content) {
    return IsValidUtf8(content) && std::any_of(content.begin(), content.end(), [](char c) {
               return static_cast<unsigned char>(c) >= 0x80;
           });
}

// Where one theme line lies in a file's bytes: [begin, text_end) is the line's text,
// [text_end, end) its line end ("\r\n", "\n" or nothing on a last line).
struct LineSpan {
    std::size_t begin = 0;
    std::size_t text_end = 0;
    std::size_t end = 0;
};

// The first line of a theme file's bytes that reads as exactly `theme`. Each line is decoded as
// the whole file is on loading, so a line matches here exactly when it gave that theme there.
std::optional<LineSpan> FindThemeLine(const std::string& bytes, const CoordinateTheme& theme) {
    const bool utf8 = IsValidUtf8(bytes);
    const std::size_t bom = utf8 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (std::size_t begin = bom; begin < bytes.size();) {
        LineSpan span;
        span.begin = begin;
        const std::size_t feed = bytes.find('\n', begin);
        span.end = feed == std::string::npos ? bytes.size() : feed + 1;
        span.text_end = feed == std::string::npos ? bytes.size() : feed;
        if (span.text_end > begin && bytes[span.text_end - 1] == '\r') --span.text_end;
        const std::string_view text(bytes.data() + begin, span.text_end - begin);
        const ThemeList line = ParseThemeText(utf8 ? std::string(text) : Cp932ToUtf8(text));
        if (line.size() == 1 && line[0] == theme) return span;
        begin = span.end;
    }
    return std::nullopt;
}

// Reads the user's theme file of `theme_folder`, finds the line holding `theme` and replaces the
// file with `edit`'s result. `edit` gets the file's bytes and the line, and returns the new bytes,
// or std::nullopt when the change cannot be written in the file's code page.
UserThemeChange EditUserThemeLine(
    const std::string& theme_folder, const CoordinateTheme& theme,
    const std::function<std::optional<std::string>(const std::string&, const LineSpan&)>& edit) {
    const std::string path = WithTrailingSeparator(theme_folder) + kUserThemeFileName;
    if (!PathExists(path)) return UserThemeChange::NotFound;
    // Only a file the theme list reads to its end is rewritten: its lines are the ones listed, and
    // a file of many megabytes (a damaged or sparse one) is never read whole.
    std::string bytes;
    if (IsDirectory(path) || !ReadFileStart(path, kStoredTextReadLimit + 1, bytes) ||
        bytes.size() > kStoredTextReadLimit)
        return UserThemeChange::NotWritten;
    const std::optional<LineSpan> line = FindThemeLine(bytes, theme);
    if (!line) return UserThemeChange::NotFound;
    const std::optional<std::string> edited = edit(bytes, *line);
    if (!edited || !ReplaceFile(ResolvedPath(path), *edited)) return UserThemeChange::NotWritten;
    return UserThemeChange::Done;
}

// The user's theme file with a theme's line appended, when it can be: `too_large` when the line
// would end beyond what the theme list reads (it would be gone at the next start), or when the
// file already goes on beyond it; neither when the file cannot be read or the line has no form in
// the file's code page.
struct AppendedUserFile {
    std::optional<std::string> bytes;
    bool too_large = false;
};

AppendedUserFile WithUserThemeAppended(const std::string& path, const CoordinateTheme& theme) {
    AppendedUserFile appended;
    std::string content;
    if (PathExists(path)) {
        // A file that exists but cannot be read must not be replaced by the new line alone, and
        // one longer than the list reads is never read whole.
        if (IsDirectory(path) || !ReadFileStart(path, kStoredTextReadLimit + 1, content))
            return appended;
        if (content.size() > kStoredTextReadLimit) {
            appended.too_large = true;
            return appended;
        }
    }
    const std::string utf8_line = FormatThemeLine(theme);
    std::string line;
    if (HoldsUtf8Text(content)) {
        line = utf8_line;
    } else {
        std::optional<std::string> encoded = Utf8ToCp932(utf8_line);
        if (!encoded) return appended;
        line = std::move(*encoded);
    }
    // A last line without its line end would otherwise swallow the new theme.
    if (!content.empty() && content.back() != '\n') content += "\r\n";
    if (content.size() + line.size() > kStoredTextReadLimit) {
        appended.too_large = true;
        return appended;
    }
    appended.bytes = content + line;
    return appended;
}

}  // namespace

TakenField TakeField(std::string& line) {
    TakenField taken;
    std::size_t comma = line.find(',');
    if (comma == std::string::npos) {
        taken.field = std::move(line);
        line.clear();
        return taken;
    }
    taken.field = line.substr(0, comma);
    line.erase(0, comma + 1);
    taken.comma_found = true;
    return taken;
}

ThemeList ParseThemeText(const std::string& text) {
    ThemeList themes;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line;
        if (end == std::string::npos) {
            line = text.substr(start);
            start = text.size();
        } else {
            line = text.substr(start, end - start);
            start = end + 1;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();

        // Fields 1 to 10 must each end in a comma; the eleventh runs to the next comma or the end.
        std::string fields[11];
        bool complete = true;
        for (int i = 0; i < 10 && complete; ++i) {
            TakenField taken = TakeField(line);
            fields[i] = std::move(taken.field);
            complete = taken.comma_found;
        }
        if (!complete) continue;
        fields[10] = TakeField(line).field;

        CoordinateTheme theme;
        theme.title = fields[0];
        theme.color_title = ParseColourField(fields[1]);
        theme.color_commen = ParseColourField(fields[2]);
        theme.color_thumb = ParseColourField(fields[3]);
        theme.color_bg = ParseColourField(fields[4]);
        theme.size_title = ParseSizeField(fields[5]);
        theme.size_comment = ParseSizeField(fields[6]);
        theme.size_thumb = ParseSizeField(fields[7]);
        theme.name_bg = fields[8];
        theme.name_bgm = fields[9];
        theme.name_hr = fields[10];
        themes.push_back(std::move(theme));
    }
    return themes;
}

std::string UserThemeDataFolder() {
    return UserDataFolder() + "/pictavo/";
}

bool CanStoreFilesIn(const std::string& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        // The append makes a missing folder itself, so the question is whether it can be made.
        if (!std::filesystem::create_directory(folder, error)) return false;
        std::filesystem::remove(folder, error);
        return true;
    }
    // Permission bits would not do: root may write through them, and a read-only mount refuses
    // everyone whatever they say. A hidden name keeps the probe out of every listing.
    std::random_device random;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string probe =
            WithTrailingSeparator(folder) + ".pv-probe-" + std::to_string(random());
        std::FILE* file = std::fopen(probe.c_str(), "wx");
        if (file != nullptr) {
            std::fclose(file);
            std::remove(probe.c_str());
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

std::string ChooseUserThemeFolder(const std::string& theme_folder, const std::string& data_folder) {
    return CanStoreFilesIn(theme_folder) ? theme_folder : data_folder;
}

std::vector<ListedTheme> LoadListedThemes(const std::string& theme_folder,
                                          const std::string& user_theme_folder) {
    std::vector<ListedTheme> listed;
    const bool together = user_theme_folder == theme_folder;
    AppendFolderThemes(theme_folder, together ? kUserThemeFileName : nullptr, listed);
    if (!together) AppendFolderThemes(user_theme_folder, kUserThemeFileName, listed);
    return listed;
}

bool IsThemeTitleTaken(const ThemeList& themes, const std::string& title) {
    return std::any_of(themes.begin(), themes.end(), [&](const CoordinateTheme& theme) {
        return EqualIgnoringAsciiCase(theme.title, title);
    });
}

CoordinateTheme CaptureTheme(const std::string& title, const AlbumSettings& settings) {
    CoordinateTheme theme;
    theme.title = title;
    theme.color_title = settings.color_title;
    theme.color_commen = settings.color_commen;
    theme.color_thumb = settings.color_thumb;
    theme.color_bg = settings.color_bg;
    theme.size_title = settings.size_title;
    theme.size_comment = settings.size_comment;
    theme.size_thumb = settings.size_thumb;
    theme.name_bg = settings.name_bg;
    theme.name_bgm = settings.name_bgm;
    theme.name_hr = settings.name_hr;
    return theme;
}

void ApplyTheme(const CoordinateTheme& theme, AlbumSettings& settings) {
    settings.color_title = theme.color_title;
    settings.color_commen = theme.color_commen;
    settings.color_thumb = theme.color_thumb;
    settings.color_bg = theme.color_bg;
    settings.size_title = theme.size_title;
    settings.size_comment = theme.size_comment;
    settings.size_thumb = theme.size_thumb;
    settings.name_bg = theme.name_bg;
    settings.name_bgm = theme.name_bgm;
    settings.name_hr = theme.name_hr;
}

std::string FormatThemeLine(const CoordinateTheme& theme) {
    std::string line = theme.title;
    for (int colour : {theme.color_title, theme.color_commen, theme.color_thumb, theme.color_bg}) {
        line += ',';
        line += FormatHtmlColor(static_cast<std::uint32_t>(colour));
    }
    for (int size : {theme.size_title, theme.size_comment, theme.size_thumb}) {
        line += ',';
        line += std::to_string(size);
    }
    for (const std::string* name : {&theme.name_bg, &theme.name_bgm, &theme.name_hr}) {
        line += ',';
        line += *name;
    }
    line += "\r\n";
    return line;
}

std::optional<std::string> ThemeTitleProblem(const std::string& title) {
    if (title.find(',') != std::string::npos) {
        return "テーマのタイトルにカンマ（,）は使えません。\n別のタイトルをつけてください。";
    }
    if (BreaksLine(title)) {
        return "テーマのタイトルに改行は使えません。\n別のタイトルをつけてください。";
    }
    if (!Utf8ToCp932(title)) {
        return "テーマのタイトルにテーマファイルに保存できない文字が含まれています。\n"
               "別のタイトルをつけてください。";
    }
    return std::nullopt;
}

std::optional<std::string> ThemeStorageProblem(const CoordinateTheme& theme) {
    if (auto problem = ThemeTitleProblem(theme.title)) return problem;
    for (const std::string* name : {&theme.name_bg, &theme.name_bgm, &theme.name_hr}) {
        if (BreaksLine(*name) || !Utf8ToCp932(*name)) {
            return "素材のファイル名「" + *name +
                   "」にはテーマに保存できない文字（カンマ、改行など）が含まれています。\n"
                   "別の素材を選ぶか、ファイル名を変えてからテーマに追加してください。";
        }
    }
    return std::nullopt;
}

bool UserThemeFileHasRoomFor(const std::string& theme_folder, const CoordinateTheme& theme) {
    try {
        return !WithUserThemeAppended(WithTrailingSeparator(theme_folder) + kUserThemeFileName,
                                      theme)
                    .too_large;
    } catch (const std::exception&) {
        // No memory even for the file's copy: no room either.
        return false;
    }
}

bool AppendUserTheme(const std::string& theme_folder, const CoordinateTheme& theme) {
    std::error_code ignored;
    // The user's data folder may not exist yet on a fresh account. The theme folder is only
    // written to when CanStoreFilesIn found it there or able to be made one level deep.
    std::filesystem::create_directories(theme_folder, ignored);
    const std::string path = WithTrailingSeparator(theme_folder) + kUserThemeFileName;
    try {
        const AppendedUserFile appended = WithUserThemeAppended(path, theme);
        return appended.bytes && ReplaceFile(ResolvedPath(path), *appended.bytes);
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<std::string> RenamedThemeTitleProblem(const std::string& title) {
    if (title.empty()) return "テーマのタイトルを入力してください。";
    return ThemeTitleProblem(title);
}

UserThemeChange RenameUserTheme(const std::string& theme_folder, const CoordinateTheme& theme,
                                const std::string& new_title) {
    if (BreaksLine(new_title)) return UserThemeChange::NotWritten;
    return EditUserThemeLine(
        theme_folder, theme,
        [&](const std::string& bytes, const LineSpan& line) -> std::optional<std::string> {
            std::optional<std::string> title = HoldsUtf8Text(bytes)
                                                   ? std::optional<std::string>(new_title)
                                                   : Utf8ToCp932(new_title);
            if (!title) return std::nullopt;
            // Only the title's bytes change: the other fields stay exactly as they were written
            // (upper-case colours, a twelfth field), and a comma is never a trail byte.
            const std::size_t comma = bytes.find(',', line.begin);
            return bytes.substr(0, line.begin) + *title + bytes.substr(comma);
        });
}

UserThemeChange DeleteUserTheme(const std::string& theme_folder, const CoordinateTheme& theme) {
    return EditUserThemeLine(
        theme_folder, theme, [](const std::string& bytes, const LineSpan& line) {
            return std::optional<std::string>(bytes.substr(0, line.begin) + bytes.substr(line.end));
        });
}
