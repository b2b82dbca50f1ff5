#pragma once

#include <QAbstractButton>

// The Picture page's help button: a red apple bearing a white question mark, drawn green while it
// is held down. It paints itself; no picture files are needed.
class HelpButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit HelpButton(QWidget* parent = nullptr);

    // The 32 x 32 picture for the normal (red) or pressed (green) look.
    static QPixmap Picture(bool pressed);

    QSize sizeHint() const override { return {36, 36}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
};
