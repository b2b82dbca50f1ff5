#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "album/cli/run_cli.h"
#include "album/cli/setting_overrides.h"
#include "album/cli/xdg_shell_opener.h"
#include "album/generation/album_manifest.h"
#include "album/generation/album_pipeline.h"
#include "album/settings/album_settings.h"
#include "album/settings/output_names.h"
#include "imaging/image_library.h"
#include "imaging/imgkit.h"
#include "platform/profile_store.h"
#include "platform/text_encoding.h"
#include "tests/imaging/imaging_test_support.h"
#include "tests/reliability/failing_storage.h"
#include "tests/reliability/linked_entries.h"
#include "tests/reliability/signalled_run.h"
#include "tests/support/location_readback.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

// The tests read the album's pictures afterwards, so the imaging layer stays loaded for them.
CliRun RunWith(std::vector<std::string> args, const ConsoleInput& input = {}) {
    static const bool loaded = [] {
        RecordingUserDialogs dialogs;
        return ImageLibrary::Load(dialogs);
    }();
    EXPECT_TRUE(loaded);
    std::ostringstream out, err;
    int code = RunCli(args, out, err, input);
    return {code, out.str(), err.str()};
}

std::string PercentDecode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Every SRC and HREF of a page that names a file of the album, decoded as a browser would.
std::vector<std::string> LocalLinks(const std::string& page_bytes) {
    const std::string page = Cp932ToUtf8(page_bytes);
    std::vector<std::string> links;
    const std::regex attribute("(SRC|HREF)=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), attribute);
         it != std::sregex_iterator(); ++it) {
        std::string value = (*it)[2];
        if (value.rfind("http", 0) == 0) continue;
        // The attribute's "&amp;" first, then the URL's escapes.
        for (std::size_t at = 0; (at = value.find("&amp;", at)) != std::string::npos; ++at) {
            value.erase(at + 1, 4);
        }
        links.push_back(PercentDecode(value));
    }
    return links;
}

TEST(PictavoCli, EveryLinkOfTheTestPhotosAlbumReachesAFile) {
    TempDir dir;
    CliRun run = RunWith({"--profile", dir / "none.ini", "-q", "-o", dir / "album", "--set",
                          "html_page=1", "--set", "thumbnail_cols=3", "--set", "thumbnail_rows=2",
                          "--set", "slide_mode=1", TestDataPath("photos")});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, dir / "album/my.html\n");
    std::set<std::string> linked;
    for (const char* page : {"my.html", "my2.html", "my3.html"}) {
        const std::string bytes = ReadTestFile(dir / (std::string("album/") + page));
        ASSERT_FALSE(bytes.empty()) << page;
        for (const std::string& link : LocalLinks(bytes)) {
            EXPECT_TRUE(fs::exists(dir / ("album/" + link))) << page << ": " << link;
            linked.insert(link);
        }
    }
    EXPECT_FALSE(fs::exists(dir / "album/my4.html"));
    for (const char* name : {"桜.jpg", "富士山の夕日.JPG", "Two Dogs & Window.jpg"}) {
        EXPECT_TRUE(linked.count(std::string("my_p/") + name)) << name;
        EXPECT_TRUE(linked.count(std::string("my_t/_") + name)) << name;
    }
    // 13 pictures and 13 thumbnails, plus the paging links between the three pages.
    EXPECT_EQ(linked.size(), 13u * 2 + 3);
    EXPECT_TRUE(linked.count("my2.html"));
    EXPECT_TRUE(fs::exists(dir / "album/my3s.html"));
}

TEST(PictavoCli, ThumbnailsOfOrientedPhotosAreUpright) {
    TempDir dir;
    CliRun run = RunWith({"--profile", dir / "none.ini", "-q", "-o", dir / "album",
                          TestDataPath("exif-orientation")});
    ASSERT_EQ(run.code, 0) << run.err;
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(TestDataPath("exif-orientation"))) {
        const std::string name = entry.path().filename();
        if (entry.path().extension() != ".jpg") continue;
        const bool portrait = name.rfind("Portrait", 0) == 0;
        const ImgKitSize expected =
            FitThumbnail(100, 100, portrait ? 1200 : 1800, portrait ? 1800 : 1200);
        EXPECT_EQ(ImgKitUprightSize(dir / ("album/my_t/_" + name)), expected) << name;
        EXPECT_LT(DistanceFromUprightOrientationPhoto(dir / ("album/my_t/_" + name), portrait), 12)
            << name;
        // The copy is the file itself, whose tag browsers honour.
        EXPECT_EQ(ReadTestFile(dir / ("album/my_p/" + name)), ReadTestFile(entry.path()));
        ++checked;
    }
    EXPECT_EQ(checked, 18);
}

