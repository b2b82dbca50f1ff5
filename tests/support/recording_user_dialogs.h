#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/user_dialogs.h"

// Records every message and answers questions from a script (Yes when the script is empty).
class RecordingUserDialogs : public UserDialogs {
  public:
    struct Call {
        std::string text;
        std::optional<std::string> caption;
        MessageIcon icon;
        MessageButtons buttons;
    };

    MessageAnswer ShowMessage(const std::string& text, const std::optional<std::string>& caption,
                              MessageIcon icon, MessageButtons buttons) override {
        calls.push_back({text, caption, icon, buttons});
        if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        if (answers.empty()) return MessageAnswer::Yes;
        MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const Call& c : calls) t.push_back(c.text);
        return t;
    }

    std::vector<Call> calls;
    std::deque<MessageAnswer> answers;  // answers to Yes/No questions, in order
};
