#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "album/generation/album_build.h"
#include "album/generation/album_manifest.h"
#include "album/generation/album_pipeline.h"
#include "core/picture_list_model.h"
#include "imaging/image_library.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_shell_opener.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// The real codec, counting what a build decodes and writes through it (from several threads).
class CountingCodec : public ImageCodec {
  public:
    ImageHandle Load(const std::string& path, int min_width, int min_height) override {
        ++decodes;
        return ImageCodec::Load(path, min_width, min_height);
    }
    DecodedPicture Decode(std::string_view bytes, int min_width, int min_height) override {
        ++decodes;
        return ImageCodec::Decode(bytes, min_width, min_height);
    }
    bool WriteFile(const std::string& path, const std::string& bytes, const FileToReplace* replaces,
                   ReplaceFailure* failure) override {
        ++writes;
        return ImageCodec::WriteFile(path, bytes, replaces, failure);
    }
    std::atomic<int> decodes{0};
    std::atomic<int> writes{0};
};

// Every file under `folder` (relative path) with what tells a rewrite: its bytes, its written
// time and its file number.
struct FileState {
    std::string bytes;
    std::int64_t modified_ns = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileState&, const FileState&) = default;
};
std::map<std::string, FileState> Snapshot(const fs::path& folder) {
    std::map<std::string, FileState> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        struct stat st {};
        ::stat(entry.path().c_str(), &st);
        files[fs::relative(entry.path(), folder)] = {
            ReadTestFile(entry.path()), st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
            st.st_ino};
    }
    return files;
}
// The files of `after` that are new or rewritten since `before`, and those gone.
std::set<std::string> Rewritten(const std::map<std::string, FileState>& before,
                                const std::map<std::string, FileState>& after) {
    std::set<std::string> changed;
    for (const auto& [name, state] : after) {
        const auto it = before.find(name);
        if (it == before.end() || !(it->second == state)) changed.insert(name);
    }
    for (const auto& [name, state] : before)
        if (after.count(name) == 0) changed.insert(name);
    return changed;
}

class AlbumRebuild : public ::testing::Test {
  public:
    void SetUp() override {
        RecordingUserDialogs load_dialogs;
        ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
        settings.picture_path = dir / "src/";
        settings.out_dir = dir / "out";
        fs::create_directories(dir / "src");
        materials = MaterialFolders::FromStartDirectory(dir.Path());
        // A JPEG as it is, a JPEG turned on its blocks, a PNG re-encoded turned, a GIF copied.
        Add("a.jpg", "jpeg/good/gen_420.jpg");
        Add("b.jpg", "jpeg/good/ljt_testorig.jpg", 1);
        Add("c.png", "formats/png_plain.png", 1);
        Add("d.gif", "gif/ig_sample_1.gif");
    }
    void Add(const std::string& name, const std::string& testdata, int turns = 0) {
        fs::copy_file(TestDataPath(testdata), dir / ("src/" + name));
        const int i = list.InsertPicture(name, true);
        for (int t = 0; t < turns; ++t) list.AddQuarterTurn(i);
    }
    // Builds, and returns what changed in the output folder.
    std::set<std::string> Build() {
        const std::map<std::string, FileState> before = Snapshot(dir / "out");
        codec.decodes = 0;
        codec.writes = 0;
        dialogs.calls.clear();
        AlbumBuildContext context{settings, list, materials, dialogs, progress, shell, codec};
        EXPECT_TRUE(BuildAlbum(context));
        return Rewritten(before, Snapshot(dir / "out"));
    }

    TempDir dir;
    AlbumSettings settings;
    PictureListModel list;
    MaterialFolders materials;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
    RecordingShellOpener shell;
    CountingCodec codec;
};

TEST_F(AlbumRebuild, AnUnchangedAlbumIsNeitherDecodedNorWrittenAgain) {
    for (const int style : {kClassicPages, kModernPages}) {
        SCOPED_TRACE(style);
        settings.page_style = style;
        Build();
        const std::set<std::string> changed = Build();
        EXPECT_TRUE(changed.empty()) << *changed.begin();
        EXPECT_EQ(codec.decodes, 0);
        EXPECT_EQ(codec.writes, 0);
    }
}

