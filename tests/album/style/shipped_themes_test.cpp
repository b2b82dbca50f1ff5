#include <gtest/gtest.h>

#include "album/style/themes/material_names.h"
#include "album/style/themes/theme_store.h"
#include "platform/file_system.h"
#include "tests/support/temp_dir.h"

namespace {

// The themes shipped with the program must load, carry distinct titles and name only materials
// that are shipped beside them, or a user picking one would get an album without its wallpaper.
TEST(ShippedThemes, LoadWithDistinctTitlesAndExistingMaterials) {
    const std::string folder = SourcePath("Material/THEME");
    const std::vector<ListedTheme> themes = LoadListedThemes(folder, folder);
    ASSERT_GE(themes.size(), 8u);
    ThemeList seen;
    for (const auto& [theme, own] : themes) {
        SCOPED_TRACE(theme.title);
        EXPECT_FALSE(own);  // none can be renamed or deleted
        EXPECT_FALSE(theme.title.empty());
        EXPECT_FALSE(IsThemeTitleTaken(seen, theme.title));
        seen.push_back(theme);
        for (int size : {theme.size_title, theme.size_comment, theme.size_thumb}) {
            EXPECT_GE(size, 1);
            EXPECT_LE(size, 7);
        }
        const struct {
            const std::string& name;
            const char* folder;
        } materials[] = {{theme.name_bg, "Material/BKGROUND/"},
                         {theme.name_bgm, "Material/SOUND/"},
                         {theme.name_hr, "Material/BORDER/"}};
        for (const auto& m : materials) {
            if (!m.name.empty()) {
                EXPECT_TRUE(PathExists(SourcePath(m.folder + m.name))) << m.name;
            }
        }
    }
}

TEST(ShippedMaterials, EveryFolderOffersEnoughFiles) {
    EXPECT_GE(ListMaterialNames(SourcePath("Material/BKGROUND")).size(), 6u);
    EXPECT_GE(ListMaterialNames(SourcePath("Material/BORDER")).size(), 4u);
    EXPECT_GE(ListMaterialNames(SourcePath("Material/SOUND")).size(), 2u);
}

}  // namespace
