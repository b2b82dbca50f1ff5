#include "core/picture_job.h"

#include <map>
#include <new>
#include <utility>

#include "core/path_helpers.h"
#include "platform/file_system.h"
#include "platform/progress_sink.h"

namespace {

// For each picture that writes over its source: the first earlier picture whose source is the same
// file (by identity, so a link or a hard link to it counts), else -1. Read on the calling thread
// before any picture is made, so the answer is the same whatever the workers do and in what order.
// Example: a.jpg, then b.jpg -> a.jpg, both overwritten: b.jpg gets 0, and a.jpg's file is
// resized once, not once per name.
std::vector<int> SameFileAsEarlier(const std::vector<JobPicture>& pictures) {
    std::vector<int> same(pictures.size(), -1);
    // Nothing to ask the disk when no picture writes over its source (an output folder of its own).
    bool any = false;
    for (const JobPicture& picture : pictures) any = any || picture.writes_over_source;
    if (!any) return same;
    std::map<std::pair<std::uint64_t, std::uint64_t>, int> first;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (pictures[i].files.empty()) continue;  // a picture the job passes over
        FileIdentity id;
        if (!IdentityOf(pictures[i].source, id)) continue;
        const auto [it, added] = first.emplace(std::pair{id.device, id.inode}, static_cast<int>(i));
        if (!added && pictures[i].writes_over_source) same[i] = it->second;
    }
    return same;
}

}  // namespace

PictureJobRun RunPictureJob(const PictureJob& job, ProgressSink& progress,
                            const OrderedPool::Limits& limits) {
    PictureJobRun run;
    const int count = static_cast<int>(job.pictures.size());
    // Worked out here, on the calling thread: the workers get plain data only.
    const std::vector<int> same_file = SameFileAsEarlier(job.pictures);
    std::vector<std::vector<std::string>> files;
    files.reserve(job.pictures.size());
    for (const JobPicture& picture : job.pictures) files.push_back(picture.files);
    std::vector<std::string> reasons(job.pictures.size());
    // The reason of a picture that threw: a fixed text, as a bad_alloc leaves no memory to spare.
    std::vector<const char*> thrown(job.pictures.size(), nullptr);

    OrderedPool::Tasks tasks;
    tasks.count = count;
    tasks.after_earlier = OrderedPool::TasksSharingFiles(files);
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

std::string SameFileReason(const std::string& first_source, const std::string& not_done) {
    const std::size_t slash = first_source.rfind(kPathSeparator);
    const std::string name =
        slash == std::string::npos ? first_source : first_source.substr(slash + 1);
    return "同じファイルを先に " + name + " として処理したため、" + not_done;
}

std::string ProcessedCountLine(int handled, int checked) {
    return std::to_string(checked) + " 枚中 " + std::to_string(handled) +
           " 枚の画像を処理しました。";
}
