#include "widgets/preview_frame.h"

#include <QPainter>

PreviewFrame::PreviewFrame(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    // The whole inside is painted at every paint, so nothing behind it needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PreviewFrame::SetPainter(Painter painter) {
    painter_ = std::move(painter);
    update();
}

void PreviewFrame::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);  // the sunken frame line
    if (!painter_) return;
    QPainter painter(this);
    painter.setClipRect(Area());
    painter_(painter, Area());
}

void PreviewFrame::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    emit Resized();
}
