#include "album/settings/html_color.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <utility>

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

// A typed colour (--set): a whole number or exactly "#rrggbb"; the theme files' lenient forms are
// refused, as is a "#" text with a byte that is no digit.
TEST(HtmlColor, ATypedColourIsADecimalNumberOrHashAndSixDigits) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"#FF8000", 33023}, {"#c0c0c0", 12632256}, {"12632256", 12632256}, {"-1", -1},
        {"#12345g", {}},    {"#fff", {}},          {"ff8000", {}},         {"#ff80001", {}},
        {"", {}},           {"#00 000", {}},       {"0x10", {}},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseColourSetting(text), value) << text;
}

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

}  // namespace
