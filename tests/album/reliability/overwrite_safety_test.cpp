// An album built into the picture folder saves turned pictures over their originals; the profile
// and the user's theme file are rewritten in place. Whatever makes such a save fail (a read-only
// file, a crash half way, a full disk, a folder that cannot be written), the old file must stay
// whole, and no temporary file may be left behind by a save that lived to clean up.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "album/generation/album_build.h"
#include "album/generation/album_pipeline.h"
#include "album/settings/album_settings.h"
#include "album/style/themes/theme_store.h"
#include "core/picture_list_model.h"
#include "imaging/image_library.h"
#include "platform/profile_store.h"
#include "tests/reliability/failing_storage.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/recording_shell_opener.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

enum class Failure { ReadOnlyFile, FileSizeLimit, FullTmpfs, ReadOnlyFolder };

struct Case {
    const char* name;
    Failure failure;
};

// Test names and messages show the case by its name.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<Case> kCases = {
    {"ReadOnlyFile", Failure::ReadOnlyFile},
    {"FileSizeLimit", Failure::FileSizeLimit},
    {"FullTmpfs", Failure::FullTmpfs},
    {"ReadOnlyFolder", Failure::ReadOnlyFolder},
};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

// Arms one way of failing for the duration of a write; the folder is where the write goes.
class FailureScope {
  public:
    // Call before the folder's files are made (a tmpfs must be mounted on the empty folder).
    FailureScope(const Case& c, const std::string& folder) : case_(c), folder_(folder) {
        // Permissions cannot stop root from writing: for root a read-only folder is a read-only
        // mount.
        if (c.failure == Failure::FullTmpfs ||
            (c.failure == Failure::ReadOnlyFolder && RunningAsRoot()))
            tmpfs_ = std::make_unique<SmallTmpfs>(folder, "4m");
    }
    ~FailureScope() {
        limit_.reset();
        std::error_code ec;
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ec);
    }

    // Why this case cannot run here, or empty.
    std::string SkipReason() const {
        if (tmpfs_ && !tmpfs_->Mounted()) return "this machine does not allow mounting a tmpfs";
        return {};
    }

    // Makes every later write into the folder fail; with the size limit, no file may grow beyond
    // `limit` bytes; with read-only files, the files of the folder (not its sub-folders) may not
    // be replaced.
    bool Arm(rlim_t limit = 1024) {
        switch (case_.failure) {
            case Failure::ReadOnlyFile:
                // A file without write permission is read-only by the user's choice, even for root.
                for (const auto& entry : fs::directory_iterator(folder_)) {
                    if (!entry.is_regular_file()) continue;
                    fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::group_read |
                                                      fs::perms::others_read);
                }
                return true;
            case Failure::FileSizeLimit:
                limit_ = std::make_unique<FileSizeLimit>(limit);
                return limit_->Active();
            case Failure::FullTmpfs:
                return tmpfs_->Fill();
            case Failure::ReadOnlyFolder:
                if (tmpfs_) return tmpfs_->MakeReadOnly();
                fs::permissions(
                    folder_,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
                return true;
        }
        return false;
    }
    void Disarm() { limit_.reset(); }

  private:
    Case case_;
    std::string folder_;
    std::unique_ptr<SmallTmpfs> tmpfs_;
    std::unique_ptr<FileSizeLimit> limit_;
};

std::set<std::string> NamesWithoutFiller(const std::string& folder) {
    std::set<std::string> names = FolderNames(folder);
    names.erase(".filler");
    return names;
}

// The names no listing of the program skips (hidden ones left out).
std::set<std::string> VisibleNames(const std::string& folder) {
    std::set<std::string> names;
    for (const std::string& name : FolderNames(folder))
        if (name[0] != '.') names.insert(name);
    return names;
}

// In the child process of a death test: `save` under a file size limit that kills the process
// (SIGXFSZ) the moment a file it writes grows beyond `limit` bytes.
template <typename Save>
void SaveUnderAKillingSizeLimit(rlim_t limit, Save save) {
    const rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
    ::signal(SIGXFSZ, SIG_DFL);
    const rlimit size{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &size);
    save();
    std::_Exit(0);
}

// Runs `save` in a child process that is killed half way through writing, as at a crash or a
// power cut: it has no chance to clean up after itself.
template <typename Save>
void SaveKilledHalfWay(rlim_t limit, Save save) {
    EXPECT_EXIT(SaveUnderAKillingSizeLimit(limit, save), ::testing::KilledBySignal(SIGXFSZ), "");
}

