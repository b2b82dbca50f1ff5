#include "album/generation/album_record.h"

#include <unistd.h>

#include <iterator>
#include <string>

#include "core/image_kind.h"
#include "core/path_helpers.h"
#include "imaging/library_versions.h"
#include "platform/file_system.h"

namespace {

// Raised whenever the album makes a picture's files differently for the same source, settings
// and libraries: every file an earlier build made is then made again.
constexpr int kAlbumRecipeGeneration = 1;

// The recorded hash of a file a recipe leaves out (a thumbnail for dense screens of a picture no
// larger than its thumbnail): current while no file stands there.
constexpr const char* kAbsentHash = "00000000000000000000000000000000";

// The largest record read: far beyond the record of any real album.
constexpr std::size_t kMaxManifestBytes = 256u << 20;

std::optional<std::string> ReadSmallFile(const std::string& path) {
    std::string bytes;
    if (!ReadFileStart(path, kMaxManifestBytes + 1, bytes) || bytes.size() > kMaxManifestBytes)
        return std::nullopt;
    return bytes;
}

bool Decoded(const PicturePlan& plan) {
    const ImageKindInfo* info = FindImageKind(plan.kind);
    return info != nullptr && info->decoded;
}

}  // namespace

std::string CopyRecipeSettings(const AlbumSettings& settings) {
    // A copy is the picture turned as its line says, less its location when that is removed.
    // Thumbnails are encoded from pixels alone and carry no metadata, so it does not reach them.
    return "strip_location=" + std::to_string(settings.strip_location) + "\n";
}

std::string ThumbnailRecipeSettings(const AlbumSettings& settings) {
    std::string lines;
    lines += "thumbnail_x=" + std::to_string(settings.thumbnail_x) + "\n";
    lines += "thumbnail_y=" + std::to_string(settings.thumbnail_y) + "\n";
    return lines;
}

AlbumRecord::AlbumRecord(const AlbumSettings& settings)
    : base_(AlbumOutputFolder(settings)),
      picture_folder_(ExpandHome(settings.picture_path)),
      copy_settings_(CopyRecipeSettings(settings)),
      thumbnail_settings_(ThumbnailRecipeSettings(settings)),
      encoder_("album " + std::to_string(kAlbumRecipeGeneration) + ", " +
               ImagingLibraryVersions()) {
    if (picture_folder_.empty()) picture_folder_ = ".";
    EnsureTrailingSeparator(picture_folder_);
    const std::optional<std::string> bytes = ReadSmallFile(base_ + kAlbumManifestName);
    if (bytes) {
        std::optional<AlbumManifest> read = ParseAlbumManifest(*bytes);
        if (read && !read->folder.empty() && read->folder == FolderIdentityText(base_)) {
            earlier_ = std::move(read);
            now_ = *earlier_;
            saved_ = *bytes;
        }
    }
    last_save_ = std::chrono::steady_clock::now();
}

std::string AlbumRecord::Relative(const std::string& path) const {
    std::string relative =
        path.compare(0, base_.size(), base_) == 0 ? path.substr(base_.size()) : path;
    if (kPathSeparator != '/') {
        for (char& c : relative)
            if (c == kPathSeparator) c = '/';
    }
    return relative;
}

std::string AlbumRecord::Recipe(const PicturePlan& plan, const std::string& kind,
                                const std::string& settings, const std::string& source_hash) const {
    std::string text = kind + "\n" + encoder_ + "\nsource=" + source_hash +
                       "\nturns=" + std::to_string(plan.turns) +
                       "\nkind=" + std::to_string(static_cast<int>(plan.kind)) +
                       "\ndisplay_copy=" + (plan.display_copy ? "1" : "0") + "\n" + settings;
    return ContentHash(text);
}

bool AlbumRecord::Current(const std::string& relative, const std::string& recipe,
                          PictureCheck& check) const {
    const auto it = earlier_->outputs.find(relative);
    if (it == earlier_->outputs.end() || it->second.recipe != recipe) return false;
    const std::string path = base_ + relative;
    const FileVersion version = VersionOfFile(path, false);
    if (it->second.hash == kAbsentHash) return version.size < 0 && !PathExists(path);
    if (version.size < 0) return false;
    if (version == it->second.version) return true;
    // Touched, copied back or restored: current while its bytes are the ones recorded.
    const std::optional<std::string> hash = FileContentHash(path);
    if (!hash || *hash != it->second.hash) return false;
    check.outputs.push_back({relative, ManifestOutput{recipe, *hash, version}});
    return true;
}

PictureCheck AlbumRecord::CheckPicture(const PicturePlan& plan) const {
    PictureCheck check;
    check.checked = true;
    check.source.version = VersionOfFile(plan.source, true);
    if (check.source.version.size < 0) return check;
    if (earlier_) {
        const auto it = earlier_->sources.find(plan.name);
        if (it != earlier_->sources.end() && it->second.version == check.source.version)
            check.source.hash = it->second.hash;
    }
    // A source not known by its file version is hashed by the worker from the bytes it reads
    // to make the picture (CheckContent).
    CheckOutputs(plan, check);
    return check;
}

void AlbumRecord::CheckContent(const PicturePlan& plan, std::string_view bytes,
                               PictureCheck& check) const {
    check.source.hash = ContentHash(bytes);
    CheckOutputs(plan, check);
}