TEST(PictavoCli, PicturesWithTheLongestNamesAreCopiedThumbnailedAndLinked) {
    TempDir dir;
    std::string japanese;  // 85 characters, 247 bytes
    for (int i = 0; i < 81; ++i) japanese += "写";
    japanese += ".jpg";
    const std::string long_name = std::string(246, 'a') + ".jpg";     // 250 bytes
    const std::string longest_name = std::string(251, 'b') + ".jpg";  // 255 bytes: no room for "_"
    fs::create_directories(dir / "pics");
    for (const std::string& name : {japanese, long_name, longest_name})
        fs::copy_file(TestDataPath("jpeg/good/ljt_testorig.jpg"), dir / ("pics/" + name));
    CliRun run = RunWith({"--profile", dir / "none.ini", "-q", "-o", dir / "album", dir / "pics"});
    // The one thumbnail the file system cannot name is reported, and the job counts as failed.
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find(dir / ("pics/" + longest_name) + " (ｴﾗｰ)" + kAlbumThumbnailFailed),
              std::string::npos)
        << run.err;
    std::set<std::string> linked;
    for (const std::string& link : LocalLinks(ReadTestFile(dir / "album/my.html"))) {
        EXPECT_TRUE(fs::exists(dir / ("album/" + link))) << link;
        linked.insert(link);
    }
    for (const std::string& name : {japanese, long_name, longest_name}) {
        EXPECT_EQ(ReadTestFile(dir / ("album/my_p/" + name)), ReadTestFile(dir / ("pics/" + name)));
        EXPECT_TRUE(linked.count("my_p/" + name)) << name;
    }
    for (const std::string& name : {japanese, long_name}) {
        EXPECT_EQ(ImgKitUprightSize(dir / ("album/my_t/_" + name)), (ImgKitSize{100, 66}));
        EXPECT_TRUE(linked.count("my_t/_" + name)) << name;
    }
    // A thumbnail name one byte too long for the file system: the page shows the picture itself.
    EXPECT_FALSE(linked.count("my_t/_" + longest_name));
}

TEST(PictavoCli, SettingsCommentsTurnsAndSelectionReachTheAlbum) {
    TempDir dir;
    fs::create_directories(dir / "pics");
    fs::copy_file(TestDataPath("jpeg/good/ljt_testorig.jpg"), dir / "pics/a.jpg");
    fs::copy_file(TestDataPath("jpeg/good/ljt_testorig.jpg"), dir / "pics/b.jpg");
    fs::copy_file(TestDataPath("gif/ig_sample_1.gif"), dir / "pics/c.gif");
    CliRun run =
        RunWith({"--profile", dir / "none.ini", "-q", "-o", dir / "album/", "--set",
                 "html_title=夏休み", "--set", "color_bg=#ff8000", "--select", "a.jpg", "--select",
                 "c.gif", "--comment", "a.jpg=line 1\\nline=2", "--turn", "a.jpg=3", dir / "pics"});
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string page = Cp932ToUtf8(ReadTestFile(dir / "album/my.html"));
    EXPECT_NE(page.find("<TITLE>夏休み</TITLE>"), std::string::npos);
    EXPECT_NE(page.find("BGCOLOR=\"#ff8000\""), std::string::npos);
    EXPECT_NE(page.find("<BR>line&nbsp;1<BR>line=2\r\n"), std::string::npos);
    EXPECT_EQ(page.find("b.jpg"), std::string::npos);
    EXPECT_EQ(ImgKitUprightSize(dir / "album/my_p/a.jpg"), (ImgKitSize{149, 227}));
    EXPECT_FALSE(fs::exists(dir / "album/my_p/b.jpg"));
}

