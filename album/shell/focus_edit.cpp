#include "album/shell/focus_edit.h"

#include <QFocusEvent>

void FocusEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit FocusLost(event->reason());
}
