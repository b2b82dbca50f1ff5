#pragma once

#include <optional>
#include <string>

// The icon of a message box. Exclamation maps to a warning, Error to a critical box.
enum class MessageIcon { None, Exclamation, Error, Information };

// The buttons of a message box. YesNo has Yes as its default button (what Enter presses),
// YesNoDefaultNo has No: a question whose Yes cannot be undone (writing over the originals).
enum class MessageButtons { Ok, YesNo, YesNoDefaultNo };

// True for the buttons of a question.
constexpr bool IsQuestion(MessageButtons buttons) {
    return buttons != MessageButtons::Ok;
}

// What the user pressed. OpenFolder: the extra button of ShowJobEnd.
enum class MessageAnswer { Ok, Yes, No, OpenFolder };

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

    // The message at the end of a job that wrote files: `text` as ShowMessage shows it, `note`
    // under it in smaller type (how many files were written, and where), and besides `buttons`
    // one more, "フォルダを開く" (MessageAnswer::OpenFolder). Where there is no window to hold a
    // note and a button (a console), `text` alone is shown as ShowMessage shows it.
    virtual MessageAnswer ShowJobEnd(const std::string& text, const std::string& note,
                                     const std::optional<std::string>& caption, MessageIcon icon,
                                     MessageButtons buttons) {
        (void)note;
        return ShowMessage(text, caption, icon, buttons);
    }
};
