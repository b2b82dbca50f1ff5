#pragma once

#include <string>
#include <vector>

struct AlbumSettings;

// Where the album puts the files of each checked picture, worked out from the names in the list
// alone, so that a build and an HTML-only build link the same files. A picture of a kind every
// browser shows (JPEG, GIF, BMP, PNG, WebP, AVIF) is copied under its own name; a HEIF or TIFF
// gets a JPEG display copy named after its whole name ("IMG_1.HEIC" -> "IMG_1.HEIC.jpg"), which
// the pages link instead. In the source folder (out_sorce) the display copies go into the
// thumbnail folder: the album never adds files among the user's photographs.
//
// Every name the album writes into one folder is told apart from the others without regard to
// letter case, as a FAT, NTFS or macOS disk does: a derived name (a display copy, a thumbnail, a
// copy in the album's own picture folder) that clashes with one taken before it gets "~2", "~3"
// ... before its extension, in list order ("_a.JPG" after "_a.jpg" becomes "_a~2.JPG"). The
// user's own files in the source folder are never renamed, and are taken first.
struct AlbumPictureNames {
    // Paths relative to the album's folder with "/" between folder and file, as the pages link
    // them (not yet escaped); AlbumFilePath makes them paths of this system.
    std::string copy;           // the copy the pages link: the picture, or its display copy
    std::string thumbnail;      // its thumbnail
    std::string as_it_is;       // the picture copied under its own name (== copy but for HEIF/TIFF)
    bool display_copy = false;  // `copy` is a JPEG made from a HEIF or TIFF
};

struct AlbumNamePlan {
    std::vector<AlbumPictureNames> pictures;  // per name given, in that order
    // One line per derived name that was changed for a clash, in list order:
    // "my_t/_a.JPG -> my_t/_a~2.JPG".
    std::vector<std::string> renamed;
};

// The names of the pictures `names` (file names alone, in list order) in the album of `settings`.
AlbumNamePlan PlanAlbumNames(const AlbumSettings& settings, const std::vector<std::string>& names);

// A relative album path of AlbumPictureNames as a full path of this system.
std::string AlbumFilePath(const AlbumSettings& settings, const std::string& relative);

// The first line of the finish message's list of renamed files; the lines of
// AlbumNamePlan::renamed follow it.
inline constexpr const char* kAlbumRenamedHeading =
    "大文字と小文字の違いだけで同じ名前になるため、次のファイルは名前を変えて作成しました。";
