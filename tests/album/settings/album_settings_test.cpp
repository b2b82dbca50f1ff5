#include "album/settings/album_settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "album/settings/material_folders.h"
#include "platform/file_system.h"
#include "platform/profile_store.h"
#include "tests/support/same_bytes.h"
#include "tests/support/temp_dir.h"

namespace {

// Every stored key, in the order the profile holds them.
const std::vector<std::string> kKeysInOrder = {
    "thumbnail_x",     "thumbnail_y",     "picture_path", "html_title",      "html_comment",
    "thumbnail_cols",  "thumbnail_rows",  "html_page",    "thumbnail_fname", "thumbnail_frame",
    "thumbnail_fsize", "brws_mode",       "slide_mode",   "html_marquee",    "page_style",
    "color_title",     "color_commen",    "color_thumb",  "color_bg",        "size_title",
    "size_comment",    "size_thumb",      "name_bg",      "name_bgm",        "name_hr",
    "currect_theme",   "back_url",        "out_dir",      "html_name",       "pic_folder",
    "thumb_folder",    "material_folder", "out_sorce",    "save_param",      "read_captions",
    "date_order",      "strip_location",
};

// A settings record in which every stored field differs from its default.
AlbumSettings Unusual() {
    AlbumSettings s;
    s.thumbnail_x = 180;
    s.thumbnail_y = 50;
    s.picture_path = "/home/ann/写真/2024/";
    s.html_title = "夏休み";
    s.html_comment = "  海と山  ";
    s.thumbnail_cols = 10;
    s.thumbnail_rows = 3;
    s.html_page = 1;
    s.thumbnail_fname = 0;
    s.thumbnail_frame = 0;
    s.thumbnail_fsize = 1;
    s.brws_mode = 1;
    s.slide_mode = 1;
    s.html_marquee = 1;
    s.page_style = kModernPages;
    s.color_title = 0x0080FF;
    s.color_commen = 0xFFFFFF;
    s.color_thumb = 255;
    s.color_bg = 0;
    s.size_title = 1;
    s.size_comment = 7;
    s.size_thumb = 5;
    s.name_bg = "桜\xF0\x9F\x8C\xB8.jpg";  // a character CP932 cannot hold
    s.name_bgm = "\"song\".mid";
    s.name_hr = "line.gif";
    s.currect_theme = -1;
    s.back_url = "";
    s.out_dir = "/srv/albums";
    s.html_name = "index";
    s.pic_folder = "pics";
    s.thumb_folder = "thumbs";
    s.material_folder = "mat";
    s.out_sorce = 1;
    s.save_param = 1;
    s.read_captions = 1;
    s.date_order = 1;
    s.strip_location = 1;
    return s;
}

void ExpectSameStoredFields(const AlbumSettings& a, const AlbumSettings& b) {
    EXPECT_EQ(a.thumbnail_x, b.thumbnail_x);
    EXPECT_EQ(a.thumbnail_y, b.thumbnail_y);
    EXPECT_EQ(a.picture_path, b.picture_path);
    EXPECT_EQ(a.html_title, b.html_title);
    EXPECT_EQ(a.html_comment, b.html_comment);
    EXPECT_EQ(a.thumbnail_cols, b.thumbnail_cols);
    EXPECT_EQ(a.thumbnail_rows, b.thumbnail_rows);
    EXPECT_EQ(a.html_page, b.html_page);
    EXPECT_EQ(a.thumbnail_fname, b.thumbnail_fname);
    EXPECT_EQ(a.thumbnail_frame, b.thumbnail_frame);
    EXPECT_EQ(a.thumbnail_fsize, b.thumbnail_fsize);
    EXPECT_EQ(a.brws_mode, b.brws_mode);
    EXPECT_EQ(a.slide_mode, b.slide_mode);
    EXPECT_EQ(a.html_marquee, b.html_marquee);
    EXPECT_EQ(a.color_title, b.color_title);
    EXPECT_EQ(a.color_commen, b.color_commen);
    EXPECT_EQ(a.color_thumb, b.color_thumb);
    EXPECT_EQ(a.color_bg, b.color_bg);
    EXPECT_EQ(a.size_title, b.size_title);
    EXPECT_EQ(a.size_comment, b.size_comment);
    EXPECT_EQ(a.size_thumb, b.size_thumb);
    EXPECT_EQ(a.name_bg, b.name_bg);
    EXPECT_EQ(a.name_bgm, b.name_bgm);
    EXPECT_EQ(a.name_hr, b.name_hr);
    EXPECT_EQ(a.currect_theme, b.currect_theme);
    EXPECT_EQ(a.page_style, b.page_style);
    EXPECT_EQ(a.back_url, b.back_url);
    EXPECT_EQ(a.out_dir, b.out_dir);
    EXPECT_EQ(a.html_name, b.html_name);
    EXPECT_EQ(a.pic_folder, b.pic_folder);
    EXPECT_EQ(a.thumb_folder, b.thumb_folder);
    EXPECT_EQ(a.material_folder, b.material_folder);
    EXPECT_EQ(a.out_sorce, b.out_sorce);
    EXPECT_EQ(a.save_param, b.save_param);
    EXPECT_EQ(a.read_captions, b.read_captions);
    EXPECT_EQ(a.date_order, b.date_order);
    EXPECT_EQ(a.strip_location, b.strip_location);
}

void ExpectFirstStartDefaults(const AlbumSettings& s) {
    EXPECT_EQ(s.html_title, "MY ALUBUM");
    EXPECT_EQ(s.html_comment, "ここに全体のコメントを書く");
    EXPECT_EQ(s.thumbnail_x, 100);
    EXPECT_EQ(s.thumbnail_y, 100);
    EXPECT_EQ(s.thumbnail_cols, 5);
    EXPECT_EQ(s.thumbnail_rows, 1);
    EXPECT_EQ(s.thumbnail_fname, 1);
    EXPECT_EQ(s.thumbnail_frame, 1);
    EXPECT_EQ(s.html_page, 0);
    EXPECT_EQ(s.color_bg, 12632256);
    EXPECT_EQ(s.size_title, 7);
    EXPECT_EQ(s.size_comment, 4);
    EXPECT_EQ(s.size_thumb, 2);
    EXPECT_EQ(s.out_dir, "~/MyAlbum");
    EXPECT_EQ(s.html_name, "my");
    EXPECT_EQ(s.pic_folder, "my_p");
    EXPECT_EQ(s.thumb_folder, "my_t");
    EXPECT_EQ(s.material_folder, "material");
    EXPECT_EQ(s.picture_path, "");
    EXPECT_EQ(s.back_url, "");
    EXPECT_EQ(s.save_param, 0);
    EXPECT_EQ(s.read_captions, 0);
    EXPECT_EQ(s.date_order, 0);
    EXPECT_EQ(s.strip_location, 0);
    EXPECT_EQ(s.page_style, kClassicPages);
}

std::vector<std::string> KeysOfFile(const std::string& text) {
    std::vector<std::string> keys;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) keys.push_back(line.substr(0, eq));
    }
    return keys;
}

