#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "album/generation/album_build.h"
#include "album/generation/album_manifest.h"
#include "album/generation/album_pipeline.h"
#include "album/generation/index_page_writer.h"
#include "album/generation/modern_style_sheet.h"
#include "core/picture_list_model.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_segments.h"
#include "platform/text_encoding.h"
#include "tests/imaging/metadata_test_support.h"
#include "tests/reliability/failing_storage.h"
#include "tests/support/location_readback.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_shell_opener.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/starved_memory.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) names.insert(e.path().filename());
    return names;
}

// True when every quantisation table of a JPEG holds only 1s, as quality 100 writes them.
bool SavedAtQuality100(const std::string& bytes) {
    bool any = false;
    for (std::size_t i = 0; i + 4 < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) != 0xFF) return any;
        unsigned char marker = static_cast<unsigned char>(bytes[i + 1]);
        if (marker == 0xD8) {
            i += 2;
            continue;
        }
        if (marker == 0xDA) return any;
        std::size_t length = (static_cast<unsigned char>(bytes[i + 2]) << 8) |
                             static_cast<unsigned char>(bytes[i + 3]);
        if (marker == 0xDB) {
            std::size_t p = i + 4;
            while (p < i + 2 + length) {
                bool wide = (static_cast<unsigned char>(bytes[p]) >> 4) != 0;
                ++p;
                for (int k = 0; k < 64; ++k) {
                    int v = wide ? (static_cast<unsigned char>(bytes[p]) << 8 |
                                    static_cast<unsigned char>(bytes[p + 1]))
                                 : static_cast<unsigned char>(bytes[p]);
                    if (v != 1) return false;
                    p += wide ? 2 : 1;
                }
                any = true;
            }
        }
        i += 2 + length;
    }
    return any;
}

// A codec that records every load and can refuse to save named files (the build calls it from
// several threads).
class RecordingCodec : public ImageCodec {
  public:
    struct LoadCall {
        std::string path;
        int min_width;
        int min_height;
    };
    ImageHandle Load(const std::string& path, int min_width, int min_height) override {
        {
            const std::lock_guard lock(mutex);
            loads.push_back({path, min_width, min_height});
        }
        return ImageCodec::Load(path, min_width, min_height);
    }
    // A picture read once is decoded from its bytes: the load of the file this thread read last.
    std::optional<PictureBytes> ReadPicture(const std::string& path) override {
        t_read = path;
        return ImageCodec::ReadPicture(path);
    }
    DecodedPicture Decode(std::string_view bytes, int min_width, int min_height) override {
        {
            const std::lock_guard lock(mutex);
            loads.push_back({t_read, min_width, min_height});
        }
        return ImageCodec::Decode(bytes, min_width, min_height);
    }
    static inline thread_local std::string t_read;
    // The load of the file named `name`, or nullptr.
    const LoadCall* LoadOf(const std::string& name) const {
        for (const LoadCall& call : loads)
            if (fs::path(call.path).filename() == name) return &call;
        return nullptr;
    }
    bool WriteFile(const std::string& path, const std::string& bytes, const FileToReplace* replaces,
                   ReplaceFailure* failure) override {
        // A failing writer leaves nothing at the path, as the real one guarantees.
        if (fs::path(path).filename() == fail_saves_named) return false;
        return ImageCodec::WriteFile(path, bytes, replaces, failure);
    }
    void Rotate(ImageHandle& image) override {
        if (!starve_turns) return ImageCodec::Rotate(image);
        const StarvedMemory starved;
        ImageCodec::Rotate(image);
    }
    std::mutex mutex;
    std::vector<LoadCall> loads;
    std::string fail_saves_named;  // a file name (no folder)
    bool starve_turns = false;     // no large buffer to be had for a turn
};

class AlbumBuild : public ::testing::Test {
  protected:
    void SetUp() override {
        RecordingUserDialogs load_dialogs;
        ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
        settings.picture_path = dir / "src/";
        settings.out_dir = dir / "out";
        fs::create_directories(dir / "src");
        fs::create_directories(dir / "out");
        materials = MaterialFolders::FromStartDirectory(dir.Path());
    }

    int AddFile(const std::string& name, const std::string& testdata, int turns = 0,
                bool checked = true) {
        fs::copy_file(TestDataPath(testdata), dir / ("src/" + name));
        int i = list.InsertPicture(name, checked);
        for (int t = 0; t < turns; ++t) list.AddQuarterTurn(i);
        return i;
    }

    bool Build() {
        AlbumBuildContext context{settings, list, materials, dialogs, progress, shell, codec};
        return BuildAlbum(context);
    }

    std::string Src(const std::string& name) { return ReadTestFile(dir / ("src/" + name)); }
    std::string Out(const std::string& name) { return ReadTestFile(dir / ("out/" + name)); }
    ImgKitSize SizeOf(const std::string& path) { return ImgKitUprightSize(path); }

    TempDir dir;
    AlbumSettings settings;
    PictureListModel list;
    MaterialFolders materials;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
    RecordingShellOpener shell;
    RecordingCodec codec;
};