class AlbumInPictureFolder : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        RecordingUserDialogs load_dialogs;
        ASSERT_TRUE(ImageLibrary::Load(load_dialogs));
        src = dir / "src";
        fs::create_directories(src);
        settings.picture_path = src + "/";
        settings.out_sorce = 1;
        settings.pic_folder = "";  // the output page empties it for an album in the picture folder
        materials = MaterialFolders::FromStartDirectory(dir.Path());
    }

    TempDir dir;
    std::string src;
    AlbumSettings settings;
    PictureListModel list;
    MaterialFolders materials;
    RecordingUserDialogs dialogs;
    RecordingProgressSink progress;
    RecordingShellOpener shell;
};

}  // namespace

TEST_P(AlbumInPictureFolder, AFailedTurnedSaveLeavesTheOriginalByteIdentical) {
    FailureScope failure(GetParam(), src);
    if (!failure.SkipReason().empty()) GTEST_SKIP() << failure.SkipReason();
    const std::map<std::string, std::string> originals{
        {"a_photo.jpg", "photos/ladybird.jpg"},
        {"b_photo.bmp", "bmp/good/photo_640x504_24bit.bmp"},
    };
    std::map<std::string, std::string> bytes;
    for (const auto& [name, testdata] : originals) {
        fs::copy_file(TestDataPath(testdata), src + "/" + name);
        bytes[name] = ReadTestFile(src + "/" + name);
    }
    // The folders the build needs exist already, so that only the picture saves meet the failure.
    fs::create_directories(src + "/my_t");
    fs::create_directories(src + "/material");
    list.Fill(settings.picture_path, PictureFilter::Album);
    ASSERT_EQ(list.Count(), 2);
    for (int i = 0; i < list.Count(); ++i) {
        list.SetChecked(i, true);
        list.AddQuarterTurn(i);
    }
    const std::set<std::string> names = NamesWithoutFiller(src);

    ImageCodec codec;
    ASSERT_TRUE(failure.Arm());
    AlbumBuildContext context{settings, list, materials, dialogs, progress, shell, codec};
    PrepareAlbumFiles(context);
    failure.Disarm();

    for (const auto& [name, original] : bytes) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadTestFile(src + "/" + name), original) << "the original was damaged";
    }
    EXPECT_EQ(NamesWithoutFiller(src), names) << "a temporary file was left beside the originals";
    if (GetParam().failure == Failure::ReadOnlyFile) {
        // The thumbnail is still made from the turned picture.
        EXPECT_EQ(ImgKitUprightSize(src + "/my_t/_a_photo.jpg"), (ImgKitSize{63, 100}));
    }
}

TEST_F(AlbumInPictureFolder, ASuccessfulTurnedSaveReplacesTheOriginalWithTheWholeTurnedPicture) {
    fs::copy_file(TestDataPath("jpeg/good/gen_420.jpg"), src + "/p.jpg");
    list.Fill(settings.picture_path, PictureFilter::Album);
    list.SetChecked(0, true);
    list.AddQuarterTurn(0);
    ImageCodec codec;
    AlbumBuildContext context{settings, list, materials, dialogs, progress, shell, codec};
    PrepareAlbumFiles(context);
    EXPECT_EQ(ImgKitUprightSize(src + "/p.jpg"), (ImgKitSize{504, 640}));
    EXPECT_EQ(NamesWithoutFiller(src), (std::set<std::string>{"material", "my_t", "p.jpg"}));
}

INSTANTIATE_TEST_SUITE_P(EveryWayASaveFails, AlbumInPictureFolder, ::testing::ValuesIn(kCases),
                         CaseName);

namespace {

class StoredTextFiles : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        folder = dir / "store";
        fs::create_directories(folder);
    }
    TempDir dir;
    std::string folder;
};

}  // namespace

TEST_P(StoredTextFiles, AFailedProfileSaveLeavesTheProfileWhole) {
    FailureScope failure(GetParam(), folder);
    if (!failure.SkipReason().empty()) GTEST_SKIP() << failure.SkipReason();
    ProfileStore profile(folder + "/Pictavo.INI");
    AlbumSettings settings;
    settings.html_title = "夏休み";
    SaveSettings(profile, settings);
    const std::string before = ReadTestFile(profile.Path());
    ASSERT_GT(before.size(), 500u);
    const std::set<std::string> names = NamesWithoutFiller(folder);

    // Any rewrite of the whole file then fails, even one that does not make it longer.
    ASSERT_TRUE(failure.Arm(before.size() / 2));
    // A long comment makes the new profile larger than the old one.
    const bool written =
        profile.WriteText(kSettingsSection, "html_comment", std::string(4000, 'x'));
    AlbumSettings changed = settings;
    changed.thumbnail_cols = 9;
    SaveSettings(profile, changed);
    failure.Disarm();

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadTestFile(profile.Path()), before) << "the profile was damaged";
    EXPECT_EQ(NamesWithoutFiller(folder), names) << "a temporary file was left beside the profile";
}