// What a change between two builds makes again: only the files it reaches (and the record).
TEST_F(AlbumRebuild, AChangeMakesAgainOnlyWhatItReaches) {
    const std::string record = kAlbumManifestName;
    struct Case {
        const char* name;
        std::function<void(AlbumRebuild&)> change;
        std::set<std::string> rewritten;
        int decodes;
    };
    const Case cases[] = {
        {"a picture touched",
         [](AlbumRebuild& t) {
             fs::last_write_time(t.dir / "src/a.jpg",
                                 fs::last_write_time(t.dir / "src/a.jpg") + std::chrono::hours(1));
         },
         {record},
         0},
        {"a picture edited",
         [](AlbumRebuild& t) {
             WriteTestFile(t.dir / "src/a.jpg",
                           ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg")));
         },
         {record, "my_p/a.jpg", "my_t/_a.jpg"},
         1},
        {"a picture turned",
         [](AlbumRebuild& t) { t.list.AddQuarterTurn(t.list.IndexOf("a.jpg")); },
         {record, "my_p/a.jpg", "my_t/_a.jpg"},
         1},
        {"the thumbnail box changed",
         [](AlbumRebuild& t) { t.settings.thumbnail_y = 60; },
         {record, "my_t/_a.jpg", "my_t/_b.jpg", "my_t/_c.png", "my.html"},
         3},
        // The copies are made again (the GIF's too); the decoded pictures are read as for a new
        // copy, but their thumbnails hold their bytes and are not written.
        {"location removal switched on",
         [](AlbumRebuild& t) { t.settings.strip_location = 1; },
         {record, "my_p/a.jpg", "my_p/b.jpg", "my_p/c.png", "my_p/d.gif"},
         3},
        {"a thumbnail removed by hand",
         [](AlbumRebuild& t) { fs::remove(t.dir / "out/my_t/_b.jpg"); },
         {record, "my_t/_b.jpg"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "out");
        Build();
        c.change(*this);
        EXPECT_EQ(Build(), c.rewritten);
        EXPECT_EQ(codec.decodes, c.decodes);
    }
}

TEST_F(AlbumRebuild, AnUntickedPictureTakesOnlyTheFilesTheAlbumWroteWithIt) {
    // Three pictures a page: the second page goes with the pictures.
    settings.html_page = 1;
    settings.thumbnail_rows = 1;
    settings.thumbnail_cols = 3;
    Build();
    ASSERT_TRUE(fs::exists(dir / "out/my2.html"));
    WriteTestFile(dir / "out/my_p/stranger.jpg", "not the album's");
    WriteTestFile(dir / "out/my_t/_a.jpg", "the user's own thumbnail");  // replaced by the user
    list.SetChecked(list.IndexOf("a.jpg"), false);
    list.SetChecked(list.IndexOf("b.jpg"), false);
    Build();
    EXPECT_FALSE(fs::exists(dir / "out/my_p/a.jpg"));
    EXPECT_FALSE(fs::exists(dir / "out/my_p/b.jpg"));
    EXPECT_FALSE(fs::exists(dir / "out/my_t/_b.jpg"));
    EXPECT_EQ(ReadTestFile(dir / "out/my_p/stranger.jpg"), "not the album's");
    EXPECT_EQ(ReadTestFile(dir / "out/my_t/_a.jpg"), "the user's own thumbnail");
    EXPECT_TRUE(fs::exists(dir / "out/my_t/_c.png"));
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].text, std::string(kAlbumRemovedHeading) +
                                         "\nmy2.html\nmy_p/a.jpg\nmy_p/b.jpg\nmy_t/_b.jpg");
    // Nothing more to remove the next time, and the user's file is not the album's any more.
    Build();
    EXPECT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(ReadTestFile(dir / "out/my_t/_a.jpg"), "the user's own thumbnail");
}

// An album made in its picture folder takes an unticked picture's thumbnail, never the picture.
TEST_F(AlbumRebuild, AnAlbumInItsPictureFolderNeverRemovesAPicture) {
    settings.out_sorce = 1;
    settings.pic_folder = "";
    Build();
    ASSERT_TRUE(fs::exists(dir / "src/my_t/_a.jpg"));
    list.SetChecked(list.IndexOf("a.jpg"), false);
    Build();
    EXPECT_FALSE(fs::exists(dir / "src/my_t/_a.jpg"));
    EXPECT_EQ(ReadTestFile(dir / "src/a.jpg"), ReadTestFile(TestDataPath("jpeg/good/gen_420.jpg")));
    EXPECT_EQ(dialogs.calls[0].text, std::string(kAlbumRemovedHeading) + "\nmy_t/_a.jpg");
}

