#include "core/picture_job.h"

#include <new>
#include <system_error>
#include <utility>

#include "core/path_helpers.h"
#include "platform/file_system.h"
#include "platform/progress_sink.h"

PictureJobRun RunPictureJob(const PictureJob& job, ProgressSink& progress,
                            const OrderedPool::Limits& limits) {
    PictureJobRun run;
    const int count = static_cast<int>(job.pictures.size());
    // Everything the run's own bookkeeping needs is made here, before the first picture: short of
    // memory, the job fails before it starts rather than in the middle. The texts of the reasons
    // a throw gives are made once, so that taking a picture in needs no memory at all.
    std::vector<std::string> reasons;
    std::vector<const std::string*> reason_of;
    std::vector<int> same_file;
    OrderedPool::Tasks tasks;
    const std::string no_memory = kNoMemoryReason;
    const std::string processing_failed = kProcessingFailedReason;
    try {
        reasons.resize(job.pictures.size());
        reason_of.assign(job.pictures.size(), nullptr);
        // Worked out here, on the calling thread: the workers get plain data only.
        std::vector<std::vector<std::string>> files;
        files.reserve(job.pictures.size());
        for (const JobPicture& picture : job.pictures) files.push_back(picture.files);
        // The files are known by their identity, so a link or a hard link to an earlier
        // picture's source counts as that file. Example: a.jpg, then b.jpg -> a.jpg, both
        // overwritten: b.jpg is left alone, and a.jpg's file is resized once, not once per name.
        tasks.after_earlier = OrderedPool::TasksSharingFiles(files, &same_file);
        for (std::size_t i = 0; i < job.pictures.size(); ++i)
            if (!job.pictures[i].writes_over_source) same_file[i] = -1;
        tasks.estimate = job.estimate;
    } catch (const std::bad_alloc&) {
        run.broke_down = kNoMemoryReason;
        return run;
    }

    // A picture's failure, and the fallback of a failed picture.
    auto failed = [&](int i, const std::string& reason) {
        reason_of[i] = &reason;
        if (!job.after_failure) return;
        try {
            job.after_failure(i);
        } catch (...) {
            // The picture is listed already; what the fallback could not do stays undone.
        }
    };
    tasks.count = count;
    tasks.run = [&](int i) {
        try {
            reasons[i] = job.work(i, same_file[i]);
            if (!reasons[i].empty()) failed(i, reasons[i]);
        } catch (const std::bad_alloc&) {
            failed(i, no_memory);
        } catch (...) {
            // A library's error on one picture must not end the job: it is listed instead.
            failed(i, processing_failed);
        }
    };
    // Never started: it would need more memory than the process can ever have.
    tasks.too_large = [&](int i) { failed(i, no_memory); };
    int listed = -1;  // the last picture whose failure line (if any) is in run.failures
    tasks.commit = [&](int i) {
        const std::string& reason = reason_of[i] != nullptr ? *reason_of[i] : reasons[i];
        if (!reason.empty()) {
            ++run.failed;
            try {
                run.failures += job.pictures[i].source + " (ｴﾗｰ)" + reason + "\n";
            } catch (const std::bad_alloc&) {
                // No memory for its line: the picture is still counted as failed, and the job
                // says that its list is not whole.
                run.broke_down = kNoMemoryReason;
            }
        }
        listed = i;
        if (job.commit) job.commit(i, reason);
        run.handled = i + 1;
        progress.SetPos(i + 1);
    };

    const char* broke = nullptr;
    try {
        const OrderedPool pool(limits);
        pool.Run(tasks, {[&progress] { return progress.StopRequested(); },
                         [&progress] { progress.Idle(); }});
    } catch (const std::bad_alloc&) {
        broke = kNoMemoryReason;
    } catch (const std::system_error& e) {
        // No worker could start: the system had no memory for its stack (a limit on the
        // process's address space), or no thread to spare.
        const bool memory = e.code() == std::errc::resource_unavailable_try_again ||
                            e.code() == std::errc::not_enough_memory;
        broke = memory ? kNoMemoryReason : kProcessingFailedReason;
    } catch (...) {
        broke = kProcessingFailedReason;
    }
    // The pool has stopped and every worker is gone; the user learns which picture it stopped at.
    if (broke != nullptr) {
        run.broke_down = broke;
        if (run.handled < count && listed != run.handled) {
            ++run.failed;
            try {
                run.failures += job.pictures[run.handled].source + " (ｴﾗｰ)" + broke + "\n";
            } catch (const std::bad_alloc&) {
            }
        }
    }
    return run;
}

std::string SameFileReason(const std::string& first_source, const std::string& later,
                           const std::string& not_done, const std::string& kept) {
    const std::size_t slash = first_source.rfind(kPathSeparator);
    const std::string name =
        slash == std::string::npos ? first_source : first_source.substr(slash + 1);
    if (!IsSameFile(first_source, later))
        return "同じファイルを先に " + name + " として新しいファイルに置き換えたため、この名前は" +
               kept;
    return "同じファイルを先に " + name + " として処理したため、" + not_done;
}

std::string ChangedFileReason(const std::string& not_done) {
    return "読み込んだ後でファイルが別のファイルに置き換えられたため、" + not_done;
}

std::string ProcessedCountLine(int handled, int checked) {
    return std::to_string(checked) + " 枚中 " + std::to_string(handled) +
           " 枚の画像を処理しました。";
}
