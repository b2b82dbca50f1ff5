#include "core/wanted_work.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// One worker, so that the order in which keys start is the order in which they are done.
struct Recorder {
    std::mutex mutex;
    std::vector<std::string> done;
    void Do(const std::string& key) {
        std::lock_guard<std::mutex> lock(mutex);
        done.push_back(key);
    }
};

TEST(WantedWork, AKeyNoLongerWantedIsNeverStartedAndTheMostWantedGoesFirst) {
    Recorder recorder;
    WantedWork work(1, [&](const std::string& key) { recorder.Do(key); });
    work.Hold(true);
    work.Want({"a", "b", "c"});
    // Scrolled on: a and b went out of sight before they were started; e is wanted twice.
    work.Want({"d", "c", "e", "e"});
    EXPECT_EQ(work.Waiting(), 3u);
    work.Hold(false);
    work.WaitUntilIdle();
    EXPECT_EQ(recorder.done, (std::vector<std::string>{"d", "c", "e"}));
    EXPECT_EQ(work.Running(), 0u);
}

TEST(WantedWork, AKeyRunningIsNotStartedAgainAndTheEndWaitsForIt) {
    std::mutex gate;  // held by the test until "slow" may end
    gate.lock();
    Recorder recorder;
    auto done = [&](const std::string& key) {
        std::lock_guard<std::mutex> lock(recorder.mutex);
        return std::find(recorder.done.begin(), recorder.done.end(), key) != recorder.done.end();
    };
    {
        WantedWork work(2, [&](const std::string& key) {
            if (key == "slow") {
                gate.lock();
                gate.unlock();
            }
            recorder.Do(key);
        });
        work.Want({"slow"});
        while (work.Running() == 0) std::this_thread::yield();
        work.Want({"slow", "quick"});
        while (!done("quick")) std::this_thread::yield();
        work.Hold(true);
        work.Want({"never"});  // held: it waits, and the end drops it
        gate.unlock();
    }
    EXPECT_EQ(recorder.done, (std::vector<std::string>{"quick", "slow"}));
}

}  // namespace