TEST_F(AlbumBuild, CopiesTurnsAndMakesThumbnailsOnlyForJpegAndBmp) {
    AddFile("a.jpg", "jpeg/good/gen_420.jpg");
    AddFile("b.jpg", "jpeg/good/ljt_testorig.jpg", 1);
    AddFile("c.gif", "gif/ig_sample_1.gif");
    AddFile("d.bmp", "bmp/good/rgb24.bmp", 2);
    ASSERT_TRUE(Build());

    EXPECT_EQ(Out("my_p/a.jpg"), Src("a.jpg"));
    EXPECT_EQ(Out("my_p/c.gif"), Src("c.gif"));
    EXPECT_NE(Out("my_p/b.jpg"), Src("b.jpg"));
    EXPECT_EQ(SizeOf(dir / "out/my_p/b.jpg"), (ImgKitSize{149, 227}));
    EXPECT_TRUE(SavedAtQuality100(Out("my_p/b.jpg")));
    EXPECT_NE(Out("my_p/d.bmp"), Src("d.bmp"));
    EXPECT_EQ(SizeOf(dir / "out/my_p/d.bmp"), (ImgKitSize{127, 64}));
    EXPECT_EQ(Entries(dir / "out/my_t"), (std::set<std::string>{"_a.jpg", "_b.jpg", "_d.bmp"}));
    EXPECT_EQ(SizeOf(dir / "out/my_t/_a.jpg"), (ImgKitSize{100, 79}));
    EXPECT_EQ(SizeOf(dir / "out/my_t/_b.jpg"), (ImgKitSize{66, 100}));
    EXPECT_EQ(SizeOf(dir / "out/my_t/_d.bmp"), (ImgKitSize{100, 50}));
    EXPECT_EQ(Out("my_t/_d.bmp").substr(0, 2), "BM");
    EXPECT_TRUE(SavedAtQuality100(Out("my_t/_a.jpg")));
    EXPECT_TRUE(fs::is_directory(dir / "out/material"));
    EXPECT_EQ(Entries(dir / "out"),
              (std::set<std::string>{"my.html", "my_p", "my_t", "material", kAlbumManifestName}));

    // The page shows the GIF itself at the thumbnail height.
    std::string page = Out("my.html");
    EXPECT_NE(page.find("<IMG SRC=\"my_p/c.gif\" ALT=\"c.gif\" BORDER=\"0\" HEIGHT=\"100\">"),
              std::string::npos);
    EXPECT_NE(page.find("<IMG SRC=\"my_t/_b.jpg\" ALT=\"b.jpg\" BORDER=\"0\" >"),
              std::string::npos);

    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, "今すぐブラウザで見ますか？");
    EXPECT_EQ(dialogs.calls[0].caption, std::optional<std::string>(""));
    EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::None);
    EXPECT_EQ(dialogs.calls[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(shell.opened, std::vector<std::string>{dir / "out/my.html"});
}

TEST_F(AlbumBuild, RecordsTheProgressOfEveryPhase) {
    AddFile("a.jpg", "jpeg/good/gen_420.jpg");
    AddFile("b.jpg", "jpeg/good/ljt_testorig.jpg", 1);
    AddFile("c.gif", "gif/ig_sample_1.gif");
    dialogs.answers.push_back(MessageAnswer::No);
    ASSERT_TRUE(Build());
    const std::vector<std::string> expected = {"open",
                                               "message フォルダの準備をしています...",
                                               "range 7",
                                               "pos 0",
                                               "pos 1",
                                               "message 具材をコピーしています...",
                                               "pos 2",
                                               "pos 3",
                                               "pos 4",
                                               "pos 5",
                                               "pos 6",
                                               "pos 7",
                                               "message サムネイルを作成しています...",
                                               "range 3",
                                               "pos 0",
                                               "pos 1",
                                               "pos 2",
                                               "pos 3",
                                               "message HTMLを作成しています...",
                                               "range 1",
                                               "pos 1",
                                               "close"};
    EXPECT_EQ(progress.calls, expected);
    EXPECT_TRUE(shell.opened.empty());  // the user answered No
}

TEST_F(AlbumBuild, FourTurnsCountAsNone) {
    AddFile("b.jpg", "jpeg/good/ljt_testorig.jpg", 4);
    AddFile("e.jpg", "jpeg/good/ljt_testorig.jpg", 5);
    ASSERT_TRUE(Build());
    EXPECT_EQ(Out("my_p/b.jpg"), Src("b.jpg"));
    EXPECT_EQ(SizeOf(dir / "out/my_p/e.jpg"), (ImgKitSize{149, 227}));
}

TEST_F(AlbumBuild, InsideThePictureFolderOnlyTurnedPicturesAreRewritten) {
    settings.out_sorce = 1;
    settings.pic_folder = "";
    AddFile("a.jpg", "jpeg/good/gen_420.jpg");
    AddFile("b.jpg", "jpeg/good/ljt_testorig.jpg", 1);
    AddFile("c.gif", "gif/ig_sample_1.gif");
    const auto a_time = fs::last_write_time(dir / "src/a.jpg");
    ASSERT_TRUE(Build());
    EXPECT_EQ(Src("a.jpg"), ReadTestFile(TestDataPath("jpeg/good/gen_420.jpg")));
    EXPECT_EQ(fs::last_write_time(dir / "src/a.jpg"), a_time);
    EXPECT_EQ(SizeOf(dir / "src/b.jpg"), (ImgKitSize{149, 227}));
    EXPECT_EQ(Entries(dir / "src"),
              (std::set<std::string>{"a.jpg", "b.jpg", "c.gif", "my.html", "my_t", "material",
                                     kAlbumManifestName}));
    EXPECT_EQ(Entries(dir / "src/my_t"), (std::set<std::string>{"_a.jpg", "_b.jpg"}));
    EXPECT_TRUE(Entries(dir / "out").empty());
    EXPECT_EQ(shell.opened, std::vector<std::string>{dir / "src/my.html"});
}

TEST_F(AlbumBuild, AFailedSaveOverTheSourceLeavesTheOriginalWhole) {
    settings.out_sorce = 1;
    settings.pic_folder = "";
    AddFile("b.jpg", "jpeg/good/ljt_testorig.jpg", 1);
    codec.fail_saves_named = "b.jpg";
    ASSERT_TRUE(Build());
    EXPECT_EQ(Src("b.jpg"), ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg")));
    EXPECT_EQ(Entries(dir / "src"),
              (std::set<std::string>{"b.jpg", "my.html", "my_t", "material", kAlbumManifestName}));
    // The thumbnail is still made from the turned picture.
    EXPECT_EQ(SizeOf(dir / "src/my_t/_b.jpg"), (ImgKitSize{66, 100}));
}

TEST_F(AlbumBuild, AFailedTurnedSaveCopiesThePictureUnturned) {
    AddFile("b.jpg", "jpeg/good/ljt_testorig.jpg", 1);
    codec.fail_saves_named = "b.jpg";
    ASSERT_TRUE(Build());
    EXPECT_EQ(Out("my_p/b.jpg"), Src("b.jpg"));
    EXPECT_EQ(Entries(dir / "out/my_p"), std::set<std::string>{"b.jpg"});
}

// A turn that finds no memory fails its picture, named as such: it is copied as it is (never
// saved unturned as if turned), in the album's own folder or over its source.
TEST_F(AlbumBuild, ATurnThatFindsNoMemoryLeavesThePictureAsItIs) {
    // 1050 rows are no whole number of blocks: the turn is made on the decoded pixels.
    AddFile("a.jpg", "photos/dune_grass.jpg", 1);
    codec.starve_turns = true;
    for (const bool in_picture_folder : {false, true}) {
        SCOPED_TRACE(in_picture_folder ? "in the picture folder" : "in the album's folder");
        settings.out_sorce = in_picture_folder ? 1 : 0;
        settings.pic_folder = in_picture_folder ? "" : "my_p";
        dialogs.calls.clear();
        ASSERT_TRUE(Build());
        ASSERT_FALSE(dialogs.calls.empty());
        EXPECT_EQ(dialogs.calls[0].text, dir / "src/a.jpg (ｴﾗｰ)メモリの確保に失敗しました\n");
        EXPECT_EQ(Src("a.jpg"), ReadTestFile(TestDataPath("photos/dune_grass.jpg")));
        if (!in_picture_folder) {
            EXPECT_EQ(Out("my_p/a.jpg"), Src("a.jpg"));
            EXPECT_FALSE(fs::exists(dir / "out/my_t/_a.jpg"));
        }
    }
}

TEST_F(AlbumBuild, HtmlOnlyCopiesMaterialsAndLeavesPicturesAlone) {
    settings.html_only = 1;
    settings.name_bg = "bg.jpg";
    settings.name_hr = "line.gif";
    settings.name_bgm = "bgm.mid";
    WriteTestFile(materials.wallpaper + "bg.jpg", "wallpaper");
    WriteTestFile(materials.rule + "line.gif", "rule");
    WriteTestFile(materials.sound + "bgm.mid", "music");
    WriteTestFile(dir / "out/my_p/a.jpg", "old copy");
    WriteTestFile(dir / "out/my_t/_a.jpg", "old thumbnail");
    AddFile("a.jpg", "jpeg/good/gen_420.jpg", 1);
    ASSERT_TRUE(Build());
    EXPECT_EQ(Out("my_p/a.jpg"), "old copy");
    EXPECT_EQ(Out("my_t/_a.jpg"), "old thumbnail");
    EXPECT_EQ(Out("material/bg.jpg"), "wallpaper");
    EXPECT_EQ(Out("material/line.gif"), "rule");
    EXPECT_EQ(Out("material/bgm.mid"), "music");
    EXPECT_TRUE(codec.loads.empty());
    const std::vector<std::string> first_phase(progress.calls.begin(), progress.calls.begin() + 10);
    EXPECT_EQ(first_phase.back(), "pos 5");
    EXPECT_EQ(progress.calls[10], "message HTMLを作成しています...");
}

// The pages show what the build made: a thumbnail it could not write is not linked, even where
// an older build left one of that name. Only for a picture it did not make (HTML-only) is the
// thumbnail folder asked.
TEST_F(AlbumBuild, PagesShowTheThumbnailsTheBuildMadeAndAskTheFolderOnlyForOthers) {
    AddFile("a.jpg", "jpeg/good/gen_420.jpg");
    WriteTestFile(dir / "out/my_t/_a.jpg", "older build's thumbnail");
    codec.fail_saves_named = "_a.jpg";
    Build();
    EXPECT_NE(
        Out("my.html").find("<IMG SRC=\"my_p/a.jpg\" ALT=\"a.jpg\" BORDER=\"0\" HEIGHT=\"100\">"),
        std::string::npos);

    settings.html_only = 1;
    Build();
    EXPECT_NE(Out("my.html").find("<IMG SRC=\"my_t/_a.jpg\" ALT=\"a.jpg\" BORDER=\"0\" >"),
              std::string::npos);
}

TEST_F(AlbumBuild, AMaterialThatCannotBeCopiedIsListed) {
    settings.html_only = 1;
    settings.name_bg = "bg.jpg";
    settings.name_bgm = "gone.mid";  // chosen once, since removed from its folder
    WriteTestFile(materials.wallpaper + "bg.jpg", "wallpaper");
    AddFile("a.jpg", "jpeg/good/gen_420.jpg");
    AlbumBuildContext context{settings, list, materials, dialogs, progress, shell, codec};
    AlbumBuildReport report;
    BuildAlbum(context, report);
    EXPECT_EQ(report.materials_failed, 1);
    EXPECT_EQ(Out("material/bg.jpg"), "wallpaper");
    ASSERT_FALSE(dialogs.calls.empty());
    EXPECT_EQ(dialogs.calls[0].text,
              materials.sound + "gone.mid (ｴﾗｰ)ﾌｧｲﾙのコピーに失敗しました\n");
}

// A material name from an edited profile or theme file that is not one file name of its folder
// is no material: nothing is read or written outside the folders, and no page links it.
TEST_F(AlbumBuild, MaterialNamesThatAreNotOneFileNameCountAsNoMaterial) {
    settings.html_only = 1;
    settings.slide_mode = 1;
    AddFile("a.jpg", "jpeg/good/gen_420.jpg");
    WriteTestFile(dir / "Material/secret.txt", "secret");
    WriteTestFile(materials.wallpaper + "sub/bg.jpg", "wallpaper");
    WriteTestFile(materials.wallpaper + "a\\b.jpg", "wallpaper");
    for (const char* name : {"../secret.txt", "sub/bg.jpg", "a\\b.jpg", "..", "."}) {
        SCOPED_TRACE(name);
        settings.name_bg = settings.name_hr = settings.name_bgm = name;
        ASSERT_TRUE(Build());
        EXPECT_FALSE(fs::exists(dir / "out/secret.txt"));
        EXPECT_TRUE(Entries(dir / "out/material").empty());
        const std::string index = Out("my.html");
        const std::string slides = Out("mys.html");
        EXPECT_NE(index.find("BACKGROUND=\"material/\""), std::string::npos);
        EXPECT_NE(slides.find("BACKGROUND=\"material/\""), std::string::npos);
        EXPECT_EQ(index.find("<EMBED"), std::string::npos);
        EXPECT_EQ(slides.find("<EMBED"), std::string::npos);
        EXPECT_EQ(index.find("<IMG SRC=\"material/"), std::string::npos);
        EXPECT_NE(index.find("<HR WIDTH"), std::string::npos);
    }
    // A name that merely begins with dots is one file name.
    settings.name_bg = "..bg.jpg";
    WriteTestFile(materials.wallpaper + "..bg.jpg", "wallpaper");
    ASSERT_TRUE(Build());
    EXPECT_EQ(Out("material/..bg.jpg"), "wallpaper");
    EXPECT_NE(Out("my.html").find("BACKGROUND=\"material/..bg.jpg\""), std::string::npos);
}

TEST_F(AlbumBuild, HtmlOnlyMakesNoPictureFolders) {
    settings.html_only = 1;
    AddFile("a.jpg", "jpeg/good/gen_420.jpg");
    ASSERT_TRUE(Build());
    EXPECT_EQ(Entries(dir / "out"),
              (std::set<std::string>{"my.html", "material", kAlbumManifestName}));
}

// The modern pages get their style sheet and, for each picture larger than its thumbnail, a
// thumbnail for dense screens of twice the box, never larger than the picture; the pages name
// what was made, and an HTML-only build finds the same in the folders. A classic album gets
// neither.
TEST_F(AlbumBuild, ModernPagesGetTheirStyleSheetAndThumbnailsForDenseScreens) {
    AddFile("a.jpg", "jpeg/good/gen_420.jpg");                            // 640 x 504
    AddFile("d.bmp", "bmp/good/rgb24.bmp", 2);                            // 127 x 64
    AddFile("tiny.jpg", "jpeg/good/jd_grayscale_16x24_sampling2x2.jpg");  // below the box
    AddFile("c.gif", "gif/ig_sample_1.gif");                              // 10 x 10, no thumbnail
    dialogs.answers.push_back(MessageAnswer::No);
    ASSERT_TRUE(Build());
    EXPECT_TRUE(Entries(dir / "out/material").empty());
    EXPECT_EQ(Entries(dir / "out/my_t"), (std::set<std::string>{"_a.jpg", "_d.bmp", "_tiny.jpg"}));

    settings.page_style = kModernPages;
    settings.slide_mode = 1;
    codec.loads.clear();
    dialogs.answers.push_back(MessageAnswer::No);
    ASSERT_TRUE(Build());
    EXPECT_EQ(Entries(dir / "out/my_t/2x.d"), (std::set<std::string>{"_a.jpg", "_d.bmp"}));
    EXPECT_EQ(SizeOf(dir / "out/my_t/2x.d/_a.jpg"), (ImgKitSize{200, 158}));
    EXPECT_EQ(SizeOf(dir / "out/my_t/2x.d/_d.bmp"), (ImgKitSize{127, 64}));
    EXPECT_EQ(Out("my_t/2x.d/_d.bmp").substr(0, 2), "BM");
    // 640 x 504 is at least twice the double box: decoded at a reduced scale, never below it.
    EXPECT_EQ(codec.LoadOf("a.jpg")->min_width, 200);
    EXPECT_EQ(Out("material/pictavo.css"), RenderStyleSheet(settings));
    const std::string page = Out("my.html");
    for (const char* image :
         {"<img src=\"my_t/_a.jpg\" srcset=\"my_t/_a.jpg 1x, my_t/2x.d/_a.jpg 2x\" width=\"100\" "
          "height=\"79\" alt=\"\">",
          "<img src=\"my_t/_d.bmp\" srcset=\"my_t/_d.bmp 1x, my_t/2x.d/_d.bmp 1.27x\" "
          "width=\"100\" height=\"50\" alt=\"\">",
          "<img src=\"my_t/_tiny.jpg\" width=\"67\" height=\"100\" alt=\"\">",
          "<img src=\"my_p/c.gif\" width=\"100\" height=\"100\" alt=\"\">"})
        EXPECT_NE(page.find(image), std::string::npos) << image << "\n" << page;
    EXPECT_NE(Out("mys.html").find("\"src\":\"my_p/tiny.jpg\""), std::string::npos);

    settings.html_only = 1;
    dialogs.answers.push_back(MessageAnswer::No);
    ASSERT_TRUE(Build());
    EXPECT_EQ(Out("my.html"), page);
}

TEST_F(AlbumBuild, AnEmptySelectionIsRefusedBeforeAnythingHappens) {
    AddFile("a.jpg", "jpeg/good/gen_420.jpg", 0, false);
    EXPECT_FALSE(Build());
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text,
              "画像ﾌｧｲﾙが選択されていません。\n「ピクチャー」タグをクリックして選択してください。");
    EXPECT_EQ(dialogs.calls[0].caption, std::nullopt);
    EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(dialogs.calls[0].buttons, MessageButtons::Ok);
    EXPECT_TRUE(progress.calls.empty());
    EXPECT_TRUE(Entries(dir / "out").empty());
}

TEST_F(AlbumBuild, ElevenPicturesAtFiveByTwoMakeTwoPages) {
    settings.html_page = 1;
    settings.thumbnail_rows = 2;
    for (int i = 0; i < 11; ++i)
        AddFile("g" + std::to_string(10 + i) + ".gif", "gif/ig_sample_1.gif");
    ASSERT_TRUE(Build());
    EXPECT_TRUE(fs::exists(dir / "out/my.html"));
    EXPECT_TRUE(fs::exists(dir / "out/my2.html"));
    EXPECT_FALSE(fs::exists(dir / "out/my3.html"));
    EXPECT_NE(Out("my2.html").find("g20.gif"), std::string::npos);
    EXPECT_EQ(Out("my2.html").find("g19.gif"), std::string::npos);
}

TEST_F(AlbumBuild, APageThatCannotBeWrittenLeavesTheNextPagesTheirPictures) {
    settings.html_page = 1;
    settings.thumbnail_cols = 1;
    for (const char* name : {"a.gif", "b.gif", "c.gif"}) AddFile(name, "gif/ig_sample_1.gif");
    // Pages 1 and 3 of the last build carry no write permission bit: not replaced, even by root.
    for (const char* page : {"my.html", "my3.html"}) {
        WriteTestFile(dir / ("out/" + std::string(page)), "the last build's page");
        fs::permissions(dir / ("out/" + std::string(page)), fs::perms::owner_read);
    }
    AlbumBuildContext context{settings, list, materials, dialogs, progress, shell, codec};
    AlbumBuildReport report;
    EXPECT_FALSE(BuildAlbum(context, report));
    EXPECT_EQ(report.pages_failed, 2);
    // Page 2 holds its own picture, as in an album whose every page was written.
    EXPECT_NE(Out("my2.html").find("my_p/b.gif"), std::string::npos);
    EXPECT_EQ(Out("my2.html").find("my_p/a.gif"), std::string::npos);
    EXPECT_EQ(Out("my3.html"), "the last build's page");
    // One reason, said once; no album to offer.
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{"書きこみモードでファイルをオープンできませんでした。"});
    EXPECT_TRUE(shell.opened.empty());
}