TEST(PictavoCli, OrderCaptionsAndLocationRemovalReachTheAlbum) {
    TempDir dir;
    fs::create_directories(dir / "pics");
    fs::copy_file(TestDataPath("metadata/date_b_paris.jpg"), dir / "pics/a.jpg");
    fs::copy_file(TestDataPath("metadata/date_a_tokyo.jpg"), dir / "pics/b.jpg");
    fs::copy_file(TestDataPath("metadata/caption_every_field.jpg"), dir / "pics/c.jpg");
    fs::copy_file(TestDataPath("metadata/location_everywhere_32.jpg"), dir / "pics/d.jpg");
    CliRun run = RunWith({"--profile", dir / "none.ini", "-q", "-o", dir / "album/", "--order",
                          "date", "--captions", "--strip-location", dir / "pics"});
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string page = Cp932ToUtf8(ReadTestFile(dir / "album/my.html"));
    EXPECT_LT(page.find("ALT=\"b.jpg\""), page.find("ALT=\"a.jpg\""));
    EXPECT_LT(page.find("ALT=\"a.jpg\""), page.find("ALT=\"c.jpg\""));
    EXPECT_NE(page.find("XMPの説明"), std::string::npos);
    EXPECT_EQ(LocationReadBack(dir / "album/my_p/d.jpg"), "");
}

TEST(PictavoCli, InsideThePictureFolderThePictureFolderNameIsEmptied) {
    TempDir dir;
    fs::create_directories(dir / "pics");
    fs::copy_file(TestDataPath("jpeg/good/ljt_testorig.jpg"), dir / "pics/a.jpg");
    CliRun run = RunWith({"--profile", dir / "none.ini", "-q", "--set", "out_sorce=1", "--set",
                          "out_dir=relative.ext", dir / "pics"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, dir / "pics/my.html\n");
    EXPECT_NE(ReadTestFile(dir / "pics/my.html").find("<A HREF=\"a.jpg\""), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "pics/my_t/_a.jpg"));
    EXPECT_FALSE(fs::exists(dir / "pics/my_p"));
}

