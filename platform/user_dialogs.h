#pragma once

#include <optional>
#include <string>

// The icon of a message box. Exclamation maps to a warning, Error to a critical box.
enum class MessageIcon { None, Exclamation, Error, Information };

// The buttons of a message box.
enum class MessageButtons { Ok, YesNo };

// What the user pressed.
enum class MessageAnswer { Ok, Yes, No };

// Jobs and helpers show messages and ask questions only through this seam, so that the same code
// runs under a window, on a console and in a test.
class UserDialogs {
  public:
    virtual ~UserDialogs() = default;

    // Shows text (UTF-8). caption std::nullopt means "the application title" (Pictavo, Scalvo);
    // an empty string is an empty caption. Returns the button pressed (Ok for an Ok box).
    virtual MessageAnswer ShowMessage(const std::string& text,
                                      const std::optional<std::string>& caption, MessageIcon icon,
                                      MessageButtons buttons) = 0;
};