// The stop is taken where the window takes its clicks: in the idle calls between the pages. One
// that comes with the last page still ends the build as stopped, with every page counted.
TEST_F(AlbumBuild, AStopDuringThePagesStartsNoFurtherPage) {
    constexpr const char* kPagePhase = "HTMLを作成しています...";
    settings.html_page = 1;
    settings.thumbnail_cols = 1;
    settings.html_only = 1;
    for (int i = 0; i < 5; ++i) AddFile("g" + std::to_string(i) + ".gif", "gif/ig_sample_1.gif");
    const struct {
        int at_page;
        std::set<std::string> pages;
        std::string message;
    } cases[] = {
        {2, {"my.html", "my2.html"}, std::string(kAlbumStoppedInPages) + "\n5 ページ中 2 ページ"},
        {5,
         {"my.html", "my2.html", "my3.html", "my4.html", "my5.html"},
         std::string(kAlbumStoppedAfterPages) + "\n5 ページ中 5 ページ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at_page);
        for (const std::string& name : Entries(dir / "out"))
            if (name != "material") fs::remove(dir / ("out/" + name));
        progress.calls.clear();
        dialogs.calls.clear();
        bool stop = false;
        progress.idle = [&] { stop = stop || progress.PositionIn(kPagePhase) == c.at_page; };
        progress.stop = [&] { return stop; };
        AlbumBuildContext context{settings, list, materials, dialogs, progress, shell, codec};
        AlbumBuildReport report;
        EXPECT_FALSE(BuildAlbum(context, report));
        EXPECT_TRUE(report.stopped);
        std::set<std::string> pages = Entries(dir / "out");
        pages.erase("material");
        pages.erase(kAlbumManifestName);
        EXPECT_EQ(pages, c.pages);
        EXPECT_EQ(progress.calls.back(), "close");
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].text, c.message + "のHTMLファイルを処理しました。");
        EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Exclamation);
        EXPECT_TRUE(shell.opened.empty());
    }
}

