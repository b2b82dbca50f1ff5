#include "core/path_helpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const std::string kQuestion = "ディレクトリが見つかりません。\n作成しますか？";
const std::string kFailure = "ディレクトリの作成に失敗しました";

class EnsureFolderTest : public ::testing::Test {
  protected:
    TempDir dir_;
    RecordingUserDialogs dialogs_;
};

TEST_F(EnsureFolderTest, MissingThreeLevelsAskOnceAndAreCreated) {
    const std::string path = dir_ / "x/y/z";
    EXPECT_TRUE(EnsureFolder(path, true, dialogs_));
    ASSERT_EQ(dialogs_.calls.size(), 1u);
    const RecordingUserDialogs::Call& q = dialogs_.calls[0];
    EXPECT_EQ(q.text, path + kQuestion);
    EXPECT_FALSE(q.caption.has_value());  // the application title
    EXPECT_EQ(q.icon, MessageIcon::Exclamation);
    EXPECT_EQ(q.buttons, MessageButtons::YesNo);
    EXPECT_TRUE(fs::is_directory(dir_ / "x/y/z"));
}

TEST_F(EnsureFolderTest, QuestionNamesThePathWithItsTrailingSeparator) {
    const std::string path = dir_ / "MyAlbum/";
    EXPECT_TRUE(EnsureFolder(path, true, dialogs_));
    EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{path + kQuestion});
    EXPECT_EQ(dialogs_.calls[0].text.rfind(path + "ディレクトリが", 0), 0u);
    EXPECT_TRUE(fs::is_directory(dir_ / "MyAlbum"));
}

TEST_F(EnsureFolderTest, ExistingVisibleFolderNeedsNoMessage) {
    fs::create_directory(dir_ / "there");
    for (bool ask : {true, false}) {
        for (const std::string& path : {dir_ / "there", dir_ / "there/", std::string("/")}) {
            EXPECT_TRUE(EnsureFolder(path, ask, dialogs_)) << path;
        }
    }
    EXPECT_TRUE(dialogs_.calls.empty());
}

TEST_F(EnsureFolderTest, WithoutAskingMissingFoldersAreCreatedSilently) {
    EXPECT_TRUE(EnsureFolder(dir_ / "a/b/", false, dialogs_));
    EXPECT_TRUE(dialogs_.calls.empty());
    EXPECT_TRUE(fs::is_directory(dir_ / "a/b"));
}

TEST_F(EnsureFolderTest, DecliningCreatesNothingAndReportsFailure) {
    dialogs_.answers.push_back(MessageAnswer::No);
    EXPECT_FALSE(EnsureFolder(dir_ / "x/y", true, dialogs_));
    EXPECT_EQ(dialogs_.Texts(), (std::vector<std::string>{dir_ / "x/y" + kQuestion, kFailure}));
    EXPECT_EQ(dialogs_.calls[1].buttons, MessageButtons::Ok);
    EXPECT_EQ(dialogs_.calls[1].icon, MessageIcon::Exclamation);
    EXPECT_FALSE(dialogs_.calls[1].caption.has_value());
    EXPECT_FALSE(fs::exists(dir_ / "x"));
}

TEST_F(EnsureFolderTest, SomethingElseInTheWayFailsWithoutAsking) {
    WriteTestFile(dir_ / "file", "x");
    fs::create_directory(dir_ / ".hidden");
    for (const std::string& path : {dir_ / "file", dir_ / "file/", dir_ / ".hidden"}) {
        RecordingUserDialogs dialogs;
        EXPECT_FALSE(EnsureFolder(path, true, dialogs)) << path;
        EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{kFailure}) << path;
    }
    // "." and ".." are positions, not hidden folders.
    EXPECT_TRUE(EnsureFolder(dir_ / ".hidden/..", true, dialogs_));
    EXPECT_TRUE(EnsureFolder(dir_ / ".", true, dialogs_));
    EXPECT_TRUE(dialogs_.calls.empty());
}

TEST_F(EnsureFolderTest, EveryFailingLevelReportsOnce) {
    // A file where a parent folder should be: the file's own level fails, then x, y and z.
    WriteTestFile(dir_ / "file", "x");
    EXPECT_FALSE(EnsureFolder(dir_ / "file/x/y/z", true, dialogs_));
    EXPECT_EQ(dialogs_.Texts(), (std::vector<std::string>{dir_ / "file/x/y/z" + kQuestion, kFailure,
                                                          kFailure, kFailure, kFailure}));
}

