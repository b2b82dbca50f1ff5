#pragma once

#include <string>
#include <vector>

#include "core/path_helpers.h"

// What the files a job writes may tell of where a picture was taken.
enum class LocationRule {
    Keep,    // what the source tells, they tell
    Remove,  // nothing: every written file is read back, and one that still tells is not written
};

// One checked picture as a job will treat it, worked out from the picture list on the calling
// thread before any picture is made: the workers and the job driver get plain data only. Both
// jobs plan with it: the album (copy and thumbnail) and the resizer (the resized picture).
struct PicturePlan {
    std::string source;  // the file read: source folder + name; its failure line names it
    // The picture made from it under its name in the output folder: the album's copy, the
    // resizer's resized picture. Empty: its work touches no file (the resizer passes over a
    // picture that is neither JPEG nor BMP).
    std::string output = {};
    // Its work replaces the source file itself, not only its entry (a turned or resized picture
    // saved over it).
    bool writes_over_source = false;
    int line = -1;               // its line in the picture list
    std::string name = {};       // its file name alone, as the list shows it
    std::string thumbnail = {};  // its thumbnail in the album; empty for a job that makes none
    // Its thumbnail for screens of twice the density (the album's modern pages); empty for none.
    std::string thumbnail_2x = {};
    ImageKind kind = kNotPicture;  // of the source's name
    int turns = 0;                 // quarter turns clockwise to apply, 0-3
    // `output` is the source's own entry (the resizer overwriting, an album in its picture folder):
    // it is never copied onto itself, and a save there replaces the file its path leads to.
    bool output_is_source = false;
    // The album's HEIF or TIFF, which browsers do not show: `output` is the JPEG display copy made
    // from it, and `as_it_is` where the picture goes unchanged when none can be made (empty: it
    // stays where it is, the album lying in its source folder).
    bool display_copy = false;
    std::string as_it_is = {};
    LocationRule location = LocationRule::Keep;  // for every file its work writes

    // The files its work touches, for the order of the job: the file it reads first, then the
    // entries it replaces; none when it touches none.
    std::vector<std::string> Files() const {
        if (output.empty()) return {};
        std::vector<std::string> files{source, output};
        if (!thumbnail.empty()) files.push_back(thumbnail);
        if (!thumbnail_2x.empty()) files.push_back(thumbnail_2x);
        return files;
    }
};
