#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/progress_sink.h"

// Records the progress calls as readable lines: "open", "message <text>", "range <n>", "pos <n>",
// "close". A stop is asked for once `stop` (when set) answers true; `idle` (when set) is called
// whenever the job lets the window breathe.
class RecordingProgressSink : public ProgressSink {
  public:
    bool StopRequested() override { return stop && stop(); }
    void Idle() override {
        if (idle) idle();
    }
    // The last position set since the phase whose message is `text` began; -1 before it.
    int PositionIn(const std::string& text) const {
        int position = -1;
        bool in_phase = false;
        for (const std::string& call : calls) {
            if (call.rfind("message ", 0) == 0) in_phase = call == "message " + text;
            if (in_phase && call.rfind("pos ", 0) == 0) position = std::stoi(call.substr(4));
        }
        return position;
    }

    void Open() override { calls.push_back("open"); }
    void SetMessage(const std::string& text) override { calls.push_back("message " + text); }
    void SetRange(int steps) override { calls.push_back("range " + std::to_string(steps)); }
    void SetPos(int step) override { calls.push_back("pos " + std::to_string(step)); }
    void Close() override { calls.push_back("close"); }

    std::vector<std::string> calls;
    std::function<bool()> stop;
    std::function<void()> idle;
};
