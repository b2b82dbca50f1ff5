#include "core/ordered_pool.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "platform/file_system.h"
#include "platform/machine_resources.h"

namespace {

// When the machine's memory cannot be told: enough for two 100-megapixel pictures side by side.
constexpr std::int64_t kFallbackBudget = std::int64_t{2} << 30;

// What a task's slot holds.
enum TaskState : char { kPending = 0, kDone = 1, kThrew = 2 };

// The state the workers and the calling thread share; every field is guarded by `mutex`.
struct Shared {
    std::mutex mutex;
    std::condition_variable admit;  // a worker waits here for its turn and room in the budget
    std::condition_variable ended;  // the calling thread waits here for results

    int claimed = 0;   // tasks handed to a worker (estimated or waiting to start)
    int admitted = 0;  // tasks started; always a prefix of the list
    int running = 0;
    std::int64_t bytes_in_flight = 0;
    std::vector<char> state;
    bool stopping = false;
    std::exception_ptr thrown;  // the first exception of a task
};

void Work(const OrderedPool::Tasks& tasks, std::int64_t budget, std::int64_t limit, Shared& s) {
    // Without a limit, or without a way to report a task over it, every task runs.
    if (limit <= 0 || !tasks.too_large) limit = std::numeric_limits<std::int64_t>::max();
    for (;;) {
        int i = 0;
        {
            std::lock_guard lock(s.mutex);
            if (s.stopping || s.claimed >= tasks.count) return;
            i = s.claimed++;
        }
        const bool after_earlier =
            i < static_cast<int>(tasks.after_earlier.size()) && tasks.after_earlier[i];
        auto estimate = [&tasks, budget, i]() -> std::int64_t {
            try {
                return tasks.estimate ? std::max<std::int64_t>(0, tasks.estimate(i)) : 0;
            } catch (...) {
                return budget;  // unknown: let it run alone
            }
        };
        // The header is read outside the lock, so that the workers read theirs side by side; a
        // task that shares a file with an earlier one reads it once they have all ended, when the
        // file is as they left it (a picture an earlier name turned has its new size).
        std::int64_t bytes = after_earlier ? 0 : estimate();
        // A task over the limit holds nothing: it is only reported, in its turn.
        bool too_large = bytes > limit;
        if (too_large) bytes = 0;
        {
            std::unique_lock lock(s.mutex);
            s.admit.wait(lock, [&] {
                if (s.stopping) return true;
                if (s.admitted != i) return false;
                if (s.running == 0) return true;
                return !after_earlier && s.bytes_in_flight + bytes <= budget;
            });
            if (after_earlier && !s.stopping) {
                // Its turn with nothing running: no other task can start until this one has.
                lock.unlock();
                bytes = estimate();
                too_large = bytes > limit;
                if (too_large) bytes = 0;
                lock.lock();
            }
            // Tasks not yet started when a stop comes are dropped; nothing of them was done.
            if (s.stopping) return;
            ++s.admitted;
            ++s.running;
            s.bytes_in_flight += bytes;
        }
        s.admit.notify_all();  // the next in line may fit beside this one

        char state = kDone;
        std::exception_ptr thrown;
        try {
            if (too_large) {
                tasks.too_large(i);
            } else {
                tasks.run(i);
            }
        } catch (...) {
            state = kThrew;
            thrown = std::current_exception();
        }
        {
            std::lock_guard lock(s.mutex);
            --s.running;
            s.bytes_in_flight -= bytes;
            s.state[i] = state;
            if (thrown) {
                // As a stop: no further task starts, the ones in flight finish.
                if (!s.thrown) s.thrown = thrown;
                s.stopping = true;
            }
        }
        s.admit.notify_all();
        s.ended.notify_one();
    }
}

// Stops the workers and waits for them, however Run is left: a joinable thread must never be
// destroyed, and a worker must never outlive the tasks it reads.
class WorkerGuard {
  public:
    explicit WorkerGuard(Shared& s) : s_(s) {}
    WorkerGuard(const WorkerGuard&) = delete;
    WorkerGuard& operator=(const WorkerGuard&) = delete;
    ~WorkerGuard() {
        {
            std::lock_guard lock(s_.mutex);
            s_.stopping = true;
        }
        s_.admit.notify_all();
        for (std::thread& t : threads)
            if (t.joinable()) t.join();
    }
    std::vector<std::thread> threads;

  private:
    Shared& s_;
};

}  // namespace

OrderedPool::OrderedPool() : OrderedPool(Limits{}) {}

OrderedPool::OrderedPool(Limits limits, ThreadStarter start_thread)
    : start_thread_(std::move(start_thread)) {
    workers_ = limits.workers > 0 ? limits.workers : UsableProcessorCount();
    const MemoryFigures figures = limits.memory_budget > 0 && limits.memory_limit > 0
                                      ? MemoryFigures{}
                                      : ProcessMemoryFigures();
    if (limits.memory_budget > 0) {
        budget_ = limits.memory_budget;
    } else {
        const std::int64_t budget = JobMemoryBudget(figures);
        budget_ = budget > 0 ? budget : kFallbackBudget;
    }
    limit_ = limits.memory_limit > 0 ? limits.memory_limit : UsableMemoryBytes(figures);
}

