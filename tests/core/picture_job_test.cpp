#include "core/picture_job.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "tests/support/recording_progress_sink.h"

namespace {

// A job of a.jpg, b.jpg and c.jpg in which b.jpg's work does `work_b` and, when it fails, its
// fallback does `fallback_b`.
PictureJob ThreePictures(std::function<std::string()> work_b, std::function<void()> fallback_b) {
    PictureJob job;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        job.pictures.push_back({std::string("/p/") + name, {}, false});
    job.work = [work_b](int i, int) { return i == 1 ? work_b() : std::string(); };
    job.after_failure = [fallback_b](int i) {
        if (i == 1) fallback_b();
    };
    return job;
}

struct FailureCase {
    const char* name;
    std::function<std::string()> work;
    std::function<void()> fallback;
    std::string line;  // b.jpg's failure line
};

// Whatever goes wrong in one picture's work, or in its fallback, is that picture's failure line,
// and the job goes on with the next one.
TEST(PictureJob, AFailureOfOnePictureIsItsLineAndTheJobGoesOn) {
    const FailureCase cases[] = {
        {"a reason", [] { return std::string("画像を読み込めませんでした"); }, [] {},
         "/p/b.jpg (ｴﾗｰ)画像を読み込めませんでした\n"},
        {"memory ran out", []() -> std::string { throw std::bad_alloc(); }, [] {},
         "/p/b.jpg (ｴﾗｰ)メモリの確保に失敗しました\n"},
        {"a library's exception", []() -> std::string { throw std::runtime_error("broken"); },
         [] {}, "/p/b.jpg (ｴﾗｰ)画像の処理に失敗しました\n"},
        {"a fallback copy that runs out of memory",
         [] { return std::string("ﾌｧｲﾙの保存に失敗しました"); }, [] { throw std::bad_alloc(); },
         "/p/b.jpg (ｴﾗｰ)ﾌｧｲﾙの保存に失敗しました\n"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingProgressSink progress;
        const PictureJobRun run =
            RunPictureJob(ThreePictures(c.work, c.fallback), progress, {2, 0});
        EXPECT_EQ(run.handled, 3);
        EXPECT_EQ(run.failed, 1);
        EXPECT_EQ(run.failures, c.line);
        EXPECT_EQ(progress.calls, (std::vector<std::string>{"pos 1", "pos 2", "pos 3"}));
    }
}

// A progress display that throws between pictures ends the job as a stop does, and the first
// picture not taken says why; nothing escapes.
TEST(PictureJob, ADisplayThatThrowsEndsTheJobAsAStop) {
    class ThrowingSink : public RecordingProgressSink {
        void SetPos(int step) override {
            if (step == 2) throw std::runtime_error("display gone");
            RecordingProgressSink::SetPos(step);
        }
    } progress;
    const PictureJobRun run =
        RunPictureJob(ThreePictures([] { return std::string(); }, [] {}), progress, {2, 0});
    EXPECT_EQ(run.handled, 2);
    EXPECT_EQ(run.failures, "/p/c.jpg (ｴﾗｰ)画像の処理に失敗しました\n");
}

}  // namespace
