#include "core/picture_job.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "tests/support/recording_progress_sink.h"
#include "tests/support/starved_memory.h"

namespace {

// A job of a.jpg, b.jpg and c.jpg in which b.jpg's work does `work_b` and, when it fails, its
// fallback does `fallback_b`; b.jpg is estimated at `bytes_b`.
PictureJob ThreePictures(std::function<PictureOutcome()> work_b, std::function<void()> fallback_b,
                         std::int64_t bytes_b = 0) {
    PictureJob job;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        job.pictures.push_back({std::string("/p/") + name, {}, false});
    job.estimate = [bytes_b](int i) { return i == 1 ? bytes_b : 1; };
    job.work = [work_b](int i, int) { return i == 1 ? work_b() : PictureOutcome(); };
    job.after_failure = [fallback_b](int i) {
        if (i == 1) fallback_b();
    };
    return job;
}

struct FailureCase {
    const char* name;
    std::function<PictureOutcome()> work;
    std::function<void()> fallback;
    std::string line;  // b.jpg's failure line
    std::int64_t bytes = 1;
};

// What the process can ever have in the table below: b.jpg's 3000 bytes are above it, 1500 only
// above the budget.
constexpr OrderedPool::Limits kLimits{2, 1000, 2000};

// Whatever goes wrong in one picture's work, or in its fallback, is that picture's failure line,
// its fallback runs, and the job goes on with the next one.
TEST(PictureJob, AFailureOfOnePictureIsItsLineAndTheJobGoesOn) {
    const FailureCase cases[] = {
        {"a reason", [] { return PictureOutcome{PictureFailure::Unreadable}; }, [] {},
         "/p/b.jpg (ｴﾗｰ)画像を読み込めませんでした\n"},
        {"memory ran out", []() -> PictureOutcome { throw std::bad_alloc(); }, [] {},
         "/p/b.jpg (ｴﾗｰ)メモリの確保に失敗しました\n"},
        {"a library's exception", []() -> PictureOutcome { throw std::runtime_error("broken"); },
         [] {}, "/p/b.jpg (ｴﾗｰ)画像の処理に失敗しました\n"},
        {"a fallback copy that runs out of memory",
         [] { return PictureOutcome{PictureFailure::SaveFailed}; }, [] { throw std::bad_alloc(); },
         "/p/b.jpg (ｴﾗｰ)ﾌｧｲﾙの保存に失敗しました\n"},
        // Started, it would end the process; its fallback still runs (the work would fail).
        {"a picture larger than all the memory the process can have",
         []() -> PictureOutcome { throw std::logic_error("started"); }, [] {},
         "/p/b.jpg (ｴﾗｰ)メモリの確保に失敗しました\n", 3000},
        {"a picture over the budget that fits the process",
         [] { return PictureOutcome{PictureFailure::TooSmall}; }, [] {},
         "/p/b.jpg (ｴﾗｰ)縮小後の大きさが 1 ピクセル未満になります\n", 1500},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingProgressSink progress;
        bool fell_back = false;  // set on a worker, read once every worker has ended
        const PictureJobRun run = RunPictureJob(ThreePictures(
                                                    c.work,
                                                    [&] {
                                                        fell_back = true;
                                                        c.fallback();
                                                    },
                                                    c.bytes),
                                                progress, kLimits);
        EXPECT_TRUE(fell_back);
        EXPECT_EQ(run.handled, 3);
        EXPECT_EQ(run.failed, 1);
        EXPECT_EQ(run.failures, c.line);
        EXPECT_EQ(run.broke_down, nullptr);
        EXPECT_EQ(progress.calls, (std::vector<std::string>{"pos 1", "pos 2", "pos 3"}));
    }
}

// The run's own bookkeeping breaking down is a failure, never a stop: a progress display that
// throws between pictures ends the run, and the first picture not taken says why; a failure line
// that finds no memory leaves the picture counted and the run going on. Nothing escapes.
TEST(PictureJob, TheRunBreakingDownIsAFailureNeverAStop) {
    class ThrowingSink : public RecordingProgressSink {
        void SetPos(int step) override {
            if (step == 2) throw std::runtime_error("display gone");
            RecordingProgressSink::SetPos(step);
        }
    } progress;
    PictureJobRun run =
        RunPictureJob(ThreePictures([] { return PictureOutcome(); }, [] {}), progress, {2, 0});
    EXPECT_EQ(run.handled, 2);
    EXPECT_EQ(run.failures, "/p/c.jpg (ｴﾗｰ)画像の処理に失敗しました\n");
    EXPECT_STREQ(run.broke_down, "画像の処理に失敗しました");

    PictureJob job =
        ThreePictures([] { return PictureOutcome{PictureFailure::Unreadable}; }, [] {});
    job.pictures[1].source = "/p/" + std::string(1 << 20, 'b') + ".jpg";
    RecordingProgressSink quiet;
    {
        // The calling thread, which takes the pictures in, finds no block as large as the line.
        const StarvedMemory starved(std::size_t{512} << 10);
        run = RunPictureJob(job, quiet, {2, 0});
    }
    EXPECT_EQ(run.handled, 3);
    EXPECT_EQ(run.failed, 1);
    EXPECT_EQ(run.failures, "");
    EXPECT_STREQ(run.broke_down, "メモリの確保に失敗しました");
}

}  // namespace
