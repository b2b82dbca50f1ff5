#pragma once

#include <string>

#include "platform/profile_store.h"

// The two styles of the album's pages (page_style): the classic Shift_JIS tables, and UTF-8 HTML5
// pages that fit any screen width, follow the visitor's dark mode and serve sharper thumbnails
// to dense screens.
inline constexpr int kClassicPages = 0;
inline constexpr int kModernPages = 1;

// Everything the album maker's pages set and the album build reads. The fields bear their profile
// keys (spelled as stored, "currect_theme" and "out_sorce" included) and stand in profile order.
// Texts are UTF-8. Colours are COLORREF values: red in bits 0-7, green 8-15, blue 16-23. The
// initialisers are the defaults; each stored member's key, kind and range are its row of
// kAlbumSettingSchema (album_setting_schema.h).
struct AlbumSettings {
    // Picture page
    int thumbnail_x = 100;
    int thumbnail_y = 100;
    std::string picture_path;
    // HTML page
    std::string html_title = "MY ALUBUM";
    std::string html_comment = "ここに全体のコメントを書く";
    int thumbnail_cols = 5;
    int thumbnail_rows = 1;
    int html_page = 0;
    int thumbnail_fname = 1;
    int thumbnail_frame = 1;
    int thumbnail_fsize = 0;
    int brws_mode = 0;
    int slide_mode = 0;
    int html_marquee = 0;
    int page_style = kClassicPages;
    // Style page
    int color_title = 0;
    int color_commen = 0;
    int color_thumb = 0;
    int color_bg = 12632256;
    int size_title = 7;
    int size_comment = 4;
    int size_thumb = 2;
    std::string name_bg;
    std::string name_bgm;
    std::string name_hr;
    int currect_theme = 0;
    // Output page
    std::string back_url;
    std::string out_dir = DefaultOutputFolder();
    std::string html_name = "my";
    std::string pic_folder = "my_p";
    std::string thumb_folder = "my_t";
    std::string material_folder = "material";
    int out_sorce = 0;
    int save_param = 0;
    // Stored after the others, each shown on its page: the Picture page's "画像の説明を読み込む",
    // the HTML page's "撮影日時順に並べる" and the Output page's "位置情報を削除".
    int read_captions = 0;   // an empty comment shows the picture's own caption
    int date_order = 0;      // pages in the order the pictures were taken, not by name
    int strip_location = 0;  // no written file tells where its picture was taken

    // Not stored: the next build writes the pages and materials only.
    int html_only = 0;

    // The default output folder of this system: "~/MyAlbum" ("C:\MyAlbum" on Windows).
    static std::string DefaultOutputFolder();

    // Field by field, html_only included.
    bool operator==(const AlbumSettings&) const = default;
};

// The profile section that holds every key.
inline constexpr const char* kSettingsSection = "param";

// Fills every stored field from the profile (missing keys take the defaults above; no range
// checks).
void LoadSettings(const ProfileStore& profile, AlbumSettings& settings);

// Writes every stored field (integers as decimal text, empty texts included), slide_mode before
// html_marquee, in one replace of the file: afterwards it holds every field, or it is as it was
// (too large for the reader, or not writable: the status tells which).
ProfileWriteStatus SaveSettings(ProfileStore& profile, const AlbumSettings& settings);

// The profile file of the album maker: ProfileFolder() + "/Pictavo.INI".
std::string DefaultProfilePath();

// The album's output folder: picture_path when out_sorce is on, else out_dir, ending in a
// separator.
std::string AlbumOutputFolder(const AlbumSettings& settings);
