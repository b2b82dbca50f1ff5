#pragma once

#include <string>

// Where a long job reports its phases. The window implementation is CProgressDlg; the console one
// draws a bar on stderr; tests record the calls.
class ProgressSink {
  public:
    virtual ~ProgressSink() = default;

    // Shows the progress display (with the wait cursor where there is one). Called once per job.
    virtual void Open() = 0;
    // Replaces the message line (UTF-8).
    virtual void SetMessage(const std::string& text) = 0;
    // Starts a phase of `steps` steps with an empty bar. steps >= 1.
    virtual void SetRange(int steps) = 0;
    // Marks `step` of the current range as done (0 paints nothing, the range fills the bar).
    virtual void SetPos(int step) = 0;
    // Removes the progress display and restores the cursor. Called once per job, after Open.
    virtual void Close() = 0;
};
