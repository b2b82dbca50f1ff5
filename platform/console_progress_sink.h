#pragma once

#include <ostream>
#include <string>

#include "platform/progress_sink.h"

// ProgressSink for the command-line programs: the message and a 30-column bar redrawn on one line
// of `err` ("\r"), ended by a line break at Close. Quiet mode prints nothing. A stop is asked for
// by SIGINT or SIGTERM (see StopSignals).
class ConsoleProgressSink : public ProgressSink {
  public:
    ConsoleProgressSink(std::ostream& err, bool quiet) : err_(err), quiet_(quiet) {}

    void Open() override;
    void SetMessage(const std::string& text) override;
    void SetRange(int steps) override;
    void SetPos(int step) override;
    void Close() override;
    // True once SIGINT or SIGTERM came while a StopSignals object was alive.
    bool StopRequested() override;

  private:
    void Draw();

    std::ostream& err_;
    bool quiet_;
    std::string message_;
    int range_ = 100;
    int pos_ = 0;
    bool open_ = false;
};
