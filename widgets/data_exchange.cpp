#include "widgets/data_exchange.h"

#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <climits>
#include <optional>

#include "core/whole_number.h"
#include "platform/user_dialogs.h"

namespace {

bool Fail(QLineEdit* edit, const std::string& message, UserDialogs& dialogs) {
    dialogs.ShowMessage(message, std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
    FocusAndSelect(edit);
    return false;
}

}  // namespace

bool ExchangeIntField(QLineEdit* edit, int& field, int low, int high, UserDialogs& dialogs) {
    // The number is kept even when it is out of range: the caller's field shows what was typed.
    switch (ReadNumberInRange(edit->text().toStdString(), NumberRange{low, high}, field)) {
        case NumberCheck::NotAWholeNumber:
            return Fail(edit, NotAWholeNumberMessage(), dialogs);
        case NumberCheck::OutOfRange:
            return Fail(edit, OutOfRangeMessage(low, high), dialogs);
        case NumberCheck::Accepted:
            break;
    }
    return true;
}

bool TakeIntFieldQuietly(const QLineEdit* edit, int& field, int low, int high) {
    int value = field;
    if (ReadNumberInRange(edit->text().toStdString(), NumberRange{low, high}, value) !=
        NumberCheck::Accepted)
        return false;
    field = value;
    return true;
}

bool ExchangeIntField(QLineEdit* edit, int& field, UserDialogs& dialogs) {
    return ExchangeIntField(edit, field, INT_MIN, INT_MAX, dialogs);
}

void RefocusRefusedField(QWidget* window) {
    QWidget* refused = window->focusWidget();
    if (qobject_cast<QLineEdit*>(refused) == nullptr) return;
    QTimer::singleShot(0, refused, [refused] { FocusAndSelect(refused); });
}

void FocusAndSelect(QWidget* widget) {
    if (widget == nullptr) return;
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
}
