#include "album/style/themes/material_names.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "album/style/themes/font_size_to_pixels.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(MaterialNames, VisibleFilesInCaseInsensitiveOrder) {
    TempDir dir;
    for (const char* name : {"b.png", "A.png", "c.PNG", "!first.gif", ".hidden.png", "readme"}) {
        ASSERT_TRUE(WriteTestFile(dir / name, "x"));
    }
    std::filesystem::create_directories(dir / "sub");
    ASSERT_EQ(::mkfifo((dir / "pipe.png").c_str(), 0644), 0);  // not a file: never offered
    EXPECT_EQ(ListMaterialNames(dir.Path()),
              (std::vector<std::string>{"!first.gif", "A.png", "b.png", "c.PNG", "readme"}));
}

TEST(MaterialNames, MissingFolderGivesNothing) {
    TempDir dir;
    EXPECT_TRUE(ListMaterialNames(dir / "none").empty());
}

TEST(MaterialNames, SameNameIgnoresAsciiCaseOnly) {
    EXPECT_TRUE(SameMaterialName("Wave.PNG", "wave.png"));
    EXPECT_FALSE(SameMaterialName("wave.png", "wave.png "));
    EXPECT_FALSE(SameMaterialName("ａ.png", "Ａ.png"));
}

TEST(FontSizeToPixels, MapsTheSevenSizesAndFallsBackTo16) {
    const int expected[] = {16, 10, 12, 16, 18, 24, 32, 48, 16};
    for (int size = 0; size <= 8; ++size) EXPECT_EQ(FontSizeToPixels(size), expected[size]) << size;
    EXPECT_EQ(FontSizeToPixels(-1), 16);
}

}  // namespace
