#include "core/ordered_pool.h"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/machine_resources.h"

namespace {

// When the machine's memory cannot be told: enough for two 100-megapixel pictures side by side.
constexpr std::int64_t kFallbackBudget = std::int64_t{2} << 30;

// The state the workers and the calling thread share; every field is guarded by `mutex`.
struct Shared {
    std::mutex mutex;
    std::condition_variable admit;  // a worker waits here for its turn and room in the budget
    std::condition_variable ended;  // the calling thread waits here for results

    int claimed = 0;   // tasks handed to a worker (estimated or waiting to start)
    int admitted = 0;  // tasks started; always a prefix of the list
    int running = 0;
    std::int64_t bytes_in_flight = 0;
    std::vector<char> done;
    bool stopping = false;
};

void Work(const OrderedPool::Tasks& tasks, std::int64_t budget, Shared& s) {
    for (;;) {
        int i = 0;
        {
            std::lock_guard lock(s.mutex);
            if (s.stopping || s.claimed >= tasks.count) return;
            i = s.claimed++;
        }
        // The header is read outside the lock, so that the workers read theirs side by side.
        std::int64_t bytes = 0;
        try {
            bytes = tasks.estimate ? std::max<std::int64_t>(0, tasks.estimate(i)) : 0;
        } catch (...) {
            bytes = budget;  // unknown: let it run alone
        }
        const bool after_earlier =
            i < static_cast<int>(tasks.after_earlier.size()) && tasks.after_earlier[i];
        {
            std::unique_lock lock(s.mutex);
            s.admit.wait(lock, [&] {
                if (s.stopping) return true;
                if (s.admitted != i) return false;
                if (s.running == 0) return true;
                return !after_earlier && s.bytes_in_flight + bytes <= budget;
            });
            // Tasks not yet started when a stop comes are dropped; nothing of them was done.
            if (s.stopping) return;
            ++s.admitted;
            ++s.running;
            s.bytes_in_flight += bytes;
        }
        s.admit.notify_all();  // the next in line may fit beside this one

        tasks.run(i);
        {
            std::lock_guard lock(s.mutex);
            --s.running;
            s.bytes_in_flight -= bytes;
            s.done[i] = 1;
        }
        s.admit.notify_all();
        s.ended.notify_one();
    }
}

}  // namespace

OrderedPool::OrderedPool() : OrderedPool(Limits{}) {}

OrderedPool::OrderedPool(Limits limits) {
    workers_ = limits.workers > 0 ? limits.workers : UsableProcessorCount();
    if (limits.memory_budget > 0) {
        budget_ = limits.memory_budget;
    } else {
        const std::int64_t budget = JobMemoryBudget(ProcessMemoryFigures());
        budget_ = budget > 0 ? budget : kFallbackBudget;
    }
}

int OrderedPool::Run(const Tasks& tasks, const Hooks& hooks) const {
    if (tasks.count <= 0) return 0;
    // A stop asked for before the first picture starts none.
    if (hooks.stop_requested && hooks.stop_requested()) return 0;
    Shared s;
    s.done.assign(static_cast<std::size_t>(tasks.count), 0);

    // Even one worker is a thread of its own: the calling thread must stay free for the window.
    const int count = std::min(workers_, tasks.count);
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(count));
    for (int w = 0; w < count; ++w)
        threads.emplace_back([&tasks, &s, this] { Work(tasks, budget_, s); });

    // Polled after every commit as well as while waiting, so that a stop is seen before the
    // next picture starts however fast the pictures go.
    bool stop_seen = false;
    auto poll_stop = [&] {
        if (stop_seen || !hooks.stop_requested || !hooks.stop_requested()) return;
        stop_seen = true;
        {
            std::lock_guard guard(s.mutex);
            s.stopping = true;
        }
        s.admit.notify_all();
    };

    int committed = 0;
    std::unique_lock lock(s.mutex);
    for (;;) {
        while (committed < tasks.count && s.done[committed]) {
            lock.unlock();
            if (tasks.commit) tasks.commit(committed);
            ++committed;
            poll_stop();
            lock.lock();
        }
        if (committed == tasks.count) break;
        // After a stop nothing changes any more once no task is running: every started task has
        // just been committed.
        if (s.stopping && s.running == 0) break;
        s.ended.wait_for(lock, kIdleInterval);
        lock.unlock();
        poll_stop();
        if (hooks.idle) hooks.idle();
        lock.lock();
    }
    lock.unlock();
    for (std::thread& t : threads) t.join();
    return committed;
}

std::vector<bool> OrderedPool::TasksSharingFiles(
    const std::vector<std::vector<std::string>>& files) {
    std::vector<bool> after(files.size(), false);
    std::unordered_map<std::string, int> seen;
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (const std::string& path : files[i]) {
            if (path.empty()) continue;
            const std::string key = std::filesystem::path(std::u8string(path.begin(), path.end()))
                                        .lexically_normal()
                                        .generic_string();
            if (!seen.emplace(key, static_cast<int>(i)).second &&
                seen[key] != static_cast<int>(i)) {
                after[i] = true;
            }
        }
    }
    return after;
}
