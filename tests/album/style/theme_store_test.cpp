#include "album/style/themes/theme_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "album/settings/album_settings.h"
#include "platform/file_system.h"
#include "tests/support/same_bytes.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kSilver = 0xC0C0C0;

// The themes the Style page lists from `folder` when the user's own file is kept there too.
ThemeList Listed(const std::string& folder) {
    ThemeList themes;
    for (ListedTheme& listed : LoadListedThemes(folder, folder)) {
        themes.push_back(std::move(listed.theme));
    }
    return themes;
}

struct ParseCase {
    const char* name;
    std::string text;
    std::vector<std::string> titles;  // titles of the themes expected, in order
};

class ThemeTextParsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ThemeTextParsing, KeepsExactlyTheLinesWithTenCommas) {
    std::vector<std::string> titles;
    for (const CoordinateTheme& theme : ParseThemeText(GetParam().text)) {
        titles.push_back(theme.title);
    }
    EXPECT_EQ(titles, GetParam().titles);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ThemeTextParsing,
    ::testing::Values(
        ParseCase{"empty_text_gives_nothing", "", {}},
        ParseCase{"an_empty_line_is_skipped_and_the_next_still_loads",
                  "\r\nB,#000000,#000000,#000000,#000000,1,1,1,,,\r\n",
                  {"B"}},
        ParseCase{"nine_commas_is_skipped_and_the_next_still_loads",
                  "A,#000000,#000000,#000000,#000000,1,1,1,,\r\nB,,,,,,,,,,\r\n",
                  {"B"}},
        ParseCase{
            "a_last_line_without_line_end_still_loads", "A,,,,,,,,,,\nB,,,,,,,,,,", {"A", "B"}},
        ParseCase{"lines_ended_by_a_bare_line_feed_load", "A,,,,,,,,,,\nB,,,,,,,,,,\n", {"A", "B"}},
        ParseCase{"a_line_of_ten_commas_gives_an_empty_title", ",,,,,,,,,,\r\n", {""}},
        ParseCase{"two_equal_titles_both_load", "S,,,,,,,,,,\r\nS,,,,,,,,,,\r\n", {"S", "S"}}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(ThemeLine, TenCommasGiveEmptyTitleBlackColoursAndSizesZero) {
    ThemeList themes = ParseThemeText(",,,,,,,,,,");
    ASSERT_EQ(themes.size(), 1u);
    EXPECT_EQ(themes[0], CoordinateTheme{});
}

TEST(ThemeLine, EleventhFieldStopsAtTheNextComma) {
    ThemeList themes =
        ParseThemeText("T,#112233,#445566,#778899,#aabbcc,1,2,3,bg.png,bgm.mid,hr.gif,extra,more");
    ASSERT_EQ(themes.size(), 1u);
    const CoordinateTheme& t = themes[0];
    EXPECT_EQ(t.title, "T");
    EXPECT_EQ(t.color_title, 0x332211);
    EXPECT_EQ(t.color_commen, 0x665544);
    EXPECT_EQ(t.color_thumb, 0x998877);
    EXPECT_EQ(t.color_bg, 0xccbbaa);
    EXPECT_EQ(t.size_title, 1);
    EXPECT_EQ(t.size_comment, 2);
    EXPECT_EQ(t.size_thumb, 3);
    EXPECT_EQ(t.name_bg, "bg.png");
    EXPECT_EQ(t.name_bgm, "bgm.mid");
    EXPECT_EQ(t.name_hr, "hr.gif");
}

TEST(ThemeLine, CarriageReturnBeforeTheLineFeedIsNotPartOfTheLastField) {
    ThemeList themes = ParseThemeText("T,,,,,,,,,,hr.gif\r\n");
    ASSERT_EQ(themes.size(), 1u);
    EXPECT_EQ(themes[0].name_hr, "hr.gif");
}

TEST(ThemeLine, ColoursInUpperCaseOrWithoutHashReadTheSame) {
    ThemeList themes = ParseThemeText(
        "a,#ff8000,#FF8000,ff8000,FF8000,7,4,2,,,\n"
        "b, #ff8000,#fff,zz0000,#ff8000,7,4,2,,,\n");
    ASSERT_EQ(themes.size(), 2u);
    for (int colour : {themes[0].color_title, themes[0].color_commen, themes[0].color_thumb,
                       themes[0].color_bg}) {
        EXPECT_EQ(colour, 33023);
    }
    // White space stays part of the field, so a blank before "#" shifts the digits: the eight
    // characters are read from the first, " #" as red 0, "ff" as green, "80" as blue.
    EXPECT_EQ(themes[1].color_title, 0x80FF00);
    EXPECT_EQ(themes[1].color_commen, 0);  // fewer than six characters
    EXPECT_EQ(themes[1].color_thumb, 0);   // not hexadecimal
}

TEST(ThemeLine, SizesReadLikeTheCLibrary) {
    ThemeList themes = ParseThemeText("t,,,,, 5x,-3,abc,,,\n");
    ASSERT_EQ(themes.size(), 1u);
    EXPECT_EQ(themes[0].size_title, 5);
    EXPECT_EQ(themes[0].size_comment, -3);
    EXPECT_EQ(themes[0].size_thumb, 0);
}

TEST(TakeField, SplitsAtTheFirstCommaOrTakesTheWholeLine) {
    std::string line = "ab,cd,";
    TakenField f = TakeField(line);
    EXPECT_EQ(f.field, "ab");
    EXPECT_TRUE(f.comma_found);
    EXPECT_EQ(line, "cd,");
    f = TakeField(line);
    EXPECT_EQ(f.field, "cd");
    EXPECT_TRUE(f.comma_found);
    EXPECT_EQ(line, "");
    f = TakeField(line);
    EXPECT_EQ(f.field, "");
    EXPECT_FALSE(f.comma_found);
    line = "春の海";
    f = TakeField(line);
    EXPECT_EQ(f.field, "春の海");
    EXPECT_FALSE(f.comma_found);
    EXPECT_TRUE(line.empty());
}

TEST(ThemeTitle, LetterCaseIsIgnoredButNothingElse) {
    ThemeList themes = ParseThemeText("Spring,,,,,,,,,,\n春の海,,,,,,,,,,\n");
    EXPECT_TRUE(IsThemeTitleTaken(themes, "Spring"));
    EXPECT_TRUE(IsThemeTitleTaken(themes, "SPRING"));
    EXPECT_TRUE(IsThemeTitleTaken(themes, "spring"));
    EXPECT_TRUE(IsThemeTitleTaken(themes, "春の海"));
    EXPECT_FALSE(IsThemeTitleTaken(themes, "Spring "));
    EXPECT_FALSE(IsThemeTitleTaken(themes, "Ｓｐｒｉｎｇ"));  // full-width letters differ
    EXPECT_FALSE(IsThemeTitleTaken(themes, ""));
    EXPECT_FALSE(IsThemeTitleTaken({}, "Spring"));
}

TEST(ThemeTitle, ProblemsAreNamedForCommasLineBreaksAndUnstorableCharacters) {
    EXPECT_FALSE(ThemeTitleProblem("春の海").has_value());
    EXPECT_FALSE(ThemeTitleProblem("").has_value());
    ASSERT_TRUE(ThemeTitleProblem("a,b").has_value());
    EXPECT_NE(ThemeTitleProblem("a,b")->find("カンマ"), std::string::npos);
    EXPECT_TRUE(ThemeTitleProblem("a\nb").has_value());
    EXPECT_TRUE(ThemeTitleProblem("花\xF0\x9F\x8C\xB8").has_value());  // U+1F338 has no CP932 form
}

TEST(ThemeStorage, MaterialNamesWithCommasCannotBeStored) {
    CoordinateTheme theme;
    theme.title = "t";
    EXPECT_FALSE(ThemeStorageProblem(theme).has_value());
    theme.name_bgm = "a,b.mid";
    ASSERT_TRUE(ThemeStorageProblem(theme).has_value());
    EXPECT_NE(ThemeStorageProblem(theme)->find("a,b.mid"), std::string::npos);
}

TEST(CaptureAndApply, CopyExactlyTheTenStyleValues) {
    AlbumSettings from;
    from.color_title = 1;
    from.color_commen = 2;
    from.color_thumb = 3;
    from.color_bg = 4;
    from.size_title = 5;
    from.size_comment = 6;
    from.size_thumb = 0;
    from.name_bg = "w.png";
    from.name_bgm = "m.wav";
    from.name_hr = "r.png";
    CoordinateTheme theme = CaptureTheme("T", from);
    EXPECT_EQ(theme.title, "T");

    AlbumSettings to;
    to.html_title = "keep";
    to.currect_theme = 9;
    ApplyTheme(theme, to);
    EXPECT_EQ(CaptureTheme("T", to), theme);
    EXPECT_EQ(to.html_title, "keep");
    EXPECT_EQ(to.currect_theme, 9);
}

TEST(ThemeLine, FormatsTheDefaultsAsTenCommasAndCrLf) {
    EXPECT_EQ(FormatThemeLine(CaptureTheme("T", AlbumSettings{})),
              "T,#000000,#000000,#000000,#c0c0c0,7,4,2,,,\r\n");
}

TEST(AppendUserTheme, CreatesFolderAndWritesTheDefaultsLineInCrLf) {
    TempDir dir;
    const std::string folder = dir / "THEME";
    ASSERT_TRUE(AppendUserTheme(folder, CaptureTheme("T", AlbumSettings{})));
    EXPECT_EQ(ReadTestFile(folder + "/userat.ctm"),
              "T,#000000,#000000,#000000,#c0c0c0,7,4,2,,,\r\n");

    ThemeList back = Listed(folder);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0], CaptureTheme("T", AlbumSettings{}));
    EXPECT_EQ(back[0].color_bg, kSilver);
}

