#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "album/generation/html_helpers.h"
#include "album/settings/album_settings.h"

namespace {

TEST(HtmlColor, FormatsRedGreenBlueInLowerCase) {
    EXPECT_EQ(FormatHtmlColor(0), "#000000");
    EXPECT_EQ(FormatHtmlColor(12632256), "#c0c0c0");
    EXPECT_EQ(FormatHtmlColor(255 + 0 * 256 + 128 * 65536), "#ff0080");
    EXPECT_EQ(FormatHtmlColor(0xAB00FF80u), "#80ff00");  // the top byte is ignored
}

struct ParseCase {
    const char* text;
    std::uint32_t value;
};

class ParseHtmlColorCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseHtmlColorCases, ReadsTheValue) {
    EXPECT_EQ(ParseHtmlColor(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseHtmlColorCases,
    ::testing::Values(ParseCase{"#FF8000", 33023}, ParseCase{"ff8000", 33023}, ParseCase{"", 0},
                      ParseCase{"#fff", 0}, ParseCase{"zz0000", 0}, ParseCase{"#c0c0c0", 12632256},
                      // A 6-character text that starts with "#" reads "#" as the digit 0.
                      ParseCase{"#12345", 0x452301},
                      // An 8-character text is read from its first character, "#" included.
                      ParseCase{"#ff80001", 0x00F80F}, ParseCase{"0000ffextra", 0xFF0000}));

TEST(HtmlColor, RoundTripsEveryColourBelowTwoToTheTwentyFourth) {
    std::mt19937 random(7);
    for (int i = 0; i < 200000; ++i) {
        std::uint32_t value = random() & 0xFFFFFFu;
        ASSERT_EQ(ParseHtmlColor(FormatHtmlColor(value)), value);
    }
    for (std::uint32_t value : {0u, 1u, 0xFFu, 0xFF00u, 0xFF0000u, 0xFFFFFFu}) {
        EXPECT_EQ(ParseHtmlColor(FormatHtmlColor(value)), value);
    }
}

TEST(HtmlColor, HexDigitValues) {
    const std::string digits = "0123456789abcdefABCDEF";
    const int values[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                          11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15};
    for (std::size_t i = 0; i < digits.size(); ++i) EXPECT_EQ(HexDigitValue(digits[i]), values[i]);
    for (char c : {'g', 'G', '#', ' ', '\0', '\x82'}) EXPECT_EQ(HexDigitValue(c), 0) << int(c);
}

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

}  // namespace
