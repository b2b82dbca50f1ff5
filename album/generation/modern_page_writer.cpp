#include "album/generation/modern_page_writer.h"

#include <algorithm>
#include <cstdint>

#include "album/generation/html_helpers.h"
#include "album/generation/modern_style_sheet.h"
#include "album/settings/album_settings.h"
#include "album/settings/material_folders.h"

namespace {

// The slide show's behaviour, the same on every slide-show page. It reads its pictures from the
// page's JSON data and never builds script from them.
constexpr const char* kSlideScript = R"js(<script>
(() => {
  const data = JSON.parse(document.getElementById("slide-data").textContent);
  const part = (name) => document.getElementById("slide-" + name);
  const picture = document.getElementById("slide");
  const pictures = data.pictures;
  const pause = part("pause");
  let shown = 0;
  let timer = 0;
  let playing = false;
  const show = (index) => {
    if (!pictures.length) return;
    shown = (index + pictures.length) % pictures.length;
    const p = pictures[shown];
    picture.src = p.src;
    picture.alt = p.alt;
    part("name").textContent = p.name;
    part("comment").textContent = p.alt;
    part("count").textContent = shown + 1 + " / " + pictures.length;
    schedule();
  };
  const schedule = () => {
    clearTimeout(timer);
    if (playing) {
      timer = setTimeout(() => (picture.complete ? show(shown + 1) : schedule()), data.interval);
    }
  };
  const play = (on) => {
    playing = on;
    pause.textContent = on ? "一時停止" : "再生";
    part("count").setAttribute("aria-live", on ? "off" : "polite");
    schedule();
  };
  pause.addEventListener("click", () => play(!playing));
  part("previous").addEventListener("click", () => show(shown - 1));
  part("next").addEventListener("click", () => show(shown + 1));
  document.addEventListener("keydown", (event) => {
    if (event.altKey || event.ctrlKey || event.metaKey) return;
    if (event.key === "ArrowLeft") show(shown - 1);
    else if (event.key === "ArrowRight") show(shown + 1);
    else if (event.key === "Escape") location.href = part("back").href;
    else if (event.key === " " && !event.target.closest("a, button")) play(!playing);
    else return;
    event.preventDefault();
  });
  play(pictures.length > 1 && !matchMedia("(prefers-reduced-motion: reduce)").matches);
})();
</script>
)js";

// The file name of page `page` of `page_count` with `ending` (".html", "s.html"), without folder.
std::string PageName(const AlbumSettings& s, int page, int page_count, const char* ending) {
    std::string name = s.html_name;
    if (page_count > 1 && page != 1) name += std::to_string(page);
    return name + ending;
}

std::string Link(std::string_view path) {
    return EscapeAttributeText(EscapeUrlPathUtf8(path));
}
std::string Text(std::string_view text) {
    return EscapeHtmlText(CleanPageText(text));
}
std::string Attribute(std::string_view text) {
    return EscapeAttributeText(CleanPageText(text));
}
std::string MaterialLink(const AlbumSettings& s, const std::string& name) {
    return Link(MakeAlbumPath(s, kMaterialFolderKind, MaterialFileName(name), true));
}

// The density of a `sharp` thumbnail beside a `plain` one, as a srcset descriptor's number: the
// ratio of their widths in hundredths, trailing zeros dropped ("2", "1.5", "1.33").
std::string Density(int sharp, int plain) {
    const std::int64_t hundredths = (std::int64_t{200} * sharp + plain) / (std::int64_t{2} * plain);
    std::string text = std::to_string(hundredths / 100);
    if (const std::int64_t fraction = hundredths % 100; fraction != 0) {
        text += '.';
        text += static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
    }
    return text;
}

// The head of a page and the start of its body; an empty title is called the album.
void AppendHead(std::string& out, const AlbumSettings& s, const std::string& title) {
    out += "<!DOCTYPE html>\n";
    out += "<html lang=\"ja\">\n";
    out += "<head>\n";
    out += "<meta charset=\"utf-8\">\n";
    out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    out += "<meta name=\"generator\" content=\"Pictavo\">\n";
    out += "<title>" + Text(title.empty() ? "アルバム" : title) + "</title>\n";
    out += "<link rel=\"stylesheet\" href=\"" + Link(StyleSheetLink(s)) + "\">\n";
    out += "</head>\n";
    out += "<body>\n";
}

