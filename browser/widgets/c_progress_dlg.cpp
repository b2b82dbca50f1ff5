#include "browser/widgets/c_progress_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <cstdint>

#include "browser/widgets/dialog_units.h"
#include "browser/widgets/progress_bar_frame.h"

CProgressDlg::CProgressDlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    // A caption but no system menu and no buttons: the user cannot close the window.
    setWindowTitle(QStringLiteral("ちょっとまっててね。"));
    setObjectName(QStringLiteral("151"));
    const QFont font = DialogFont();
    setFont(font);
    const DialogUnits units(font);
    setFixedSize(units.X(166), units.Y(43));

    message_ = new QLabel(QStringLiteral("Static"), this);
    message_->setObjectName(QStringLiteral("1009"));
    message_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    units.Place(message_, 30, 9, 102, 8);

    bar_ = new ProgressBarFrame(this);
    bar_->setObjectName(QStringLiteral("1056"));
    units.Place(bar_, 7, 24, 152, 12);
}

CProgressDlg::~CProgressDlg() {
    if (open_) Close();
}

void CProgressDlg::Open() {
    if (open_) return;
    open_ = true;
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
    Flush();
}

void CProgressDlg::SetPos(int step) {
    // A range below one would divide by zero; callers never give one, and nothing is drawn for it.
    if (range_ < 1) return;
    // Worked example: a 300 px inside at range 7, step 3 paints 300 * 3 / 7 = 128 px, truncated.
    const std::int64_t width = bar_->InnerRect().width();
    bar_->FillBlue(static_cast<int>(width * step / range_));
    Flush();
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
    event->ignore();
}

void CProgressDlg::reject() {
    // Esc must not close the window in the middle of a job.
}

void CProgressDlg::Flush() {
    // Without this the window would not draw until the job ends and would look frozen. Input is
    // left queued: it must not start anything while the job runs.
    if (isVisible()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
