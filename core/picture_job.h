#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/ordered_pool.h"
#include "core/picture_outcome.h"
#include "core/picture_plan.h"

class ProgressSink;

// The one way both jobs run their pictures: on the ordered worker pool, within the memory budget,
// with the progress positions 1..n of their picture phase, the stop and the idle calls of the
// progress display, and one failure line per failed picture in list order, whatever the number of
// workers. A job gives its plan (what each picture touches), its work and its commit; the driver
// maps what can go wrong on the way to failure lines.

struct PictureJob {
    // The pictures in list order; the driver reads their sources and files (PicturePlan::Files).
    std::vector<PicturePlan> pictures;
    // What the job does to a picture it writes over, as its failure lines say what was not done.
    PictureWork work_done = PictureWork::Resize;
    // The bytes picture i holds at its peak, on a worker just before it starts. Empty: 0.
    std::function<std::int64_t(int)> estimate;
    // The work of picture i on a worker: its outcome. `same_file` is -1, or the earlier picture
    // that is the same file as this one, reached under another name, when this picture's work
    // would write over it: that file has been dealt with under its first name, and must not be
    // changed again. An exception is the picture's failure: bad_alloc is NoMemory, any other
    // ProcessingFailed.
    std::function<PictureOutcome(int i, int same_file)> work;
    // Called on the worker after picture i failed (a fallback copy, for example); may be empty.
    // An exception here changes nothing: the picture is listed with its first reason.
    std::function<void(int)> after_failure;
    // Takes picture i on the calling thread in list order, its failure (if any) already listed.
    // A picture whose work threw, or that was never started, has an outcome that wrote nothing.
    std::function<void(int i, const PictureOutcome& outcome)> commit;
};

struct PictureJobRun {
    int handled = 0;  // pictures committed: all, or after a stop the ones that had started
    int failed = 0;   // pictures with a failure line
    // "<source> (ｴﾗｰ)<reason>\n" per failed picture, in list order.
    std::string failures;
    // Not null when the run itself broke down, for this reason (the text of NoMemory or
    // ProcessingFailed): it could not go on, or could not list every failure. Nobody stopped it;
    // the job reports a failure, never a stop.
    const char* broke_down = nullptr;
};

// Runs `job` on a pool of `limits` (workers 0: one per processor this process may use). After
// each committed picture i the progress is at i + 1. A stop asked for through `progress` starts no
// further picture. A picture whose estimate exceeds the memory the process can ever have
// (Limits::memory_limit) is not started: it is listed as NoMemory (its after_failure runs), and the
// job goes on. Taking a picture in needs no memory: one without memory for its failure line is
// still counted. Should the run itself break down (no memory for its own bookkeeping before the
// first picture, no worker can start, the display throws), the first picture not taken is listed
// with the reason and `broke_down` says so: nothing of it escapes as an exception.
PictureJobRun RunPictureJob(const PictureJob& job, ProgressSink& progress,
                            const OrderedPool::Limits& limits);

// The line that says how far a stopped job got: "N 枚中 M 枚の画像を処理しました。"
std::string ProcessedCountLine(int handled, int checked);

// The question asked before a job writes over the user's own pictures (the resizer's overwrite,
// the album's turns in its picture folder): "元の画像 N 枚を上書きします。よろしいですか？".
std::string OverwriteOriginalsQuestion(int pictures);

// What a job that ended wrote, and where, for the note of its last message:
// "画像 12 枚と HTMLファイル 4 個を書き出しました。\n出力先：FOLDER" (no pictures: the files
// alone; no files: the pictures alone).
std::string WrittenNote(int pictures, int html_files, const std::string& folder);