TEST(PictavoCli, ProfileValuesAreReadAndHtmlOnlyLeavesPicturesAlone) {
    TempDir dir;
    fs::create_directories(dir / "pics");
    fs::copy_file(TestDataPath("jpeg/good/ljt_testorig.jpg"), dir / "pics/a.jpg");
    ProfileStore profile(dir / "p.ini");
    profile.WriteText("param", "html_name", "index");
    profile.WriteText("param", "out_dir", dir / "album");
    CliRun run = RunWith({"--profile", dir / "p.ini", "-q", "--html-only", dir / "pics"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(fs::exists(dir / "album/index.html"));
    EXPECT_FALSE(fs::exists(dir / "album/my_p"));
    EXPECT_FALSE(fs::exists(dir / "album/my_t"));
}

TEST(PictavoCli, AJobThatFailsExitsWithOneAndSaysWhy) {
    TempDir dir;
    fs::create_directories(dir / "empty");
    fs::copy_file(TestDataPath("jpeg/good/ljt_testorig.jpg"), dir / "a.jpg");
    ASSERT_TRUE(WriteTestFile(dir / "a_file", "x"));
    fs::create_directories(dir / "taken/my.html");  // a folder where the first page goes
    const struct {
        std::string out;
        std::string pictures;
        const char* message;
    } cases[] = {
        {dir / "album", dir / "empty", "画像ﾌｧｲﾙが選択されていません。"},
        {dir / "a_file/album", dir.Path(), "ディレクトリの作成に失敗しました"},
        {dir / "taken", dir.Path(), "書きこみモードでファイルをオープンできませんでした。"},
    };
    for (const auto& c : cases) {
        CliRun run = RunWith({"--profile", dir / "none.ini", "-q", "-o", c.out, c.pictures});
        EXPECT_EQ(run.code, 1) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
}

// Whatever the album lacks, the build says so and exits with 1, printing no first page.
struct MissingPartCase {
    const char* name;
    std::function<void(const TempDir&)> prepare;  // before the build, on dir/src and dir/album
    const char* said;                             // a text stderr must hold
    bool offers_browser;  // the pages were all written: the album may still be looked at
};

void PrintTo(const MissingPartCase& c, std::ostream* os) {
    *os << c.name;
}

class PictavoCliMissingPart : public ::testing::TestWithParam<MissingPartCase> {};

TEST_P(PictavoCliMissingPart, FailsTheJob) {
    TempDir dir;
    fs::create_directories(dir / "src");
    fs::create_directories(dir / "album");
    for (const char* name : {"aitzgorri_mountains.jpg", "dune_grass.jpg", "storm_road.jpg"})
        fs::copy_file(TestDataPath(std::string("photos/") + name),
                      dir / ("src/" + std::string(name)));
    GetParam().prepare(dir);
    CliRun run;
    {
        // A disk that fills up is a file size limit here (see the case below).
        std::unique_ptr<FileSizeLimit> limit;
        if (std::string(GetParam().name) == "DiskFull")
            limit = std::make_unique<FileSizeLimit>(64 * 1024);
        // Asked at a terminal, the question comes only after a complete set of pages.
        run = RunWith({"--profile", dir / "none.ini", "--set", "slide_mode=1", "-o", dir / "album",
                       dir / "src"},
                      {true, [] { return std::optional<std::string>("n"); }});
    }
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find(GetParam().said), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("今すぐブラウザで見ますか？") != std::string::npos,
              GetParam().offers_browser)
        << run.err;
    EXPECT_TRUE(run.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PictavoCliMissingPart,
    ::testing::Values(
        MissingPartCase{"PictureFolderInTheWay",
                        [](const TempDir& d) { WriteTestFile(d / "album/my_p", "a file"); },
                        "ディレクトリの作成に失敗しました", true},
        MissingPartCase{"PictureThatCannotBeRead",
                        [](const TempDir& d) { WriteTestFile(d / "src/broken.jpg", "no JPEG"); },
                        "/src/broken.jpg (ｴﾗｰ)画像を読み込めませんでした\n", true},
        MissingPartCase{"PageThatCannotBeOpened",
                        [](const TempDir& d) { fs::create_directories(d / "album/mys.html"); },
                        "書きこみモードでファイルをオープンできませんでした。", false},
        // The photographs are larger than 64 KB, their thumbnails and the pages smaller.
        MissingPartCase{"DiskFull", [](const TempDir&) {},
                        "/src/dune_grass.jpg (ｴﾗｰ)ﾌｧｲﾙのコピーに失敗しました\n", true}),
    [](const auto& info) { return std::string(info.param.name); });

// SIGINT in the middle of the pictures: the ones in flight are finished, no page is written, no
// temporary file is left, and the program exits as stopped by the signal.
TEST(PictavoCli, SigintStopsTheBuildBeforeThePages) {
    RecordingUserDialogs load_dialogs;
    ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
    TempDir dir;
    const std::string original = ReadTestFile(TestDataPath("photos/dune_grass.jpg"));
    for (int i = 0; i < 24; ++i)
        WriteTestFile(dir / ("src/p" + std::to_string(10 + i) + ".jpg"), original);
    std::vector<std::string> args = {PICTAVO_CLI_PATH, "--profile", dir / "none.ini", "-o",
                                     dir / "album",    dir / "src"};
    for (int i = 0; i < 24; ++i) {
        args.push_back("--turn");  // turned pictures take long enough to be caught in flight
        args.push_back("p" + std::to_string(10 + i) + ".jpg=1");
    }
    const SignalledRun run = RunAndSignal(args, "1/24 サムネイルを作成しています...", SIGINT);
    ASSERT_TRUE(run.signalled) << run.err;
    EXPECT_EQ(run.exit_code, 130) << run.err;
    EXPECT_NE(run.err.find(kAlbumStopped), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "album/my.html"));
    const std::map<std::string, std::string> copies = FolderContents(dir / "album/my_p");
    EXPECT_LT(copies.size(), 24u);
    for (const auto& [name, bytes] : copies) {
        EXPECT_EQ(name.front(), 'p') << "a temporary file was left";
        EXPECT_EQ(ImgKitUprightSize(dir / ("album/my_p/" + name)), (ImgKitSize{1050, 1680}));
    }
    for (const auto& [name, bytes] : FolderContents(dir / "src"))
        EXPECT_EQ(bytes, original) << name;
}

// A build stopped (SIGTERM, as the stop button) or killed outright (as by a power cut) in the
// middle of its pictures, then run again, ends with the files of a clean build: nothing
// half-written is kept, nothing finished is lost.
TEST(PictavoCli, ABuildStoppedOrKilledMidwayAndRunAgainEndsAsACleanBuild) {
    TempDir dir;
    const std::string photo = ReadTestFile(TestDataPath("photos/dune_grass.jpg"));
    for (int i = 0; i < 24; ++i) {
        // Each picture its own bytes, so that no two share a record.
        WriteTestFile(dir / ("src/p" + std::to_string(10 + i) + ".jpg"),
                      photo + std::string(static_cast<std::size_t>(i), '\0'));
    }
    auto args = [&](const std::string& out) {
        std::vector<std::string> a = {PICTAVO_CLI_PATH, "--profile", dir / "none.ini", "-o",
                                      dir / out,        dir / "src"};
        for (int i = 0; i < 24; i += 2) {
            a.push_back("--turn");
            a.push_back("p" + std::to_string(10 + i) + ".jpg=1");
        }
        return a;
    };
    // Every file but the record itself, which names each folder's own files.
    auto files = [](const fs::path& folder) {
        std::map<std::string, std::string> all;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file() && entry.path().filename() != kAlbumManifestName)
                all[fs::relative(entry.path(), folder)] = ReadTestFile(entry.path());
        }
        return all;
    };
    ASSERT_EQ(RunAndSignal(args("clean"), "", 0).exit_code, 0);
    const std::map<std::string, std::string> clean = files(dir / "clean");
    EXPECT_EQ(clean.size(), 24u * 2 + 1);
    for (const int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        fs::remove_all(dir / "album");
        const SignalledRun cut =
            RunAndSignal(args("album"), "3/24 サムネイルを作成しています...", signal);
        ASSERT_TRUE(cut.signalled) << cut.err;
        EXPECT_EQ(cut.exit_code, signal == SIGTERM ? 143 : -1);
        ASSERT_EQ(RunAndSignal(args("album"), "", 0).exit_code, 0);
        EXPECT_TRUE(files(dir / "album") == clean);
    }
}