TEST(AlbumPageCount, PagesFollowRowsTimesColumns) {
    AlbumSettings s;
    s.thumbnail_rows = 2;
    EXPECT_EQ(AlbumPageCount(s, 11), 1);  // paging off: one page whatever the count
    s.html_page = 1;
    EXPECT_EQ(AlbumPageCount(s, 11), 2);
    EXPECT_EQ(AlbumPageCount(s, 10), 1);
    EXPECT_EQ(AlbumPageCount(s, 21), 3);
    s.thumbnail_rows = 0;
    s.thumbnail_cols = 0;
    EXPECT_EQ(AlbumPageCount(s, 4), 4);  // an unchecked profile's zeros count as 1
}

struct FitCase {
    int box_w, box_h, w, h, fit_w, fit_h;
};

class FitThumbnailCases : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitThumbnailCases, FitsThePictureIntoTheBox) {
    const FitCase& c = GetParam();
    EXPECT_EQ(FitThumbnail(c.box_w, c.box_h, c.w, c.h), (ImgKitSize{c.fit_w, c.fit_h}))
        << c.w << "x" << c.h << " in " << c.box_w << "x" << c.box_h;
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FitThumbnailCases,
    ::testing::Values(FitCase{100, 100, 640, 480, 100, 75}, FitCase{100, 100, 480, 640, 75, 100},
                      FitCase{100, 100, 500, 500, 100, 100}, FitCase{100, 100, 50, 40, 100, 80},
                      FitCase{100, 60, 300, 200, 90, 60}, FitCase{100, 100, 0, 480, 100, 100},
                      FitCase{100, 100, 640, -1, 100, 100},
                      // Halves round away from zero: 100 * 3 / 8 = 37.5 gives 38.
                      FitCase{100, 100, 800, 300, 100, 38},
                      // A box below 1 pixel counts as 1, and no side drops to 0.
                      FitCase{0, 0, 640, 480, 1, 1}, FitCase{100, 100, 100000, 1, 100, 1}));

