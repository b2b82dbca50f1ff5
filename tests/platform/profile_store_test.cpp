#include "platform/profile_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "tests/support/same_bytes.h"
#include "tests/support/temp_dir.h"

namespace {

class ProfileStoreTest : public ::testing::Test {
  protected:
    std::string Path() const { return dir_ / "Test.INI"; }
    void Write(const std::string& bytes) { ASSERT_TRUE(WriteTestFile(Path(), bytes)); }
    std::string Contents() const { return ReadTestFile(Path()); }

    TempDir dir_;
};

TEST_F(ProfileStoreTest, MissingFileSectionOrKeyGivesTheDefault) {
    ProfileStore missing(Path());
    EXPECT_EQ(missing.ReadInt("param", "a", 7), 7);
    EXPECT_EQ(missing.ReadText("param", "b", "dflt"), "dflt");

    Write("[other]\r\na=1\r\n");
    ProfileStore store(Path());
    EXPECT_EQ(store.ReadInt("param", "a", 7), 7);
    Write("[param]\r\nx=1\r\n");
    EXPECT_EQ(store.ReadInt("param", "a", 7), 7);
}

TEST_F(ProfileStoreTest, IntegersAreReadAsTheLeadingNumber) {
    struct Case {
        const char* line;
        int expected;
    };
    const Case cases[] = {
        {"k=25", 25},
        {"k = 25 ", 25},
        {"k=\t-3", -3},
        {"k=+12", 12},
        {"k=12abc", 12},
        {"k=abc", 0},
        {"k=-", 0},
        {"k=\"42\"", 42},
        {"k=", 99},  // an empty value is no value: the default
        {"K=5", 5},  // keys compare without regard to case
        {"k=99999999999", 2147483647},
        {"k=-2147483648", -2147483647 - 1},
    };
    ProfileStore store(Path());
    for (const Case& c : cases) {
        Write(std::string("[Param]\r\n") + c.line + "\r\n");
        EXPECT_EQ(store.ReadInt("param", "k", 99), c.expected) << c.line;
    }
}

TEST_F(ProfileStoreTest, TextsAreTrimmedAndUnquoted) {
    struct Case {
        const char* line;
        const char* expected;
    };
    const Case cases[] = {
        {"k=value", "value"},
        {"  k  =  two words  ", "two words"},
        {"k=", ""},
        {"k=\"quoted\"", "quoted"},
        {"k='single'", "single"},
        {"k=\"unbalanced", "\"unbalanced"},
        {"k=a=b", "a=b"},
        {"k=\"", "\""},
    };
    ProfileStore store(Path());
    for (const Case& c : cases) {
        Write(std::string("[param]\n") + c.line + "\n");
        EXPECT_EQ(store.ReadText("param", "k", "dflt"), c.expected) << c.line;
    }
}

TEST_F(ProfileStoreTest, WritesUpdateInPlaceAndKeepEveryOtherLine) {
    Write("; my notes\r\n[param]\r\nA=1\r\nmystery line\r\nb=2\r\n\r\n[other]\r\na=9\r\n");
    ProfileStore store(Path());
    ASSERT_TRUE(store.WriteInt("param", "a", 5));
    ASSERT_TRUE(store.WriteText("param", "new", "x"));
    ASSERT_TRUE(store.WriteText("added", "k", "v"));
    EXPECT_EQ(
        Contents(),
        "; my notes\r\n[param]\r\nA=5\r\nmystery line\r\nb=2\r\nnew=x\r\n\r\n[other]\r\na=9\r\n"
        "\r\n[added]\r\nk=v\r\n");
    EXPECT_EQ(store.ReadInt("other", "a", 0), 9);
}

TEST_F(ProfileStoreTest, NewFileIsCreatedWithItsFolder) {
    ProfileStore store(dir_ / "deeper/config/Pictavo.INI");
    ASSERT_TRUE(store.WriteInt("param", "thumbnail_x", 120));
    EXPECT_EQ(ReadTestFile(dir_ / "deeper/config/Pictavo.INI"), "[param]\r\nthumbnail_x=120\r\n");
}

TEST_F(ProfileStoreTest, TextsThatWouldNotReadBackAreQuoted) {
    ProfileStore store(Path());
    const std::string values[] = {" padded ", "\"quoted\"", "'single'",          "tab\t",
                                  "",         "plain",      "a \"middle\" quote"};
    for (const std::string& v : values) {
        ASSERT_TRUE(store.WriteText("param", "k", v));
        EXPECT_EQ(store.ReadText("param", "k", "dflt"), v) << v;
    }
}

TEST_F(ProfileStoreTest, LineBreaksInAValueCannotAddKeys) {
    ProfileStore store(Path());
    ASSERT_TRUE(store.WriteText("param", "title", "x\r\n[param]\nsave_param=1"));
    EXPECT_EQ(store.ReadInt("param", "save_param", 0), 0);
    EXPECT_EQ(store.ReadText("param", "title", ""), "x  [param] save_param=1");
}

TEST_F(ProfileStoreTest, JapaneseIsStoredAsCp932) {
    ProfileStore store(Path());
    ASSERT_TRUE(store.WriteText("param", "html_title", "夏休み"));
    EXPECT_EQ(Contents(), "[param]\r\nhtml_title=" + *Utf8ToCp932("夏休み") + "\r\n");
    EXPECT_EQ(store.ReadText("param", "html_title", ""), "夏休み");
}

TEST_F(ProfileStoreTest, ACharacterOutsideCp932SwitchesTheFileToUtf8) {
    Write("[param]\r\nhtml_title=" + *Utf8ToCp932("旅行") + "\r\n");
    ProfileStore store(Path());
    const std::string flower = "桜\xF0\x9F\x8C\xB8";
    ASSERT_TRUE(store.WriteText("param", "name_bg", flower));
    EXPECT_EQ(Contents(), "[param]\r\nhtml_title=旅行\r\nname_bg=" + flower + "\r\n");
    EXPECT_EQ(store.ReadText("param", "name_bg", ""), flower);
    EXPECT_EQ(store.ReadText("param", "html_title", ""), "旅行");
    // Once the character is gone the file goes back to CP932.
    ASSERT_TRUE(store.WriteText("param", "name_bg", "桜"));
    EXPECT_EQ(Contents(), "[param]\r\nhtml_title=" + *Utf8ToCp932("旅行") +
                              "\r\nname_bg=" + *Utf8ToCp932("桜") + "\r\n");
}

TEST_F(ProfileStoreTest, TextsAreCutAt4095Bytes) {
    ProfileStore store(Path());
    Write("[param]\nk=" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(store.ReadText("param", "k", ""), std::string(4095, 'x'));
    // Never inside a character: 1365 three-byte characters fill 4095 bytes, one more is dropped.
    std::string kana;
    for (int i = 0; i < 1366; ++i) kana += "あ";
    Write("[param]\nk=x" + kana + "\n");
    std::string read = store.ReadText("param", "k", "");
    EXPECT_EQ(read.size(), 4093u);
    EXPECT_TRUE(IsValidUtf8(read));
}

TEST_F(ProfileStoreTest, BadFilesNeverCrashAndUnreadableKeysTakeDefaults) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string binary = "[param]\n";
    for (int i = 0; i < 256; ++i) binary.push_back(static_cast<char>(i));
    binary += "\nk=3\n";
    const Case cases[] = {
        {"garbage", "@@@\n[[[\n]]]\n=\n==\n[param\nk 3\n"},
        {"no equals", "[param]\nk\nkk 3\n"},
        {"binary", binary},
        {"nul bytes", std::string("[param]\nj=\0\0\0\n", 13)},
        {"half-megabyte value", "[param]\nbig=" + std::string(1 << 19, 'v') + "\n"},
        {"no section", "k=3\nj=4\n"},
        {"empty", ""},
        {"only breaks", "\r\n\n\r\r\n"},
    };
    for (const Case& c : cases) {
        Write(c.bytes);
        ProfileStore store(Path());
        const int k = store.ReadInt("param", "k", 77);
        if (std::string(c.name) == "binary") {
            EXPECT_EQ(k, 3) << c.name;
        } else {
            EXPECT_EQ(k, 77) << c.name;
        }
        EXPECT_EQ(store.ReadText("param", "absent", "d"), "d") << c.name;
        EXPECT_LE(store.ReadText("param", "big", "").size(), 4095u) << c.name;
        ASSERT_TRUE(store.WriteInt("param", "k", 5)) << c.name;
        EXPECT_EQ(store.ReadInt("param", "k", 77), 5) << c.name;
    }
}

TEST_F(ProfileStoreTest, BinaryLinesSurviveAWriteUnchanged) {
    const std::string odd = "\x80\xFF\xFE junk \x82";
    Write("[param]\r\n" + odd + "\r\nk=1\r\n");
    ProfileStore store(Path());
    ASSERT_TRUE(store.WriteInt("param", "k", 2));
    EXPECT_EQ(Contents(), "[param]\r\n" + odd + "\r\nk=2\r\n");
}

TEST_F(ProfileStoreTest, AHugeFileIsReadToItsLimitAndNeverWritten) {
    // Megabytes of blank lines once made every key read the whole file again.
    const std::string head = "[param]\r\nnear=1\r\n" + std::string(kStoredTextReadLimit, '\n');
    Write(head + "far=2\r\n");
    ProfileStore store(Path());
    const ProfileStore::Snapshot snapshot = store.Read();
    EXPECT_EQ(snapshot.ReadInt("param", "near", 0), 1);
    EXPECT_EQ(snapshot.ReadInt("param", "far", 0), 0);
    EXPECT_FALSE(store.WriteInt("param", "near", 3));
    EXPECT_TRUE(SameBytes(Contents(), head + "far=2\r\n"));
}

TEST_F(ProfileStoreTest, AWriteThatWouldPassTheReadLimitLeavesTheFileAsItWas) {
    // 23 bytes short of the limit: the first key would fit, the two together would not.
    const std::string full = "[param]\r\n" + std::string(kStoredTextReadLimit - 34, ';') + "\r\n";
    Write(full);
    ProfileStore store(Path());
    const ProfileWriteStatus status =
        store.WriteSection("param", {{"a", "1"}, {"b", std::string(30, 'x')}});
    EXPECT_EQ(status.outcome, ProfileWriteStatus::Outcome::TooLarge);
    EXPECT_TRUE(SameBytes(Contents(), full));
    EXPECT_TRUE(store.WriteSection("param", {{"a", "1"}}).Written());
    EXPECT_EQ(store.ReadInt("param", "a", 0), 1);
}

TEST_F(ProfileStoreTest, AWriteThatCannotBeDoneFailsAndLeavesNothingBehind) {
    // The profile's path is a folder: nothing can replace it, even for root.
    WriteTestFile(dir_ / "sub/keep.txt", "x");
    ProfileStore into_folder(dir_ / "sub");
    EXPECT_FALSE(into_folder.WriteInt("param", "k", 2));
    EXPECT_EQ(into_folder.ReadInt("param", "k", 9), 9);
    EXPECT_EQ(ReadTestFile(dir_ / "sub/keep.txt"), "x");
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);  // no temporary file left beside it
}

}  // namespace
