#include "platform/console_user_dialogs.h"

MessageAnswer ConsoleUserDialogs::ShowMessage(const std::string& text,
                                              const std::optional<std::string>& caption,
                                              MessageIcon /*icon*/, MessageButtons buttons) {
    const std::string& title = caption ? *caption : app_title_;
    if (!title.empty()) err_ << title << ": ";
    err_ << text;
    MessageAnswer answer = MessageAnswer::Ok;
    if (IsQuestion(buttons)) {
        // Nobody can answer on a console run, so the answer is decided up front and shown, so that
        // the log says what the program did.
        answer = answer_yes_ ? MessageAnswer::Yes : MessageAnswer::No;
        err_ << (answer_yes_ ? " [yes]" : " [no]");
    }
    err_ << '\n';
    err_.flush();
    return answer;
}
