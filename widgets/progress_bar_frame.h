#pragma once

#include <QFrame>
#include <QImage>

// The bar of the progress window: a sunken frame with a black line inside it, and inside that line
// the inner rectangle that the window fills white and blue. The inner rectangle's pixels are kept
// in a picture so that the bar survives being covered and uncovered while a job runs.
class ProgressBarFrame : public QFrame {
    Q_OBJECT
  public:
    explicit ProgressBarFrame(QWidget* parent = nullptr);

    // The inside of the frame shrunk by one pixel on every side, in the widget's coordinates.
    QRect InnerRect() const;
    // Fills the whole inner rectangle white and draws it at once.
    void ClearToWhite();
    // Fills the inner rectangle blue from its left edge over `width` pixels (clipped to the bar)
    // and draws it at once; the rest is left as it was.
    void FillBlue(int width);
    // The inner rectangle's pixels as last painted.
    const QImage& Picture() const { return picture_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QImage picture_;
};
