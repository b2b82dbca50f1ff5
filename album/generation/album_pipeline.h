#pragma once

#include <string>
#include <vector>

#include "album/generation/album_build.h"
#include "browser/imaging/imgkit.h"
#include "browser/path_helpers.h"

// The steps of BuildAlbum, public so that the command-line program and the tests can reach them.
// Every path here is a full path on this system; folder texts end in a separator.

// What one build did, for callers that report more than the window does.
struct AlbumBuildReport {
    bool pages_written = false;  // every page writer ran and none failed while writing
    int pages_not_opened = 0;    // index pages whose file could not be opened (the build goes on)
};

// One checked picture as the build will treat it.
struct AlbumPicturePlan {
    int index = -1;         // the picture's line in the list
    std::string name;       // file name alone
    std::string source;     // picture_path + name
    std::string copy;       // output folder + picture folder + name
    std::string thumbnail;  // output folder + thumbnail folder + "_" + name
    ImageKind kind = kNotPicture;
    int steps = 0;  // quarter turns to apply: the rotation modulo 4 (remainder of signed division)
};

// The checked pictures in list order with their paths and turns.
std::vector<AlbumPicturePlan> PlanAlbumPictures(const AlbumSettings& settings,
                                                const PictureSelection& pictures);

// Number of index pages for `checked_count` pictures: 1 without paging, else the count divided by
// rows x columns, rounded up (values below 1 count as 1; never fewer than 1 page).
int AlbumPageCount(const AlbumSettings& settings, int checked_count);

// The thumbnail size of a width x height picture in a box_width x box_height box: fitted keeping
// the aspect ratio (rounded as MulDiv does), enlarged when smaller than the box; the box itself for
// a size below 1. A box below 1 pixel counts as 1, and no side of the result is below 1.
ImgKitSize FitThumbnail(int box_width, int box_height, int width, int height);

// Folders, materials, picture copies and thumbnails, with the progress messages and positions of
// the create button; a failed folder ends this stage only.
void PrepareAlbumFiles(const AlbumBuildContext& context);

// Copy and thumbnail of one JPEG (kind 1) or BMP (kind 3) picture of line `index`; false when the
// picture could not be loaded (nothing was written then).
bool MakePictureFiles(const AlbumBuildContext& context, const std::string& source,
                      const std::string& copy, const std::string& thumbnail, ImageKind kind,
                      int index);

// All index pages and, with slide_mode, their slide-show pages; false when an index page failed
// while being written. `pages_not_opened` (optional) counts index pages that could not be opened.
bool WriteAlbumPages(const AlbumBuildContext& context, int* pages_not_opened = nullptr);

// BuildAlbum, also telling what happened to the pages.
bool BuildAlbum(const AlbumBuildContext& context, AlbumBuildReport& report);