// SIGTERM while the pages are written: no page is begun after it, standard error says how many
// were made, and the program exits as stopped by the signal.
TEST(PictavoCli, SigtermDuringThePagesStartsNoFurtherPage) {
    constexpr int kPages = 5000;
    TempDir dir;
    for (int i = 0; i < kPages; ++i)
        WriteTestFile(dir / ("src/g" + std::to_string(i) + ".gif"), "");
    const SignalledRun run =
        RunAndSignal({PICTAVO_CLI_PATH, "--profile", dir / "none.ini", "--html-only", "--set",
                      "html_page=1", "--set", "thumbnail_cols=1", "-o", dir / "album", dir / "src"},
                     "1/" + std::to_string(kPages) + " HTMLを作成しています...", SIGTERM);
    ASSERT_TRUE(run.signalled) << run.err;
    EXPECT_EQ(run.exit_code, 143) << run.err;
    int pages = 0;
    for (const auto& [name, bytes] : FolderContents(dir / "album"))
        pages += name.size() > 5 && name.substr(name.size() - 5) == ".html";
    EXPECT_LT(pages, kPages);
    EXPECT_NE(
        run.err.find(std::string(kAlbumStoppedInPages) + "\n" + AlbumPagesLine(pages, kPages)),
        std::string::npos)
        << pages;
}