// A material gone from its folder keeps the copy the pages name; one no longer chosen goes.
TEST_F(AlbumRebuild, AMaterialLeavesTheAlbumOnlyWhenNoLongerChosen) {
    settings.name_bg = "bg.jpg";
    WriteTestFile(materials.wallpaper + "bg.jpg", "wallpaper");
    Build();
    fs::remove(materials.wallpaper + "bg.jpg");
    Build();
    EXPECT_EQ(ReadTestFile(dir / "out/material/bg.jpg"), "wallpaper");
    settings.name_bg = "";
    Build();
    EXPECT_FALSE(fs::exists(dir / "out/material/bg.jpg"));
}

// A record that cannot be trusted is left aside: every picture is made, as in a new album.
TEST_F(AlbumRebuild, ARecordThatCannotBeTrustedMeansAFullBuild) {
    const fs::path record = fs::path(dir / "out") / kAlbumManifestName;
    const struct {
        const char* name;
        std::function<void()> spoil;
    } cases[] = {
        {"missing", [&] { fs::remove(record); }},
        {"cut short", [&] { fs::resize_file(record, fs::file_size(record) / 2); }},
        {"not a record", [&] { WriteTestFile(record, "<html></html>"); }},
        {"of a later version",
         [&] {
             std::string text = ReadTestFile(record);
             text.replace(text.find("\"version\":1"), 11, "\"version\":2");
             WriteTestFile(record, text);
         }},
        {"of another folder",
         [&] {
             // The whole album moved away and back: a new folder with the same name.
             fs::rename(dir / "out", dir / "moved");
             fs::create_directories(dir / "out");
             fs::copy(dir / "moved", dir / "out", fs::copy_options::recursive);
             fs::remove_all(dir / "moved");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Build();
        c.spoil();
        Build();
        EXPECT_EQ(codec.decodes, 3);  // every picture but the GIF, which is only copied
    }
}

TEST(AlbumManifest, ReadsBackWhatItWritesAndRefusesWhatItDidNot) {
    AlbumManifest manifest;
    manifest.folder = "2049:12";
    manifest.sources["a.jpg"] = {{10, 11, 12, 13}, ContentHash("a")};
    // A name in another encoding (CP932 "桜") and one with a quote and a control character.
    manifest.sources["\x8d\xf7.jpg"] = {{1, 2, 3, 4}, ContentHash("b")};
    manifest.outputs["my_t/\"q\"\t.jpg"] = {ContentHash("r"), ContentHash("c"), {5, 6, 7, 8}};
    manifest.outputs["my.html"] = {"", ContentHash("p"), {9, 1, 2, 3}};
    const std::string text = RenderAlbumManifest(manifest);
    EXPECT_EQ(ParseAlbumManifest(text), manifest);
    EXPECT_NE(text.find("\"\\udc8d\\udcf7.jpg\""), std::string::npos);

    const std::string hash = ContentHash("x");
    const std::string head =
        "{\"format\":\"pictavo-album-manifest\",\"version\":1,\"folder\":\"1:2\",";
    for (const std::string& bad : {
             text.substr(0, text.size() / 2),
             std::string("[]"),
             head + "\"sources\":{},\"outputs\":{\"../x\":{\"recipe\":\"\",\"hash\":\"" + hash +
                 "\"}}}",
             head + "\"sources\":{},\"outputs\":{\"/etc/x\":{\"recipe\":\"\",\"hash\":\"" + hash +
                 "\"}}}",
             head + "\"sources\":{\"a\":{\"hash\":\"short\"}},\"outputs\":{}}",
             head + "\"sources\":{},\"outputs\":{}} trailing",
         }) {
        EXPECT_FALSE(ParseAlbumManifest(bad)) << bad;
    }
    // Members a later minor change may add are passed over.
    EXPECT_TRUE(ParseAlbumManifest(head + "\"note\":{\"n\":1},\"sources\":{},\"outputs\":{}}"));
}

}  // namespace
