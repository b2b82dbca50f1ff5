#include "core/ordered_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

class OrderedPoolTest : public ::testing::TestWithParam<int> {};

// Tasks that end in reverse order (each waits until the next one has ended) are still committed
// in list order, on the calling thread.
TEST_P(OrderedPoolTest, CommitsInListOrderHoweverTheTasksEnd) {
    const int workers = GetParam();
    constexpr int kCount = 6;
    std::vector<std::atomic<bool>> ended(kCount);
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<int> committed;
    OrderedPool::Tasks tasks;
    tasks.count = kCount;
    tasks.run = [&](int i) {
        // Task 2 waits for task 3 whenever both can be in flight together.
        if (workers > 1 && i == 2) {
            while (!ended[3]) std::this_thread::yield();
        }
        ended[i] = true;
    };
    tasks.commit = [&](int i) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        committed.push_back(i);
    };
    EXPECT_EQ(OrderedPool({workers, 0}).Run(tasks, {}), kCount);
    EXPECT_EQ(committed, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

// The estimated bytes in flight never exceed the budget, a task larger than the whole budget
// runs alone, and one larger than all the memory the process can have is reported, never run.
TEST_P(OrderedPoolTest, KeepsThePicturesInFlightWithinTheBudget) {
    const std::vector<std::int64_t> bytes = {40, 40, 40, 250, 10, 60, 400, 30, 30};
    std::mutex mutex;
    std::int64_t in_flight = 0;
    std::int64_t peak = 0;  // while the huge one is not running
    int running = 0;
    bool huge_ran_alone = false;
    std::vector<int> too_large;
    std::vector<int> committed;
    OrderedPool::Tasks tasks;
    tasks.count = static_cast<int>(bytes.size());
    tasks.estimate = [&](int i) { return bytes[i]; };
    tasks.too_large = [&](int i) {
        std::lock_guard lock(mutex);
        too_large.push_back(i);
    };
    tasks.commit = [&](int i) { committed.push_back(i); };
    tasks.run = [&](int i) {
        EXPECT_LE(bytes[i], 300);
        {
            std::lock_guard lock(mutex);
            in_flight += bytes[i];
            if (i != 3) peak = std::max(peak, in_flight);
            ++running;
            if (i == 3) huge_ran_alone = running == 1;
        }
        std::this_thread::yield();
        std::lock_guard lock(mutex);
        in_flight -= bytes[i];
        --running;
    };
    EXPECT_EQ(OrderedPool({GetParam(), 100, 300}).Run(tasks, {}), tasks.count);
    EXPECT_TRUE(huge_ran_alone);
    EXPECT_LE(peak, 100);
    EXPECT_EQ(too_large, std::vector<int>{6});
    EXPECT_EQ(committed, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

// A stop starts no further task: what was committed is exactly what ran, a prefix of the list.
TEST_P(OrderedPoolTest, AStopCommitsOnlyTheTasksThatStarted) {
    std::atomic<int> ran{0};
    std::atomic<bool> stop{false};
    std::vector<int> committed;
    OrderedPool::Tasks tasks;
    tasks.count = 50;
    tasks.run = [&](int i) {
        // The tasks in flight when the stop comes are still working on their picture.
        while (i >= 3 && !stop) std::this_thread::yield();
        ++ran;
    };
    tasks.commit = [&](int i) { committed.push_back(i); };
    OrderedPool::Hooks hooks;
    hooks.stop_requested = [&] { return stop = committed.size() >= 3; };
    const int count = OrderedPool({GetParam(), 0}).Run(tasks, hooks);
    EXPECT_GE(count, 3);
    EXPECT_LT(count, 50);
    EXPECT_EQ(ran.load(), count);
    ASSERT_EQ(static_cast<int>(committed.size()), count);
    for (int i = 0; i < count; ++i) EXPECT_EQ(committed[i], i);
}

// Whatever throws, and wherever, Run hands it to its caller only once no worker is left, with the
// tasks committed before it a prefix of the list; a worker that cannot start leaves the work to the
// ones that could.
TEST_P(OrderedPoolTest, AnExceptionReachesTheCallerOnlyOnceEveryWorkerHasEnded) {
    for (const std::string where : {"run", "commit", "idle", "stop_requested", "first start"}) {
        SCOPED_TRACE(where);
        std::atomic<int> running{0};
        std::atomic<bool> idled{false};
        std::vector<int> committed;
        OrderedPool::Tasks tasks;
        tasks.count = 20;
        tasks.run = [&](int i) {
            ++running;
            // Every task is still at work when the calling thread idles.
            while (where == "idle" && !idled) std::this_thread::yield();
            --running;
            if (where == "run" && i == 2) throw std::runtime_error(where);
        };
        tasks.commit = [&](int i) {
            if (where == "commit" && i == 1) throw std::runtime_error(where);
            committed.push_back(i);
        };
        int polls = 0;
        OrderedPool::Hooks hooks;
        hooks.stop_requested = [&] {
            if (where == "stop_requested" && ++polls == 2) throw std::runtime_error(where);
            return false;
        };
        hooks.idle = [&] {
            idled = true;
            if (where == "idle") throw std::runtime_error(where);
        };
        OrderedPool::ThreadStarter start;
        if (where == "first start") {
            start = [](std::function<void()>) -> std::thread {
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            };
        }
        std::string thrown;
        try {
            OrderedPool({GetParam(), 0}, start).Run(tasks, hooks);
        } catch (const std::system_error&) {
            thrown = "first start";
        } catch (const std::runtime_error& e) {
            thrown = e.what();
        }
        EXPECT_EQ(thrown, where);
        EXPECT_EQ(running.load(), 0);
        for (std::size_t k = 0; k < committed.size(); ++k)
            EXPECT_EQ(committed[k], static_cast<int>(k));
        if (where == "run") {
            EXPECT_LE(committed.size(), 2u);
        } else if (where == "commit") {
            EXPECT_EQ(committed, std::vector<int>{0});
        }
    }

    int starts = 0;
    const OrderedPool::ThreadStarter only_one = [&starts](std::function<void()> body) {
        if (starts++ > 0)
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::move(body));
    };
    OrderedPool::Tasks tasks;
    tasks.count = 20;
    tasks.run = [](int) {};
    EXPECT_EQ(OrderedPool({GetParam(), 0}, only_one).Run(tasks, {}), 20);
}

INSTANTIATE_TEST_SUITE_P(Workers, OrderedPoolTest, ::testing::Values(1, 2, 8),
                         [](const auto& info) { return std::to_string(info.param) + "Workers"; });

TEST(OrderedPool, ATaskThatSharesAFileWithAnEarlierOneWaitsForItToEnd) {
    const std::vector<bool> after = OrderedPool::TasksSharingFiles({
        {"/in/a.jpg", "/out/p/a.jpg", "/out/t/_a.jpg"},
        {"/in/b.jpg", "/out/p/b.jpg", "/out/t/_b.jpg"},
        {"/in/_a.jpg", "/out/p/../t/_a.jpg"},  // its copy is a's thumbnail
        {"/in/c.jpg", "/in/c.jpg"},            // a picture that is its own copy
    });
    EXPECT_EQ(after, (std::vector<bool>{false, false, true, false}));

    // One file under several names is one file: a symbolic link, a hard link, a folder reached
    // through a link (the entry need not exist yet).
    TempDir dir;
    ASSERT_TRUE(WriteTestFile(dir / "src/a.jpg", "a"));
    ASSERT_TRUE(WriteTestFile(dir / "src/d.jpg", "d"));
    std::filesystem::create_symlink("a.jpg", dir / "src/b.jpg");
    std::filesystem::create_hard_link(dir / "src/a.jpg", dir / "src/c.jpg");
    std::filesystem::create_directory(dir / "out");
    std::filesystem::create_directory_symlink(dir / "out", dir / "via");
    // A link read that leads into the output folder, to a file not written yet.
    std::filesystem::create_symlink(dir / "out/e.jpg", dir / "src/x.jpg");
    EXPECT_EQ(OrderedPool::TasksSharingFiles({{dir / "src/a.jpg", dir / "out/a.jpg"},
                                              {dir / "src/b.jpg", dir / "out/b.jpg"},
                                              {dir / "src/c.jpg", dir / "out/c.jpg"},
                                              {dir / "src/d.jpg", dir / "via/a.jpg"},
                                              {dir / "src/e.jpg", dir / "out/e.jpg"},
                                              {dir / "src/x.jpg", dir / "out/x.jpg"}}),
              (std::vector<bool>{false, true, true, true, false, true}));

    std::atomic<bool> first_ended{false};
    bool waited = true;
    OrderedPool::Tasks tasks;
    tasks.count = 2;
    tasks.after_earlier = {false, true};
    tasks.run = [&](int i) {
        if (i == 0) {
            for (int spin = 0; spin < 1000; ++spin) std::this_thread::yield();
            first_ended = true;
        } else {
            waited = first_ended;
        }
    };
    EXPECT_EQ(OrderedPool({8, 0}).Run(tasks, {}), 2);
    EXPECT_TRUE(waited);
}

}  // namespace
