#include "album/generation/page_picture.h"

#include <algorithm>

#include "album/generation/html_helpers.h"
#include "album/settings/album_settings.h"

PagePicture PagePictureOf(const AlbumSettings& settings, const std::string& name,
                          const std::string& comment, bool has_thumbnail) {
    return {MakeAlbumPath(settings, kPictureFolderKind, name, true),
            has_thumbnail ? MakeAlbumPath(settings, kThumbnailFolderKind, name, true) : "", name,
            comment};
}

std::string DoubleDensityThumbnail(std::string_view thumbnail, char separator) {
    const std::size_t name = thumbnail.rfind(separator);
    const std::size_t at = name == std::string_view::npos ? 0 : name + 1;
    std::string path(thumbnail.substr(0, at));
    path += kDoubleDensityFolder;
    path += separator;
    path += thumbnail.substr(at);
    return path;
}

std::int64_t PicturesPerPage(const AlbumSettings& settings) {
    // Rows and columns below 1 can only come from an unchecked profile; they count as 1 so that
    // every page still places pictures and the next page starts after them.
    const int rows = settings.html_page != 0 ? std::max(1, settings.thumbnail_rows) : 1000;
    return std::int64_t{std::max(1, settings.thumbnail_cols)} * rows;
}