// Under a file-size limit (ulimit -f) the real program lists the copies too large for it and
// finishes the album, ending with 1 instead of being killed.
TEST(PictavoCli, AFileSizeLimitFailsOnlyTheFilesBeyondIt) {
    TempDir dir;
    fs::create_directories(dir / "src");
    fs::copy_file(TestDataPath("photos/dune_grass.jpg"), dir / "src/dune.jpg");
    fs::copy_file(TestDataPath("jpeg/good/ljt_testorig.jpg"), dir / "src/small.jpg");
    const SignalledRun run = RunUnderFileSizeLimit(
        {PICTAVO_CLI_PATH, "--profile", dir / "none.ini", "-q", "-o", dir / "album", dir / "src"},
        64 * 1024);
    EXPECT_EQ(run.exit_code, 1) << run.err;
    EXPECT_NE(run.err.find(dir / "src/dune.jpg (ｴﾗｰ)ﾌｧｲﾙのコピーに失敗しました\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(ReadTestFile(dir / "album/my_p/small.jpg"), ReadTestFile(dir / "src/small.jpg"));
    EXPECT_TRUE(fs::exists(dir / "album/my.html"));
    EXPECT_FALSE(fs::exists(dir / "album/my_p/dune.jpg"));
}

struct UsageCase {
    std::vector<std::string> args;
    const char* message;
    const char* profile = "";  // the profile's text, when the case needs one
    bool bind = false;         // TOP/bind is a bind mount of the pictures
};

class PictavoCliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(PictavoCliUsage, IsRefusedWithExitCodeTwo) {
    TempDir dir;
    fs::create_directories(dir / "pics");
    fs::copy_file(TestDataPath("gif/ig_sample_1.gif"), dir / "pics/c.gif");
    fs::create_directory_symlink(dir / "pics", dir / "link");
    std::unique_ptr<BindMount> bind;
    if (GetParam().bind) {
        bind = std::make_unique<BindMount>(dir / "pics", dir / "bind");
        if (!bind->Mounted()) GTEST_SKIP() << "this machine does not allow a bind mount";
    }
    if (*GetParam().profile != '\0') WriteTestFile(dir / "none.ini", GetParam().profile);
    std::vector<std::string> args = {"--profile", dir / "none.ini", "-q"};
    // Words at the start of an argument stand for folders of the test: PICS the pictures, OUT the
    // album, LINK a link to the pictures, TOP the folder that holds them.
    const std::pair<std::string, std::string> places[] = {{"PICS", dir / "pics"},
                                                          {"OUT", dir / "album"},
                                                          {"LINK", dir / "link"},
                                                          {"TOP", dir.Path()}};
    for (std::string a : GetParam().args) {
        for (const auto& [word, place] : places) {
            if (a.rfind(word, 0) == 0) {
                a = place + a.substr(word.size());
                break;
            }
        }
        args.push_back(a);
    }
    CliRun run = RunWith(args);
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(dir / "album"));
    EXPECT_FALSE(fs::exists(dir / "escape"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "pics"), fs::directory_iterator()), 1)
        << "something was made among the pictures";
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, PictavoCliUsage,
    ::testing::Values(
        UsageCase{{"-o", "OUT"}, "PICTURE_FOLDER を指定してください"},
        UsageCase{{"-o", "OUT", "PICS", "PICS"}, "一つだけ"},
        UsageCase{{"-o", "OUT", "--bogus", "PICS"}, "bogus"},
        UsageCase{{"-o", "OUT", "--set", "no_such_key=1", "PICS"}, "no_such_key"},
        UsageCase{{"-o", "OUT", "--set", "thumbnail_x", "PICS"}, "KEY=VALUE"},
        UsageCase{{"-o", "OUT", "--set", "thumbnail_x=49", "PICS"}, "50 から 180"},
        UsageCase{{"-o", "OUT", "--set", "thumbnail_y=181", "PICS"}, "50 から 180"},
        UsageCase{{"-o", "OUT", "--set", "thumbnail_cols=0", "PICS"}, "1 から 10"},
        UsageCase{{"-o", "OUT", "--set", "thumbnail_rows=11", "PICS"}, "1 から 10"},
        UsageCase{{"-o", "OUT", "--set", "size_title=8", "PICS"}, "1 から 7"},
        UsageCase{{"-o", "OUT", "--set", "slide_mode=2", "PICS"}, "0 から 1"},
        UsageCase{{"-o", "OUT", "--set", "thumbnail_x=abc", "PICS"}, "整数を入力してください。"},
        UsageCase{{"-o", "OUT", "--set", "color_bg=#12345g", "PICS"}, "#rrggbb"},
        UsageCase{{"-o", "OUT", "--set", "html_name=my.html", "PICS"}, "名前のみを指定します。"},
        UsageCase{{"-o", "OUT", "--set", "pic_folder=a/b", "PICS"}, "名前のみを指定します。"},
        // A name from the profile is checked too: it must not lead out of the album.
        UsageCase{
            {"-o", "OUT", "PICS"}, "名前のみを指定します。", "[param]\r\npic_folder=../escape\r\n"},
        UsageCase{{"-o", "OUT", "--order", "size", "PICS"}, "date か name"},
        // The copies would be the pictures themselves, which keep their location.
        UsageCase{{"--strip-location", "--set", "out_sorce=1", "PICS"}, kLocationInSourcesMessage},
        UsageCase{{"-o", "OUT.d", "PICS"}, "拡張子はつけない"},
        UsageCase{{"-o", "OUT/.hidden", "PICS"}, "拡張子はつけない"},
        UsageCase{{"--set", "out_sorce=1", "--set", "thumb_folder=", "PICS"},
                  kThumbnailFolderMessage},
        UsageCase{{"-o", "LINK/", "--set", "thumb_folder=", "PICS"}, kThumbnailFolderMessage},
        UsageCase{{"-o", "TOP", "--set", "thumb_folder=pics", "PICS"}, kThumbnailFolderMessage},
        // The copies would be the photographs themselves, under another name of their folder,
        // although the album does not go into the source folder.
        UsageCase{{"-o", "TOP", "--set", "pic_folder=pics", "PICS"}, kPictureFolderMessage},
        UsageCase{{"-o", "LINK", "--set", "pic_folder=", "PICS"}, kPictureFolderMessage},
        UsageCase{
            {"-o", "TOP", "--set", "pic_folder=bind", "PICS"}, kPictureFolderMessage, "", true},
        // One folder for two kinds: "_a.jpg" could be a picture copy's thumbnail or a copy.
        UsageCase{{"-o", "OUT", "--set", "pic_folder=x", "--set", "thumb_folder=x", "PICS"},
                  kFolderClashMessage},
        UsageCase{{"-o", "OUT", "--set", "material_folder=my_t", "PICS"}, kFolderClashMessage},
        UsageCase{{"--set", "out_sorce=1", "--set", "material_folder=", "PICS"},
                  kFolderClashMessage},
        UsageCase{{"-o", "OUT", "--select", "missing.jpg", "PICS"}, "missing.jpg"},
        UsageCase{{"-o", "OUT", "--turn", "c.gif=x", "PICS"}, "整数"},
        UsageCase{{"-o", "OUT", "--turn", "c.gif=1", "PICS"}, "GIF の画像は回転できません"},
        UsageCase{{"-o", "OUT", "--comment", "nothing.jpg=hi", "PICS"}, "nothing.jpg"},
        UsageCase{{"-o", "OUT", "PICS/missing"}, "フォルダが見つかりません"}));

