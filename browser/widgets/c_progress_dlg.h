#pragma once

#include <QDialog>
#include <QImage>
#include <string>

#include "platform/progress_sink.h"

class QLabel;
class ProgressBarFrame;

// The small "please wait" window of the long jobs: a message line above a bar that fills from left
// to right. It has no close button and cannot be closed by the user.
//
// The jobs run on the user-interface thread, so after every call the window is drawn at once and
// the pending non-input events (painting, window-system exposure) are processed: the window keeps
// showing progress instead of looking frozen. While it is open the other windows of the program are
// blocked (it is application-modal), so the user cannot act on the window behind it; input made
// meanwhile is dropped when the job ends, not replayed.
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
    // nothing is cleared first, so a smaller step leaves the longer blue part standing.
    void SetPos(int step) override;
    // Hides the window, unblocks the other windows and restores the cursor.
    void Close() override;

    // The number of steps of the current phase (100 until the first SetRange).
    int Range() const { return range_; }
    // The bar's inside as last painted (inner rectangle of control 1056), for checks.
    QImage BarPicture() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void Flush();

    QLabel* message_;
    ProgressBarFrame* bar_;
    int range_ = 100;
    bool open_ = false;
};
