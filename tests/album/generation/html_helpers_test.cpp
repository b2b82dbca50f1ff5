#include <gtest/gtest.h>

#include "album/generation/html_helpers.h"
#include "album/generation/page_picture.h"
#include "album/settings/album_settings.h"

namespace {

struct EscapeCase {
    const char* comment;
    const char* html;
};

class EscapeCommentCases : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeCommentCases, MakesTheCommentSafe) {
    EXPECT_EQ(EscapeCommentHtml(GetParam().comment), GetParam().html);
}

INSTANTIATE_TEST_SUITE_P(Comments, EscapeCommentCases,
                         ::testing::Values(EscapeCase{"a & b", "a&nbsp;&amp;&nbsp;b"},
                                           EscapeCase{"x\r\ny", "x<BR>y"}, EscapeCase{"", ""},
                                           EscapeCase{"a<b\r\n", "a&lt;b<BR>"},
                                           EscapeCase{"\"q\">", "&quot;q&quot;&gt;"},
                                           EscapeCase{"lone\nfeed", "lonefeed"},
                                           EscapeCase{"cr\ronly", "cr<BR>only"},
                                           EscapeCase{"&lt;", "&amp;lt;"},
                                           EscapeCase{"表示 テスト", "表示&nbsp;テスト"}));

struct PathCase {
    char kind;
    const char* name;
    bool web;
    const char* folder;  // the kind's folder name, or nullptr for the defaults
    const char* path;
};

class MakeAlbumPathCases : public ::testing::TestWithParam<PathCase> {};

TEST_P(MakeAlbumPathCases, FormsTheRelativePath) {
    const PathCase& c = GetParam();
    AlbumSettings s;
    if (c.folder != nullptr) {
        s.pic_folder = s.thumb_folder = s.material_folder = c.folder;
    }
    EXPECT_EQ(MakeAlbumPath(s, c.kind, c.name, c.web), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, MakeAlbumPathCases,
    ::testing::Values(PathCase{'p', "a.jpg", true, nullptr, "my_p/a.jpg"},
                      PathCase{'t', "a.jpg", true, nullptr, "my_t/_a.jpg"},
                      PathCase{'m', "line.gif", true, nullptr, "material/line.gif"},
                      PathCase{'t', "IMG001.JPG", false, nullptr, "my_t/_IMG001.JPG"},
                      PathCase{'p', "a.jpg", false, nullptr, "my_p/a.jpg"},
                      PathCase{'t', "a.jpg", true, "", "_a.jpg"},
                      PathCase{'p', "a.jpg", true, "", "a.jpg"},
                      PathCase{'m', "", true, nullptr, "material/"},
                      PathCase{'m', "", true, "", ""},
                      PathCase{'x', "a.jpg", true, nullptr, "a.jpg"},
                      PathCase{'p', "桜.jpg", true, "写真", "写真/桜.jpg"}));

TEST(PageBytes, ConvertsToCp932AndCrLf) {
    EXPECT_EQ(ToPageBytes("株\n"), "\x8A\x94\r\n");
    EXPECT_EQ(ToPageBytes("a\r\nb"), "a\r\r\nb");
    EXPECT_EQ(ToPageBytes("🌸"), "&#x1F338;");
}

TEST(UrlEscaping, KeepsOrdinaryNamesAndEncodesTheRest) {
    EXPECT_EQ(EscapeUrlPath("my_p/Two Dogs & Window.jpg"), "my_p/Two Dogs & Window.jpg");
    EXPECT_EQ(EscapeUrlPath("富士山の夕日.JPG"), "富士山の夕日.JPG");
    EXPECT_EQ(EscapeUrlPath("%#?\"\\'"), "%25%23%3F%22%5C'");
    // Control characters, which browsers drop from URLs; spaces at the ends, which they strip;
    // a ":" that would make a name in the album's own folder a scheme.
    EXPECT_EQ(EscapeUrlPath("a\tb\r\n\x7F\x01.jpg"), "a%09b%0D%0A%7F%01.jpg");
    EXPECT_EQ(EscapeUrlPath(" a b "), "%20a b%20");
    EXPECT_EQ(EscapeUrlPath("javascript:alert(1).jpg"), "javascript%3Aalert(1).jpg");
    EXPECT_EQ(EscapeUrlPath("my_p/12:30.jpg"), "my_p/12:30.jpg");
    // A byte that is not UTF-8 is encoded alone; the "/" after it still separates folders.
    EXPECT_EQ(EscapeUrlPath("\xC3/a\xE3\x81\x82"), "%C3/a\xE3\x81\x82");
    EXPECT_EQ(EscapeAttributeText("a\"b&c<>"), "a&quot;b&amp;c<>");
    EXPECT_EQ(EscapeLinkAttribute("my_p/&amp; #1.jpg"), "my_p/&amp;amp; %231.jpg");
    EXPECT_EQ(EscapeHtmlText("<b>&amp;\"' x"), "&lt;b&gt;&amp;amp;\"' x");
    EXPECT_EQ(EscapeUnquotedAttributeUrl("a b&c'd=e<f>g`h\"i%20.jpg"),
              "a%20b%26c%27d%3De%3Cf%3Eg%60h%22i%20.jpg");
    EXPECT_EQ(EscapeJsString("a'b\"c\\d"), "a\\'b\\\"c\\\\d");
    EXPECT_EQ(EscapeJsString("\r\n\t<\x7F"), "\\x0D\\x0A\\x09\\x3C\\x7F");
    EXPECT_EQ(EscapeJsUrlInHref("a%23'b"), "a%2523\\'b");
}

// The modern pages are UTF-8: every well-formed character stays, and only what is not UTF-8, or
// would end a value, a list or a script element, is written otherwise.
TEST(Utf8PageEscaping, KeepsUtf8AndEncodesTheRest) {
    EXPECT_EQ(EscapeUrlPathUtf8("my_p/🌸 #1.jpg"), "my_p/🌸 %231.jpg");
    EXPECT_EQ(EscapeUrlPath("my_p/🌸.jpg"), "my_p/%F0%9F%8C%B8.jpg");
    EXPECT_EQ(EscapeUrlPathUtf8("caf\xE9/\xF0\x9F.jpg"), "caf%E9/%F0%9F.jpg");
    EXPECT_EQ(EscapeSrcsetUrl("my_t/_a, b&c.jpg"), "my_t/_a%2C%20b&amp;c.jpg");
    EXPECT_EQ(CleanPageText("a\r\nb\rc\nd\te\x01\x7F\xE9"
                            "f"),
              "a\nb\nc\nd\te\uFFFD\uFFFD\uFFFDf");
    EXPECT_EQ(JsonString("</script><!--\"\\\t桜"),
              "\"\\u003c/script>\\u003c!--\\\"\\\\\\u0009桜\"");
    EXPECT_EQ(DoubleDensityThumbnail("my_t/_a.jpg", '/'), "my_t/2x.d/_a.jpg");
    EXPECT_EQ(DoubleDensityThumbnail("_a\\b.jpg", '/'), "2x.d/_a\\b.jpg");
}

}  // namespace