TEST_F(EnsureFolderTest, ThreeLevelsUnderAFolderThatRefusesNewEntries) {
    // Nobody, root included, can make folders in /proc: the analogue of a drive that does not
    // exist.
    EXPECT_FALSE(EnsureFolder("/proc/pictavo-no-such/y/z", false, dialogs_));
    EXPECT_EQ(dialogs_.Texts(), (std::vector<std::string>{kFailure, kFailure, kFailure}));
}

TEST_F(EnsureFolderTest, ReadOnlyParentFailsOncePerLevelAndKeepsWhatWasMade) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    fs::create_directory(dir_ / "ro");
    fs::permissions(dir_ / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(EnsureFolder(dir_ / "ro/a/b", false, dialogs_));
    EXPECT_EQ(dialogs_.Texts(), (std::vector<std::string>{kFailure, kFailure}));
}

TEST_F(EnsureFolderTest, LeadingTildeMeansTheHomeFolder) {
    const char* old = std::getenv("HOME");
    const std::string saved = old ? old : "";
    setenv("HOME", dir_.Path().c_str(), 1);
    const bool ok = EnsureFolder("~/MyAlbum", true, dialogs_);
    if (old)
        setenv("HOME", saved.c_str(), 1);
    else
        unsetenv("HOME");
    EXPECT_TRUE(ok);
    EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{"~/MyAlbum" + kQuestion});
    EXPECT_TRUE(fs::is_directory(dir_ / "MyAlbum"));
}

TEST(PathHelpers, TrailingSeparators) {
    struct Case {
        std::string in, stripped, ensured;
    };
    const Case cases[] = {
        {"/pics", "/pics", "/pics/"},
        {"/pics/", "/pics", "/pics/"},
        {"/pics//", "/pics/", "/pics//"},
        {"/", "/", "/"},
        {"", "", "/"},
        {"rel", "rel", "rel/"},
    };
    for (const Case& c : cases) {
        std::string s = c.in;
        StripTrailingSeparator(s);
        EXPECT_EQ(s, c.stripped) << c.in;
        std::string e = c.in;
        EnsureTrailingSeparator(e);
        EXPECT_EQ(e, c.ensured) << c.in;
    }
}

TEST(PathHelpers, ImageKindFromTheExtensionAlone) {
    struct Case {
        const char* name;
        int kind;
    };
    const Case cases[] = {
        {"Photo.JPG", 1},
        {"anim.Gif", 2},
        {"x.jpeg", 1},
        {"x.BMP", 3},
        {"x.tif", 8},
        {"Shot.PNG", 4},
        {"web.WebP", 5},
        {"a.avif", 6},
        {"IMG_0001.HEIC", 7},
        {"x.heif", 7},
        {"sony.HIF", 7},
        {"scan.TIFF", 8},
        {"x.jxl", -1},
        {"x.heics", -1},
        {"x.jpg.txt", -1},
        {"readme", -1},
        {"/a/dir.jpg/readme", -1},
        {"/a/dir.x/photo.JpEg", 1},
        {"写真.JPG", 1},
        {"photo.", -1},
        {"x.jpgx", -1},
        {"", -1},
        {".jpg", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(ImageKindOfName(c.name), c.kind) << c.name;
}

TEST(PathHelpers, AbsolutePathsExtensionsAndOrdering) {
    EXPECT_TRUE(IsAbsoluteFolderPath("/home/a"));
    EXPECT_FALSE(IsAbsoluteFolderPath("home/a"));
    EXPECT_FALSE(IsAbsoluteFolderPath("~/a"));
    EXPECT_FALSE(IsAbsoluteFolderPath(""));

    EXPECT_TRUE(HasExtension("/out/album.d"));
    EXPECT_FALSE(HasExtension("/out/album"));
    EXPECT_FALSE(HasExtension("/out.d/album"));
    // A name that begins with "." is all extension: such a folder would be made, then be hidden.
    EXPECT_TRUE(HasExtension("/home/.album"));
    EXPECT_TRUE(HasExtension("/home/.album/"));
    EXPECT_TRUE(HasExtension("/home/.."));
    EXPECT_FALSE(HasExtension("/home/album/"));
    EXPECT_FALSE(HasExtension("/"));

    EXPECT_LT(CompareNoCase("apple", "Banana"), 0);
    EXPECT_GT(CompareNoCase("b", "A"), 0);
    EXPECT_EQ(CompareNoCase("PHOTO.jpg", "photo.JPG"), 0);
    EXPECT_LT(CompareNoCase("ab", "abc"), 0);
    EXPECT_LT(CompareNoCase("Z", "\xE3\x81\x82"), 0);  // bytes above ASCII sort after it
}

}  // namespace
