#pragma once

#include <span>
#include <string>

#include "album/generation/page_picture.h"

struct AlbumSettings;

// The modern page style (page_style 1): UTF-8 HTML5 pages in Japanese with a viewport, the one
// style sheet of the album (modern_style_sheet.h) and no script library. They bear the classic
// pages' file names (IndexPageFileName, SlideShowPageFileName) and show the same pictures per page;
// the text never scrolls and a clicked picture opens in the same window, so html_marquee and
// brws_mode do not apply. Every text of a setting, a name or a comment is escaped for its place.

// The slide show moves on every three seconds, as the classic one does, and only once the picture
// shown has loaded.
inline constexpr int kSlideIntervalMs = 3000;

// The index page shows its first pictures at once and leaves the later ones to load as the visitor
// scrolls to them: those of the first two rows of a wide screen, and at least six (two rows of
// three on a phone).
int EagerPictureCount(const AlbumSettings& settings);

// The exact bytes of modern index page `page` (1-based) of `page_count` showing `pictures`, the
// page's own pictures in list order (at most PicturesPerPage of them are placed), each with its
// size and thumbnails as MeasurePagePictures found them.
std::string RenderModernIndexPage(const AlbumSettings& settings,
                                  std::span<const PagePicture> pictures, int page, int page_count);

// The exact bytes of the modern slide-show page of index page `page` of `page_count`: the pictures
// of that page one after the other, with buttons and keys to go back and forth and to pause, and a
// way back to the index page. A visitor who asks for reduced motion gets no automatic advance
// until pressing the play button.
std::string RenderModernSlideShowPage(const AlbumSettings& settings,
                                      std::span<const PagePicture> pictures, int page,
                                      int page_count);
