#pragma once

#include <functional>
#include <span>
#include <string>

#include "album/generation/page_file.h"
#include "album/generation/page_picture.h"

struct AlbumSettings;
class PictureSelection;

// One rendered page: its exact file bytes and the first checked line of the next page (-1 when no
// checked picture is left).
struct RenderedIndexPage {
    std::string bytes;
    int next_item = -1;
};

// Answers whether a picture's thumbnail file exists (given the picture's file name alone).
using ThumbnailProbe = std::function<bool(const std::string& file_name)>;

// The full path of index page `page` (1-based) of `page_count`: the output folder, html_name, the
// page number unless it is page 1 or the only page, ".html".
std::string IndexPageFileName(const AlbumSettings& settings, int page, int page_count);

// True when the thumbnail of `file_name` exists in the album's thumbnail folder.
bool ThumbnailExists(const AlbumSettings& settings, const std::string& file_name);

// The exact bytes of index page `page` (1-based) of `page_count` (CP932, CR LF, ending in
// "</HTML> " without a line break), showing `pictures`, the page's own pictures in list order (at
// most PicturesPerPage of them are placed).
std::string RenderIndexPage(const AlbumSettings& settings, std::span<const PagePicture> pictures,
                            int page, int page_count);

// The same page for the checked lines of `pictures` from `first_item` on (none when it is -1), as
// many as a page holds, each shown through its thumbnail when `thumbnail_exists` says it has one.
RenderedIndexPage RenderIndexPage(const AlbumSettings& settings, const PictureSelection& pictures,
                                  int page, int page_count, int first_item,
                                  const ThumbnailProbe& thumbnail_exists);

// Renders (from the checked lines, asking the thumbnail folder for each thumbnail) and writes one
// index page. Returns the first checked line of the next page, -1 only when no checked picture is
// left, and -2 when writing failed. A page that could not be opened returns the next page's first
// line all the same, so that the paging of the later pages is that of a complete album; `status`
// tells how the page ended and what the user is to be told.
int WriteIndexPage(const AlbumSettings& settings, const PictureSelection& pictures, int page,
                   int page_count, int first_item, PageWriteStatus& status);
