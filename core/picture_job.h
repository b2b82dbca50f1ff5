#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/ordered_pool.h"

class ProgressSink;

// The one way both jobs run their pictures: on the ordered worker pool, within the memory budget,
// with the progress positions 1..n of their picture phase, the stop and the idle calls of the
// progress display, and one failure line per failed picture in list order, whatever the number of
// workers. A job gives its plan (what each picture touches), its work and its commit; the driver
// maps what can go wrong on the way to failure lines.

// The failure reasons every job shares, each after "<source> (ｴﾗｰ)".
inline constexpr const char* kNoMemoryReason = "メモリの確保に失敗しました";
inline constexpr const char* kProcessingFailedReason = "画像の処理に失敗しました";
// A JPEG saved whole but without the source's XMP packet, which no form of would fit its
// segment: the picture is made, and the line says what it lacks.
inline constexpr const char* kXmpTooLargeReason =
    "XMP が大きすぎるため、XMP を付けずに保存しました";

// One picture of a job's plan, as the driver needs to know it.
struct JobPicture {
    std::string source;  // its path, as its failure line names it
    // The file its work reads (its source) first, then the entries it replaces (a copy, a
    // thumbnail); empty when it touches none.
    std::vector<std::string> files;
    bool writes_over_source = false;  // its work replaces the source file itself
};

struct PictureJob {
    std::vector<JobPicture> pictures;
    // The bytes picture i holds at its peak, on a worker just before it starts. Empty: 0.
    std::function<std::int64_t(int)> estimate;
    // The work of picture i on a worker: its failure reason, or an empty text. `same_file` is -1,
    // or the earlier picture that is the same file as this one, reached under another name, when
    // this picture's work would write over it: that file has been dealt with under its first
    // name, and must not be changed again. An exception is the picture's failure: bad_alloc
    // reads kNoMemoryReason, any other kProcessingFailedReason.
    std::function<std::string(int i, int same_file)> work;
    // Called on the worker after picture i failed (a fallback copy, for example); may be empty.
    // An exception here changes nothing: the picture is listed with its first reason.
    std::function<void(int)> after_failure;
    // Takes picture i on the calling thread in list order, its failure (if any) already listed.
    std::function<void(int i, const std::string& reason)> commit;
};

struct PictureJobRun {
    int handled = 0;  // pictures committed: all, or after a stop the ones that had started
    int failed = 0;   // pictures with a failure line
    // "<source> (ｴﾗｰ)<reason>\n" per failed picture, in list order.
    std::string failures;
    // Not null when the run itself broke down, for this reason (kNoMemoryReason or
    // kProcessingFailedReason): it could not go on, or could not list every failure. Nobody
    // stopped it; the job reports a failure, never a stop.
    const char* broke_down = nullptr;
};

// Runs `job` on a pool of `limits` (workers 0: one per processor this process may use). After
// each committed picture i the progress is at i + 1. A stop asked for through `progress` starts no
// further picture. A picture whose estimate exceeds the memory the process can ever have
// (Limits::memory_limit) is not started: it is listed with kNoMemoryReason (its after_failure
// runs), and the job goes on. Taking a picture in needs no memory: one without memory for its
// failure line is still counted. Should the run itself break down (no memory for its own
// bookkeeping before the first picture, no worker can start, the display throws), the first
// picture not taken is listed with the reason and `broke_down` says so: nothing of it escapes as
// an exception.
PictureJobRun RunPictureJob(const PictureJob& job, ProgressSink& progress,
                            const OrderedPool::Limits& limits);

// The reason given for a later name `later` of a file the job dealt with under its first name
// `first_source` (both paths). While `later` still leads to the file `first_source` leads to (a
// symbolic link to it, or a file the first name left as it was), it shows what the first name
// got: "同じファイルを先に <first file name> として処理したため、" and `not_done` (what this name
// did not get, such as "処理しませんでした"). A hard link does not: replacing the first name put a
// new file there only, and this name keeps the old picture: "同じファイルを先に <first file name>
// として新しいファイルに置き換えたため、この名前は" and `kept` (such as "元のまま残しました").
std::string SameFileReason(const std::string& first_source, const std::string& later,
                           const std::string& not_done, const std::string& kept);

// The reason given for a picture whose file was no longer the one it had read when its result was
// to replace it (the file was replaced, or a link leading to it was re-pointed):
// "読み込んだ後でファイルが別のファイルに置き換えられたため、" and `not_done`.
std::string ChangedFileReason(const std::string& not_done);

// The line that says how far a stopped job got: "N 枚中 M 枚の画像を処理しました。"
std::string ProcessedCountLine(int handled, int checked);
