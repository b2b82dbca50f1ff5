#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "platform/user_dialogs.h"

// Standard input as a command-line program sees it: whether a person sits at it, and how one line
// of answer is read from it (std::nullopt at the end of the input or once a stop was asked for).
struct ConsoleInput {
    bool is_terminal = false;
    std::function<std::optional<std::string>()> read_line;
};

// This process's standard input: a terminal when file descriptor 0 is one. A line is waited for
// without holding up a stop: SIGINT or SIGTERM (see StopSignals) ends the wait with std::nullopt.
ConsoleInput StandardInput();

// How a command-line program meets the Yes/No questions of its job.
enum class QuestionMode {
    kLogged,  // passed on to the wrapped dialogs, which print the question with its fixed answer
    kSilent,  // answered with the fixed answer without a word (quiet runs, nobody to ask)
    kAsked,   // printed to `err` with "[y/N]" and answered by a line typed at the terminal
};

// UserDialogs of a command-line program: every message goes to `messages` unchanged; a Yes/No
// question is met as `mode` says. An asked question counts as Yes only for "y", "yes" or "はい"
// (any case, spaces around ignored); anything else, an empty line or the end of input is No.
class ConsoleQuestions : public UserDialogs {
  public:
    ConsoleQuestions(UserDialogs& messages, QuestionMode mode, bool fixed_answer, std::ostream& err,
                     ConsoleInput input)
        : messages_(messages),
          mode_(mode),
          fixed_answer_(fixed_answer),
          err_(err),
          input_(std::move(input)) {}

    MessageAnswer ShowMessage(const std::string& text, const std::optional<std::string>& caption,
                              MessageIcon icon, MessageButtons buttons) override;

  private:
    UserDialogs& messages_;
    QuestionMode mode_;
    bool fixed_answer_;
    std::ostream& err_;
    ConsoleInput input_;
};
