// The modern pages: byte for byte against the hand-written pages of expected/ for a default album
// and one of hostile names and settings; their other properties, the style sheet and the colours by
// table.

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "album/generation/html_helpers.h"
#include "album/generation/modern_page_writer.h"
#include "album/generation/modern_style_sheet.h"
#include "album/generation/page_colours.h"
#include "album/settings/album_settings.h"
#include "album/settings/html_color.h"
#include "album/style/themes/theme_store.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Expected(const std::string& name) {
    std::string text = ReadTestFile(SourcePath("tests/album/generation/expected/" + name));
    EXPECT_FALSE(text.empty()) << name;
    return text;
}

// A picture as the build gives it to the pages, measured: its thumbnail (when it has one, with
// `sharp_width` > 0 when it has one for dense screens) or itself at width x height.
PagePicture Measured(const AlbumSettings& s, const std::string& name, const std::string& comment,
                     bool thumbnail, int width, int height, int sharp_width = 0) {
    PagePicture p = PagePictureOf(s, name, comment, thumbnail);
    p.width = width;
    p.height = height;
    if (sharp_width > 0) {
        p.thumbnail_2x = DoubleDensityThumbnail(p.thumbnail, '/');
        p.thumbnail_2x_width = sharp_width;
    }
    return p;
}

TEST(ModernPages, ADefaultAlbumMatchesByteForByte) {
    AlbumSettings s;
    const std::vector<PagePicture> pictures = {
        Measured(s, "a.jpg", "a<b & \"c\"\r\nd", true, 100, 79, 200),
        Measured(s, "c.gif", "", false, 133, 100),
        Measured(s, "Two Dogs & Window.jpg", "", true, 100, 75, 150)};
    EXPECT_EQ(RenderModernIndexPage(s, pictures, 1, 1), Expected("modern_defaults.html"));
    EXPECT_EQ(RenderModernSlideShowPage(s, pictures, 1, 1), Expected("modern_defaults_s.html"));
}

// Markup, entities, URL characters, a comma and spaces (which would split a srcset), a leading
// dash, control characters, a name that is not UTF-8 and one outside the BMP, in every place a
// name goes; a title, a description and a page name that try the same; a back link that tries to
// add an attribute. Nothing of them runs, and every link leads to its file.
TEST(ModernPages, HostileNamesAndSettingsMatchByteForByte) {
    AlbumSettings s;
    s.html_title = "<b>夏</b> & \"休み\"";
    s.html_comment = "説明\x01 <i>";
    s.html_name = "夏 #1&%";
    s.slide_mode = 1;
    s.html_page = 1;
    s.thumbnail_cols = 2;
    s.thumbnail_rows = 4;
    s.thumbnail_frame = 0;
    s.name_hr = "a&b \"1\".png";
    s.name_bgm = "music #1.mp3";
    s.back_url = "x\" onclick=\"alert(1)";
    const std::vector<PagePicture> pictures = {
        Measured(s, "<img src=x onerror=alert(1)>.jpg", "</script><script>alert(1)</script>", true,
                 100, 75, 200),
        Measured(s, "x&apos;);alert(1);void(&apos;.jpg", "", true, 100, 75),
        Measured(s, "photo#1 100% why?.jpg", "", true, 100, 75, 200),
        Measured(s, "a,b c.jpg", "", true, 100, 75, 200),
        Measured(s, "-leading dash \"q\".jpg", "", false, 133, 100),
        Measured(s, "tab\tname\r\n.jpg", "", true, 100, 75),
        Measured(s, "caf\xE9.jpg", "", true, 100, 75),
        Measured(s, "🌸 花.jpg", "桜\x01", true, 100, 75)};
    EXPECT_EQ(RenderModernIndexPage(s, pictures, 2, 3), Expected("modern_hostile.html"));
    EXPECT_EQ(RenderModernSlideShowPage(s, pictures, 2, 3), Expected("modern_hostile_s.html"));
}

// The img element of a cell, from "<img " to its ">".
std::string ImageOf(const std::string& page) {
    const std::size_t at = page.find("<img src=");
    return at == std::string::npos ? "" : page.substr(at, page.find('>', at) - at + 1);
}

struct CellCase {
    const char* what;
    bool thumbnail;
    int width, height, sharp_width;
    const char* image;  // the cell's img element
};

class ModernCells : public ::testing::TestWithParam<CellCase> {};