TEST(AppendUserTheme, AppendsInCp932AndKeepsEarlierLines) {
    TempDir dir;
    const std::string file = dir / "userat.ctm";
    ASSERT_TRUE(WriteTestFile(file, "A,,,,,,,,,,\r\n"));
    ASSERT_TRUE(AppendUserTheme(dir.Path(), CaptureTheme("春の海", AlbumSettings{})));
    EXPECT_EQ(ReadTestFile(file),
              "A,,,,,,,,,,\r\n\x8f\x74\x82\xcc\x8a\x43,#000000,#000000,#000000,#c0c0c0,7,4,2,,,"
              "\r\n");
    ThemeList back = Listed(dir.Path());
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].title, "春の海");
}

TEST(AppendUserTheme, EndsAnUnfinishedLastLineBeforeAppending) {
    TempDir dir;
    const std::string file = dir / "userat.ctm";
    ASSERT_TRUE(WriteTestFile(file, "A,,,,,,,,,,"));
    ASSERT_TRUE(AppendUserTheme(dir.Path(), CaptureTheme("B", AlbumSettings{})));
    ThemeList back = Listed(dir.Path());
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].title, "A");
    EXPECT_EQ(back[0].name_hr, "");
    EXPECT_EQ(back[1].title, "B");
}

TEST(AppendUserTheme, KeepsAUtf8FileInUtf8) {
    TempDir dir;
    const std::string file = dir / "userat.ctm";
    ASSERT_TRUE(WriteTestFile(file, "夏,,,,,,,,,,\r\n"));
    ASSERT_TRUE(AppendUserTheme(dir.Path(), CaptureTheme("秋", AlbumSettings{})));
    EXPECT_EQ(ReadTestFile(file),
              "夏,,,,,,,,,,\r\n秋,#000000,#000000,#000000,#c0c0c0,7,4,2,,,\r\n");
    ThemeList back = Listed(dir.Path());
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].title, "夏");
    EXPECT_EQ(back[1].title, "秋");
}

