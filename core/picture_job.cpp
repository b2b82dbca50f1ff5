#include "core/picture_job.h"

#include <new>
#include <system_error>
#include <utility>

#include "platform/kept_freed_memory.h"
#include "platform/progress_sink.h"

PictureJobRun RunPictureJob(const PictureJob& job, ProgressSink& progress,
                            const OrderedPool::Limits& limits) {
    PictureJobRun run;
    const int count = static_cast<int>(job.pictures.size());
    // Everything the run's own bookkeeping needs is made here, before the first picture: short of
    // memory, the job fails before it starts rather than in the middle.
    std::vector<PictureOutcome> outcomes;
    std::vector<int> same_file;
    OrderedPool::Tasks tasks;
    try {
        outcomes.resize(job.pictures.size());
        // Worked out here, on the calling thread: the workers get plain data only.
        std::vector<std::vector<std::string>> files;
        files.reserve(job.pictures.size());
        for (const PicturePlan& picture : job.pictures) files.push_back(picture.Files());
        // The files are known by their identity, so a link or a hard link to an earlier
        // picture's source counts as that file. Example: a.jpg, then b.jpg -> a.jpg, both
        // overwritten: b.jpg is left alone, and a.jpg's file is resized once, not once per name.
        tasks.after_earlier = OrderedPool::TasksSharingFiles(files, &same_file);
        for (std::size_t i = 0; i < job.pictures.size(); ++i)
            if (!job.pictures[i].writes_over_source) same_file[i] = -1;
        tasks.estimate = job.estimate;
    } catch (const std::bad_alloc&) {
        run.broke_down = PictureFailureText(PictureFailure::NoMemory);
        return run;
    }

    // The fallback of a failed picture.
    auto fall_back = [&](int i) {
        if (!job.after_failure) return;
        try {
            job.after_failure(i);
        } catch (...) {
            // The picture is listed already; what the fallback could not do stays undone.
        }
    };
    tasks.count = count;
    tasks.run = [&](int i) {
        // A picture whose work does not end is listed for what ended it, with nothing written.
        try {
            outcomes[i] = job.work(i, same_file[i]);
        } catch (const std::bad_alloc&) {
            outcomes[i] = PictureOutcome{PictureFailure::NoMemory};
        } catch (...) {
            // A library's failure on one picture must not end the job: it is listed instead.
            outcomes[i] = PictureOutcome{PictureFailure::ProcessingFailed};
        }
        if (outcomes[i].Failed()) fall_back(i);
    };
    // Never started: it would need more memory than the process can ever have.
    tasks.too_large = [&](int i) {
        outcomes[i] = PictureOutcome{PictureFailure::NoMemory};
        fall_back(i);
    };
    int listed = -1;  // the last picture whose failure line (if any) is in run.failures
    tasks.commit = [&](int i) {
        const PictureOutcome& outcome = outcomes[i];
        if (outcome.Failed()) {
            ++run.failed;
            try {
                run.failures += job.pictures[i].source + " (ｴﾗｰ)" +
                                PictureReason(outcome, job.work_done) + "\n";
            } catch (const std::bad_alloc&) {
                // No memory for its line: the picture is still counted as failed, and the job
                // says that its list is not whole.
                run.broke_down = PictureFailureText(PictureFailure::NoMemory);
            }
        }
        listed = i;
        if (job.commit) job.commit(i, outcome);
        run.handled = i + 1;
        progress.SetPos(i + 1);
    };

    const char* const no_memory = PictureFailureText(PictureFailure::NoMemory);
    const char* const processing_failed = PictureFailureText(PictureFailure::ProcessingFailed);
    const char* broke = nullptr;
    try {
        const KeptFreedMemory kept;
        const OrderedPool pool(limits);
        pool.Run(tasks, {[&progress] { return progress.StopRequested(); },
                         [&progress] { progress.Idle(); }});
    } catch (const std::bad_alloc&) {
        broke = no_memory;
    } catch (const std::system_error& e) {
        // No worker could start: the system had no memory for its stack (a limit on the
        // process's address space), or no thread to spare.
        const bool memory = e.code() == std::errc::resource_unavailable_try_again ||
                            e.code() == std::errc::not_enough_memory;
        broke = memory ? no_memory : processing_failed;
    } catch (...) {
        broke = processing_failed;
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

std::string OverwriteOriginalsQuestion(int pictures) {
    return "元の画像 " + std::to_string(pictures) + " 枚を上書きします。よろしいですか？";
}

std::string WrittenNote(int pictures, int html_files, const std::string& folder) {
    std::string written;
    if (pictures > 0 || html_files == 0) written = "画像 " + std::to_string(pictures) + " 枚";
    if (html_files > 0) {
        if (!written.empty()) written += "と ";
        written += "HTMLファイル " + std::to_string(html_files) + " 個";
    }
    return written + "を書き出しました。\n出力先：" + folder;
}

std::string ProcessedCountLine(int handled, int checked) {
    return std::to_string(checked) + " 枚中 " + std::to_string(handled) +
           " 枚の画像を処理しました。";
}
