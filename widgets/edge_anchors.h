#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

// How a control follows a window that grows beyond its opening size: for each of the control's
// edges, the share of the extra width (left, right) or extra height (top, bottom) by which that
// edge moves. {0, 0, 0, 0} stays where it was placed, {1, 0, 1, 0} keeps its distance to the right
// edge, {0, 0, 1, 1} grows with the window. Two controls that touch keep touching when the edge
// they share has the same share in both.
struct EdgeFollow {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

inline constexpr EdgeFollow kFollowRight{1, 0, 1, 0};
inline constexpr EdgeFollow kFollowBottom{0, 1, 0, 1};
inline constexpr EdgeFollow kFollowCorner{1, 1, 1, 1};
inline constexpr EdgeFollow kGrowWide{0, 0, 1, 0};
inline constexpr EdgeFollow kGrowBoth{0, 0, 1, 1};

// Keeps the controls of a window laid out in dialog units in step with the window's size. Each
// control registered with Follow keeps the geometry it had when registered at the opening size, and
// beyond it is moved and stretched by its shares of the extra width and height. At the opening size
// (and below it, which the window's minimum size prevents) every control stands exactly where it
// was placed; controls never registered never move.
//
// Worked example: with 200 extra pixels of width, a control given {0.5, 0, 1, 0} keeps its left
// edge 100 px further right and its right edge 200 px further right, so it is 100 px wider.
class EdgeAnchors : public QObject {
    Q_OBJECT
  public:
    // `container` holds the controls, which stand as placed when it is `opening` pixels large. The
    // anchors belong to the container and follow its resizes.
    EdgeAnchors(QWidget* container, QSize opening);

    // Registers a control (a child of the container) at its present geometry.
    void Follow(QWidget* control, EdgeFollow how);
    // The size at which every control stands as placed: the one given, or the container's size
    // when its window was last at its smallest (the opening) size. A container laid out by its
    // window, such as a page of a tabbed sheet, may be given a few pixels more than its layout
    // there, and its controls must still stand as placed.
    QSize Opening() const { return opening_; }
    // Places every registered control for the container's present size.
    void Apply();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Anchor {
        QWidget* control;
        QRect placed;
        EdgeFollow how;
    };

    QWidget* container_;
    QSize opening_;
    std::vector<Anchor> anchors_;
};