TEST_F(AlbumBuild, ThumbnailsOfLargeUnturnedPicturesAreDecodedAtReducedScale) {
    AddFile("big.jpg", "photos/dune_grass.jpg");
    AddFile("lossless.jpg", "photos/ladybird.jpg", 1);     // 2560 x 1600 at 4:2:0: whole blocks
    AddFile("reencoded.jpg", "photos/dune_grass.jpg", 1);  // 1050 rows: not whole blocks
    AddFile("small.jpg", "jpeg/good/ljt_testorig.jpg");
    ASSERT_TRUE(Build());
    ASSERT_EQ(codec.loads.size(), 4u);  // one load per picture
    const ImgKitSize big = ImgKitUprightSize(dir / "src/big.jpg");
    const ImgKitSize fit = FitThumbnail(100, 100, big.width, big.height);
    // The list's order is not the order of the loads: the pictures are made side by side.
    ASSERT_TRUE(codec.LoadOf("big.jpg") && codec.LoadOf("lossless.jpg") &&
                codec.LoadOf("reencoded.jpg") && codec.LoadOf("small.jpg"));
    EXPECT_EQ(codec.LoadOf("big.jpg")->min_width, fit.width);
    EXPECT_EQ(codec.LoadOf("big.jpg")->min_height, fit.height);
    // Turned on its blocks, the copy needs no pixels: the thumbnail of the turned 1600 x 2560
    // picture is 63 x 100, asked for in the picture's own axes.
    EXPECT_EQ(codec.LoadOf("lossless.jpg")->min_width, 100);
    EXPECT_EQ(codec.LoadOf("lossless.jpg")->min_height, 63);
    EXPECT_EQ(codec.LoadOf("reencoded.jpg")->min_width, 0);  // needs every pixel for its copy
    EXPECT_EQ(codec.LoadOf("small.jpg")->min_width, 0);      // below twice the box
    EXPECT_EQ(SizeOf(dir / "out/my_t/_big.jpg"), fit);
    EXPECT_EQ(SizeOf(dir / "out/my_t/_lossless.jpg"), (ImgKitSize{63, 100}));
    EXPECT_EQ(Out("my_p/big.jpg"), Src("big.jpg"));
}

TEST_F(AlbumBuild, TurnedJpegsKeepTheCameraDataAndTurnLosslesslyWhereTheBlocksAllow) {
    settings.out_sorce = 1;
    settings.pic_folder = "";
    AddFile("road.jpg", "photos/storm_road.jpg", 1);  // 1920 x 1280 at 4:2:2: whole blocks
    AddFile("dune.jpg", "photos/dune_grass.jpg", 1);  // 1050 rows: not whole 8-row blocks
    ASSERT_TRUE(Build());
    struct Row {
        const char* name;
        const char* original;
        const char* date;
        const char* width;
        const char* height;
        bool lossless;
    };
    const std::vector<Row> rows = {
        {"road.jpg", "photos/storm_road.jpg", "2008:04:20 19:12:06", "1280", "1920", true},
        {"dune.jpg", "photos/dune_grass.jpg", "2007:08:06 10:29:13", "1050", "1680", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string saved = Src(r.name);
        const SavedMetadata m = ReadSavedMetadata(saved);
        EXPECT_EQ(m.Exif("Exif.Photo.DateTimeOriginal"), r.date);
        EXPECT_EQ(m.Exif("Exif.Image.Orientation"), "1");
        EXPECT_EQ(m.Exif("Exif.Photo.PixelXDimension"), r.width);
        EXPECT_EQ(m.Exif("Exif.Photo.PixelYDimension"), r.height);
        EXPECT_EQ(m.thumbnail_bytes, 0);
        // The block turn keeps the camera's own tables and about the original's size; the
        // re-encode is at quality 100.
        EXPECT_EQ(SavedAtQuality100(saved), !r.lossless);
        const std::size_t original = ReadTestFile(TestDataPath(r.original)).size();
        if (r.lossless) {
            EXPECT_LT(saved.size(), original * 11 / 10);
        }
        // Thumbnails carry no metadata.
        EXPECT_TRUE(ReadSavedMetadata(Src(std::string("my_t/_") + r.name)).exif.empty());
    }
}

TEST_F(AlbumBuild, WithLocationRemovedNoCopyOrThumbnailTellsWhereItWasTaken) {
    settings.strip_location = 1;
    AddFile("a.jpg", "metadata/location_everywhere.jpg");
    AddFile("b.jpg", "metadata/location_everywhere.jpg", 1);     // re-encoded turn
    AddFile("c.jpg", "metadata/location_everywhere_32.jpg", 1);  // turned on its blocks
    AddFile("d.gif", "metadata/location_xmp.gif");
    AddFile("e.jpg", "metadata/no_location.jpg");
    AddFile("f.png", "metadata/location_everywhere.png");
    AddFile("g.webp", "metadata/location_everywhere.webp");
    AddFile("h.avif", "metadata/location_everywhere.avif");
    AddFile("i.heic", "metadata/location_everywhere.heic");   // a JPEG display copy
    AddFile("j.tiff", "metadata/location_everywhere.tiff");   // a JPEG display copy
    AddFile("k.png", "metadata/location_everywhere.png", 1);  // re-encoded upright
    ASSERT_TRUE(Build());
    ASSERT_EQ(dialogs.calls.size(), 1u) << dialogs.calls[0].text;

    for (const auto& [name, bytes] : FolderContents(dir / "out")) {
        if (name.ends_with(".html")) continue;
        EXPECT_EQ(LocationReadBack(dir / ("out/" + name)), "") << name;
    }
    // A copy keeps its picture byte for byte and what is no location; one that told nothing
    // is a copy of the file.
    EXPECT_EQ(FromFirstScan(Out("my_p/a.jpg")), FromFirstScan(Src("a.jpg")));
    EXPECT_EQ(ReadSavedMetadata(Out("my_p/a.jpg")).Exif("Exif.Image.Artist"), "Hana");
    EXPECT_EQ(ReadSavedMetadata(Out("my_p/b.jpg")).Exif("Exif.Image.Artist"), "Hana");
    const std::optional<std::string> turned = codec.TurnLosslessly(dir / "src/c.jpg", 1, nullptr);
    ASSERT_TRUE(turned);
    EXPECT_EQ(FromFirstScan(Out("my_p/c.jpg")), FromFirstScan(*turned));
    EXPECT_EQ(Out("my_p/e.jpg"), Src("e.jpg"));
    for (const char* name : {"f.png", "g.webp", "h.avif"}) {
        const std::string copy = Out(std::string("my_p/") + name);
        EXPECT_NE(copy, Src(name)) << name;
        EXPECT_EQ(ImageData(ImageKindOfName(name), copy),
                  ImageData(ImageKindOfName(name), Src(name)))
            << name;
    }
}

TEST_F(AlbumBuild, APictureWhoseLocationCannotBeRemovedIsListedAndNotCopied) {
    settings.strip_location = 1;
    // GPS after the first scan, where no new metadata reaches.
    std::string late = ReadTestFile(TestDataPath("metadata/no_location.jpg"));
    const std::string everywhere = ReadTestFile(TestDataPath("metadata/location_everywhere.jpg"));
    for (const JpegSegment& segment : JpegHeadSegments(everywhere)) {
        if (segment.marker == 0xE1 && segment.body.substr(0, 4) == "Exif")
            late.insert(late.size() - 2,
                        everywhere.substr(segment.start, segment.end - segment.start));
    }
    ASSERT_TRUE(WriteTestFile(dir / "src/late.jpg", late));
    list.InsertPicture("late.jpg", true);
    AddFile("ok.jpg", "metadata/location_everywhere.jpg");
    EXPECT_TRUE(Build());
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].text,
              dir / "src/late.jpg" + " (ｴﾗｰ)位置情報を削除できなかったため、保存しませんでした\n");
    EXPECT_FALSE(fs::exists(dir / "out/my_p/late.jpg"));
    EXPECT_EQ(LocationReadBack(dir / "out/my_t/_late.jpg"), "");
    EXPECT_EQ(LocationReadBack(dir / "out/my_p/ok.jpg"), "");
}

