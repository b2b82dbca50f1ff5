#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/user_dialogs.h"

// Records every message and answers questions from a script (Yes when the script is empty); the
// end of a job is answered from the script too (Ok when it is empty).
class RecordingUserDialogs : public UserDialogs {
  public:
    struct Call {
        std::string text;
        std::optional<std::string> caption;
        MessageIcon icon;
        MessageButtons buttons;
        std::optional<std::string> note;  // ShowJobEnd's note
    };

    MessageAnswer ShowMessage(const std::string& text, const std::optional<std::string>& caption,
                              MessageIcon icon, MessageButtons buttons) override {
        calls.push_back({text, caption, icon, buttons, std::nullopt});
        return Answer(buttons, false);
    }
    MessageAnswer ShowJobEnd(const std::string& text, const std::string& note,
                             const std::optional<std::string>& caption, MessageIcon icon,
                             MessageButtons buttons) override {
        calls.push_back({text, caption, icon, buttons, note});
        return Answer(buttons, true);
    }

    // The answer to a question (or to a job's end, which may be OpenFolder) from the script.
    MessageAnswer Answer(MessageButtons buttons, bool job_end) {
        const bool scripted = IsQuestion(buttons) || job_end;
        if (!scripted || answers.empty())
            return IsQuestion(buttons) ? MessageAnswer::Yes : MessageAnswer::Ok;
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
    std::deque<MessageAnswer> answers;  // answers to questions and job ends, in order
};
