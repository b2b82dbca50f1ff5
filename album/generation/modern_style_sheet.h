#pragma once

#include <string>

struct AlbumSettings;

// The one style sheet every modern page of an album links: the theme's colours as CSS variables
// in a light and a dark scheme (PageColours), its font sizes, the wallpaper, and the layout that
// keeps the album's columns on a wide screen and flows to three or two below 600 px. It lies in
// the material folder with the wallpaper it names: that folder is made, and the materials copied,
// on every build (HTML-only ones too), and an album made in the picture folder keeps its own
// files out of the pictures.
inline constexpr const char* kStyleSheetName = "pictavo.css";

// Its link from a page, relative to the output folder ("material/pictavo.css").
std::string StyleSheetLink(const AlbumSettings& settings);

// Its full path: the output folder, the material folder, kStyleSheetName.
std::string StyleSheetFileName(const AlbumSettings& settings);

// Its exact bytes (UTF-8, LF line ends).
std::string RenderStyleSheet(const AlbumSettings& settings);

// The HTML font size 1-7 of the settings as a CSS size ("x-small" to "xxx-large"); a size out of
// that range counts as the nearest end.
const char* CssFontSize(int html_size);