TEST(PictavoCli, HelpAndVersionGoToStandardOutput) {
    const std::pair<const char*, const char*> cases[] = {
        {"--help", "^使い方: pictavo-cli [\\s\\S]*--version"},
        {"--version", "^pictavo-cli [0-9]+\\.[0-9]+\\.[0-9]+\nQt 6\\.[^\n]*, Exiv2 [0-9.]+\n$"},
    };
    for (const auto& [option, expected] : cases) {
        CliRun run = RunWith({option, "folder"});
        EXPECT_EQ(run.code, 0) << option;
        EXPECT_TRUE(std::regex_search(run.out, std::regex(expected))) << run.out;
        EXPECT_EQ(run.err, "");
    }
}

// The result line always comes; the question whether to open the album is asked only of a person
// at a terminal, and never on a quiet run.
TEST(PictavoCli, OnlyAPersonAtATerminalIsAskedToOpenTheAlbum) {
    struct Case {
        bool quiet;
        bool terminal;
        bool asked;
    };
    for (const Case c : {Case{true, false, false}, Case{true, true, false},
                         Case{false, false, false}, Case{false, true, true}}) {
        SCOPED_TRACE(std::string(c.quiet ? "-q" : "") + (c.terminal ? " at a terminal" : ""));
        TempDir dir;
        fs::create_directories(dir / "pics");
        fs::copy_file(TestDataPath("photos/storm_road.jpg"), dir / "pics/road.jpg");
        int reads = 0;
        const ConsoleInput input{c.terminal, [&]() -> std::optional<std::string> {
                                     ++reads;
                                     return "n";
                                 }};
        std::vector<std::string> args = {"--profile", dir / "none.ini", "-o", dir / "album"};
        if (c.quiet) args.push_back("-q");
        args.push_back(dir / "pics");
        CliRun run = RunWith(args, input);
        EXPECT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(run.out, dir / "album/my.html\n");
        EXPECT_EQ(reads, c.asked ? 1 : 0);
        EXPECT_EQ(run.err.find("ブラウザ") != std::string::npos, c.asked) << run.err;
        if (c.quiet) {
            EXPECT_EQ(run.err, "");
        }
    }
}

