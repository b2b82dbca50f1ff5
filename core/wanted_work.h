#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// Work asked for by key, done on a few worker threads, for results that stop mattering as the user
// moves on (the thumbnails of the pictures in sight): each Want replaces the keys still waiting,
// so a key no longer wanted is never started, and the keys are started in the order given (the
// most wanted first). A key already running finishes; its result goes wherever `work` sends it.
//
// The workers start with the first Want, so an owner that never asks costs no thread. `work` runs
// on a worker and must read only its key and data safe to share; it must not throw.
class WantedWork {
  public:
    using Work = std::function<void(const std::string& key)>;

    // `workers` threads at most (at least 1). `on_thread_start`, if given, runs first on each
    // worker (to lower its priority, say).
    WantedWork(int workers, Work work, std::function<void()> on_thread_start = {});
    // Drops the waiting keys and waits for the running ones.
    ~WantedWork();
    WantedWork(const WantedWork&) = delete;
    WantedWork& operator=(const WantedWork&) = delete;

    // The keys wanted now, most wanted first: they replace every key still waiting. A key that is
    // running is not started again, and a key given twice is started once.
    void Want(std::vector<std::string> keys);
    // While held, nothing new is started (the keys wanted meanwhile wait); the running keys end.
    void Hold(bool held);
    // Blocks until nothing is running and, unless held, nothing is waiting. For tests and
    // benchmarks.
    void WaitUntilIdle();
    // Keys waiting and running, for checks.
    std::size_t Waiting() const;
    std::size_t Running() const;

  private:
    void Loop();

    const int max_workers_;
    const Work work_;
    const std::function<void()> on_thread_start_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;  // a key to take, or the end
    std::condition_variable idle_;  // a key ended
    std::deque<std::string> waiting_;
    std::multiset<std::string> running_;
    bool held_ = false;
    bool ending_ = false;
    std::vector<std::thread> threads_;
};
