#include "widgets/data_exchange.h"

#include <QLineEdit>
#include <QWidget>
#include <optional>

#include "platform/user_dialogs.h"

namespace {

// A whole number: optional blanks, an optional sign, then digits only. A number beyond the int
// range is refused rather than wrapped, so a huge entry can never turn into a small in-range value.
std::optional<int> ParseWholeNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const size_t end = text.size();
    if (i == end) return std::nullopt;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == end) return std::nullopt;
    for (size_t k = i; k < end; ++k) {
        if (text[k] < '0' || text[k] > '9') return std::nullopt;
    }
    long long value = 0;
    for (size_t k = i; k < end; ++k) {
        value = value * 10 + (text[k] - '0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > 2147483647LL || value < -2147483648LL) return std::nullopt;
    return static_cast<int>(value);
}

bool Fail(QLineEdit* edit, const std::string& message, UserDialogs& dialogs) {
    dialogs.ShowMessage(message, std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
    FocusAndSelect(edit);
    return false;
}

}  // namespace

std::string NotAWholeNumberMessage() {
    return "整数を入力してください。";
}

std::string OutOfRangeMessage(int low, int high) {
    return std::to_string(low) + " から " + std::to_string(high) +
           " までの整数を入力してください。";
}

bool ExchangeIntField(QLineEdit* edit, int& field, int low, int high, UserDialogs& dialogs) {
    const std::optional<int> value = ParseWholeNumber(edit->text().toStdString());
    if (!value) return Fail(edit, NotAWholeNumberMessage(), dialogs);
    // The number is kept even when it is out of range: the caller's field shows what was typed.
    field = *value;
    if (*value < low || *value > high) return Fail(edit, OutOfRangeMessage(low, high), dialogs);
    return true;
}

bool TakeIntFieldQuietly(const QLineEdit* edit, int& field, int low, int high) {
    const std::optional<int> value = ParseWholeNumber(edit->text().toStdString());
    if (!value || *value < low || *value > high) return false;
    field = *value;
    return true;
}

bool ExchangeIntField(QLineEdit* edit, int& field, UserDialogs& dialogs) {
    const std::optional<int> value = ParseWholeNumber(edit->text().toStdString());
    if (!value) return Fail(edit, NotAWholeNumberMessage(), dialogs);
    field = *value;
    return true;
}

void FocusAndSelect(QWidget* widget) {
    if (widget == nullptr) return;
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
}
