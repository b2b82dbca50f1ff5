#pragma once

#include <string>

// Where a long job reports its phases and learns whether to stop. The window implementation is
// CProgressDlg; the console one draws a bar on stderr; tests record the calls.
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

    // True once the user (the window's stop button, or a signal on the console) asked the job to
    // stop; the job then starts no new picture. Polled by the job between its steps.
    virtual bool StopRequested() { return false; }
    // Called by a job at least ten times a second while it waits for its workers, so that a window
    // can draw itself and take the stop button. Never changes what the display shows.
    virtual void Idle() {}
};
