#include "resizer/cli/run_cli.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "core/path_helpers.h"
#include "imaging/picture_codec.h"
#include "resizer/job/batch_resize.h"
#include "tests/imaging/imaging_test_support.h"
#include "tests/reliability/signalled_run.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

class ScalvoCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        source = dir / "src";
        output = dir / "out";
        fs::create_directories(source);
        fs::copy_file(TestDataPath("photos/storm_road.jpg"), source + "/road.jpg");
        fs::copy_file(TestDataPath("photos/桜.jpg"), source + "/桜.jpg");
        fs::copy_file(TestDataPath("bmp/good/photo_640x504_24bit.bmp"), source + "/scan.bmp");
        WriteTestFile(source + "/notes.txt", "not a picture");
    }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunCli(args, out, err);
    }

    QSize SizeOf(const std::string& path) {
        return QImageReader(QString::fromStdString(path)).size();
    }

    TempDir dir;
    std::string source;
    std::string output;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ScalvoCliTest, UsageErrorsExitWithTwoSayWhyAndTouchNothing) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string range = " までの整数を入力してください。";
    const std::string one_size =
        "大きさは --percent, --height, --width, --box, --keep のどれか一つです";
    const Case cases[] = {
        {{}, "SOURCE_FOLDER を指定してください"},
        {{"--percent", "9", source}, "--percent: 10 から 400" + range},
        {{"--percent", "401", source}, "--percent: 10 から 400" + range},
        {{"--width", "49", source}, "--width: 50 から 4000" + range},
        {{"--height", "4001", source}, "--height: 50 から 4000" + range},
        {{"--box", "40x100", source}, "--box: 50 から 4000" + range},
        {{"--box", "100", source}, "--box: WxH の形で指定してください"},
        {{"--quality", "101", source}, "--quality: 10 から 100" + range},
        {{"--quality", "ten", source}, "--quality: 整数を入力してください。"},
        {{"--width", "400", "--height", "300", source}, one_size},
        {{"--keep", "--percent", "50", source}, one_size},
        {{"-o", output, "--overwrite", source}, "--out と --overwrite は同時に指定できません"},
        {{"--no-such-option", source}, "no-such-option"},
        {{source, source}, "SOURCE_FOLDER は一つだけ指定してください"},
        {{"--select", "missing.jpg", "-o", output, source},
         "--select: missing.jpg: 変換できる画像がありません"},
        {{"--turn", "road.jpg", "-o", output, source}, "--turn: NAME=N の形で指定してください"},
        {{"--turn", "nothere.jpg=1", "-o", output, source},
         "--turn: nothere.jpg: 変換できる画像がありません"},
        {{"--format", "gif", source},
         "--format: orig, jpeg, png, webp, avif のどれかを指定してください"},
        {{"--format", "png", "--format", "jpeg", source}, "--format は一つだけ指定してください"},
        {{"-o", output, (dir / "no-such-folder")},
         dir / "no-such-folder" + ": フォルダが見つかりません"},
        {{"-o", output + ".jpg", source}, "（拡張子はつけない）"},
        {{"--percent", "50", "-o", dir / "link", source}, kOutputIsSourceMessage},
        {{"--percent", "50", "-o", output + "/../src/", source}, kOutputIsSourceMessage},
    };
    fs::create_directory_symlink(source, dir / "link");
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        EXPECT_EQ(Run(c.args), 2) << joined;
        EXPECT_NE(err.str().find(c.message), std::string::npos) << joined << "\n" << err.str();
        EXPECT_EQ(out.str(), "") << joined;
    }
    EXPECT_FALSE(fs::exists(output + ".jpg"));
    EXPECT_FALSE(fs::exists(output));
    EXPECT_EQ(ReadTestFile(source + "/road.jpg"),
              ReadTestFile(TestDataPath("photos/storm_road.jpg")));
}

TEST_F(ScalvoCliTest, HelpAndVersionGoToStandardOutput) {
    for (const auto& [option, expected] :
         {std::pair{"--help", "^使い方: scalvo-cli [\\s\\S]*--version"},
          std::pair{"--version", "^scalvo-cli [0-9]+\\.[0-9]+\\.[0-9]+\nQt 6\\."}}) {
        EXPECT_EQ(Run({option, source}), 0);
        EXPECT_TRUE(std::regex_search(out.str(), std::regex(expected))) << out.str();
        EXPECT_TRUE(err.str().empty());
    }
    EXPECT_FALSE(fs::exists(output));
}

TEST_F(ScalvoCliTest, ConvertsEveryPictureAndCreatesTheFolderWithoutAsking) {
    EXPECT_EQ(Run({"--width", "400", "--quality", "85", "-o", output + "/new/", "-q", source}), 0)
        << err.str();
    EXPECT_EQ(SizeOf(output + "/new/road.jpg"), QSize(400, 267));
    EXPECT_EQ(SizeOf(output + "/new/桜.jpg"), QSize(400, 250));
    EXPECT_EQ(SizeOf(output + "/new/scan.bmp"), QSize(400, 315));
    EXPECT_FALSE(fs::exists(output + "/new/notes.txt"));
    EXPECT_TRUE(out.str().empty());
}

