#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Runs the per-picture work of a job on worker threads while the calling thread stays free to
// keep a window alive and takes the results in list order, so that everything a user can see
// (progress positions, failure lines, their order) is what one worker would give.
//
// - Tasks are taken strictly in index order. Task i starts only while the estimated bytes of the
//   tasks in flight plus its own fit the memory budget; a task larger than the whole budget runs
//   alone. So two huge photographs are done one after the other, small ones side by side. A task
//   larger than all the memory the process can have is not run at all (Tasks::too_large).
// - `commit(i)` runs on the calling thread for i = 0, 1, 2, ... each as soon as task i and every
//   earlier task have run. Between commits the calling thread waits, calling `idle` at least every
//   `kIdleInterval`, and polls `stop_requested`.
// - A stop starts no further task; the tasks already started finish and are committed. The tasks
//   committed are then always a prefix 0..k-1 of the list.
// - An exception never passes a running thread: one thrown by a task stops the pool as a stop does
//   (the tasks before it are committed) and is thrown again by Run on the calling thread; one
//   thrown by `commit` or a hook stops the pool, waits for the tasks in flight and goes on up.
//
// Workers receive only the index: `estimate` and `run` must read plain data prepared before Run
// (never a widget or a dialog seam) and write only their own task's result slot.
class OrderedPool {
  public:
    // How often, at the longest, the calling thread gets `idle` while it waits.
    static constexpr std::chrono::milliseconds kIdleInterval{40};

    struct Limits {
        int workers = 0;                 // 0: one per processor this process may use
        std::int64_t memory_budget = 0;  // bytes; 0: JobMemoryBudget of this process
        // The most memory this process can ever have, in bytes; 0: UsableMemoryBytes of this
        // process (its control group's limit, or the machine's memory), which may be unknown.
        std::int64_t memory_limit = 0;
    };

    // Starts one worker thread. A start that throws leaves the pool with the workers it has; when
    // not even the first can start, Run throws. Tests pass one that fails.
    using ThreadStarter = std::function<std::thread(std::function<void()>)>;

    struct Tasks {
        int count = 0;
        // Bytes task i will hold at its peak (decoded pictures), from the file headers; called on
        // a worker just before the task is taken, in index order. Empty: every task costs 0.
        std::function<std::int64_t(int)> estimate;
        // The work of task i, on a worker thread. A picture's failure belongs in its result; an
        // exception ends the run (see above).
        std::function<void(int)> run;
        // Called on a worker instead of `run`, in its turn, for a task whose estimate exceeds the
        // memory limit: started, it would end the whole process (a control group kills it), not
        // only fail itself. It is committed like any other. Empty: such a task runs alone, as a
        // task over the budget does.
        std::function<void(int)> too_large;
        // Takes the result of task i, on the calling thread, in index order.
        std::function<void(int)> commit;
        // For each task (or empty for none): true when it must wait until every earlier task has
        // ended, because it touches a file an earlier one touches (see TasksSharingFiles).
        std::vector<bool> after_earlier;
    };

    // Hooks of the calling thread; either may be empty.
    struct Hooks {
        std::function<bool()> stop_requested;
        std::function<void()> idle;
    };

    // A pool with the defaults of Limits.
    OrderedPool();
    // `start_thread` empty: std::thread.
    explicit OrderedPool(Limits limits, ThreadStarter start_thread = {});

    // The number of workers and the budget this pool uses (defaults resolved).
    int Workers() const { return workers_; }
    std::int64_t MemoryBudget() const { return budget_; }

    // Runs the tasks and returns how many were committed: all of them, or after a stop the tasks
    // that had started. Returns, or throws, only when no worker is left.
    int Run(const Tasks& tasks, const Hooks& hooks) const;

    // For tasks that each touch the listed files (the file a task reads first, then the entries
    // it replaces): true for every task that touches a file an earlier task touches. An entry is
    // known by the identity of its folder and its name (by its path, "." and ".." resolved, while
    // the folder does not exist); the file a task reads also by its identity (device and file
    // number), so one file under two names (a link, a hard link) is one file. An entry a task
    // replaces is never written through, so what a link there leads to does not matter. Two list
    // lines whose files fall on one file then keep the order of the list. Looks at the disk: call
    // it on the calling thread, before Run. `same_read_file`, when given, gets for each task the
    // first earlier task that reads the same file (by that identity), or -1.
    static std::vector<bool> TasksSharingFiles(const std::vector<std::vector<std::string>>& files,
                                               std::vector<int>* same_read_file = nullptr);

  private:
    int workers_;
    std::int64_t budget_;
    std::int64_t limit_;  // 0: unknown
    ThreadStarter start_thread_;
};
