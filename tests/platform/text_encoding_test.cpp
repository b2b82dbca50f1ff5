#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Runs the system's iconv program so that the CP932 bytes come from an independent encoder.
std::string IconvProgram(const std::string& text, const char* from, const char* to) {
    char name[] = "/tmp/enc-test-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) return {};
    FILE* f = fdopen(fd, "wb");
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    std::string cmd = std::string("iconv -f ") + from + " -t " + to + " " + name;
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    remove(name);
    return out;
}

const std::string kJapanese = "ここに全体のコメントを書く、ｶﾀｶﾅ①髙～";

TEST(TextEncoding, JapaneseRoundTripsThroughCp932) {
    std::optional<std::string> cp932 = Utf8ToCp932(kJapanese);
    ASSERT_TRUE(cp932.has_value());
    EXPECT_EQ(*cp932, IconvProgram(kJapanese, "UTF-8", "CP932"));
    EXPECT_EQ(Cp932ToUtf8(*cp932), kJapanese);
    // "こ" is 0x82 0xB1 in Shift-JIS.
    EXPECT_EQ(cp932->substr(0, 2), "\x82\xB1");
}

TEST(TextEncoding, CharactersOutsideCp932AreRefused) {
    struct Case {
        const char* name;
        std::string utf8;
    };
    const Case cases[] = {
        {"emoji U+1F338", "花\xF0\x9F\x8C\xB8"},
        {"hangul", "\xED\x95\x9C"},
        // These two would come back as other characters (a backslash and a full-width tilde).
        {"yen sign",
         "\xC2\xA5"
         "100"},
        {"wave dash", "\xE3\x80\x9C"},
        {"not UTF-8", "\x82\xB1"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Utf8ToCp932(c.utf8).has_value()) << c.name;
    }
}

TEST(TextEncoding, HtmlModeWritesReferencesForWhatCp932CannotHold) {
    struct Case {
        std::string utf8;
        std::string cp932;
    };
    const Case cases[] = {
        {"abc", "abc"},
        {"花\xF0\x9F\x8C\xB8", "\x89\xD4&#x1F338;"},
        {"\xC2\xA5", "&#xA5;"},
        {"a\xFFz", "a&#xFFFD;z"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8ToCp932Html(c.utf8), c.cp932) << c.utf8;
}

TEST(TextEncoding, InvalidCp932BecomesReplacementCharacter) {
    EXPECT_EQ(Cp932ToUtf8("a\xA0"
                          "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Cp932ToUtf8("x\x82"), "x\xEF\xBF\xBD");  // a lead byte cut off at the end
    EXPECT_EQ(Cp932ToUtf8(""), "");
}

TEST(TextEncoding, Utf8Validation) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"plain", true},
        {"日本", true},
        {"\xF0\x9F\x8C\xB8", true},
        {"\xC0\xAF", false},          // overlong "/"
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xE6\x97", false},          // cut short
        {"\x82\xB1\x82\xB1", false},  // Shift-JIS
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
        // Whatever the bytes, a trip through UTF-16 (a command line read by the toolkit) gives
        // them back, and well-formed text takes its ordinary UTF-16 form.
        EXPECT_EQ(Utf16ToBytes(BytesToUtf16(c.bytes)), c.bytes) << c.bytes;
    }
    EXPECT_EQ(BytesToUtf16("日\xF0\x9F\x8C\xB8"), u"日\U0001F338");
    EXPECT_EQ(BytesToUtf16("caf\xE9"), u"caf\xDCE9");
}

TEST(TextEncoding, TextFilesAreReadAsUtf8OrElseCp932) {
    const std::string cp932 = IconvProgram(kJapanese, "UTF-8", "CP932");
    ASSERT_FALSE(cp932.empty());
    EXPECT_EQ(DecodeTextFileBytes(cp932), kJapanese);
    EXPECT_EQ(DecodeTextFileBytes(kJapanese), kJapanese);
    EXPECT_EQ(DecodeTextFileBytes("\xEF\xBB\xBF" + kJapanese), kJapanese);
}

}  // namespace