// Every kind of a folder is listed and resized; --format (any letter case) saves each in the one
// kind asked for, with that kind's extension; without it each keeps its own.
TEST_F(ScalvoCliTest, TheFormatOptionChoosesTheKindEveryPictureIsSavedIn) {
    EnsureImagingLoaded();  // for the probes of what was made
    const std::string formats = dir / "formats";
    fs::create_directories(formats);
    const char* const fixtures[] = {"png_alpha.png", "webp_lossless.webp", "avif_plain.avif",
                                    "heic_plain.heic", "tiff_lzw.tiff"};
    for (const char* name : fixtures)
        fs::copy_file(TestDataPath(std::string("formats/") + name), formats + "/" + name);
    struct Case {
        std::vector<std::string> format;
        const char* extension;  // empty: each keeps its own
        ImageKind kind;
    };
    const Case cases[] = {{{}, "", kNotPicture},
                          {{"--format", "jpeg"}, ".jpg", kJpegImage},
                          {{"--format", "PNG"}, ".png", kPngImage},
                          {{"--format=webp"}, ".webp", kWebpImage},
                          {{"--format", "avif"}, ".avif", kAvifImage}};
    for (const Case& c : cases) {
        const std::string out_folder = output + std::to_string(&c - cases);
        std::vector<std::string> args = c.format;
        for (const std::string arg : {"--percent", "50", "-q", "-o"}) args.push_back(arg);
        args.push_back(out_folder);
        args.push_back(formats);
        ASSERT_EQ(Run(args), 0) << err.str();
        for (const std::string name : fixtures) {
            const std::string made =
                *c.extension == 0 ? name : name.substr(0, name.rfind('.')) + c.extension;
            const PictureFacts facts = ProbePicture(ReadTestFile(out_folder + "/" + made));
            EXPECT_EQ(facts.kind, *c.extension == 0 ? ImageKindOfName(name) : c.kind) << made;
            EXPECT_EQ(facts.upright, (ImgKitSize{32, 24})) << made;
        }
        EXPECT_EQ(FolderContents(out_folder).size(), 5u);
    }
}

TEST_F(ScalvoCliTest, PicturesWithTheLongestNamesAreResized) {
    std::string japanese;  // 85 characters, 247 bytes
    for (int i = 0; i < 81; ++i) japanese += "写";
    japanese += ".jpg";
    const std::vector<std::string> names = {japanese, std::string(246, 'a') + ".jpg",
                                            std::string(251, 'b') + ".bmp"};
    for (const std::string& name : names) {
        fs::copy_file(source + (name.back() == 'p' ? "/scan.bmp" : "/road.jpg"),
                      source + "/" + name);
    }
    EXPECT_EQ(Run({"--width", "100", "-o", output, "-q", source}), 0) << err.str();
    for (const std::string& name : names) EXPECT_EQ(SizeOf(output + "/" + name).width(), 100);
}

TEST_F(ScalvoCliTest, NamesThatAreNotUtf8KeepTheirBytesFromTheCommandLine) {
    // A folder and a picture named on an old disk (Latin-1, Shift-JIS), as the shell passes them.
    const std::string folder = dir / "caf\xE9";
    const std::string name = "\x8E\xCA\x90\x5E.jpg";  // "写真" in Shift-JIS
    fs::create_directories(folder);
    fs::copy_file(source + "/road.jpg", folder + "/" + name);
    EXPECT_EQ(Run({"--width", "100", "--select", name, "-o", output + "/\xE9t\xE9", "-q", folder}),
              0)
        << err.str();
    const QByteArray saved = QByteArray::fromStdString(ReadTestFile(output + "/\xE9t\xE9/" + name));
    EXPECT_EQ(QImage::fromData(saved).width(), 100);
}

TEST_F(ScalvoCliTest, PicturesOfEveryOrientationComeOutUpright) {
    ASSERT_EQ(Run({"--width", "300", "-o", output, "-q", TestDataPath("exif-orientation")}), 0)
        << err.str();
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(TestDataPath("exif-orientation"))) {
        const std::string name = entry.path().filename();
        const bool portrait = name.rfind("Portrait", 0) == 0;
        EXPECT_EQ(SizeOf(output + "/" + name), portrait ? QSize(300, 450) : QSize(300, 200))
            << name;
        EXPECT_LT(DistanceFromUprightOrientationPhoto(output + "/" + name, portrait), 12) << name;
        ++checked;
    }
    EXPECT_EQ(checked, 18);
}

TEST_F(ScalvoCliTest, SelectTurnAndBoxApplyToTheNamedPictures) {
    EXPECT_EQ(Run({"--box", "300x300", "--select", "road.jpg", "--select", "scan.bmp", "--turn",
                   "road.jpg=1", "-o", output, "-q", source}),
              0)
        << err.str();
    EXPECT_EQ(SizeOf(output + "/road.jpg"), QSize(200, 300));
    EXPECT_EQ(SizeOf(output + "/scan.bmp"), QSize(300, 236));
    EXPECT_FALSE(fs::exists(output + "/桜.jpg"));
}

