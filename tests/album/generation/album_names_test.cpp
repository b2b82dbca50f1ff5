#include "album/generation/album_names.h"

#include <gtest/gtest.h>

#include "album/settings/album_settings.h"

namespace {

struct NamesCase {
    const char* what;
    bool in_source;  // the album lies in the source folder (out_sorce, no picture folder)
    std::vector<std::string> names;
    std::vector<std::string> copies;      // what the pages link, per name
    std::vector<std::string> thumbnails;  // per name
    std::vector<std::string> renamed;
};

TEST(AlbumNames, EachNameIsToldApartFromTheOthersOfItsFolderWithoutRegardToCase) {
    const NamesCase cases[] = {
        {"browser kinds keep their names, and their thumbnails their kinds",
         false,
         {"a.jpg", "b.PNG", "c.webp", "d.avif", "e.gif", "f.bmp"},
         {"my_p/a.jpg", "my_p/b.PNG", "my_p/c.webp", "my_p/d.avif", "my_p/e.gif", "my_p/f.bmp"},
         {"my_t/_a.jpg", "my_t/_b.PNG", "my_t/_c.webp", "my_t/_d.avif", "my_t/_e.gif",
          "my_t/_f.bmp"},
         {}},
        {"HEIF and TIFF get a JPEG display copy named after the whole name",
         false,
         {"IMG_1.HEIC", "s.heif", "t.HIF", "u.tif", "v.TIFF"},
         {"my_p/IMG_1.HEIC.jpg", "my_p/s.heif.jpg", "my_p/t.HIF.jpg", "my_p/u.tif.jpg",
          "my_p/v.TIFF.jpg"},
         {"my_t/_IMG_1.HEIC.jpg", "my_t/_s.heif.jpg", "my_t/_t.HIF.jpg", "my_t/_u.tif.jpg",
          "my_t/_v.TIFF.jpg"},
         {}},
        {"in the source folder display copies go into the thumbnail folder",
         true,
         {"a.jpg", "IMG_1.HEIC"},
         {"a.jpg", "my_t/IMG_1.HEIC.jpg"},
         {"my_t/_a.jpg", "my_t/_IMG_1.HEIC.jpg"},
         {}},
        {"derived names that clash get ~2, ~3 before the extension, in list order",
         false,
         {"a.jpg", "A.JPG", "a.Jpg", "b.heic", "B.HEIC.jpg"},
         {"my_p/a.jpg", "my_p/A~2.JPG", "my_p/a~3.Jpg", "my_p/b.heic~2.jpg", "my_p/B.HEIC.jpg"},
         {"my_t/_a.jpg", "my_t/_A~2.JPG", "my_t/_a~3.Jpg", "my_t/_b.heic.jpg",
          "my_t/_B.HEIC~2.jpg"},
         {"my_p/A.JPG -> my_p/A~2.JPG", "my_p/a.Jpg -> my_p/a~3.Jpg",
          "my_t/_A.JPG -> my_t/_A~2.JPG", "my_t/_a.Jpg -> my_t/_a~3.Jpg",
          "my_p/b.heic.jpg -> my_p/b.heic~2.jpg", "my_t/_B.HEIC.jpg -> my_t/_B.HEIC~2.jpg"}},
        {"the user's own files in the source folder are never renamed; derived names are",
         true,
         {"_y.heic", "a.jpg", "A.JPG", "y.heic"},
         {"my_t/_y.heic.jpg", "a.jpg", "A.JPG", "my_t/y.heic.jpg"},
         {"my_t/__y.heic.jpg", "my_t/_a.jpg", "my_t/_A~2.JPG", "my_t/_y.heic~2.jpg"},
         {"my_t/_A.JPG -> my_t/_A~2.JPG", "my_t/_y.heic.jpg -> my_t/_y.heic~2.jpg"}},
    };
    for (const NamesCase& c : cases) {
        SCOPED_TRACE(c.what);
        AlbumSettings settings;
        settings.out_sorce = c.in_source ? 1 : 0;
        if (c.in_source) settings.pic_folder = "";
        const AlbumNamePlan plan = PlanAlbumNames(settings, c.names);
        ASSERT_EQ(plan.pictures.size(), c.names.size());
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            EXPECT_EQ(plan.pictures[i].copy, c.copies[i]) << c.names[i];
            EXPECT_EQ(plan.pictures[i].thumbnail, c.thumbnails[i]) << c.names[i];
        }
        EXPECT_EQ(plan.renamed, c.renamed);
    }
}

}  // namespace
