#include "core/wanted_work.h"

#include <algorithm>
#include <system_error>
#include <unordered_set>
#include <utility>

WantedWork::WantedWork(int workers, Work work, std::function<void()> on_thread_start)
    : max_workers_(std::max(1, workers)),
      work_(std::move(work)),
      on_thread_start_(std::move(on_thread_start)) {}

WantedWork::~WantedWork() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void WantedWork::Want(std::vector<std::string> keys) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.clear();
        std::unordered_set<std::string> seen;
        for (std::string& key : keys) {
            if (running_.count(key) != 0 || !seen.insert(key).second) continue;
            waiting_.push_back(std::move(key));
        }
        // A thread per key up to the limit: a few keys never start more threads than they need.
        while (static_cast<int>(threads_.size()) < max_workers_ &&
               threads_.size() < waiting_.size() + running_.size()) {
            try {
                threads_.emplace_back([this] { Loop(); });
            } catch (const std::system_error&) {
                break;  // the threads already there do the work
            }
        }
    }
    wake_.notify_all();
}

void WantedWork::Hold(bool held) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = held;
    }
    wake_.notify_all();
    idle_.notify_all();
}

void WantedWork::WaitUntilIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] {
        return running_.empty() && (waiting_.empty() || held_ || threads_.empty());
    });
}

std::size_t WantedWork::Waiting() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_.size();
}

std::size_t WantedWork::Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_.size();
}

void WantedWork::Loop() {
    if (on_thread_start_) on_thread_start_();
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return ending_ || (!held_ && !waiting_.empty()); });
        if (ending_) return;
        std::string key = std::move(waiting_.front());
        waiting_.pop_front();
        const auto running = running_.insert(key);
        lock.unlock();
        work_(key);
        lock.lock();
        running_.erase(running);
        idle_.notify_all();
    }
}
