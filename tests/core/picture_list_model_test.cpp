#include "core/picture_list_model.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> Lines(const PictureListModel& model) {
    std::vector<std::string> out;
    for (int i = 0; i < model.Count(); ++i) out.push_back(model.ItemText(i));
    return out;
}

class PictureListFillTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // "caf\xE9.jpg" is a Latin-1 name, not UTF-8: it is listed under its own bytes.
        for (const char* name :
             {"Photo.JPG", "b.gif", "e.bmp", "d.txt", ".p.jpg", "A.jpeg", "caf\xE9.jpg", "f.PNG",
              "g.webp", "h.AVIF", "i.HeIc", "j.heif", "k.HIF", "l.tif", "m.TIFF", "n.png.txt"}) {
            ASSERT_TRUE(WriteTestFile(dir_ / name, "x"));
        }
        std::filesystem::create_directory(dir_ / "x.jpg");
        // Only regular files are pictures: a link to one counts, a FIFO or a broken link does not.
        std::filesystem::create_symlink(dir_ / "e.bmp", dir_ / "link.bmp");
        std::filesystem::create_symlink(dir_ / "missing.jpg", dir_ / "broken.jpg");
        ASSERT_EQ(::mkfifo((dir_ / "fifo.jpg").c_str(), 0644), 0);
    }
    TempDir dir_;
};

TEST_F(PictureListFillTest, EachProgramListsItsOwnKindsInNameOrder) {
    struct Case {
        PictureFilter filter;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {PictureFilter::Album,
         {"A.jpeg", "b.gif", "caf\xE9.jpg", "e.bmp", "f.PNG", "g.webp", "h.AVIF", "i.HeIc",
          "j.heif", "k.HIF", "l.tif", "link.bmp", "m.TIFF", "Photo.JPG"}},
        {PictureFilter::Resizer,
         {"A.jpeg", "caf\xE9.jpg", "e.bmp", "f.PNG", "g.webp", "h.AVIF", "i.HeIc", "j.heif",
          "k.HIF", "l.tif", "link.bmp", "m.TIFF", "Photo.JPG"}},
    };
    for (const Case& c : cases) {
        PictureListModel model;
        model.Fill(dir_.Path(), c.filter);
        EXPECT_EQ(Lines(model), c.lines);
        EXPECT_EQ(model.CheckedCount(), 0);
        // A trailing separator lists the same folder.
        model.Fill(dir_.Path() + "/", c.filter);
        EXPECT_EQ(Lines(model), c.lines);
    }
}

TEST_F(PictureListFillTest, FillDiscardsChecksCommentsAndTurns) {
    PictureListModel model;
    model.Fill(dir_.Path(), PictureFilter::Album);
    model.SetChecked(0, true);
    model.SetComment(0, "note");
    model.AddQuarterTurn(1);
    model.Fill(dir_.Path(), PictureFilter::Album);
    EXPECT_EQ(model.CheckedCount(), 0);
    EXPECT_EQ(model.RecordCount(), 0);
    EXPECT_EQ(model.GetComment(0), "");
    EXPECT_EQ(model.GetQuarterTurns(1), 0);

    model.Fill(dir_ / "missing", PictureFilter::Album);
    EXPECT_EQ(model.Count(), 0);
}

TEST_F(PictureListFillTest, EmptyFolderTextListsTheRootNotTheCurrentFolder) {
    // The current folder holds pictures and the root (almost surely) none, so reading the empty
    // text as "here" would show.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    PictureListModel from_empty, from_root, from_here;
    from_empty.Fill("", PictureFilter::Album);
    from_root.Fill("/", PictureFilter::Album);
    from_here.Fill(".", PictureFilter::Album);
    std::filesystem::current_path(before);
    ASSERT_EQ(from_here.Count(), 14);
    ASSERT_NE(Lines(from_root), Lines(from_here));
    EXPECT_EQ(Lines(from_empty), Lines(from_root));
}

TEST(PictureListModel, InsertKeepsCaseInsensitiveOrder) {
    PictureListModel model;
    EXPECT_EQ(model.InsertPicture("b.jpg", false), 0);
    EXPECT_EQ(model.InsertPicture("C.jpg", false), 1);
    EXPECT_EQ(model.InsertPicture("a.jpg", true), 0);
    EXPECT_EQ(model.InsertPicture("B.JPG", false), 2);  // after the line that compares equal
    EXPECT_EQ(Lines(model), (std::vector<std::string>{"a.jpg", "b.jpg", "B.JPG", "C.jpg"}));
    EXPECT_TRUE(model.IsChecked(0));
    EXPECT_FALSE(model.IsChecked(1));
    EXPECT_EQ(model.IndexOf("B.JPG"), 2);  // exact text, not the case-insensitive order
    EXPECT_EQ(model.IndexOf("c.jpg"), -1);
}