class AlbumSettingsTest : public ::testing::Test {
  protected:
    std::string Path() const { return dir_ / "Pictavo.INI"; }
    TempDir dir_;
};

TEST_F(AlbumSettingsTest, FirstStartWithoutProfileGivesTheDefaults) {
    AlbumSettings settings = Unusual();
    settings.html_only = 1;
    LoadSettings(ProfileStore(Path()), settings);
    ExpectFirstStartDefaults(settings);
    EXPECT_EQ(settings.html_only, 1);  // not stored, so loading leaves it alone
    ExpectFirstStartDefaults(AlbumSettings{});
}

TEST_F(AlbumSettingsTest, SaveWritesEveryKeyInProfileOrder) {
    ProfileStore profile(Path());
    SaveSettings(profile, AlbumSettings{});
    const std::string text = ReadTestFile(Path());
    EXPECT_EQ(text.substr(0, 9), "[param]\r\n");
    EXPECT_EQ(KeysOfFile(text), kKeysInOrder);
    EXPECT_NE(text.find("\r\nback_url=\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\ncolor_bg=12632256\r\n"), std::string::npos);
    EXPECT_EQ(text.find("html_only"), std::string::npos);
}

TEST_F(AlbumSettingsTest, EveryFieldSurvivesSaveAndLoad) {
    ProfileStore profile(Path());
    const AlbumSettings saved = Unusual();
    SaveSettings(profile, saved);
    AlbumSettings loaded;
    LoadSettings(profile, loaded);
    ExpectSameStoredFields(loaded, saved);
    // Saving again over the existing file changes nothing.
    const std::string first = ReadTestFile(Path());
    SaveSettings(profile, loaded);
    EXPECT_EQ(ReadTestFile(Path()), first);
}