TEST(AppendUserTheme, RefusesALineCp932CannotHoldAndLeavesTheFileAlone) {
    TempDir dir;
    const std::string file = dir / "userat.ctm";
    ASSERT_TRUE(WriteTestFile(file, "A,,,,,,,,,,\r\n"));
    EXPECT_FALSE(AppendUserTheme(dir.Path(), CaptureTheme("\xF0\x9F\x8C\xB8", AlbumSettings{})));
    EXPECT_EQ(ReadTestFile(file), "A,,,,,,,,,,\r\n");
}

TEST(AppendUserTheme, FailsWhenTheFileIsAFolder) {
    TempDir dir;
    std::filesystem::create_directories(dir / "userat.ctm");
    EXPECT_FALSE(AppendUserTheme(dir.Path(), CaptureTheme("T", AlbumSettings{})));
}

// A theme file of `size` bytes: one theme line whose last field fills it.
std::string ThemeFileOfSize(std::size_t size, bool ended = true) {
    const std::string head = "P,,,,,,,,,,";
    const std::string end = ended ? "\r\n" : "";
    return head + std::string(size - head.size() - end.size(), 'p') + end;
}

// A theme is appended only where the list reads it: its line must end within the first
// kStoredTextReadLimit bytes of the file; otherwise nothing is written.
struct UserFileRoomCase {
    const char* name;
    long long room;  // bytes between the file's end and the limit (negative: beyond the limit)
    bool ended;      // the file's last line has its line end
    bool appended;
};