TEST(SettingOverrides, KeysAreExactlyTheStoredProfileKeysInOrder) {
    TempDir dir;
    ProfileStore profile(dir / "p.ini");
    SaveSettings(profile, AlbumSettings{});
    std::istringstream lines(Cp932ToUtf8(ReadTestFile(dir / "p.ini")));
    std::set<std::string> stored;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos) stored.insert(line.substr(0, eq));
    }
    const std::vector<std::string> keys = SettableKeys();
    EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()), stored);
    EXPECT_EQ(keys.size(), 37u);
    // Every key reaches its own field: setting it changes what is saved under that key.
    for (const std::string& key : keys) {
        AlbumSettings s;
        const bool text = !ApplySetting(s, key, "abc").has_value();
        ASSERT_FALSE(ApplySetting(s, key, text ? "changed" : "3").has_value()) << key;
        ProfileStore changed(dir / (key + ".ini"));
        SaveSettings(changed, s);
        EXPECT_EQ(changed.ReadText("param", key, ""), text ? "changed" : "3") << key;
    }
}

// A stand-in for xdg-open that answers with `status`, made in `folder`.
std::string FakeOpener(const std::string& folder, int status) {
    fs::create_directories(folder);
    const std::string path = folder + "/xdg-open";
    EXPECT_TRUE(WriteTestFile(path, "#!/bin/sh\nexit " + std::to_string(status) + "\n"));
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

TEST(XdgShellOpener, SaysWhichFileCouldNotBeOpenedAndWhy) {
    TempDir dir;
    const std::string page = dir / "album.html";
    ASSERT_TRUE(WriteTestFile(page, "<html></html>"));
    const struct {
        std::string path;
        std::string program;
        std::string reason;  // empty: no message
    } cases[] = {
        {page, FakeOpener(dir / "yes", 0), ""},
        {dir / "gone.html", FakeOpener(dir / "yes", 0), "No such file or directory"},
        {page, FakeOpener(dir / "no", 3),
         "このファイルを開くブラウザが見つからないか、起動できませんでした。"},
        {page, dir / "no-opener",
         "このファイルを開くブラウザが見つからないか、起動できませんでした。"},
    };
    for (const auto& c : cases) {
        RecordingUserDialogs dialogs;
        XdgShellOpener(dialogs, QString::fromStdString(c.program)).OpenWithShell(c.path);
        if (c.reason.empty()) {
            EXPECT_TRUE(dialogs.calls.empty()) << c.program;
            continue;
        }
        ASSERT_EQ(dialogs.calls.size(), 1u) << c.program;
        EXPECT_EQ(dialogs.calls[0].text, "「" + c.path + "」を開けませんでした。\n" + c.reason);
        EXPECT_EQ(dialogs.calls[0].caption, std::optional<std::string>("エラー"));
        EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Exclamation);
    }
}

TEST(PictavoCli, OpenReportsOnStandardErrorWhenNothingOpensTheAlbum) {
    TempDir dir;
    fs::create_directories(dir / "pics");
    fs::copy_file(TestDataPath("jpeg/good/ljt_testorig.jpg"), dir / "pics/a.jpg");
    FakeOpener(dir.Path(), 3);
    const std::string path = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (dir.Path() + ":" + path).c_str(), 1);
    CliRun run =
        RunWith({"--profile", dir / "none.ini", "-q", "--open", "-o", dir / "album", dir / "pics"});
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(run.code, 0) << run.err;  // the album itself was made
    EXPECT_NE(run.err.find("「" + (dir / "album/my.html") + "」を開けませんでした。"),
              std::string::npos)
        << run.err;
}

}  // namespace
