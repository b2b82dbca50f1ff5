#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <string>

#include "platform/progress_sink.h"

class QLabel;
class QPushButton;
class ProgressBarFrame;

// The small "please wait" window of the long jobs: a message line above a bar that fills from left
// to right, under it how many steps of the phase are done ("12 / 240") and, once a few are, about
// how long the rest will take, and a "中止" button that asks the job to stop. Esc, the close box
// and the window manager's close (Alt+F4) ask for the same stop; the window itself goes only when
// the job ends.
//
// A job drives the window from the user-interface thread while its pictures are made on worker
// threads. After every call the window is drawn at once and the pending non-input events are
// processed; while the job waits for its workers it calls Idle at least ten times a second, which
// processes every event, so the window keeps drawing and takes the stop button even while one huge
// picture is being worked on. While it is open the other windows of the program are blocked (it is
// application-modal), so the user cannot act on the window behind it; input made there meanwhile
// is dropped, not replayed.
class CProgressDlg : public QDialog, public ProgressSink {
    Q_OBJECT
  public:
    // `owner` is the window the job belongs to (the sheet or the resizer dialog); it may be
    // nullptr.
    explicit CProgressDlg(QWidget* owner = nullptr);
    ~CProgressDlg() override;

    // Sets the wait cursor and shows the window over its owner; other windows stop taking input.
    void Open() override;
    // Replaces the message line (UTF-8) and draws it at once.
    void SetMessage(const std::string& text) override;
    // Starts a phase of `steps` steps: the bar's inside becomes white.
    void SetRange(int steps) override;
    // Paints the finished part blue: from the left, (inner width * step) / range pixels, truncated;
    // nothing is cleared first, so a smaller step leaves the longer blue part standing. The count
    // line shows CountText of the step.
    void SetPos(int step) override;
    // Hides the window, unblocks the other windows and restores the cursor.
    void Close() override;
    // True once "中止" or Esc was pressed since Open.
    bool StopRequested() override { return stop_requested_; }
    // Processes every pending event: painting, and the stop button.
    void Idle() override;

    // The number of steps of the current phase (100 until the first SetRange).
    int Range() const { return range_; }
    // The count line for `step` of `range` steps done `elapsed_ms` after the phase began: "3 / 7",
    // and from the third step on, once the phase has run a moment, the time the rest will take at
    // the pace so far ("12 / 240　残り約 1 分 30 秒"). Empty for a phase of one step.
    static QString CountText(int step, int range, qint64 elapsed_ms);
    // The bar's inside as last painted (the inner rectangle of the bar), for checks.
    QImage BarPicture() const;

  protected:
    // The close box or Alt+F4: asks the job to stop, as "中止" does; the window stays.
    void closeEvent(QCloseEvent* event) override;
    // Esc: asks the job to stop, as "中止" does; the window stays until the job ends.
    void reject() override;

  private:
    void Flush();
    void RequestStop();

    QLabel* message_;
    ProgressBarFrame* bar_;
    QLabel* count_;
    QElapsedTimer phase_clock_;
    QPushButton* stop_button_;
    bool stop_requested_ = false;
    int range_ = 100;
    bool open_ = false;
};
