#include "core/picture_job.h"

#include <new>
#include <utility>

#include "core/path_helpers.h"
#include "platform/file_system.h"
#include "platform/progress_sink.h"

PictureJobRun RunPictureJob(const PictureJob& job, ProgressSink& progress,
                            const OrderedPool::Limits& limits) {
    PictureJobRun run;
    const int count = static_cast<int>(job.pictures.size());
    // Worked out here, on the calling thread: the workers get plain data only.
    std::vector<std::vector<std::string>> files;
    files.reserve(job.pictures.size());
    for (const JobPicture& picture : job.pictures) files.push_back(picture.files);
    // The files are known by their identity, so a link or a hard link to an earlier picture's
    // source counts as that file. Example: a.jpg, then b.jpg -> a.jpg, both overwritten: b.jpg is
    // left alone, and a.jpg's file is resized once, not once per name.
    std::vector<int> same_file;
    OrderedPool::Tasks tasks;
    tasks.after_earlier = OrderedPool::TasksSharingFiles(files, &same_file);
    for (std::size_t i = 0; i < job.pictures.size(); ++i)
        if (!job.pictures[i].writes_over_source) same_file[i] = -1;
    std::vector<std::string> reasons(job.pictures.size());
    // The reason of a picture that threw: a fixed text, as a bad_alloc leaves no memory to spare.
    std::vector<const char*> thrown(job.pictures.size(), nullptr);

    tasks.count = count;
    tasks.estimate = job.estimate;
    tasks.run = [&](int i) {
        try {
            reasons[i] = job.work(i, same_file[i]);
        } catch (const std::bad_alloc&) {
            thrown[i] = kNoMemoryReason;
        } catch (...) {
            // A library's error on one picture must not end the job: it is listed instead.
            thrown[i] = kProcessingFailedReason;
        }
        if ((thrown[i] != nullptr || !reasons[i].empty()) && job.after_failure) {
            try {
                job.after_failure(i);
            } catch (...) {
                // The picture is listed already; what the fallback could not do stays undone.
            }
        }
    };
    int listed = -1;  // the last picture whose failure line (if any) is in run.failures
    tasks.commit = [&](int i) {
        const std::string reason = thrown[i] != nullptr ? std::string(thrown[i]) : reasons[i];
        if (!reason.empty()) {
            ++run.failed;
            run.failures += job.pictures[i].source + " (ｴﾗｰ)" + reason + "\n";
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
    } catch (...) {
        broke = kProcessingFailedReason;
    }
    // The pool has stopped and every worker is gone; the user learns which picture it stopped at.
    if (broke != nullptr && run.handled < count && listed != run.handled) {
        ++run.failed;
        run.failures += job.pictures[run.handled].source + " (ｴﾗｰ)" + broke + "\n";
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