class UserFileRoom : public ::testing::TestWithParam<UserFileRoomCase> {};

TEST_P(UserFileRoom, AppendsOnlyWhatTheListWillRead) {
    const UserFileRoomCase& c = GetParam();
    const CoordinateTheme theme = CaptureTheme("T", AlbumSettings{});
    const long long line = static_cast<long long>(FormatThemeLine(theme).size());
    TempDir dir;
    const std::string file = dir / "userat.ctm";
    const std::string before = ThemeFileOfSize(
        static_cast<std::size_t>(static_cast<long long>(kStoredTextReadLimit) - c.room - line),
        c.ended);
    ASSERT_TRUE(WriteTestFile(file, before));
    EXPECT_EQ(UserThemeFileHasRoomFor(dir.Path(), theme), c.appended);
    EXPECT_EQ(AppendUserTheme(dir.Path(), theme), c.appended);
    if (c.appended) {
        EXPECT_EQ(Listed(dir.Path()).back(), theme);
    } else {
        EXPECT_TRUE(SameBytes(ReadTestFile(file), before));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, UserFileRoom,
    ::testing::Values(UserFileRoomCase{"a_line_that_ends_at_the_limit_is_appended", 0, true, true},
                      UserFileRoomCase{"a_line_one_byte_beyond_it_is_refused", -1, true, false},
                      UserFileRoomCase{"an_unended_last_line_counts_its_line_end", 1, false, false},
                      UserFileRoomCase{"a_file_already_beyond_it_is_left_alone", -5000, true,
                                       false}),
    [](const ::testing::TestParamInfo<UserFileRoomCase>& info) {
        return std::string(info.param.name);
    });

TEST(UserThemeFile, AHugeSparseFileIsNeverReadWholeNorChanged) {
    TempDir dir;
    const std::string file = dir / "userat.ctm";
    ASSERT_TRUE(WriteTestFile(file, "A,,,,,,,,,,\r\n"));
    constexpr std::uintmax_t kSize = std::uintmax_t{64} << 30;
    std::filesystem::resize_file(file, kSize);
    const std::vector<ListedTheme> listed = LoadListedThemes(dir.Path(), dir.Path());
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_TRUE(listed[0].own);
    const CoordinateTheme theme = listed[0].theme;
    EXPECT_FALSE(UserThemeFileHasRoomFor(dir.Path(), theme));
    EXPECT_FALSE(AppendUserTheme(dir.Path(), CaptureTheme("T", AlbumSettings{})));
    EXPECT_EQ(RenameUserTheme(dir.Path(), theme, "B"), UserThemeChange::NotWritten);
    EXPECT_EQ(DeleteUserTheme(dir.Path(), theme), UserThemeChange::NotWritten);
    EXPECT_EQ(std::filesystem::file_size(file), kSize);
}

TEST(LoadListedThemes, ALineCutByTheReadLimitIsNotListed) {
    TempDir dir;
    // The limit falls after the tenth comma of the second line: read, it would name "hr".
    ASSERT_TRUE(WriteTestFile(dir / "a.ctm", ThemeFileOfSize(kStoredTextReadLimit - 13) +
                                                 "B,,,,,,,,,,hr.png\r\nC,,,,,,,,,,\r\n"));
    const ThemeList themes = Listed(dir.Path());
    ASSERT_EQ(themes.size(), 1u);
    EXPECT_EQ(themes[0].title, "P");
}

TEST(LoadListedThemes, ReadsCtmFilesInNameOrderInEitherEncoding) {
    TempDir dir;
    ASSERT_TRUE(WriteTestFile(dir / "b.ctm", "\x8f\x74,,,,,,,,,,\r\n"));  // CP932 "春"
    ASSERT_TRUE(WriteTestFile(dir / "a.ctm", "夏,,,,,,,,,,\r\n"));        // UTF-8
    ASSERT_TRUE(WriteTestFile(dir / "c.CTM", "C,,,,,,,,,,\r\n"));
    ASSERT_TRUE(WriteTestFile(dir / "notes.txt", "N,,,,,,,,,,\r\n"));
    std::filesystem::create_directories(dir / "folder.ctm");
    std::vector<std::string> titles;
    for (const CoordinateTheme& t : Listed(dir.Path())) titles.push_back(t.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"夏", "春", "C"}));
}

