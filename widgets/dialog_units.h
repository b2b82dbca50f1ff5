#pragma once

#include <QFont>
#include <QRect>

class QWidget;

// The dialog font of both programs: "ＭＳ Ｐゴシック" 9 pt, falling back through fontconfig to a
// Japanese sans-serif font where it is not installed.
QFont DialogFont();

// Converts dialog units to pixels with a font's base units, so that the control positions of the
// dialog layouts can be used as they stand: x pixels = x units * base width / 4, y pixels = y units
// * base height / 8, base width being the mean width of the 52 ASCII letters.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font = DialogFont());

    QRect ToPixels(int x, int y, int width, int height) const;
    int X(int units) const;
    int Y(int units) const;
    // Sets the widget's geometry from a position and size in dialog units.
    void Place(QWidget* widget, int x, int y, int width, int height) const;

    int BaseWidth() const { return base_width_; }
    int BaseHeight() const { return base_height_; }

  private:
    int base_width_ = 0;
    int base_height_ = 0;
};
