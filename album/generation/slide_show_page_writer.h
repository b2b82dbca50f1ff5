#pragma once

#include <span>
#include <string>

#include "album/generation/page_file.h"
#include "album/generation/page_picture.h"

struct AlbumSettings;
class PictureSelection;

// The full path of the slide-show page that belongs to index page `page` of `page_count`: the
// output folder, html_name, the page number unless it is page 1 or the only page, "s.html".
std::string SlideShowPageFileName(const AlbumSettings& settings, int page, int page_count);

// The exact bytes of one slide-show page (CP932, CR LF): `pictures`, the pictures of its index
// page (at most PicturesPerPage of them), shown one after the other.
std::string RenderSlideShowPage(const AlbumSettings& settings,
                                std::span<const PagePicture> pictures);

// The same page for the checked lines of `pictures` from `first_item` on (none when it is -1), as
// many as a page holds.
std::string RenderSlideShowPage(const AlbumSettings& settings, const PictureSelection& pictures,
                                int first_item);

// Renders and writes one slide-show page. Returns 1 when written, -1 when the file could not be
// opened, 0 when writing failed; `status` tells which it was and what the user is to be told.
int WriteSlideShowPage(const AlbumSettings& settings, const PictureSelection& pictures, int page,
                       int page_count, int first_item, PageWriteStatus& status);
