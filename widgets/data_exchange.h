#pragma once

#include <string>

#include "core/whole_number.h"

class QLineEdit;
class QWidget;
class UserDialogs;

// Moves an integer edit's text into its field with the standard checks of the dialogs:
// - a text that is not a whole number (ParseWholeNumber: optional blanks and sign, then digits
//   only): the field is left unchanged and "整数を入力してください。" is shown;
// - a whole number outside [low, high]: the number is stored in the field first, then
//   "%1 から %2 までの整数を入力してください。" is shown with the bounds filled in.
// Both messages use the exclamation icon and the application title; the focus then goes back to the
// edit with its text selected, and the result is false. True when the value was stored in range.
bool ExchangeIntField(QLineEdit* edit, int& field, int low, int high, UserDialogs& dialogs);

// The same without a range check (any whole number is stored).
bool ExchangeIntField(QLineEdit* edit, int& field, UserDialogs& dialogs);

// The same check without a message and without touching the focus: a whole number in [low, high]
// is stored, anything else leaves the field as it was. True when it was stored.
bool TakeIntFieldQuietly(const QLineEdit* edit, int& field, int low, int high);

// The two standard texts (NotAWholeNumberMessage, OutOfRangeMessage) and the whole-number rule
// are core's, shared with the command lines.

// Puts the focus into `widget` and selects its text when it is a line edit.
void FocusAndSelect(QWidget* widget);

// Puts the focus back, text selected, into the field of `window` that a check has just refused,
// once the focus move that ran the check is over. The check's message is modal: it takes the
// focus while the toolkit is still moving it (Tab to the next control, Ctrl+Tab to the next
// page), and the move would otherwise end on the control the user was going to.
void RefocusRefusedField(QWidget* window);
