#include "widgets/dialog_units.h"

#include <QFontMetrics>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <cmath>

QFont DialogFont() {
    // The layouts were designed for this font; where it is missing, fontconfig picks the first
    // Japanese sans-serif family that is present, so the glyphs and widths stay close.
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("VL PGothic")});
    font.setPointSize(9);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    QFontMetrics metrics(font);
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // Rounded mean of the letters, as the dialog manager computes it: (total / 26 + 1) / 2.
    const int total = metrics.horizontalAdvance(kLetters);
    base_width_ = std::max(1, (total / 26 + 1) / 2);
    base_height_ = std::max(1, metrics.height());
}

int DialogUnits::X(int units) const {
    return static_cast<int>(std::lround(static_cast<double>(units) * base_width_ / 4.0));
}

int DialogUnits::Y(int units) const {
    return static_cast<int>(std::lround(static_cast<double>(units) * base_height_ / 8.0));
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    // Edges are converted rather than sizes, so that controls that touch in units touch in pixels.
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

void DialogUnits::Place(QWidget* widget, int x, int y, int width, int height) const {
    widget->setGeometry(ToPixels(x, y, width, height));
}
