#pragma once

#include <ostream>
#include <string>

#include "platform/user_dialogs.h"

// UserDialogs for the command-line programs: every message is printed to `err` as
// "<caption>: <text>" (the application title when no caption is given; just the text when the
// caption is empty); a Yes/No question is printed with the answer it takes, `answer_yes` deciding
// it.
class ConsoleUserDialogs : public UserDialogs {
  public:
    ConsoleUserDialogs(std::ostream& err, std::string app_title, bool answer_yes)
        : err_(err), app_title_(std::move(app_title)), answer_yes_(answer_yes) {}

    MessageAnswer ShowMessage(const std::string& text, const std::optional<std::string>& caption,
                              MessageIcon icon, MessageButtons buttons) override;

  private:
    std::ostream& err_;
    std::string app_title_;
    bool answer_yes_;
};
