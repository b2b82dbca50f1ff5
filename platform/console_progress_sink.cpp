#include "platform/console_progress_sink.h"

#include <algorithm>

#include "platform/stop_signals.h"

namespace {
constexpr int kBarColumns = 30;
}

void ConsoleProgressSink::Open() {
    open_ = true;
    message_.clear();
    range_ = 100;
    pos_ = 0;
    Draw();
}

void ConsoleProgressSink::SetMessage(const std::string& text) {
    message_ = text;
    Draw();
}

void ConsoleProgressSink::SetRange(int steps) {
    range_ = std::max(steps, 1);
    pos_ = 0;
    Draw();
}

void ConsoleProgressSink::SetPos(int step) {
    pos_ = std::clamp(step, 0, range_);
    Draw();
}

void ConsoleProgressSink::Close() {
    if (open_ && !quiet_) {
        err_ << '\n';
        err_.flush();
    }
    open_ = false;
}

bool ConsoleProgressSink::StopRequested() {
    return StopSignals::Received() != 0;
}

void ConsoleProgressSink::Draw() {
    if (quiet_ || !open_) return;
    // Filled columns in proportion to the steps done, rounded down: a full bar means all done.
    const int filled = static_cast<int>(static_cast<long long>(pos_) * kBarColumns / range_);
    std::string line = "\r[" + std::string(filled, '#') + std::string(kBarColumns - filled, '-') +
                       "] " + std::to_string(pos_) + "/" + std::to_string(range_);
    if (!message_.empty()) line += " " + message_;
    // Blank out what a longer previous line left behind (a terminal escape would litter logs).
    constexpr size_t kMinWidth = 100;
    if (line.size() < kMinWidth) line.append(kMinWidth - line.size(), ' ');
    err_ << line;
    err_.flush();
}
