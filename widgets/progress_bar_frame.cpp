#include "widgets/progress_bar_frame.h"

#include <QPainter>
#include <algorithm>

ProgressBarFrame::ProgressBarFrame(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
}

QRect ProgressBarFrame::InnerRect() const {
    return contentsRect().adjusted(1, 1, -1, -1);
}

void ProgressBarFrame::ClearToWhite() {
    picture_.fill(QColor(255, 255, 255));
    repaint(InnerRect());
}

void ProgressBarFrame::FillBlue(int width) {
    const int right = std::clamp(width, 0, picture_.width());
    if (right == 0) return;
    QPainter painter(&picture_);
    painter.fillRect(QRect(0, 0, right, picture_.height()), QColor(0, 0, 255));
    painter.end();
    repaint(InnerRect());
}

void ProgressBarFrame::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);  // the sunken edge
    QPainter painter(this);
    // The black line just inside the edge, then the bar's inside as last painted.
    painter.setPen(Qt::black);
    painter.drawRect(contentsRect().adjusted(0, 0, -1, -1));
    if (!picture_.isNull()) painter.drawImage(InnerRect().topLeft(), picture_);
}

void ProgressBarFrame::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const QSize size = InnerRect().size().expandedTo(QSize(0, 0));
    if (size == picture_.size()) return;
    // A new size starts as the window's own background, as the bar looks before its first phase.
    QImage resized(size, QImage::Format_RGB32);
    resized.fill(palette().color(QPalette::Window));
    if (!picture_.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, picture_);
    }
    picture_ = resized;
}