TEST_F(AlbumBuild, PagesInCaptureOrderWithTheirOwnCaptionsUnderEmptyComments) {
    settings.date_order = 1;
    settings.read_captions = 1;
    AddFile("a.jpg", "metadata/date_a_tokyo.jpg");  // 09:30Z
    AddFile("b.jpg", "metadata/date_b_paris.jpg");  // 10:00Z, though its clock says 12:00
    AddFile("c.jpg", "metadata/date_c_tokyo_subsec7.jpg");
    AddFile("d.jpg", "metadata/date_d_tokyo_subsec50.jpg");
    AddFile("E.jpg", "metadata/date_undated.jpg");
    AddFile("f.jpg", "metadata/caption_every_field.jpg");
    list.SetComment(AddFile("g.jpg", "metadata/caption_xpcomment.jpg"), "私のコメント");
    ASSERT_TRUE(Build());
    const std::string page = Out("my.html");
    std::vector<std::string> order;
    for (std::size_t at = page.find("ALT=\""); at != std::string::npos;
         at = page.find("ALT=\"", at + 1))
        order.push_back(page.substr(at + 5, page.find('"', at + 5) - at - 5));
    EXPECT_EQ(order, (std::vector<std::string>{"a.jpg", "d.jpg", "c.jpg", "b.jpg", "E.jpg", "f.jpg",
                                               "g.jpg"}));
    EXPECT_NE(page.find(Utf8ToCp932Html("XMPの説明")), std::string::npos);
    EXPECT_NE(page.find(Utf8ToCp932Html("私のコメント")), std::string::npos);
    EXPECT_EQ(page.find(Utf8ToCp932Html("窓辺の犬")), std::string::npos) << "typed, never replaced";
}

TEST_F(AlbumBuild, AMaterialFolderThatCannotBeMadeSkipsThePicturesButWritesThePages) {
    WriteTestFile(dir / "out/material", "a file in the way");
    AddFile("a.jpg", "jpeg/good/gen_420.jpg");
    ASSERT_TRUE(Build());
    ASSERT_FALSE(dialogs.Texts().empty());
    EXPECT_EQ(dialogs.Texts().front(), "ディレクトリの作成に失敗しました");
    EXPECT_FALSE(fs::exists(dir / "out/my_p"));
    EXPECT_TRUE(fs::exists(dir / "out/my.html"));
}

TEST_F(AlbumBuild, AWriteFailureStopsTheBuildWithoutTheQuestion) {
    AddFile("c.gif", "gif/ig_sample_1.gif");
    WriteTestFile(dir / "out/my.html", "the page of the last build");
    {
        // As on a full disk, the page fails while it is being written.
        FileSizeLimit full(256);
        ASSERT_TRUE(full.Active());
        EXPECT_FALSE(Build());
    }
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, "error: File too large");
    EXPECT_EQ(progress.calls.back(), "close");
    EXPECT_TRUE(shell.opened.empty());
    // The page of the last build is still whole, not cut off where the disk filled.
    EXPECT_EQ(ReadTestFile(dir / "out/my.html"), "the page of the last build");
}

