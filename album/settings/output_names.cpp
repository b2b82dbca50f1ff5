#include "album/settings/output_names.h"

#include "album/settings/album_settings.h"

#include "core/path_helpers.h"
#include "platform/file_system.h"

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

NameFieldResult CheckNameField(const std::string& text) {
    NameFieldResult result;
    std::string field = text;
    if (!field.empty() && IsSeparator(field.back())) field.pop_back();

    // Split like a path: folder part up to the last separator, then the last component, whose
    // extension runs from its last "." to the end.
    const std::size_t sep = field.find_last_of("/\\");
    const std::string last = sep == std::string::npos ? field : field.substr(sep + 1);
    const std::size_t dot = last.rfind('.');
    const bool has_folder = sep != std::string::npos;
    const bool has_extension = dot != std::string::npos;
    if (has_folder || has_extension) {
        result.refused = true;
        result.name = has_extension ? last.substr(0, dot) : last;
    } else {
        result.name = field;
    }
    return result;
}

OutputFolderProblem CheckOutputFolder(const std::string& out_dir) {
    if (!IsAbsoluteFolderPath(ExpandHome(out_dir))) return OutputFolderProblem::NotAbsolute;
    if (HasExtension(out_dir)) return OutputFolderProblem::HasExtension;
    return OutputFolderProblem::None;
}

bool ThumbnailsGoIntoPictureFolder(const AlbumSettings& settings) {
    if (settings.picture_path.empty()) return false;  // no picture folder chosen: nothing to harm
    return IsSameFolder(AlbumOutputFolder(settings) + settings.thumb_folder, settings.picture_path);
}

bool PicturesGoOverSources(const AlbumSettings& settings) {
    // Only the album in the source folder may write its turned copies over the pictures.
    if (settings.out_sorce != 0 || settings.picture_path.empty()) return false;
    return IsSameFolder(AlbumOutputFolder(settings) + settings.pic_folder, settings.picture_path);
}

AlbumFolderClash ClashingAlbumFolders(const AlbumSettings& settings) {
    const std::string base = AlbumOutputFolder(settings);
    const std::string pictures = base + (settings.out_sorce != 0 ? "" : settings.pic_folder);
    const std::string thumbnails = base + settings.thumb_folder;
    const std::string materials = base + settings.material_folder;
    if (IsSameFolder(pictures, thumbnails)) return AlbumFolderClash::ThumbnailFolder;
    if (IsSameFolder(pictures, materials) || IsSameFolder(thumbnails, materials))
        return AlbumFolderClash::MaterialFolder;
    return AlbumFolderClash::None;
}
