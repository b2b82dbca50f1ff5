#pragma once

#include <string>
#include <vector>

#include "platform/progress_sink.h"

// Records the progress calls as readable lines: "open", "message <text>", "range <n>", "pos <n>",
// "close".
class RecordingProgressSink : public ProgressSink {
  public:
    void Open() override { calls.push_back("open"); }
    void SetMessage(const std::string& text) override { calls.push_back("message " + text); }
    void SetRange(int steps) override { calls.push_back("range " + std::to_string(steps)); }
    void SetPos(int step) override { calls.push_back("pos " + std::to_string(step)); }
    void Close() override { calls.push_back("close"); }

    std::vector<std::string> calls;
};
