#pragma once

#include <QFrame>
#include <functional>

// The sunken, black-framed preview area of the browser panel. It draws nothing of its own inside
// the frame: the panel that owns it paints the area (PictureBrowser::PaintPreview) through the
// painter function it sets.
class PreviewFrame : public QFrame {
    Q_OBJECT
  public:
    using Painter = std::function<void(QPainter& painter, const QRect& area)>;

    explicit PreviewFrame(QWidget* parent = nullptr);

    // Sets the function that paints the area inside the frame line at every paint.
    void SetPainter(Painter painter);
    // The area the picture is drawn into: the frame's inside, in the frame's own coordinates.
    QRect Area() const { return contentsRect(); }

  signals:
    // The frame changed size (the panel may decode the picture again at the new scale).
    void Resized();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    Painter painter_;
};
