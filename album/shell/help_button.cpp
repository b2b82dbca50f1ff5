#include "album/shell/help_button.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

HelpButton::HelpButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("ヘルプ"));
}

QPixmap HelpButton::Picture(bool pressed) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    const QColor body = pressed ? QColor(40, 160, 40) : QColor(210, 30, 30);
    const QColor shade = pressed ? QColor(20, 100, 20) : QColor(140, 10, 10);

    // Two overlapping lobes give the apple its notch at the top.
    QPainterPath apple;
    apple.addEllipse(QRectF(3, 8, 16, 21));
    apple.addEllipse(QRectF(13, 8, 16, 21));
    apple.setFillRule(Qt::WindingFill);
    p.setPen(QPen(shade, 1));
    p.setBrush(body);
    p.drawPath(apple.simplified());

    // Stem and leaf.
    p.setPen(QPen(QColor(100, 60, 20), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 10), QPointF(17.5, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 150, 40));
    QPainterPath leaf;
    leaf.moveTo(18, 5);
    leaf.quadTo(22, 0, 27, 2);
    leaf.quadTo(23, 7, 18, 5);
    p.drawPath(leaf);

    // The question mark.
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(16);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(3, 9, 26, 20), Qt::AlignCenter, QStringLiteral("?"));
    return pixmap;
}

void HelpButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPixmap picture = Picture(isDown());
    const QPoint at((width() - picture.width()) / 2, (height() - picture.height()) / 2);
    p.drawPixmap(at, picture);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
