#pragma once

#include <optional>
#include <string>
#include <vector>

struct AlbumSettings;

// One coordinate theme: a title plus the ten style values of the album settings, in the order of a
// theme line. Colours are COLORREF values (red in bits 0-7); sizes are HTML font sizes; the three
// names are bare file names in the wallpaper, sound and rule folders, empty for none. Texts are
// UTF-8.
struct CoordinateTheme {
    std::string title;
    int color_title = 0;
    int color_commen = 0;
    int color_thumb = 0;
    int color_bg = 0;
    int size_title = 0;
    int size_comment = 0;
    int size_thumb = 0;
    std::string name_bg;
    std::string name_bgm;
    std::string name_hr;

    bool operator==(const CoordinateTheme&) const = default;
};

// Themes in load order, then in the order they were added; an entry's index never changes.
using ThemeList = std::vector<CoordinateTheme>;

// The file the user's own themes are appended to, inside the theme folder.
inline constexpr const char* kUserThemeFileName = "userat.ctm";

// The folder a user's own themes go to when the theme folder cannot take them (an installed copy,
// whose theme folder belongs to the system): UserDataFolder() + "/pictavo/".
std::string UserThemeDataFolder();

// True when a new file can really be created in `folder`, or, when it is missing, the folder
// itself can be created (one level): a file or folder is made and removed again, so that a
// read-only mount, the permissions and the user's privileges all give the answer the next save
// would meet.
bool CanStoreFilesIn(const std::string& folder);

// The folder "userat.ctm" is kept in: `theme_folder` when it can take new files (a copy run from
// its own folder), else `data_folder`.
std::string ChooseUserThemeFolder(const std::string& theme_folder, const std::string& data_folder);

// A theme of the list and whether it is one of the user's own: a line of "userat.ctm" in the
// folder the user's themes are kept in. Only those can be renamed or deleted.
struct ListedTheme {
    CoordinateTheme theme;
    bool own = false;
};

// The themes of `theme_folder` and then, when the user's themes are kept in another folder, those
// of `user_theme_folder` (the shipped themes come first), each marked with whether it is the
// user's own. Each folder's "*.ctm" files are read in file-name order, each as UTF-8 when it is
// valid UTF-8, else as CP932, and only as far as its last whole line within its first
// kStoredTextReadLimit bytes. Never fails: an unreadable folder or file, or one whose themes do
// not fit in memory, contributes no themes.
std::vector<ListedTheme> LoadListedThemes(const std::string& theme_folder,
                                          const std::string& user_theme_folder);

// The themes of one file's decoded text: one per line holding at least ten commas.
ThemeList ParseThemeText(const std::string& text);

// The first field of a line and whether a comma ended it.
struct TakenField {
    std::string field;
    bool comma_found = false;
};

// Removes the first field from `line`: the text before the first comma (the line keeps what follows
// it), or the whole line when it holds no comma (the line becomes empty).
TakenField TakeField(std::string& line);

// True when a theme of `themes` has `title`, letters compared without regard to case.
bool IsThemeTitleTaken(const ThemeList& themes, const std::string& title);

// The title plus the settings' ten style values as they are now.
CoordinateTheme CaptureTheme(const std::string& title, const AlbumSettings& settings);

// Copies the theme's ten style values into the settings, unchecked (a size of 0 or a missing file
// name goes in as it is).
void ApplyTheme(const CoordinateTheme& theme, AlbumSettings& settings);

// The theme as one line of a theme file, UTF-8, ending in CR LF:
// "T,#000000,#000000,#000000,#c0c0c0,7,4,2,,,\r\n" for the defaults.
std::string FormatThemeLine(const CoordinateTheme& theme);

// Why a title cannot be stored in a theme line (a comma, or a character the theme files' code page
// cannot hold), as a message for the user; std::nullopt when it can.
std::optional<std::string> ThemeTitleProblem(const std::string& title);

// Why a captured theme cannot be stored faithfully (a field holding a comma or a character the
// theme files' code page cannot hold), as a message for the user; std::nullopt when it can.
std::optional<std::string> ThemeStorageProblem(const CoordinateTheme& theme);

// Why `title` cannot replace a theme's title: ThemeTitleProblem's reasons, and an empty title
// (a nameless row cannot be told apart in the list). std::nullopt when it can.
std::optional<std::string> RenamedThemeTitleProblem(const std::string& title);

// What became of a change to the user's theme file.
enum class UserThemeChange {
    Done,
    NotFound,    // no line of the file holds the theme (the file was changed by someone else)
    NotWritten,  // the file could not be read or replaced, or the title has no form in its code
};

// Gives the first line of "userat.ctm" in `theme_folder` that holds `theme` the title
// `new_title`. The rest of that line and every other line keep their bytes; the title is written
// in the file's code page, and the file is replaced whole through a temporary file. A file longer
// than the theme list reads (kStoredTextReadLimit bytes) is not changed.
UserThemeChange RenameUserTheme(const std::string& theme_folder, const CoordinateTheme& theme,
                                const std::string& new_title);

// Removes the first line of "userat.ctm" in `theme_folder` that holds `theme`, with its line end,
// by the same rules.
UserThemeChange DeleteUserTheme(const std::string& theme_folder, const CoordinateTheme& theme);

// True when the theme's line, appended to "userat.ctm" in `theme_folder`, would lie wholly within
// what the theme list reads of that file (kStoredTextReadLimit bytes): a line beyond it would be
// gone at the next start.
bool UserThemeFileHasRoomFor(const std::string& theme_folder, const CoordinateTheme& theme);

// Appends the theme's line to "userat.ctm" in `theme_folder`, creating the folder (with its
// parents) and the file when missing. The file is rewritten whole through a temporary file and a
// rename, so a failure never leaves it half-written. The line is CP932 unless the file already
// holds UTF-8 text. False when nothing was written (the folder or file cannot be written, the
// line cannot be encoded, or it would lie beyond what the theme list reads; see
// UserThemeFileHasRoomFor).
bool AppendUserTheme(const std::string& theme_folder, const CoordinateTheme& theme);