TEST_P(ModernCells, SayTheSizeAndTheSharperThumbnailTheyHave) {
    const CellCase& c = GetParam();
    AlbumSettings s;
    const PagePicture p = Measured(s, "a.jpg", "", c.thumbnail, c.width, c.height, c.sharp_width);
    EXPECT_EQ(ImageOf(RenderModernIndexPage(s, std::span(&p, 1), 1, 1)), c.image);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, ModernCells,
    ::testing::Values(
        CellCase{"twice", true, 100, 79, 200,
                 "<img src=\"my_t/_a.jpg\" srcset=\"my_t/_a.jpg 1x, my_t/2x.d/_a.jpg 2x\" "
                 "width=\"100\" height=\"79\" alt=\"\">"},
        // A picture between the two boxes gives a sharper thumbnail of its own size.
        CellCase{"a third more", true, 75, 100, 100,
                 "<img src=\"my_t/_a.jpg\" srcset=\"my_t/_a.jpg 1x, my_t/2x.d/_a.jpg 1.33x\" "
                 "width=\"75\" height=\"100\" alt=\"\">"},
        CellCase{"no sharper one", true, 100, 79, 0,
                 "<img src=\"my_t/_a.jpg\" width=\"100\" height=\"79\" alt=\"\">"},
        // A thumbnail whose size could not be read: no size, and no density to give.
        CellCase{"unmeasured", true, 0, 0, 200, "<img src=\"my_t/_a.jpg\" alt=\"\">"},
        // A picture without thumbnail whose width is unknown keeps the thumbnail height.
        CellCase{"itself", false, 0, 100, 0, "<img src=\"my_p/a.jpg\" height=\"100\" alt=\"\">"}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (ch == ' ') ch = '_';
        return name;
    });

TEST(ModernPages, LaterPicturesLoadLazilyAndNarrowScreensTakeFewerColumns) {
    struct Case {
        int columns, eager, narrow, narrowest;
    };
    for (const Case c : {Case{1, 6, 1, 1}, Case{2, 6, 2, 2}, Case{3, 6, 3, 2}, Case{5, 10, 3, 2},
                         Case{10, 20, 3, 2}}) {
        SCOPED_TRACE(c.columns);
        AlbumSettings s;
        s.thumbnail_cols = c.columns;
        EXPECT_EQ(EagerPictureCount(s), c.eager);
        std::vector<PagePicture> pictures(25, Measured(s, "a.jpg", "", true, 100, 75));
        const std::string page = RenderModernIndexPage(s, pictures, 1, 1);
        std::size_t lazy = 0;
        for (std::size_t at = 0; (at = page.find(" loading=\"lazy\"", at)) != std::string::npos;)
            ++lazy, ++at;
        EXPECT_EQ(lazy, 25u - c.eager);
        EXPECT_NE(page.find("--cols: " + std::to_string(c.columns) +
                            "; --cols-narrow: " + std::to_string(c.narrow) +
                            "; --cols-narrowest: " + std::to_string(c.narrowest) + "\""),
                  std::string::npos);
    }
}

// An empty title still names the page; a slide show without pictures shows none and counts none.
TEST(ModernPages, AnEmptyTitleAndAnEmptyShowStayWellFormed) {
    AlbumSettings s;
    s.html_title = "";
    s.html_comment = "";
    const std::string index = RenderModernIndexPage(s, {}, 1, 1);
    EXPECT_NE(index.find("<title>アルバム</title>"), std::string::npos);
    EXPECT_EQ(index.find("<h1>"), std::string::npos);
    EXPECT_EQ(index.find("description"), std::string::npos);
    const std::string slide = RenderModernSlideShowPage(s, {}, 1, 1);
    EXPECT_NE(slide.find("<title>スライドショー</title>"), std::string::npos);
    EXPECT_EQ(slide.find("<figure"), std::string::npos);
    EXPECT_NE(slide.find(">0 / 0</p>"), std::string::npos);
    EXPECT_NE(slide.find("\"pictures\":[]}"), std::string::npos);
}