TEST_F(AlbumBuild, AnUnwritableOutputFolderIsReportedButDoesNotCrash) {
    settings.out_dir = dir / "out/missing/deeper";
    settings.html_only = 1;
    WriteTestFile(dir / "out/missing", "file, not folder");
    AddFile("c.gif", "gif/ig_sample_1.gif");
    AlbumBuildContext context{settings, list, materials, dialogs, progress, shell, codec};
    AlbumBuildReport report;
    EXPECT_FALSE(BuildAlbum(context, report));
    EXPECT_EQ(report.pages_failed, 1);
    // The album is incomplete: the browser is not offered.
    EXPECT_EQ(dialogs.Texts().back(), "書きこみモードでファイルをオープンできませんでした。");
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(AlbumBuild, UnreadableZeroRowsAndColumnsAndBoxDoNotDivideByZero) {
    settings.html_page = 1;
    settings.thumbnail_rows = 0;
    settings.thumbnail_cols = 0;
    settings.thumbnail_x = 0;
    settings.thumbnail_y = -5;
    AddFile("a.jpg", "jpeg/good/gen_420.jpg");
    AddFile("c.gif", "gif/ig_sample_1.gif");
    ASSERT_TRUE(Build());
    EXPECT_TRUE(fs::exists(dir / "out/my2.html"));
    EXPECT_EQ(SizeOf(dir / "out/my_t/_a.jpg"), (ImgKitSize{1, 1}));
}

// Every damaged file either becomes a picture with a thumbnail, or is copied unchanged, gets no
// thumbnail and is shown from its own path at the thumbnail height; files the manifest says must
// be refused always take the second way.
TEST_F(AlbumBuild, DamagedFilesAreCopiedOrProcessedNeverLost) {
    std::ifstream manifest(TestDataPath("MANIFEST.tsv"));
    std::string line;
    std::vector<std::pair<std::string, std::string>> files;  // name in the album, expectation
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        std::string path, bytes, content, declared, upright, expect;
        std::getline(fields, path, '\t');
        std::getline(fields, bytes, '\t');
        std::getline(fields, content, '\t');
        std::getline(fields, declared, '\t');
        std::getline(fields, upright, '\t');
        std::getline(fields, expect, '\t');
        if (path.rfind("jpeg/bad/", 0) != 0 && path.rfind("bmp/bad/", 0) != 0) continue;
        std::string name =
            path.substr(0, path.find('/')) + "_" + fs::path(path).filename().string();
        AddFile(name, path);
        files.emplace_back(name, expect);
    }
    ASSERT_GE(files.size(), 30u);
    ASSERT_TRUE(Build());
    const std::string page = Cp932ToUtf8(Out("my.html"));
    for (const auto& [name, expect] : files) {
        SCOPED_TRACE(name + " " + expect);
        const bool thumbnail = fs::exists(dir / ("out/my_t/_" + name));
        if (expect == "refuse") {
            EXPECT_FALSE(thumbnail);
        }
        if (thumbnail) {
            EXPECT_NE(page.find("<IMG SRC=\"my_t/_" + name + "\""), std::string::npos);
        } else {
            EXPECT_EQ(Out("my_p/" + name), Src(name));
            EXPECT_NE(page.find("<IMG SRC=\"my_p/" + name + "\" ALT=\"" + name +
                                "\" BORDER=\"0\" HEIGHT=\"100\">"),
                      std::string::npos);
        }
    }
}

// The upright facts of a file the album wrote.
PictureFacts FactsOf(const std::string& bytes) {
    return ProbePicture(bytes);
}

// A decoder missing at run time, for the named file.
class NoDecoderCodec : public RecordingCodec {
  public:
    DecodedPicture Decode(std::string_view bytes, int min_width, int min_height) override {
        DecodedPicture decoded = RecordingCodec::Decode(bytes, min_width, min_height);
        if (ProbePicture(bytes).kind == kHeifImage) {
            decoded.image = {};
            decoded.refusal = PictureRefusal::kNoDecoder;
        }
        return decoded;
    }
};

// Browsers show PNG, WebP and AVIF: copied byte for byte, with a thumbnail of their own kind
// (alpha kept). HEIF and TIFF get a JPEG display copy, upright at quality 90 with the source's
// Exif, XMP and profile, which the pages link under the picture's own name.
TEST_F(AlbumBuild, EveryKindIsCopiedOrGivenADisplayCopyAndAThumbnailOfItsKind) {
    struct KindCase {
        const char* name;
        const char* fixture;
        const char* copy;  // in my_p
        ImageKind copy_kind;
        bool copied_as_is;
        const char* thumbnail;  // in my_t
        ImageKind thumbnail_kind;
        bool alpha;
    };
    const KindCase cases[] = {
        {"p.PNG", "png_alpha.png", "p.PNG", kPngImage, true, "_p.PNG", kPngImage, true},
        {"w.webp", "webp_lossy.webp", "w.webp", kWebpImage, true, "_w.webp", kWebpImage, false},
        // Browsers ignore a WebP's orientation: one stored turned is saved upright.
        {"o.webp", "webp_exif6_meta.webp", "o.webp", kWebpImage, false, "_o.webp", kWebpImage,
         false},
        {"v.avif", "avif_alpha.avif", "v.avif", kAvifImage, true, "_v.avif", kAvifImage, true},
        {"IMG_1.HEIC", "heic_exif6_meta.heic", "IMG_1.HEIC.jpg", kJpegImage, false,
         "_IMG_1.HEIC.jpg", kJpegImage, false},
        {"s.tif", "tiff_orient6_meta.tif", "s.tif.jpg", kJpegImage, false, "_s.tif.jpg", kJpegImage,
         false},
        // The content decides the decoder: a HEIC under a .jpg name is copied as it is, and its
        // thumbnail made from what it holds.
        {"h.jpg", "heic_named.jpg", "h.jpg", kHeifImage, true, "_h.jpg", kJpegImage, false},
    };
    for (const KindCase& c : cases) AddFile(c.name, std::string("formats/") + c.fixture);
    ASSERT_TRUE(Build());
    const std::string page = Out("my.html");
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string copy = Out(std::string("my_p/") + c.copy);
        if (c.copied_as_is) {
            EXPECT_EQ(copy, Src(c.name));
        }
        const PictureFacts copy_facts = FactsOf(copy);
        EXPECT_EQ(copy_facts.kind, c.copy_kind);
        EXPECT_EQ(copy_facts.upright, (ImgKitSize{64, 48}));
        const PictureFacts thumbnail = FactsOf(Out(std::string("my_t/") + c.thumbnail));
        EXPECT_EQ(thumbnail.kind, c.thumbnail_kind);
        EXPECT_EQ(thumbnail.upright, (ImgKitSize{100, 75}));
        EXPECT_EQ(thumbnail.alpha, c.alpha);
        EXPECT_NE(page.find(std::string("<IMG SRC=\"my_t/") + c.thumbnail + "\" ALT=\"" + c.name +
                            "\" BORDER=\"0\" >"),
                  std::string::npos);
        EXPECT_NE(page.find(std::string("HREF=\"my_p/") + c.copy + "\""), std::string::npos);
        if (!c.copied_as_is) {
            EXPECT_EQ(copy_facts.stored, copy_facts.upright);
        }
        if (!c.copied_as_is && c.copy_kind == kJpegImage) {
            EXPECT_FALSE(fs::exists(dir / ("out/my_p/" + std::string(c.name))));
            const SavedMetadata carried = ReadSavedMetadata(copy);
            EXPECT_EQ(carried.Exif("Exif.Image.Make"), "Pictavo");
            EXPECT_EQ(carried.Exif("Exif.Image.Orientation"), "1");
            EXPECT_EQ(carried.Xmp("Xmp.dc.title"), "lang=\"x-default\" Pictavo fixture");
            EXPECT_EQ(carried.icc, ReadTestFile(TestDataPath("formats/fixture_rgb.icc")));
        }
    }
    EXPECT_EQ(dialogs.calls.size(), 1u);  // the question alone: nothing failed or was renamed
}

