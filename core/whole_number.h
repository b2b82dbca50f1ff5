#pragma once

#include <optional>
#include <string>
#include <string_view>

// The whole-number rule of every typed setting, in the dialogs (their data exchange) and on both
// command lines alike, with its two standard messages.

// A whole number: optional blanks and tabs, an optional sign, then digits only ("  +75", "-3").
// Anything else is not one ("12px", "1.5", "", "-"), nor is a number beyond the int range: it is
// refused rather than wrapped, so a huge entry can never turn into a small in-range value.
std::optional<int> ParseWholeNumber(std::string_view text);

// The numbers a setting accepts, both bounds included.
struct NumberRange {
    int low;
    int high;
    constexpr bool Contains(int value) const { return value >= low && value <= high; }
    friend constexpr bool operator==(const NumberRange&, const NumberRange&) = default;
};

// What reading a typed number into a setting found.
enum class NumberCheck { Accepted, NotAWholeNumber, OutOfRange };

// Reads a typed number into `field`, as every dialog's data exchange and both command lines do: a
// text that is not a whole number leaves the field as it was; a whole number is stored, also when
// it lies outside `range` (a refused box keeps what was typed).
NumberCheck ReadNumberInRange(std::string_view text, NumberRange range, int& field);

// "整数を入力してください。": the text is not a whole number.
std::string NotAWholeNumberMessage();
// "%1 から %2 までの整数を入力してください。" with the bounds filled in.
std::string OutOfRangeMessage(int low, int high);