void AppendRule(std::string& out, const AlbumSettings& s) {
    if (MaterialFileName(s.name_hr).empty()) {
        out += "<hr>\n";
    } else {
        out += "<img class=\"rule\" src=\"" + MaterialLink(s, s.name_hr) + "\" alt=\"\">\n";
    }
}

// The title and, on the index pages, the rule and the description; the music's player on both.
// The music never starts by itself: the visitor plays it.
void AppendHeader(std::string& out, const AlbumSettings& s, bool index) {
    out += "<header>\n";
    if (!s.html_title.empty()) out += "<h1>" + Text(s.html_title) + "</h1>\n";
    if (index) {
        AppendRule(out, s);
        if (!s.html_comment.empty())
            out += "<p class=\"description\">" + Text(s.html_comment) + "</p>\n";
    }
    if (!MaterialFileName(s.name_bgm).empty()) {
        out += "<p class=\"music\">BGM <audio src=\"" + MaterialLink(s, s.name_bgm) +
               "\" controls loop preload=\"none\"></audio></p>\n";
    }
    out += "</header>\n";
}

void AppendCell(std::string& out, const AlbumSettings& s, const PagePicture& p, bool lazy) {
    const std::string& shown = p.thumbnail.empty() ? p.link : p.thumbnail;
    out += "<li><a href=\"" + Link(p.link) + "\"";
    // The comment is the picture's description; without one the link is named by the file name,
    // which describes nothing and so is no alternative text.
    if (p.comment.empty()) out += " aria-label=\"" + Attribute(p.caption) + "\"";
    out += "><img src=\"" + Link(shown) + "\"";
    if (!p.thumbnail.empty() && !p.thumbnail_2x.empty() && p.width > 0 &&
        p.thumbnail_2x_width > p.width) {
        out += " srcset=\"" + EscapeSrcsetUrl(shown) + " 1x, " + EscapeSrcsetUrl(p.thumbnail_2x) +
               " " + Density(p.thumbnail_2x_width, p.width) + "x\"";
    }
    if (p.width > 0) out += " width=\"" + std::to_string(p.width) + "\"";
    if (p.height > 0) out += " height=\"" + std::to_string(p.height) + "\"";
    out += " alt=\"" + Attribute(p.comment) + "\"";
    if (lazy) out += " loading=\"lazy\"";
    out += "></a>";
    if (s.thumbnail_fname != 0) out += "<span class=\"name\">" + Text(p.caption) + "</span>";
    if (!p.comment.empty()) out += "<span class=\"comment\">" + Text(p.comment) + "</span>";
    out += "</li>\n";
}

void AppendNavigation(std::string& out, const AlbumSettings& s, int page, int page_count) {
    std::string links;
    if (s.slide_mode != 0) {
        links += "<p><a class=\"button\" href=\"" + Link(PageName(s, page, page_count, "s.html")) +
                 "\">スライドショー</a></p>\n";
    }
    if (page_count > 1) {
        links += "<p class=\"paging\">";
        if (page != 1) {
            links += "<a class=\"button\" href=\"" +
                     Link(PageName(s, page - 1, page_count, ".html")) +
                     "\" rel=\"prev\">前のページへ</a> ";
        }
        links += "<span>" + std::to_string(page) + " / " + std::to_string(page_count) + "</span>";
        if (page != page_count) {
            links += " <a class=\"button\" href=\"" +
                     Link(PageName(s, page + 1, page_count, ".html")) +
                     "\" rel=\"next\">次のページへ</a>";
        }
        links += "</p>\n";
    }
    // The back link is the user's own address, kept as typed.
    if (!s.back_url.empty()) links += "<p><a href=\"" + Attribute(s.back_url) + "\">戻る</a></p>\n";
    if (links.empty()) return;
    out += "<nav aria-label=\"ページの移動\">\n" + links + "</nav>\n";
}

void AppendFoot(std::string& out) {
    out += "</body>\n";
    out += "</html>\n";
}

}  // namespace

int EagerPictureCount(const AlbumSettings& settings) {
    return std::max(6, 2 * std::clamp(settings.thumbnail_cols, 1, 1000));
}

