#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A pair of small arrow buttons that steps the whole number in a buddy edit, as the integer boxes
// of the pages have beside them. The arrows and the Up/Down keys in the buddy read the buddy's
// number, step it by one within [low, high] and write it back as decimal text; a buddy text that is
// not a number steps from the last position written.
class UpDownControl : public QWidget {
    Q_OBJECT
  public:
    explicit UpDownControl(QWidget* parent = nullptr);

    // Attaches the edit whose number the control steps (the control also handles its arrow keys).
    void SetBuddy(QLineEdit* buddy);
    // The lowest and highest value the arrows produce.
    void SetRange(int low, int high);
    int Low() const { return low_; }
    int High() const { return high_; }

    // One step up (+1) or down (-1), as a click on an arrow does.
    void Step(int delta);

    // The two arrows, for tests.
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QLineEdit* buddy_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
    int low_ = 0;
    int high_ = 100;
    int pos_ = 0;
};
