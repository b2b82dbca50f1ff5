#include "album/generation/modern_style_sheet.h"

#include <algorithm>

#include "album/generation/html_helpers.h"
#include "album/generation/page_colours.h"
#include "album/settings/album_settings.h"
#include "album/settings/html_color.h"
#include "album/settings/material_folders.h"

namespace {

// What every album's sheet holds after its own values. The panels under the texts carry the page
// colour, so a text stands out from it by its computed contrast even over a wallpaper.
constexpr const char* kLayout = R"css(* {
  box-sizing: border-box;
}
body {
  margin: 0;
  padding: 1rem;
  color: var(--text);
  background: var(--veil), var(--wallpaper) var(--page);
  font-family: sans-serif;
  line-height: 1.5;
  text-align: center;
  overflow-wrap: anywhere;
}
header, main, nav, footer {
  max-width: 80rem;
  margin: 0 auto 1rem;
  padding: 0.5rem 1rem;
  border-radius: 0.5rem;
  background: var(--page);
}
h1 {
  margin: 0.5rem 0;
  color: var(--title);
  font-size: var(--title-size);
  line-height: 1.2;
}
a {
  color: var(--comment);
}
.description {
  color: var(--comment);
  font-size: var(--comment-size);
}
.music {
  display: flex;
  flex-wrap: wrap;
  align-items: center;
  justify-content: center;
  gap: 0.5rem;
}
audio {
  max-width: 100%;
}
hr, .rule {
  display: block;
  width: 90%;
  height: auto;
  margin: 0.5rem auto;
}
hr {
  border: 0;
  border-top: 1px solid;
}
.grid {
  display: grid;
  grid-template-columns: repeat(var(--cols), minmax(0, calc(var(--box) + 2rem)));
  justify-content: center;
  gap: 1rem;
  margin: 0;
  padding: 0;
  list-style: none;
  font-size: var(--caption-size);
}
.framed li {
  padding: 0.25rem;
  border: 1px solid;
  border-radius: 0.25rem;
}
.grid img {
  display: block;
  max-width: 100%;
  margin: 0 auto;
}
.grid img[width] {
  height: auto;
}
.name, .comment {
  display: block;
}
.comment {
  white-space: pre-line;
}
.button, button {
  display: inline-block;
  margin: 0.25rem;
  padding: 0.5rem 1rem;
  border: 2px solid var(--comment);
  border-radius: 0.5rem;
  color: var(--comment);
  background: var(--page);
  font: inherit;
  text-decoration: none;
  cursor: pointer;
}
:focus-visible {
  outline: 3px solid var(--title);
  outline-offset: 2px;
}
figure {
  margin: 0;
}
.slide img {
  display: block;
  width: 100%;
  height: min(60vh, 75vw);
  object-fit: contain;
}
footer {
  font-size: small;
  text-align: end;
}
@media (max-width: 599.98px) {
  body, header, main, nav, footer {
    padding: 0.5rem;
  }
  .grid {
    grid-template-columns: repeat(var(--cols-narrow), minmax(0, 1fr));
    gap: 0.5rem;
  }
}
@media (max-width: 359.98px) {
  .grid {
    grid-template-columns: repeat(var(--cols-narrowest), minmax(0, 1fr));
  }
}
)css";

void AppendColours(std::string& out, const PageColours& c) {
    out += "  --page: " + FormatHtmlColor(c.background) + ";\n";
    out += "  --text: " + FormatHtmlColor(c.text) + ";\n";
    out += "  --comment: " + FormatHtmlColor(c.comment) + ";\n";
    out += "  --title: " + FormatHtmlColor(c.title) + ";\n";
}

}  // namespace

std::string StyleSheetLink(const AlbumSettings& settings) {
    return MakeAlbumPath(settings, kMaterialFolderKind, kStyleSheetName, true);
}

std::string StyleSheetFileName(const AlbumSettings& settings) {
    return AlbumOutputFolder(settings) +
           MakeAlbumPath(settings, kMaterialFolderKind, kStyleSheetName, false);
}

const char* CssFontSize(int html_size) {
    static const char* const kSizes[] = {"x-small", "small",    "medium",   "large",
                                         "x-large", "xx-large", "xxx-large"};
    return kSizes[std::clamp(html_size, 1, 7) - 1];
}

std::string RenderStyleSheet(const AlbumSettings& s) {
    const PageColours light = LightPageColours(s);
    const PageColours dark = DarkPageColours(s);
    // The wallpaper lies beside the sheet, so its link is its name alone.
    const std::string wallpaper = MaterialFileName(s.name_bg);
    std::string out;
    out += "@charset \"utf-8\";\n";
    out += ":root {\n";
    // The browser draws its own controls and scroll bars for a dark page on a dark theme.
    out +=
        std::string("  color-scheme: ") + (IsDarkPage(light.background) ? "dark" : "light") + ";\n";
    AppendColours(out, light);
    out += "  --veil: none;\n";
    // A name made safe for a URL holds no quote, backslash or line break, so it is a safe CSS
    // string as it stands.
    out += "  --wallpaper: " +
           (wallpaper.empty() ? std::string("none")
                              : "url(\"" + EscapeUrlPathUtf8(wallpaper) + "\")") +
           ";\n";
    // A wide screen's columns are each as wide as the thumbnail box and its margin, so that they
    // line up as the classic table's do, whatever the lengths of the names under the pictures.
    out += "  --box: " + std::to_string(std::max(1, s.thumbnail_x)) + "px;\n";
    out += std::string("  --title-size: ") + CssFontSize(s.size_title) + ";\n";
    out += std::string("  --comment-size: ") + CssFontSize(s.size_comment) + ";\n";
    out += std::string("  --caption-size: ") + CssFontSize(s.size_thumb) + ";\n";
    out += "}\n";
    out += "@media (prefers-color-scheme: dark) {\n";
    out += ":root {\n";
    out += "  color-scheme: dark;\n";
    AppendColours(out, dark);
    // A light wallpaper under a page turned dark is dimmed, or its light would glare around the
    // panels.
    if (!(dark == light)) out += "  --veil: linear-gradient(rgb(0 0 0 / 60%), rgb(0 0 0 / 60%));\n";
    out += "}\n";
    out += "}\n";
    out += kLayout;
    return out;
}