TEST(PictureListModel, CheckedWalk) {
    struct Case {
        std::vector<bool> checks;
        int count;
        std::vector<int> walk;
    };
    const Case cases[] = {
        {{false, false, false}, 0, {}},
        {{true, false, true}, 2, {0, 2}},
        {{false, false, true}, 1, {2}},
        {{true, true, true}, 3, {0, 1, 2}},
        {{}, 0, {}},
    };
    for (const Case& c : cases) {
        PictureListModel model;
        for (size_t i = 0; i < c.checks.size(); ++i) {
            model.InsertPicture("p" + std::to_string(i) + ".jpg", false);
        }
        for (size_t i = 0; i < c.checks.size(); ++i)
            model.SetChecked(static_cast<int>(i), c.checks[i]);
        EXPECT_EQ(model.CheckedCount(), c.count);
        std::vector<int> walk;
        for (int i = model.FirstChecked(); i != -1; i = model.NextChecked(i)) walk.push_back(i);
        EXPECT_EQ(walk, c.walk);
    }
}

TEST(PictureListModel, UncheckingAndBadIndicesAreHarmless) {
    PictureListModel model;
    model.InsertPicture("a.jpg", true);
    model.SetChecked(0, false);
    EXPECT_EQ(model.FirstChecked(), -1);
    model.SetChecked(5, true);
    model.SetComment(-1, "x");
    model.AddQuarterTurn(9);
    EXPECT_EQ(model.RecordCount(), 0);
    EXPECT_FALSE(model.IsChecked(7));
    EXPECT_EQ(model.ItemText(3), "");
    EXPECT_EQ(model.NextChecked(2147483647), -1);
    EXPECT_EQ(model.NextChecked(-5), -1);
}

TEST(PictureListModel, RecordsAreCreatedOnlyWhenNeeded) {
    PictureListModel model;
    model.InsertPicture("a.jpg", false);
    model.InsertPicture("b.jpg", false);

    model.SetComment(0, "");
    EXPECT_FALSE(model.HasRecord(0));
    EXPECT_EQ(model.RecordCount(), 0);

    model.SetComment(0, "海で\r\n泳いだ");
    EXPECT_TRUE(model.HasRecord(0));
    EXPECT_EQ(model.GetComment(0), "海で\r\n泳いだ");
    EXPECT_EQ(model.GetQuarterTurns(0), 0);
    model.SetComment(0, "");  // with a record an empty comment is stored
    EXPECT_TRUE(model.HasRecord(0));
    EXPECT_EQ(model.GetComment(0), "");

    for (int i = 0; i < 4; ++i) model.AddQuarterTurn(1);
    EXPECT_EQ(model.GetQuarterTurns(1), 4);
    EXPECT_EQ(model.GetComment(1), "");
    EXPECT_EQ(model.RecordCount(), 2);

    // A line inserted before keeps every record with its own line.
    model.InsertPicture("0.jpg", false);
    EXPECT_EQ(model.GetQuarterTurns(2), 4);
    EXPECT_EQ(model.GetComment(1), "");
    EXPECT_FALSE(model.HasRecord(0));

    model.Clear();
    EXPECT_EQ(model.Count(), 0);
    EXPECT_EQ(model.RecordCount(), 0);
}

}  // namespace

// Another program adds, removes and renames pictures while the folder is listed: the lines that
// stay keep their checks, comments and turns, the new ones come in unchecked in their places.
TEST_F(PictureListFillTest, RereadKeepsWhatStaysAndPlacesWhatCame) {
    PictureListModel model;
    model.Fill(dir_.Path(), PictureFilter::Album);
    model.SetChecked(model.IndexOf("b.gif"), true);
    model.AddQuarterTurn(model.IndexOf("Photo.JPG"));
    model.SetComment(model.IndexOf("e.bmp"), "the sea");
    std::filesystem::remove(dir_ / "A.jpeg");
    std::filesystem::rename(dir_ / "caf\xE9.jpg", dir_ / "z.jpg");
    ASSERT_TRUE(WriteTestFile(dir_ / "c.JPG", "x"));
    ASSERT_TRUE(WriteTestFile(dir_ / "B.GIF", "x"));  // equal to b.gif but for case: after it

    const PictureListModel::Changes changes = model.Reread(dir_.Path() + "/", PictureFilter::Album);
    EXPECT_EQ(Lines(model),
              (std::vector<std::string>{"b.gif", "B.GIF", "c.JPG", "e.bmp", "f.PNG", "g.webp",
                                        "h.AVIF", "i.HeIc", "j.heif", "k.HIF", "l.tif", "link.bmp",
                                        "m.TIFF", "Photo.JPG", "z.jpg"}));
    EXPECT_EQ(changes.removed, (std::vector<int>{0, 2}));
    EXPECT_EQ(changes.added, (std::vector<int>{1, 2, 14}));
    EXPECT_TRUE(model.IsChecked(model.IndexOf("b.gif")));
    EXPECT_EQ(model.CheckedCount(), 1);
    EXPECT_EQ(model.GetComment(model.IndexOf("e.bmp")), "the sea");
    EXPECT_EQ(model.GetQuarterTurns(model.IndexOf("Photo.JPG")), 1);
    EXPECT_EQ(model.GetQuarterTurns(model.IndexOf("z.jpg")), 0);  // a renamed picture is a new one
    for (int i = 0; i < model.Count(); ++i) EXPECT_EQ(model.IndexOf(model.ItemText(i)), i);
    EXPECT_EQ(model.IndexOf("caf\xE9.jpg"), -1);

    EXPECT_TRUE(model.Reread(dir_.Path() + "/", PictureFilter::Album).Empty());
}