TEST_P(StoredTextFiles, AFailedThemeAppendLeavesTheUserThemeFileWhole) {
    FailureScope failure(GetParam(), folder);
    if (!failure.SkipReason().empty()) GTEST_SKIP() << failure.SkipReason();
    AlbumSettings settings;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(AppendUserTheme(folder, CaptureTheme("テーマ" + std::to_string(i), settings)));
    }
    const std::string path = folder + "/" + kUserThemeFileName;
    const std::string before = ReadTestFile(path);
    ASSERT_GT(before.size(), 1024u);
    const std::set<std::string> names = NamesWithoutFiller(folder);

    ASSERT_TRUE(failure.Arm(before.size() / 2));
    const bool appended = AppendUserTheme(folder, CaptureTheme("新しいテーマ", settings));
    failure.Disarm();

    const std::vector<ListedTheme> themes = LoadListedThemes(folder, folder);
    EXPECT_FALSE(appended);
    EXPECT_EQ(ReadTestFile(path), before) << "userat.ctm was damaged";
    EXPECT_EQ(themes.size(), 40u);
    EXPECT_EQ(NamesWithoutFiller(folder), names) << "a temporary file was left beside the themes";
}

INSTANTIATE_TEST_SUITE_P(EveryWayASaveFails, StoredTextFiles, ::testing::ValuesIn(kCases),
                         CaseName);

// A save cut off half way by the death of its process (a crash, a power cut) cannot clean up after
// itself: the file it replaces must still be whole, what it left must stay hidden and load
// nothing, and the next save must succeed.
TEST(StoredTextFileKilledHalfWay, TheProfileStaysWholeAndTheNextSaveWorks) {
    TempDir dir;
    ProfileStore profile(dir / "Pictavo.INI");
    AlbumSettings settings;
    settings.html_title = "夏休み";
    SaveSettings(profile, settings);
    const std::string before = ReadTestFile(profile.Path());
    const std::set<std::string> names = VisibleNames(dir.Path());
    const std::string comment(4000, 'x');

    SaveKilledHalfWay(before.size() / 2,
                      [&] { profile.WriteText(kSettingsSection, "html_comment", comment); });
    EXPECT_EQ(ReadTestFile(profile.Path()), before) << "the profile was damaged";
    EXPECT_EQ(VisibleNames(dir.Path()), names);
    ASSERT_TRUE(profile.WriteText(kSettingsSection, "html_comment", comment));
    AlbumSettings read;
    LoadSettings(ProfileStore(profile.Path()), read);
    EXPECT_EQ(read.html_comment, comment);
    EXPECT_EQ(read.html_title, "夏休み");
}

TEST(StoredTextFileKilledHalfWay, TheUserThemeFileStaysWholeAndTheNextAppendWorks) {
    TempDir dir;
    AlbumSettings settings;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(
            AppendUserTheme(dir.Path(), CaptureTheme("テーマ" + std::to_string(i), settings)));
    }
    const std::string path = dir / kUserThemeFileName;
    const std::string before = ReadTestFile(path);
    const std::set<std::string> names = VisibleNames(dir.Path());
    const CoordinateTheme added = CaptureTheme("新しいテーマ", settings);

    SaveKilledHalfWay(before.size() / 2, [&] { AppendUserTheme(dir.Path(), added); });
    EXPECT_EQ(ReadTestFile(path), before) << "userat.ctm was damaged";
    EXPECT_EQ(VisibleNames(dir.Path()), names);
    EXPECT_EQ(LoadListedThemes(dir.Path(), dir.Path()).size(), 40u);
    ASSERT_TRUE(AppendUserTheme(dir.Path(), added));
    const std::vector<ListedTheme> themes = LoadListedThemes(dir.Path(), dir.Path());
    ASSERT_EQ(themes.size(), 41u);
    EXPECT_EQ(themes.back().theme, added);
}
