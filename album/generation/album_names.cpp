#include "album/generation/album_names.h"

#include <map>
#include <set>

#include "album/settings/album_settings.h"
#include "core/image_kind.h"
#include "core/path_helpers.h"

namespace {

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The names taken in each folder of the album, folded to lower case.
class TakenNames {
  public:
    // Takes `file` in `folder`, or the first free "stem~N.ext" (N from 2) when it is taken; the
    // name taken.
    std::string Take(const std::string& folder, const std::string& file) {
        std::set<std::string>& taken = folders_[AsciiLower(folder)];
        if (taken.insert(AsciiLower(file)).second) return file;
        // The extension is what follows the last dot, unless that dot begins the name.
        const std::size_t dot = file.rfind('.');
        const bool has_extension = dot != std::string::npos && dot > 0;
        const std::string stem = has_extension ? file.substr(0, dot) : file;
        const std::string extension = has_extension ? file.substr(dot) : "";
        for (int n = 2;; ++n) {
            std::string candidate = stem + "~" + std::to_string(n) + extension;
            if (taken.insert(AsciiLower(candidate)).second) return candidate;
        }
    }
    // Takes `file` in `folder` as it is, even when it is taken already (the user's own files).
    void Keep(const std::string& folder, const std::string& file) {
        folders_[AsciiLower(folder)].insert(AsciiLower(file));
    }

  private:
    std::map<std::string, std::set<std::string>> folders_;
};

std::string Joined(const std::string& folder, const std::string& file) {
    return folder.empty() ? file : folder + "/" + file;
}

}  // namespace

AlbumNamePlan PlanAlbumNames(const AlbumSettings& settings, const std::vector<std::string>& names) {
    AlbumNamePlan plan;
    plan.pictures.resize(names.size());
    const std::string& pictures = settings.pic_folder;
    const std::string& thumbnails = settings.thumb_folder;
    const bool in_source = settings.out_sorce != 0;
    TakenNames taken;
    std::vector<char> display(names.size(), 0);

    // The copies under their own names first: in the source folder they are the user's own
    // files, and elsewhere a derived name should never take the name of a picture.
    for (std::size_t i = 0; i < names.size(); ++i) {
        const ImageKindInfo* info = FindImageKind(ImageKindOfName(names[i]));
        display[i] = info != nullptr && !info->browser_shows;
        if (in_source) {
            taken.Keep(pictures, names[i]);
            plan.pictures[i].as_it_is = Joined(pictures, names[i]);
        }
    }
    auto take = [&](const std::string& folder, const std::string& file) {
        const std::string name = taken.Take(folder, file);
        if (name != file)
            plan.renamed.push_back(Joined(folder, file) + " -> " + Joined(folder, name));
        return Joined(folder, name);
    };
    if (!in_source) {
        for (std::size_t i = 0; i < names.size(); ++i)
            plan.pictures[i].as_it_is = take(pictures, names[i]);
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        AlbumPictureNames& picture = plan.pictures[i];
        picture.display_copy = display[i] != 0;
        if (picture.display_copy) {
            picture.copy = take(in_source ? thumbnails : pictures, names[i] + ".jpg");
            picture.thumbnail = take(thumbnails, "_" + names[i] + ".jpg");
        } else {
            picture.copy = picture.as_it_is;
            picture.thumbnail = take(thumbnails, "_" + names[i]);
        }
    }
    return plan;
}

std::string AlbumFilePath(const AlbumSettings& settings, const std::string& relative) {
    std::string path = AlbumOutputFolder(settings);
    for (const char c : relative) path.push_back(c == '/' ? kPathSeparator : c);
    return path;
}