std::string RenderModernIndexPage(const AlbumSettings& s, std::span<const PagePicture> pictures,
                                  int page, int page_count) {
    const int columns = std::max(1, s.thumbnail_cols);
    std::string out;
    AppendHead(out, s, s.html_title);
    AppendHeader(out, s, true);
    out += "<main>\n";
    out += std::string("<ul class=\"") + (s.thumbnail_frame != 0 ? "grid framed" : "grid") +
           "\" style=\"--cols: " + std::to_string(columns) +
           "; --cols-narrow: " + std::to_string(std::min(columns, 3)) +
           "; --cols-narrowest: " + std::to_string(std::min(columns, 2)) + "\">\n";
    const std::size_t shown =
        static_cast<std::size_t>(std::min<std::int64_t>(pictures.size(), PicturesPerPage(s)));
    const std::size_t eager = static_cast<std::size_t>(EagerPictureCount(s));
    for (std::size_t i = 0; i < shown; ++i) AppendCell(out, s, pictures[i], i >= eager);
    out += "</ul>\n";
    out += "<p class=\"note\">画像をクリックすると大きく表示します。</p>\n";
    AppendRule(out, s);
    out += "</main>\n";
    AppendNavigation(out, s, page, page_count);
    out += "<footer><a href=\"";
    out += kMakerAddress;
    out += "\">";
    out += kCreditText;
    out += "</a></footer>\n";
    AppendFoot(out);
    return out;
}

std::string RenderModernSlideShowPage(const AlbumSettings& s, std::span<const PagePicture> pictures,
                                      int page, int page_count) {
    const std::size_t shown =
        static_cast<std::size_t>(std::min<std::int64_t>(pictures.size(), PicturesPerPage(s)));
    auto name_of = [&s](const PagePicture& p) {
        return s.thumbnail_fname != 0 ? p.caption : std::string();
    };
    std::string out;
    AppendHead(out, s,
               s.html_title.empty() ? "スライドショー" : "スライドショー - " + s.html_title);
    AppendHeader(out, s, false);
    out += "<main>\n";
    if (shown > 0) {
        const PagePicture& first = pictures[0];
        out += "<figure class=\"slide\">\n";
        out += "<img id=\"slide\" src=\"" + Link(first.link) + "\" alt=\"" +
               Attribute(first.comment) + "\">\n";
        out += "<figcaption><span id=\"slide-name\" class=\"name\">" + Text(name_of(first)) +
               "</span><span id=\"slide-comment\" class=\"comment\">" + Text(first.comment) +
               "</span></figcaption>\n";
        out += "</figure>\n";
    }
    out +=
        "<p class=\"controls\"><button type=\"button\" id=\"slide-previous\">前へ</button>"
        "<button type=\"button\" id=\"slide-pause\">一時停止</button>"
        "<button type=\"button\" id=\"slide-next\">次へ</button></p>\n";
    out += "<p id=\"slide-count\" aria-live=\"off\">" + std::to_string(shown > 0 ? 1 : 0) + " / " +
           std::to_string(shown) + "</p>\n";
    out += "<p><a id=\"slide-back\" class=\"button\" href=\"" +
           Link(PageName(s, page, page_count, ".html")) + "\">一覧に戻る</a></p>\n";
    out +=
        "<p class=\"note\">← → で前後の写真へ、スペースで一時停止と再開、Esc "
        "で一覧に戻ります。</p>\n";
    out += "</main>\n";
    // The pictures as data, never as script: JsonString leaves no "<" that could end the element.
    out += "<script type=\"application/json\" id=\"slide-data\">{\"interval\":" +
           std::to_string(kSlideIntervalMs) + ",\"pictures\":[";
    for (std::size_t i = 0; i < shown; ++i) {
        const PagePicture& p = pictures[i];
        if (i > 0) out += ",";
        out += "{\"src\":" + JsonString(EscapeUrlPathUtf8(p.link)) +
               ",\"alt\":" + JsonString(p.comment) + ",\"name\":" + JsonString(name_of(p)) + "}";
    }
    out += "]}</script>\n";
    out += kSlideScript;
    AppendFoot(out);
    return out;
}
