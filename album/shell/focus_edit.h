#pragma once

#include <QLineEdit>

// A one-line edit that reports the loss of its focus once its own focus-out handling is done, so
// that a handler may check the text, show a message and put the focus back at once.
class FocusEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit FocusEdit(QWidget* parent = nullptr) : QLineEdit(parent) {}

  signals:
    // The edit lost the focus; `reason` tells a move by the user (Tab, mouse) from a window change.
    void FocusLost(Qt::FocusReason reason);

  protected:
    void focusOutEvent(QFocusEvent* event) override;
};