TEST_F(ScalvoCliTest, AFailedPictureIsListedOnStandardErrorAndExitsWithOne) {
    WriteTestFile(source + "/broken.jpg", "\xFF\xD8\xFF not really");
    EXPECT_EQ(Run({"--percent", "50", "-o", output, "-q", source}), 1);
    EXPECT_NE(err.str().find(source + "/broken.jpg (ｴﾗｰ)画像を読み込めませんでした"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(ReadTestFile(output + "/broken.jpg"), ReadTestFile(source + "/broken.jpg"));
    EXPECT_EQ(SizeOf(output + "/road.jpg"), QSize(960, 640));
}

TEST_F(ScalvoCliTest, OverwriteReplacesTheOriginalsInPlace) {
    EXPECT_EQ(Run({"--height", "100", "--overwrite", "-q", "--select", "road.jpg", source}), 0)
        << err.str();
    EXPECT_EQ(SizeOf(source + "/road.jpg"), QSize(150, 100));
    EXPECT_EQ(SizeOf(source + "/scan.bmp"), QSize(640, 504));
}

// A quiet run prints nothing at all when all goes well, not even the folder it makes.
TEST_F(ScalvoCliTest, ProgressIsDrawnUnlessQuiet) {
    EXPECT_EQ(Run({"--keep", "-o", output, "--select", "scan.bmp", source}), 0);
    EXPECT_NE(err.str().find("作成しています..."), std::string::npos);
    EXPECT_EQ(Run({"--keep", "-o", output + "/new", "--select", "scan.bmp", "-q", source}), 0);
    EXPECT_TRUE(err.str().empty()) << err.str();
    EXPECT_TRUE(fs::exists(output + "/new/scan.bmp"));
}

// SIGINT and SIGTERM in the middle of overwriting: the program finishes the pictures in flight,
// starts no other, leaves no temporary file and exits as stopped by the signal.
TEST_F(ScalvoCliTest, ASignalStopsTheBatchCleanly) {
    for (const auto& [signal, code] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE(code);
        TempDir folder;
        const std::string original = ReadTestFile(TestDataPath("photos/aitzgorri_mountains.jpg"));
        for (int i = 0; i < 24; ++i)
            WriteTestFile(folder / ("p" + std::to_string(10 + i) + ".jpg"), original);
        const SignalledRun run =
            RunAndSignal({SCALVO_CLI_PATH, "--percent", "50", "--overwrite", folder.Path()},
                         "1/24 作成しています...", signal);
        ASSERT_TRUE(run.signalled) << run.err;
        EXPECT_EQ(run.exit_code, code) << run.err;
        EXPECT_NE(run.err.find("作成を中止しました。"), std::string::npos) << run.err;
        int untouched = 0;
        const std::map<std::string, std::string> files = FolderContents(folder.Path());
        EXPECT_EQ(files.size(), 24u) << "a temporary file was left";
        for (const auto& [name, bytes] : files) {
            if (bytes == original) {
                ++untouched;
            } else {
                EXPECT_EQ(SizeOf(folder / name), QSize(1544, 1028)) << name;
            }
        }
        EXPECT_GT(untouched, 0) << "the stop came too late to be seen";
    }
}

// Under a file-size limit (ulimit -f) the output too large for it fails and is listed, with no
// part of it left behind; the other pictures are made, and the program ends with 1, not killed.
TEST_F(ScalvoCliTest, AFileSizeLimitFailsOnlyThePicturesBeyondIt) {
    const SignalledRun run = RunUnderFileSizeLimit(
        {SCALVO_CLI_PATH, "--percent", "50", "-o", output, "-q", source}, 200 * 1024);
    EXPECT_EQ(run.exit_code, 1) << run.err;
    EXPECT_NE(run.err.find(source + "/scan.bmp (ｴﾗｰ)ﾌｧｲﾙの保存に失敗しました\n"), std::string::npos)
        << run.err;
    // The 320 x 252 BMP is 242 KB, and the fallback copy of its original larger still.
    std::set<std::string> names;
    for (const auto& [name, bytes] : FolderContents(output)) names.insert(name);
    EXPECT_EQ(names, (std::set<std::string>{"road.jpg", "桜.jpg"}));
    EXPECT_EQ(SizeOf(output + "/road.jpg"), QSize(960, 640));
}

TEST_F(ScalvoCliTest, AJobThatCannotStartExitsWithOneAndSaysWhy) {
    fs::create_directories(dir / "empty");
    EXPECT_EQ(Run({"-o", output, "-q", dir / "empty"}), 1);
    EXPECT_NE(err.str().find("イメージが選択されていません。"), std::string::npos) << err.str();
    // An output folder below a file cannot be made.
    EXPECT_EQ(Run({"-o", source + "/notes.txt/small", "-q", source}), 1);
    EXPECT_NE(err.str().find("ディレクトリの作成に失敗しました"), std::string::npos) << err.str();
}

}  // namespace