TEST(LoadListedThemes, MissingFolderGivesNoThemes) {
    TempDir dir;
    EXPECT_TRUE(Listed(dir / "nowhere").empty());
}

// Renaming and deleting a line of the user's file: the theme is named by its line as loaded, and
// every byte outside the change stays as it was.
struct UserFileEditCase {
    const char* name;
    std::string before;     // the file's bytes
    std::string target;     // a theme line that reads as the theme to change (UTF-8)
    const char* new_title;  // nullptr: delete
    UserThemeChange result;
    std::string after;  // the file's bytes afterwards
};

class UserFileEdit : public ::testing::TestWithParam<UserFileEditCase> {};

TEST_P(UserFileEdit, ChangesOnlyTheThemesLine) {
    const UserFileEditCase& c = GetParam();
    TempDir dir;
    const std::string file = dir / "userat.ctm";
    ASSERT_TRUE(WriteTestFile(file, c.before));
    const ThemeList target = ParseThemeText(c.target);
    ASSERT_EQ(target.size(), 1u);
    const UserThemeChange result = c.new_title ? RenameUserTheme(dir.Path(), target[0], c.new_title)
                                               : DeleteUserTheme(dir.Path(), target[0]);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(ReadTestFile(file), c.after);
}

const std::string kB = "B,#FF0000,#000000,#000000,#c0c0c0,7,4,2,,,,extra";

