#include "resizer/shell/program_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A photograph: white mount, sky, a green hill and a sun, inside `r`.
void DrawPhoto(QPainter& p, const QRectF& r, qreal unit) {
    p.setPen(QPen(QColor(40, 40, 40), unit * 0.6));
    p.setBrush(Qt::white);
    p.drawRect(r);
    const QRectF inner = r.adjusted(unit * 1.4, unit * 1.4, -unit * 1.4, -unit * 1.4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 190, 240));
    p.drawRect(inner);
    QPainterPath hill;
    hill.moveTo(inner.bottomLeft());
    hill.lineTo(inner.left(), inner.top() + inner.height() * 0.65);
    hill.quadTo(inner.left() + inner.width() * 0.45, inner.top() + inner.height() * 0.25,
                inner.right(), inner.top() + inner.height() * 0.7);
    hill.lineTo(inner.bottomRight());
    hill.closeSubpath();
    p.setBrush(QColor(70, 160, 70));
    p.drawPath(hill);
    p.setBrush(QColor(255, 210, 60));
    const qreal sun = inner.width() * 0.18;
    p.drawEllipse(QRectF(inner.right() - sun * 1.6, inner.top() + sun * 0.5, sun, sun));
}

}  // namespace

QPixmap ScalvoIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Work on a 32 x 32 grid so that every size shows the same picture.
    const qreal u = size / 32.0;

    QLinearGradient back(0, 0, 0, size);
    back.setColorAt(0, QColor(30, 110, 200));
    back.setColorAt(1, QColor(15, 60, 130));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(u * 0.5, u * 0.5, u * 31, u * 31), u * 5, u * 5);

    // The large original, drawn faintly, and the small result in front of it.
    p.setOpacity(0.45);
    DrawPhoto(p, QRectF(u * 3, u * 3, u * 20, u * 16), u);
    p.setOpacity(1.0);
    DrawPhoto(p, QRectF(u * 15, u * 17, u * 14, u * 11), u);

    // The arrow from the large corner towards the small one.
    QPen arrow(QColor(255, 255, 255), u * 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(arrow);
    p.setBrush(Qt::NoBrush);
    const QPointF from(u * 6, u * 21);
    const QPointF to(u * 12, u * 27);
    p.drawLine(from, to);
    p.drawLine(to, to + QPointF(-u * 4.5, 0));
    p.drawLine(to, to + QPointF(0, -u * 4.5));
    return pixmap;
}

QIcon ScalvoIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(ScalvoIconPixmap(size));
    return icon;
}
