#pragma once

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "album/generation/album_manifest.h"
#include "album/settings/album_settings.h"
#include "core/picture_outcome.h"
#include "core/picture_plan.h"

// The settings that reach each kind of file a picture gives, as "key=value" lines: a file is
// made again exactly when these, its source's bytes, its turn or the encoders change. A setting
// that changes a kind of file is added to its function, one line each.
std::string CopyRecipeSettings(const AlbumSettings& settings);
std::string ThumbnailRecipeSettings(const AlbumSettings& settings);

// What a worker found out about one picture before making it, and what its making wrote; the
// build hands it to AlbumRecord::TakePicture on the calling thread.
struct PictureCheck {
    bool checked = false;
    // The source as hashed (an empty hash: it could not be read, and nothing of it is current).
    ManifestSource source;
    bool copy_current = false;          // its copy (or display copy) need not be made again
    bool thumbnails_current = false;    // nor its thumbnails
    bool thumbnail_2x_present = false;  // among them, one for dense screens
    // Entries for the record: files found unchanged under a new file version, and files written.
    std::vector<std::pair<std::string, ManifestOutput>> outputs;

    bool AllCurrent() const { return copy_current && thumbnails_current; }
};

// One build's use of the album's record (AlbumManifest): what an earlier build made, to be kept
// where nothing changed, and what this build made, saved as it goes so that a build stopped or
// killed leaves a record of every file it finished. Pictures are checked and collected on the
// workers, which read only the earlier record; everything else runs on the calling thread.
class AlbumRecord {
  public:
    // Reads the record of the album of `settings` (its output folder). A record that is missing,
    // damaged, of a later version or of another folder is left aside: every file is made anew.
    explicit AlbumRecord(const AlbumSettings& settings);

    // True when an earlier record of this folder was read.
    bool Earlier() const { return earlier_.has_value(); }

    // On a worker: the source of `plan` known by its file version (its hash taken from the
    // record while that version is the one recorded) and which of its files are current. A
    // source whose hash is not known is not read here: nothing of it is current yet.
    PictureCheck CheckPicture(const PicturePlan& plan) const;
    // On a worker: the same once the source's `bytes` were read, which gives its hash.
    void CheckContent(const PicturePlan& plan, std::string_view bytes, PictureCheck& check) const;
    // On a worker, after `plan` was made with `outcome`: the files it wrote, hashed, for `check`.
    void CollectPicture(const PicturePlan& plan, const PictureOutcome& outcome,
                        PictureCheck& check) const;
    // On the calling thread, in list order.
    void TakePicture(const PicturePlan& plan, const PictureCheck& check);

    // A file (full path) this build needs, made or kept: never removed as unneeded.
    void Need(const std::string& path);
    // A page or material (full path) holding `bytes` is in place; needed.
    void Placed(const std::string& path, std::string_view bytes);

    // Writes the record when its bytes changed; false when it could not be written.
    bool Save();
    // Save, at most once in a while: during the pictures.
    void SaveNowAndThen();

    // Removes every file an earlier build wrote that this one did not need, while it still holds
    // the bytes the album wrote (a file put in its place by someone else is left, and forgotten),
    // and never a file of the picture folder itself. Returns their paths relative to the output
    // folder, in order.
    std::vector<std::string> RemoveUnneeded();

  private:
    void CheckOutputs(const PicturePlan& plan, PictureCheck& check) const;
    std::string Relative(const std::string& path) const;
    bool Current(const std::string& relative, const std::string& recipe, PictureCheck& check) const;
    std::string Recipe(const PicturePlan& plan, const std::string& kind,
                       const std::string& settings, const std::string& source_hash) const;

    std::string base_;            // the output folder, ending in a separator
    std::string picture_folder_;  // ending in a separator
    std::string copy_settings_;
    std::string thumbnail_settings_;
    std::string encoder_;
    std::optional<AlbumManifest> earlier_;
    AlbumManifest now_;
    std::set<std::string> needed_;
    std::set<std::string> sources_taken_;
    std::string saved_;  // the bytes last read or written
    std::chrono::steady_clock::time_point last_save_;
};