INSTANTIATE_TEST_SUITE_P(
    Lines, UserFileEdit,
    ::testing::Values(
        UserFileEditCase{"rename_writes_cp932_and_keeps_the_rest_of_the_line",
                         "A,,,,,,,,,,\r\n" + kB + "\r\nC,,,,,,,,,,", kB, "春",
                         UserThemeChange::Done,
                         "A,,,,,,,,,,\r\n\x8f\x74" + kB.substr(1) + "\r\nC,,,,,,,,,,"},
        UserFileEditCase{"rename_keeps_a_utf8_file_in_utf8", "夏,,,,,,,,,,\n" + kB + "\n", kB, "秋",
                         UserThemeChange::Done, "夏,,,,,,,,,,\n秋" + kB.substr(1) + "\n"},
        UserFileEditCase{"rename_refuses_a_title_cp932_cannot_hold", "A,,,,,,,,,,\r\n",
                         "A,,,,,,,,,,", "\xF0\x9F\x8C\xB8", UserThemeChange::NotWritten,
                         "A,,,,,,,,,,\r\n"},
        UserFileEditCase{"delete_removes_the_line_and_its_line_end",
                         "A,,,,,,,,,,\r\n" + kB + "\r\nC,,,,,,,,,,\r\n", kB, nullptr,
                         UserThemeChange::Done, "A,,,,,,,,,,\r\nC,,,,,,,,,,\r\n"},
        UserFileEditCase{"delete_of_an_unended_last_line", "A,,,,,,,,,,\r\nC,,,,,,,,,,",
                         "C,,,,,,,,,,", nullptr, UserThemeChange::Done, "A,,,,,,,,,,\r\n"},
        UserFileEditCase{"delete_of_the_first_line_keeps_the_byte_order_mark",
                         "\xEF\xBB\xBF夏,,,,,,,,,,\r\nC,,,,,,,,,,\r\n", "夏,,,,,,,,,,", nullptr,
                         UserThemeChange::Done,
                         "\xEF\xBB\xBF"
                         "C,,,,,,,,,,\r\n"},
        UserFileEditCase{"of_two_equal_lines_only_the_first_goes", "S,,,,,,,,,,\r\nS,,,,,,,,,,\r\n",
                         "S,,,,,,,,,,", nullptr, UserThemeChange::Done, "S,,,,,,,,,,\r\n"},
        UserFileEditCase{"a_theme_the_file_no_longer_holds_is_not_found", "A,#000001,,,,,,,,,\r\n",
                         "A,,,,,,,,,,", "Z", UserThemeChange::NotFound, "A,#000001,,,,,,,,,\r\n"}),
    [](const ::testing::TestParamInfo<UserFileEditCase>& info) {
        return std::string(info.param.name);
    });

TEST(UserFileEdit, AMissingFileHoldsNothingAndStaysMissing) {
    TempDir dir;
    EXPECT_EQ(DeleteUserTheme(dir.Path(), CoordinateTheme{}), UserThemeChange::NotFound);
    EXPECT_FALSE(std::filesystem::exists(dir / "userat.ctm"));
}

TEST(LoadListedThemes, OnlyTheLinesOfTheUsersOwnFileAreTheirs) {
    TempDir dir;
    const std::string themes = dir / "THEME";
    const std::string data = dir / "data";
    ASSERT_TRUE(WriteTestFile(themes + "/standard.ctm", "S,,,,,,,,,,\r\n"));
    ASSERT_TRUE(WriteTestFile(themes + "/userat.ctm", "U,,,,,,,,,,\r\n"));
    ASSERT_TRUE(WriteTestFile(themes + "/zz.ctm", "Z,,,,,,,,,,\r\n"));
    ASSERT_TRUE(WriteTestFile(data + "/userat.ctm", "D,,,,,,,,,,\r\n"));
    ASSERT_TRUE(WriteTestFile(data + "/more.ctm", "M,,,,,,,,,,\r\n"));
    auto own = [](const std::vector<ListedTheme>& listed) {
        std::vector<std::string> titles;
        for (const ListedTheme& t : listed) titles.push_back(t.theme.title + (t.own ? "*" : ""));
        return titles;
    };
    EXPECT_EQ(own(LoadListedThemes(themes, themes)), (std::vector<std::string>{"S", "U*", "Z"}));
    EXPECT_EQ(own(LoadListedThemes(themes, data)),
              (std::vector<std::string>{"S", "U", "Z", "M", "D*"}));
}

}  // namespace
