#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct AlbumSettings;

// One picture as the album's pages show it, made from what the build made of it. The cell knows
// separately what a click opens, what it shows and what it is called, so that a copy or a
// thumbnail may bear another name than the picture. Paths are relative links inside the album
// ("/" separators), not yet escaped for their place in the page.
struct PagePicture {
    std::string link;       // what a click opens, and what the slide show shows: its copy
    std::string thumbnail;  // its thumbnail; empty: none, the cell shows `link` at the box height
    std::string caption;    // its name in ALT and under the thumbnail: the picture's file name
    std::string comment;    // as the comment box holds it (escaped by the writer)

    // What the modern pages also say (MeasurePagePictures fills it in; the classic pages ignore
    // it). The size in pixels of what the cell shows, its thumbnail or else the picture at the
    // thumbnail height, 0 x 0 when not known; and the thumbnail made for screens of twice the
    // density with its width, empty and 0 when there is none.
    int width = 0;
    int height = 0;
    std::string thumbnail_2x = {};
    int thumbnail_2x_width = 0;
};

// The folder, inside the thumbnail folder, of the thumbnails for screens of twice the density,
// each named as its thumbnail. No other file of the album can have this name: a thumbnail's
// name begins with "_", a page's ends in ".html", and a folder name holds no ".".
inline constexpr const char* kDoubleDensityFolder = "2x.d";

// The double-density thumbnail of the thumbnail `thumbnail` (a link with `separator` "/", or a
// file path with this system's separator): kDoubleDensityFolder inserted before its name.
// "my_t/_a.jpg" gives "my_t/2x.d/_a.jpg"; "_a.jpg" gives "2x.d/_a.jpg".
std::string DoubleDensityThumbnail(std::string_view thumbnail, char separator);

// The page picture of the picture file `name` with its copy in the picture folder and, when
// `has_thumbnail`, its thumbnail "_" + name in the thumbnail folder.
PagePicture PagePictureOf(const AlbumSettings& settings, const std::string& name,
                          const std::string& comment, bool has_thumbnail);

// How many pictures one index page and its slide show hold: thumbnail_cols x thumbnail_rows, or
// thumbnail_cols x 1000 without paging (values below 1 count as 1).
std::int64_t PicturesPerPage(const AlbumSettings& settings);