void AlbumRecord::CheckOutputs(const PicturePlan& plan, PictureCheck& check) const {
    // A picture turned over its own file is made every time it is asked for.
    if (!earlier_ || check.source.hash.empty() || plan.writes_over_source) return;
    const std::string& hash = check.source.hash;
    check.copy_current =
        plan.output_is_source || plan.output.empty() ||
        Current(Relative(plan.output), Recipe(plan, "copy", copy_settings_, hash), check);
    if (!Decoded(plan)) {
        check.thumbnails_current = true;
        return;
    }
    check.thumbnails_current = Current(Relative(plan.thumbnail),
                                       Recipe(plan, "thumbnail", thumbnail_settings_, hash), check);
    if (check.thumbnails_current && !plan.thumbnail_2x.empty()) {
        const std::string relative = Relative(plan.thumbnail_2x);
        check.thumbnails_current =
            Current(relative, Recipe(plan, "thumbnail 2x", thumbnail_settings_, hash), check);
        const auto it = earlier_->outputs.find(relative);
        check.thumbnail_2x_present =
            it != earlier_->outputs.end() && it->second.hash != kAbsentHash;
    }
}

void AlbumRecord::CollectPicture(const PicturePlan& plan, const PictureOutcome& outcome,
                                 PictureCheck& check) const {
    const std::string& hash = check.source.hash;
    // A picture listed for a failure is made again by every build, so that it is listed again.
    const bool whole = !outcome.Failed() && !hash.empty() && !plan.writes_over_source;
    auto add = [&](const std::string& path, const std::string& recipe) {
        const FileVersion version = VersionOfFile(path, false);
        const std::optional<std::string> bytes_hash = FileContentHash(path);
        if (version.size < 0 || !bytes_hash) return;
        check.outputs.push_back({Relative(path), ManifestOutput{recipe, *bytes_hash, version}});
    };
    if (!plan.output_is_source && !plan.output.empty()) {
        if (outcome.output_written) {
            add(plan.output, whole ? Recipe(plan, "copy", copy_settings_, hash) : std::string());
        } else if (plan.display_copy && !plan.as_it_is.empty() &&
                   outcome.failure != PictureFailure::CopyFailed && !check.copy_current) {
            add(plan.as_it_is, std::string());
        }
    }
    if (outcome.thumbnail_written) {
        add(plan.thumbnail, whole ? Recipe(plan, "thumbnail", thumbnail_settings_, hash) : "");
        if (outcome.thumbnail_2x_written) {
            add(plan.thumbnail_2x,
                whole ? Recipe(plan, "thumbnail 2x", thumbnail_settings_, hash) : "");
        } else if (whole && !plan.thumbnail_2x.empty()) {
            check.outputs.push_back(
                {Relative(plan.thumbnail_2x),
                 ManifestOutput{
                     Recipe(plan, "thumbnail 2x", thumbnail_settings_, hash), kAbsentHash, {}}});
        }
    }
}

void AlbumRecord::TakePicture(const PicturePlan& plan, const PictureCheck& check) {
    sources_taken_.insert(plan.name);
    if (check.checked && !check.source.hash.empty()) now_.sources[plan.name] = check.source;
    for (const auto& [relative, output] : check.outputs) now_.outputs[relative] = output;
    for (const std::string* path :
         {&plan.output, &plan.as_it_is, &plan.thumbnail, &plan.thumbnail_2x}) {
        if (!path->empty()) Need(*path);
    }
}

void AlbumRecord::Need(const std::string& path) {
    needed_.insert(Relative(path));
}

void AlbumRecord::Placed(const std::string& path, std::string_view bytes) {
    const std::string relative = Relative(path);
    needed_.insert(relative);
    now_.outputs[relative] = ManifestOutput{{}, ContentHash(bytes), VersionOfFile(path, false)};
}

bool AlbumRecord::Save() {
    last_save_ = std::chrono::steady_clock::now();
    if (now_.folder.empty()) now_.folder = FolderIdentityText(base_);
    if (now_.folder.empty()) return false;
    std::string bytes = RenderAlbumManifest(now_);
    if (bytes == saved_) return true;
    if (!ReplaceFile(base_ + kAlbumManifestName, bytes)) return false;
    saved_ = std::move(bytes);
    return true;
}

void AlbumRecord::SaveNowAndThen() {
    if (std::chrono::steady_clock::now() - last_save_ >= std::chrono::seconds(2)) Save();
}

std::vector<std::string> AlbumRecord::RemoveUnneeded() {
    std::vector<std::string> removed;
    for (auto it = now_.outputs.begin(); it != now_.outputs.end();) {
        const std::string& relative = it->first;
        if (needed_.count(relative) != 0) {
            ++it;
            continue;
        }
        std::string path = base_ + relative;
        if (kPathSeparator != '/') {
            for (char& c : path)
                if (c == '/') c = kPathSeparator;
        }
        const std::size_t cut = path.find_last_of(kPathSeparator);
        const bool in_picture_folder =
            cut != std::string::npos && IsSameFolder(path.substr(0, cut + 1), picture_folder_);
        const FileVersion version = VersionOfFile(path, false);
        bool ours = !in_picture_folder && it->second.hash != kAbsentHash && version.size >= 0;
        if (ours && version != it->second.version)
            ours = FileContentHash(path).value_or(std::string()) == it->second.hash;
        if (ours && ::unlink(path.c_str()) != 0) {
            // Left for the next build to try again.
            ++it;
            continue;
        }
        if (ours) removed.push_back(relative);
        it = now_.outputs.erase(it);
    }
    // The pictures no longer in the album are forgotten with their files.
    for (auto it = now_.sources.begin(); it != now_.sources.end();)
        it = sources_taken_.count(it->first) != 0 ? std::next(it) : now_.sources.erase(it);
    return removed;
}
