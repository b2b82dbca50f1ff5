#pragma once

#include <cstdint>
#include <string>

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
};

// The page picture of the picture file `name` with its copy in the picture folder and, when
// `has_thumbnail`, its thumbnail "_" + name in the thumbnail folder.
PagePicture PagePictureOf(const AlbumSettings& settings, const std::string& name,
                          const std::string& comment, bool has_thumbnail);

// How many pictures one index page and its slide show hold: thumbnail_cols x thumbnail_rows, or
// thumbnail_cols x 1000 without paging (values below 1 count as 1).
std::int64_t PicturesPerPage(const AlbumSettings& settings);
