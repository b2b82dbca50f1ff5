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

namespace {

bool ThumbnailsGoIntoPictureFolder(const AlbumSettings& settings) {
    if (settings.picture_path.empty()) return false;  // no picture folder chosen: nothing to harm
    return IsSameFolder(AlbumOutputFolder(settings) + settings.thumb_folder, settings.picture_path);
}

bool PicturesGoOverSources(const AlbumSettings& settings) {
    // Only the album in the source folder may write its turned copies over the pictures.
    if (settings.out_sorce != 0 || settings.picture_path.empty()) return false;
    return IsSameFolder(AlbumOutputFolder(settings) + settings.pic_folder, settings.picture_path);
}

AlbumOutputRefusal ClashingAlbumFolders(const AlbumSettings& settings) {
    const std::string base = AlbumOutputFolder(settings);
    const std::string pictures = base + (settings.out_sorce != 0 ? "" : settings.pic_folder);
    const std::string thumbnails = base + settings.thumb_folder;
    const std::string materials = base + settings.material_folder;
    if (IsSameFolder(pictures, thumbnails)) return AlbumOutputRefusal::ThumbnailFolderClash;
    if (IsSameFolder(pictures, materials) || IsSameFolder(thumbnails, materials))
        return AlbumOutputRefusal::MaterialFolderClash;
    return AlbumOutputRefusal::None;
}

}  // namespace

AlbumOutputCheck CheckAlbumOutput(const AlbumSettings& settings) {
    // A name read from the profile and never touched in its box could still lead out of the
    // output folder ("../x").
    for (std::string AlbumSettings::*name :
         {&AlbumSettings::html_name, &AlbumSettings::pic_folder, &AlbumSettings::thumb_folder,
          &AlbumSettings::material_folder}) {
        if (CheckNameField(settings.*name).refused) return {AlbumOutputRefusal::NameNotAlone, name};
    }
    // The album's copies would be the pictures themselves, which keep what they tell.
    if (settings.out_sorce != 0 && settings.strip_location != 0)
        return {AlbumOutputRefusal::LocationInSources};
    if (settings.out_sorce == 0) {
        if (!IsAbsoluteFolderPath(ExpandHome(settings.out_dir)))
            return {AlbumOutputRefusal::NotAbsolute};
        if (HasExtension(settings.out_dir)) return {AlbumOutputRefusal::HasExtension};
    }
    if (PicturesGoOverSources(settings)) return {AlbumOutputRefusal::PicturesOverSources};
    if (ThumbnailsGoIntoPictureFolder(settings))
        return {AlbumOutputRefusal::ThumbnailsInPictureFolder};
    return {ClashingAlbumFolders(settings)};
}
