#include "core/whole_number.h"

std::optional<int> ParseWholeNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t end = text.size();
    if (i == end) return std::nullopt;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == end) return std::nullopt;
    for (std::size_t k = i; k < end; ++k) {
        if (text[k] < '0' || text[k] > '9') return std::nullopt;
    }
    long long value = 0;
    for (std::size_t k = i; k < end; ++k) {
        value = value * 10 + (text[k] - '0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > 2147483647LL || value < -2147483648LL) return std::nullopt;
    return static_cast<int>(value);
}

NumberCheck ReadNumberInRange(std::string_view text, NumberRange range, int& field) {
    const std::optional<int> value = ParseWholeNumber(text);
    if (!value) return NumberCheck::NotAWholeNumber;
    field = *value;
    return range.Contains(*value) ? NumberCheck::Accepted : NumberCheck::OutOfRange;
}

std::string NotAWholeNumberMessage() {
    return "整数を入力してください。";
}

std::string OutOfRangeMessage(int low, int high) {
    return std::to_string(low) + " から " + std::to_string(high) +
           " までの整数を入力してください。";
}
