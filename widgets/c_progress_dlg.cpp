#include "widgets/c_progress_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cstdint>

#include "widgets/dialog_units.h"
#include "widgets/progress_bar_frame.h"
#include "widgets/progress_dlg_ids.h"

CProgressDlg::CProgressDlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    // A caption with a close box, which (like Alt+F4 and Esc) asks the job to stop exactly as
    // "中止" does: the window itself goes only when the job has ended.
    setWindowTitle(QStringLiteral("ちょっとまっててね。"));
    namespace ids = progress_dlg_ids;
    NameControl(this, ids::kDialog);
    const QFont font = DialogFont();
    setFont(font);
    const DialogUnits units(font);
    setFixedSize(units.X(166), units.Y(73));

    message_ = new QLabel(QStringLiteral("Static"), this);
    NameControl(message_, ids::kMessageLabel);
    message_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    units.Place(message_, 30, 9, 102, 8);

    bar_ = new ProgressBarFrame(this);
    NameControl(bar_, ids::kBar);
    units.Place(bar_, 7, 24, 152, 12);

    count_ = new QLabel(this);
    NameControl(count_, ids::kCountLabel);
    count_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    units.Place(count_, 7, 39, 152, 9);
    // Hidden while it says nothing, so that a screen reader meets no empty text.
    count_->hide();

    stop_button_ = new QPushButton(QStringLiteral("中止"), this);
    NameControl(stop_button_, ids::kStopButton);
    // Enter must not stop a job by accident: only a click or Esc does.
    stop_button_->setAutoDefault(false);
    stop_button_->setDefault(false);
    units.Place(stop_button_, 58, 53, 50, 14);
    connect(stop_button_, &QPushButton::clicked, this, &CProgressDlg::RequestStop);
}

CProgressDlg::~CProgressDlg() {
    if (open_) Close();
}

void CProgressDlg::Open() {
    if (open_) return;
    open_ = true;
    stop_requested_ = false;
    stop_button_->setEnabled(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The job runs on this thread: blocking the other windows keeps the user from starting anything
    // while it runs, and lets the window process its own painting safely.
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    Flush();
}

void CProgressDlg::SetMessage(const std::string& text) {
    message_->setText(QString::fromStdString(text));
    message_->repaint();
    Flush();
}

void CProgressDlg::SetRange(int steps) {
    range_ = steps;
    bar_->ClearToWhite();
    count_->clear();
    count_->hide();
    phase_clock_.start();
    Flush();
}

void CProgressDlg::SetPos(int step) {
    // A range below one would divide by zero; callers never give one, and nothing is drawn for it.
    if (range_ < 1) return;
    // Worked example: a 300 px inside at range 7, step 3 paints 300 * 3 / 7 = 128 px, truncated.
    const std::int64_t width = bar_->InnerRect().width();
    bar_->FillBlue(static_cast<int>(width * step / range_));
    count_->setText(CountText(step, range_, phase_clock_.isValid() ? phase_clock_.elapsed() : 0));
    count_->show();
    Flush();
}

namespace {

// A time to come, as a person says it: to five seconds under a minute, to ten seconds under ten
// minutes, to the minute above.
QString RoughDuration(qint64 ms) {
    qint64 seconds = (ms + 999) / 1000;
    if (seconds < 60)
        return QStringLiteral("%1 秒").arg(std::max<qint64>(5, (seconds + 4) / 5 * 5));
    if (seconds < 600) {
        seconds = (seconds + 9) / 10 * 10;
        const qint64 rest = seconds % 60;
        return rest == 0 ? QStringLiteral("%1 分").arg(seconds / 60)
                         : QStringLiteral("%1 分 %2 秒").arg(seconds / 60).arg(rest);
    }
    const qint64 minutes = (seconds + 59) / 60;
    if (minutes < 60) return QStringLiteral("%1 分").arg(minutes);
    return minutes % 60 == 0 ? QStringLiteral("%1 時間").arg(minutes / 60)
                             : QStringLiteral("%1 時間 %2 分").arg(minutes / 60).arg(minutes % 60);
}

}  // namespace

QString CProgressDlg::CountText(int step, int range, qint64 elapsed_ms) {
    if (range < 2) return {};
    step = std::clamp(step, 0, range);
    QString text = QStringLiteral("%1 / %2").arg(step).arg(range);
    // A guess from fewer steps, or from the first moment, jumps about more than it helps.
    constexpr int kFewSteps = 3;
    constexpr qint64 kMomentMs = 1500;
    if (step >= kFewSteps && step < range && elapsed_ms >= kMomentMs) {
        const qint64 left = elapsed_ms * (range - step) / step;
        text += QStringLiteral("　残り約 ") + RoughDuration(left);
    }
    return text;
}

void CProgressDlg::Close() {
    if (!open_) return;
    // Input made while the job ran was held back; hand it over while the other windows are still
    // blocked, so that it is dropped instead of acting on them once the job is over.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    hide();
    setWindowModality(Qt::NonModal);
    open_ = false;
    QApplication::restoreOverrideCursor();
}

QImage CProgressDlg::BarPicture() const {
    return bar_->Picture();
}

void CProgressDlg::closeEvent(QCloseEvent* event) {
    // A user who closes the window wants the job to stop; a window that vanished under a running
    // job would leave it going unseen.
    RequestStop();
    event->ignore();
}

void CProgressDlg::reject() {
    // The window itself stays until the job has ended cleanly.
    RequestStop();
}

void CProgressDlg::RequestStop() {
    if (!open_) return;
    stop_requested_ = true;
    // The job finishes the pictures in flight first; the greyed button shows it has been heard.
    stop_button_->setEnabled(false);
}

void CProgressDlg::Idle() {
    if (isVisible()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CProgressDlg::Flush() {
    // Without this the window would not draw until the job ends and would look frozen. Input waits
    // for the job's next Idle, where the stop button takes it and the blocked windows drop it.
    if (isVisible()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