// In the source folder the album adds no file among the photographs: display copies go into the
// thumbnail folder, and the pages link them there.
TEST_F(AlbumBuild, InTheSourceFolderDisplayCopiesGoIntoTheThumbnailFolder) {
    settings.out_sorce = 1;
    settings.pic_folder = "";
    AddFile("IMG_1.HEIC", "formats/heic_plain.heic");
    AddFile("p.png", "formats/png_plain.png");
    AddFile("s.tiff", "formats/tiff_lzw.tiff");
    ASSERT_TRUE(Build());
    EXPECT_EQ(Entries(dir / "src"),
              (std::set<std::string>{"IMG_1.HEIC", "p.png", "s.tiff", "my.html", "my_t", "material",
                                     kAlbumManifestName}));
    EXPECT_EQ(Entries(dir / "src/my_t"),
              (std::set<std::string>{"IMG_1.HEIC.jpg", "_IMG_1.HEIC.jpg", "_p.png", "s.tiff.jpg",
                                     "_s.tiff.jpg"}));
    const std::string page = ReadTestFile(dir / "src/my.html");
    EXPECT_NE(page.find("HREF=\"my_t/IMG_1.HEIC.jpg\""), std::string::npos);
    EXPECT_NE(page.find("HREF=\"p.png\""), std::string::npos);

    // HTML alone links the display copy the folder holds, or the picture itself without one.
    settings.html_only = 1;
    fs::remove(dir / "src/my_t/s.tiff.jpg");
    ASSERT_TRUE(Build());
    const std::string again = ReadTestFile(dir / "src/my.html");
    EXPECT_NE(again.find("HREF=\"my_t/IMG_1.HEIC.jpg\""), std::string::npos);
    EXPECT_NE(again.find("HREF=\"s.tiff\""), std::string::npos);
}

// A picture the album cannot decode goes into it as it is, without a thumbnail, and is listed
// for its reason: an animation is never cut down to its first frame.
TEST_F(AlbumBuild, PicturesThatCannotBeDecodedAreCopiedAsTheyAreAndListedForTheirReason) {
    NoDecoderCodec no_hevc;
    AddFile("a.webp", "formats/webp_animated.webp");
    AddFile("b.png", "formats/png_animated.png");
    AddFile("c.heic", "formats/heic_two_images.heic");
    AddFile("d.tif", "formats/tiff_two_pages.tif");
    AddFile("e.HEIC", "formats/heic_plain.heic");
    AlbumBuildContext context{settings, list, materials, dialogs, progress, shell, no_hevc};
    ASSERT_TRUE(BuildAlbum(context));
    ASSERT_EQ(dialogs.calls.size(), 2u);
    const std::string src = dir / "src/";
    EXPECT_EQ(dialogs.calls[0].text,
              src + "a.webp (ｴﾗｰ)アニメーションの WebP には対応していません\n" + src +
                  "b.png (ｴﾗｰ)アニメーションの PNG には対応していません\n" + src +
                  "c.heic (ｴﾗｰ)複数の画像を含む HEIF には対応していません\n" + src +
                  "d.tif (ｴﾗｰ)複数の画像を含む TIFF には対応していません\n" + src +
                  "e.HEIC (ｴﾗｰ)HEIF を読み込む機能がないため、画像を読み込めませんでした\n");
    EXPECT_TRUE(Entries(dir / "out/my_t").empty());
    EXPECT_EQ(Entries(dir / "out/my_p"),
              (std::set<std::string>{"a.webp", "b.png", "c.heic", "d.tif", "e.HEIC"}));
    const std::string page = Out("my.html");
    EXPECT_NE(page.find("<IMG SRC=\"my_p/e.HEIC\" ALT=\"e.HEIC\" BORDER=\"0\" HEIGHT=\"100\">"),
              std::string::npos);
}

// A turned PNG, WebP or AVIF is saved upright in its own kind: PNG and a lossless WebP stay
// lossless, pixel for pixel.
TEST_F(AlbumBuild, TurnedBrowserKindsAreSavedUprightInTheirOwnKind) {
    struct TurnCase {
        const char* name;
        const char* fixture;
        bool lossless;
    };
    const TurnCase cases[] = {
        {"p.png", "png_alpha.png", true},
        {"l.webp", "webp_lossless.webp", true},
        {"w.webp", "webp_exif6_meta.webp", false},
        {"v.avif", "avif_plain.avif", false},
    };
    for (const TurnCase& c : cases) AddFile(c.name, std::string("formats/") + c.fixture, 1);
    ASSERT_TRUE(Build());
    for (const TurnCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string copy = Out(std::string("my_p/") + c.name);
        const PictureFacts facts = FactsOf(copy);
        EXPECT_EQ(facts.kind, ProbePicture(Src(c.name)).kind);
        EXPECT_EQ(facts.stored, (ImgKitSize{48, 64}));  // upright as stored: no turn left to apply
        EXPECT_EQ(facts.upright, (ImgKitSize{48, 64}));
        if (!c.lossless) continue;
        EXPECT_TRUE(facts.lossless);
        DecodedPicture source = DecodePicture(Src(c.name));
        ASSERT_TRUE(source.image);
        ImgKitRotation(source.image);
        const DecodedPicture turned = DecodePicture(copy);
        ASSERT_TRUE(turned.image);
        EXPECT_EQ(ImgKitPixels(turned.image)->convertToFormat(QImage::Format_ARGB32),
                  ImgKitPixels(source.image)->convertToFormat(QImage::Format_ARGB32));
    }
    EXPECT_EQ(FactsOf(Out("my_t/_l.webp")).kind, kWebpImage);
}

// Names that differ only in letter case would overwrite each other on a FAT, NTFS or macOS disk:
// the later derived name gets "~2", the files are all there, and the finish message says so.
TEST_F(AlbumBuild, NamesThatClashWithoutRegardToCaseAreRenamedAndTheFinishMessageSaysSo) {
    AddFile("a.jpg", "jpeg/good/gen_420.jpg");
    AddFile("A.JPG", "jpeg/good/ljt_testorig.jpg");
    ASSERT_TRUE(Build());
    EXPECT_EQ(Entries(dir / "out/my_p"), (std::set<std::string>{"a.jpg", "A~2.JPG"}));
    EXPECT_EQ(Out("my_p/A~2.JPG"), Src("A.JPG"));
    EXPECT_EQ(Entries(dir / "out/my_t"), (std::set<std::string>{"_a.jpg", "_A~2.JPG"}));
    EXPECT_NE(Out("my.html").find("<IMG SRC=\"my_t/_A~2.JPG\" ALT=\"A.JPG\""), std::string::npos);
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].text,
              std::string(kAlbumRenamedHeading) +
                  "\nmy_p/A.JPG -> my_p/A~2.JPG\nmy_t/_A.JPG -> my_t/_A~2.JPG");
    EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Information);
    EXPECT_EQ(dialogs.calls[1].text, "今すぐブラウザで見ますか？");
}

}  // namespace