TEST(ModernStyleSheet, HoldsTheThemeInBothSchemesAndTheWallpaperBesideIt) {
    AlbumSettings s;
    s.name_bg = "wall #1 \"a\".png";
    s.size_title = 9;  // out of range: the nearest end
    s.size_comment = 1;
    const std::string sheet = RenderStyleSheet(s);
    const PageColours dark = DarkPageColours(s);
    EXPECT_EQ(sheet.substr(0, sheet.find("}\n@media")),
              "@charset \"utf-8\";\n"
              ":root {\n"
              "  color-scheme: light;\n"
              "  --page: #c0c0c0;\n"
              "  --text: #000000;\n"
              "  --comment: #000000;\n"
              "  --title: #000000;\n"
              "  --veil: none;\n"
              "  --wallpaper: url(\"wall %231 %22a%22.png\");\n"
              "  --box: 100px;\n"
              "  --title-size: xxx-large;\n"
              "  --comment-size: x-small;\n"
              "  --caption-size: small;\n");
    EXPECT_NE(sheet.find("@media (prefers-color-scheme: dark) {\n:root {\n  color-scheme: dark;\n"
                         "  --page: " +
                         FormatHtmlColor(dark.background) + ";\n"),
              std::string::npos);
    EXPECT_NE(sheet.find("  --veil: linear-gradient("), std::string::npos);
    EXPECT_EQ(StyleSheetLink(s), "material/pictavo.css");
    s.material_folder = "";
    EXPECT_EQ(StyleSheetLink(s), "pictavo.css");

    // A dark theme keeps its own colours in the dark scheme, and its wallpaper is not dimmed.
    s.color_bg = 0x301810;
    s.color_thumb = s.color_commen = s.color_title = 0xFFFFFF;
    s.name_bg = "";
    const std::string night = RenderStyleSheet(s);
    EXPECT_NE(night.find("  color-scheme: dark;\n  --page: #101830;"), std::string::npos);
    EXPECT_NE(night.find("  --wallpaper: none;\n"), std::string::npos);
    EXPECT_EQ(night.find("linear-gradient"), std::string::npos);
}

TEST(PageColours, ContrastFollowsTheRelativeLuminance) {
    struct Case {
        int a, b;
        double ratio;
    };
    for (const Case c : {Case{0x000000, 0xFFFFFF, 21.0}, Case{0xFFFFFF, 0xFFFFFF, 1.0},
                         Case{0x777777, 0xFFFFFF, 4.48}, Case{0x767676, 0xFFFFFF, 4.54},
                         Case{0x0000FF, 0x000000, 5.25}, Case{0x000000, 0xC0C0C0, 11.54}}) {
        EXPECT_NEAR(ContrastRatio(c.a, c.b), c.ratio, 0.005) << std::hex << c.a << " " << c.b;
        EXPECT_DOUBLE_EQ(ContrastRatio(c.a, c.b), ContrastRatio(c.b, c.a));
    }
}

TEST(PageColours, ATextTooFaintIsMovedJustFarEnoughAndKeepsItsHue) {
    struct Case {
        int text, background;
    };
    for (const Case c :
         {Case{0x00FFFF, 0xFFFFFF}, Case{0x777777, 0xFFFFFF}, Case{0x800000, 0x000000},
          Case{0x808080, 0x808080}, Case{0x0000FF, 0x0000FF}}) {
        SCOPED_TRACE(FormatHtmlColor(c.text) + " on " + FormatHtmlColor(c.background));
        const int moved = ReadableOn(c.text, c.background);
        EXPECT_GE(ContrastRatio(moved, c.background), kMinimumTextContrast);
        EXPECT_LT(ContrastRatio(moved, c.background), 6.0);  // not pushed to the extreme
    }
    // Yellow on white (red and green in the low bytes) becomes a dark yellow, not black.
    const int yellow = ReadableOn(0x00FFFF, 0xFFFFFF);
    EXPECT_EQ(yellow & 0xFF, (yellow >> 8) & 0xFF);
    EXPECT_LT((yellow >> 16) & 0xFF, yellow & 0xFF);
    // Enough already: unchanged.
    EXPECT_EQ(ReadableOn(0x5c2a3c, 0xfff5f7), 0x5c2a3c);
}

// Every shipped theme gives at least kMinimumTextContrast in both schemes, and its dark scheme is
// darker than its light one (or the same, for a theme that is dark already).
TEST(PageColours, EveryShippedThemeIsReadableInBothSchemes) {
    const std::string folder = SourcePath("Material/THEME");
    const std::vector<ListedTheme> themes = LoadListedThemes(folder, folder);
    ASSERT_GE(themes.size(), 8u);
    for (const ListedTheme& listed : themes) {
        const CoordinateTheme& t = listed.theme;
        SCOPED_TRACE(t.title);
        AlbumSettings s;
        s.color_title = t.color_title;
        s.color_commen = t.color_commen;
        s.color_thumb = t.color_thumb;
        s.color_bg = t.color_bg;
        const PageColours light = LightPageColours(s);
        const PageColours dark = DarkPageColours(s);
        // The theme's own colours are used as they are in the light scheme.
        EXPECT_EQ(light, (PageColours{t.color_bg, t.color_thumb, t.color_commen, t.color_title}));
        EXPECT_GE(LowestTextContrast(light), kMinimumTextContrast);
        EXPECT_GE(LowestTextContrast(dark), kMinimumTextContrast);
        if (IsDarkPage(t.color_bg)) {
            EXPECT_EQ(dark, light);
        } else {
            EXPECT_TRUE(IsDarkPage(dark.background));
        }
    }
}

}  // namespace
