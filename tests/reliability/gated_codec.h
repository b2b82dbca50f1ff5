#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/image_codec.h"

// The real codec, except that loading a file that `held` names (or decoding the bytes read from
// it) waits until Open() (or half a minute, which TimedOut() then tells). Stop tests hold every
// picture after the first few, so that the stop comes while pictures are in flight however fast
// the machine is.
class GatedCodec : public ImageCodec {
  public:
    ImageHandle Load(const std::string& path, int min_width, int min_height) override {
        Wait(path);
        return ImageCodec::Load(path, min_width, min_height);
    }
    // A worker reads a picture's file, then decodes it: the file read last on this thread names
    // the picture in hand.
    std::optional<PictureBytes> ReadPicture(const std::string& path) override {
        t_read = path;
        return ImageCodec::ReadPicture(path);
    }
    DecodedPicture Decode(std::string_view bytes, int min_width, int min_height) override {
        Wait(t_read);
        return ImageCodec::Decode(bytes, min_width, min_height);
    }
    // Lets every held load go on.
    void Open() {
        {
            const std::lock_guard lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }
    bool TimedOut() {
        const std::lock_guard lock(mutex_);
        return timed_out_;
    }

    // Set before the job runs; called from its workers.
    std::function<bool(const std::string& path)> held;

  private:
    void Wait(const std::string& path) {
        if (!held || !held(path)) return;
        std::unique_lock lock(mutex_);
        if (!opened_.wait_for(lock, std::chrono::seconds(30), [this] { return open_; }))
            timed_out_ = true;
    }

    static inline thread_local std::string t_read;
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
    bool timed_out_ = false;
};