TEST_F(AlbumSettingsTest, AProfileNearItsSizeLimitIsSavedWholeOrNotAtAll) {
    // Another program's lines fill the file to 500 bytes short of the limit, the settings follow.
    AlbumSettings before;
    before.html_comment = std::string(2000, 'c');
    TempDir scratch;
    ProfileStore alone(scratch / "alone.ini");
    ASSERT_TRUE(SaveSettings(alone, before).Written());
    const std::string section = ReadTestFile(alone.Path());
    std::string other = "[recent]\r\n";
    while (other.size() + section.size() < kStoredTextReadLimit - 1000)
        other += "file=" + std::string(57, 'f') + "\r\n";
    other +=
        "pad=" + std::string(kStoredTextReadLimit - 500 - other.size() - section.size() - 8, 'p') +
        "\r\n\r\n";
    ASSERT_TRUE(WriteTestFile(Path(), other + section));
    ProfileStore profile(Path());

    // The title grows before the comment shrinks: written key by key, the file would pass the
    // limit half way and refuse every later key, the output folder the user typed among them.
    AlbumSettings typed = before;
    typed.html_title = std::string(1500, 't');
    typed.html_comment = "短い";
    typed.out_dir = "/srv/アルバム/夏";
    ASSERT_TRUE(SaveSettings(profile, typed).Written());
    AlbumSettings loaded;
    LoadSettings(profile, loaded);
    ExpectSameStoredFields(loaded, typed);
    const std::string saved = ReadTestFile(Path());
    EXPECT_TRUE(SameBytes(saved.substr(0, other.size()), other));

    // A save the reader could not read to its end is not made at all.
    AlbumSettings larger = typed;
    larger.html_comment = std::string(4000, 'c');
    EXPECT_EQ(SaveSettings(profile, larger).outcome, ProfileWriteStatus::Outcome::TooLarge);
    EXPECT_TRUE(SameBytes(ReadTestFile(Path()), saved));
}

TEST_F(AlbumSettingsTest, ValuesAreLoadedWithoutRangeChecks) {
    WriteTestFile(Path(),
                  "[param]\r\nthumbnail_cols=25\r\nthumbnail_x=-7\r\nsize_title=0\r\n"
                  "color_bg=abc\r\n");
    AlbumSettings settings;
    LoadSettings(ProfileStore(Path()), settings);
    EXPECT_EQ(settings.thumbnail_cols, 25);
    EXPECT_EQ(settings.thumbnail_x, -7);
    EXPECT_EQ(settings.size_title, 0);
    EXPECT_EQ(settings.color_bg, 0);  // not a number: the platform's conversion gives 0
    EXPECT_EQ(settings.thumbnail_rows, 1);
}

