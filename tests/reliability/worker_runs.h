#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "album/generation/album_manifest.h"
#include "core/picture_list_model.h"
#include "imaging/imgkit.h"
#include "tests/reliability/gated_codec.h"
#include "tests/support/recording_progress_sink.h"
#include "tests/support/temp_dir.h"

// What a job's runs with different numbers of workers are compared by, and the set-up their stop
// tests share.

// What one run of a job left: the files of its output folder (path -> bytes), its progress calls
// and its messages.
struct WorkerRun {
    int workers = 0;
    std::map<std::string, std::string> files;
    std::vector<std::string> progress;
    std::vector<std::string> messages;
};

// Every run says and writes exactly what the first (one worker) did.
inline void ExpectRunsAlike(const std::vector<WorkerRun>& runs) {
    for (std::size_t r = 1; r < runs.size(); ++r) {
        SCOPED_TRACE(std::to_string(runs[r].workers) + " workers");
        EXPECT_EQ(runs[r].files.size(), runs[0].files.size());
        for (const auto& [path, bytes] : runs[0].files) {
            // The album's record names each run's own files by their times and numbers.
            if (path == kAlbumManifestName) continue;
            const auto other = runs[r].files.find(path);
            EXPECT_TRUE(other != runs[r].files.end() && other->second == bytes) << path;
        }
        EXPECT_EQ(runs[r].progress, runs[0].progress);
        EXPECT_EQ(runs[r].messages, runs[0].messages);
    }
}

// The pictures of a stop test: kStopPictures copies of one JPEG, p10.jpg to p25.jpg, in `folder`
// (ending in a separator), listed, checked and each turned once. Returns the copies' bytes.
inline constexpr int kStopPictures = 16;
inline std::string WriteStopPictures(const std::string& folder, PictureFilter filter,
                                     PictureListModel& list) {
    const std::string original = ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg"));
    for (int i = 0; i < kStopPictures; ++i)
        EXPECT_TRUE(WriteTestFile(folder + "p" + std::to_string(10 + i) + ".jpg", original));
    list.Fill(folder, filter);
    for (int i = 0; i < kStopPictures; ++i) {
        list.SetChecked(i, true);
        list.AddQuarterTurn(i);
    }
    return original;
}

// Holds every picture after the first three (p13.jpg on) in the codec, and asks for a stop once
// the progress of `phase` has reached 3: the stop comes while pictures are in flight however fast
// the machine is. The held pictures go on at the job's next idle call, once it has taken the stop
// in: let go from the stop's own answer, they could all finish, and the pictures after them start,
// before the job acts on it.
inline void StopAfterThreePictures(GatedCodec& codec, RecordingProgressSink& progress,
                                   const std::string& phase) {
    codec.held = [](const std::string& path) {
        return std::filesystem::path(path).filename().string() >= "p13.jpg";
    };
    progress.stop = [&progress, phase] { return progress.PositionIn(phase) >= 3; };
    progress.idle = [&codec, &progress, phase] {
        if (progress.PositionIn(phase) >= 3) codec.Open();
    };
}

// The lines of `list` whose file in `folder` is no longer `original`; each of those must be a whole
// picture of `size`.
inline std::set<int> ReplacedPictures(const PictureListModel& list, const std::string& folder,
                                      const std::string& original, ImgKitSize size) {
    std::set<int> replaced;
    for (int i = 0; i < list.Count(); ++i) {
        const std::string path = folder + list.ItemText(i);
        if (ReadTestFile(path) == original) continue;
        EXPECT_EQ(ImgKitUprightSize(path), size) << path;
        replaced.insert(i);
    }
    return replaced;
}