int OrderedPool::Run(const Tasks& tasks, const Hooks& hooks) const {
    if (tasks.count <= 0) return 0;
    // A stop asked for before the first picture starts none.
    if (hooks.stop_requested && hooks.stop_requested()) return 0;
    Shared s;
    s.state.assign(static_cast<std::size_t>(tasks.count), kPending);
    WorkerGuard guard(s);

    // Even one worker is a thread of its own: the calling thread must stay free for the window.
    const int count = std::min(workers_, tasks.count);
    guard.threads.reserve(static_cast<std::size_t>(count));
    for (int w = 0; w < count; ++w) {
        std::function<void()> body = [&tasks, &s, this] { Work(tasks, budget_, limit_, s); };
        try {
            guard.threads.push_back(start_thread_ ? start_thread_(std::move(body))
                                                  : std::thread(std::move(body)));
        } catch (...) {
            // The system has no thread to spare: the workers that started do the work.
            if (guard.threads.empty()) throw;
            break;
        }
    }

    // Polled after every commit as well as while waiting, so that a stop is seen before the
    // next picture starts however fast the pictures go.
    bool stop_seen = false;
    auto poll_stop = [&] {
        if (stop_seen || !hooks.stop_requested || !hooks.stop_requested()) return;
        stop_seen = true;
        {
            std::lock_guard lock(s.mutex);
            s.stopping = true;
        }
        s.admit.notify_all();
    };

    int committed = 0;
    std::unique_lock lock(s.mutex);
    for (;;) {
        while (committed < tasks.count && s.state[committed] == kDone) {
            lock.unlock();
            if (tasks.commit) tasks.commit(committed);
            ++committed;
            poll_stop();
            lock.lock();
        }
        if (committed == tasks.count) break;
        // After a stop nothing changes any more once no task is running: every started task has
        // just been committed, up to a task that threw.
        if (s.stopping && s.running == 0) break;
        s.ended.wait_for(lock, kIdleInterval);
        lock.unlock();
        poll_stop();
        if (hooks.idle) hooks.idle();
        lock.lock();
    }
    const std::exception_ptr thrown = s.thrown;
    lock.unlock();
    if (thrown) std::rethrow_exception(thrown);  // the guard joins the workers on the way out
    return committed;
}

namespace {

using FolderIdentities = std::unordered_map<std::string, std::optional<FileIdentity>>;

// The key of the entry `path`: its folder's identity and its name, however the folder is spelt; a
// folder not made yet by its path, "." and ".." resolved. The identities of folders are kept in
// `folders`: the files of a job stand in a few folders.
std::string EntryKey(const std::string& path, FolderIdentities& folders) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name =
        slash == std::string::npos ? std::string_view() : std::string_view(path).substr(slash + 1);
    if (!name.empty() && name != "." && name != "..") {
        auto [it, added] = folders.try_emplace(slash == 0 ? "/" : path.substr(0, slash));
        FileIdentity id;
        if (added && IdentityOf(it->first, id)) it->second = id;
        if (it->second) {
            return "e" + std::to_string(it->second->device) + ":" +
                   std::to_string(it->second->inode) + "/" + std::string(name);
        }
    }
    return "p" + std::filesystem::path(std::u8string(path.begin(), path.end()))
                     .lexically_normal()
                     .generic_string();
}

// The names under which one task's file is known to the others; see TasksSharingFiles. The file
// a task reads is also known by its identity, which `file_key` gets (empty when it has none).
std::vector<std::string> FileKeys(const std::string& path, bool read, FolderIdentities& folders,
                                  std::string& file_key) {
    file_key.clear();
    std::vector<std::string> keys{EntryKey(path, folders)};
    if (!read) return keys;
    FileIdentity id;
    bool link = false;
    const bool exists = IdentityOf(path, id, &link);
    if (exists) {
        file_key = "f" + std::to_string(id.device) + ":" + std::to_string(id.inode);
        keys.push_back(file_key);
    }
    // A link read leads to an entry that another task may make or replace: reading it before or
    // after that would depend on the workers. A link to nothing yet names its entry itself.
    if (link) {
        std::string target = ResolvedPath(path);
        if (!exists) {
            std::error_code ec;
            const std::filesystem::path link_path(std::u8string(path.begin(), path.end()));
            const std::filesystem::path to = std::filesystem::read_symlink(link_path, ec);
            const std::u8string text =
                (to.is_absolute() ? to : link_path.parent_path() / to).u8string();
            if (!ec) target.assign(text.begin(), text.end());
        }
        keys.push_back(EntryKey(target, folders));
    }
    return keys;
}

}  // namespace

std::vector<bool> OrderedPool::TasksSharingFiles(const std::vector<std::vector<std::string>>& files,
                                                 std::vector<int>* same_read_file) {
    std::vector<bool> after(files.size(), false);
    if (same_read_file != nullptr) same_read_file->assign(files.size(), -1);
    std::unordered_map<std::string, int> first_task;
    FolderIdentities folders;
    std::string file_key;
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t f = 0; f < files[i].size(); ++f) {
            const std::string& path = files[i][f];
            if (path.empty()) continue;
            for (const std::string& key : FileKeys(path, f == 0, folders, file_key)) {
                const auto [it, added] = first_task.emplace(key, static_cast<int>(i));
                if (added || it->second == static_cast<int>(i)) continue;
                after[i] = true;
                if (key == file_key && same_read_file != nullptr) (*same_read_file)[i] = it->second;
            }
        }
    }
    return after;
}