TEST_F(AlbumSettingsTest, ProfileWrittenInCp932ReadsBackAsJapanese) {
    const std::string utf8 =
        "[param]\r\nhtml_title=家族旅行　２０２４\r\nhtml_comment=ここに全体のコメントを書く\r\n";
    const std::string utf8_file = dir_ / "utf8.txt";
    WriteTestFile(utf8_file, utf8);
    const std::string cmd = "iconv -f UTF-8 -t CP932 " + utf8_file + " > " + Path();
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    ASSERT_NE(ReadTestFile(Path()), utf8);  // really converted

    AlbumSettings settings;
    LoadSettings(ProfileStore(Path()), settings);
    EXPECT_EQ(settings.html_title, "家族旅行　２０２４");
    EXPECT_EQ(settings.html_comment, "ここに全体のコメントを書く");
}

TEST_F(AlbumSettingsTest, BadProfilesNeverCrashAndTakeDefaults) {
    std::string binary;
    for (int i = 0; i < 256; ++i) binary.push_back(static_cast<char>(255 - i));
    const std::string cases[] = {
        "garbage\r\n[param\r\n=5\r\nthumbnail_cols\r\n",
        "[param]\r\n" + binary + "\r\nthumbnail_x\r\n",
        "[param]\r\nhtml_title=" + std::string(1 << 20, 'T') + "\r\n",
        "thumbnail_cols=9\r\n[other]\r\nthumbnail_cols=9\r\n",
    };
    for (const std::string& bytes : cases) {
        WriteTestFile(Path(), bytes);
        AlbumSettings settings;
        settings.html_title = "MY ALUBUM";
        LoadSettings(ProfileStore(Path()), settings);
        EXPECT_EQ(settings.thumbnail_cols, 5);
        EXPECT_EQ(settings.thumbnail_x, 100);
        EXPECT_LE(settings.html_title.size(), 4095u);
        EXPECT_EQ(settings.out_dir, "~/MyAlbum");
    }
}

TEST(AlbumSettingsPaths, ProfilePathAndOutputFolder) {
    const char* old_xdg = std::getenv("XDG_CONFIG_HOME");
    const char* old_home = std::getenv("HOME");
    const std::string saved_xdg = old_xdg ? old_xdg : "";
    const std::string saved_home = old_home ? old_home : "";
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    setenv("HOME", "/home/ann", 1);

    EXPECT_EQ(DefaultProfilePath(), "/cfg/Pictavo.INI");
    AlbumSettings s;
    EXPECT_EQ(AlbumOutputFolder(s), "/home/ann/MyAlbum/");
    s.out_dir = "/srv/album/";
    EXPECT_EQ(AlbumOutputFolder(s), "/srv/album/");
    s.picture_path = "/photos/2024";
    s.out_sorce = 1;
    EXPECT_EQ(AlbumOutputFolder(s), "/photos/2024/");

    if (old_xdg)
        setenv("XDG_CONFIG_HOME", saved_xdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    if (old_home)
        setenv("HOME", saved_home.c_str(), 1);
    else
        unsetenv("HOME");
}

TEST(MaterialFolders, FormedUnderTheStartDirectory) {
    struct Case {
        std::string start, prefix;
    };
    const Case cases[] = {
        {"/opt/pictavo", "/opt/pictavo/"},
        {"/opt/pictavo/", "/opt/pictavo/"},
        {"/", "/"},
    };
    for (const Case& c : cases) {
        MaterialFolders m = MaterialFolders::FromStartDirectory(c.start);
        EXPECT_EQ(m.start, c.prefix);
        EXPECT_EQ(m.sound, c.prefix + "Material/SOUND/");
        EXPECT_EQ(m.wallpaper, c.prefix + "Material/BKGROUND/");
        EXPECT_EQ(m.rule, c.prefix + "Material/BORDER/");
        EXPECT_EQ(m.theme, c.prefix + "Material/THEME/");
    }
}

}  // namespace
