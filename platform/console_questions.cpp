#include "platform/console_questions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#if defined(_WIN32)
#include <io.h>

#include <iostream>
#else
#include <poll.h>
#include <unistd.h>
#endif

#include "platform/stop_signals.h"

namespace {

// One line of file descriptor 0 without its line end; std::nullopt at the end of input, on a read
// error, or once a stop signal came. The wait wakes every 100 ms to look for the signal, since
// the handler restarts an interrupted read (SA_RESTART).
std::optional<std::string> ReadStandardInputLine() {
    std::string line;
#if defined(_WIN32)
    if (!std::getline(std::cin, line) || StopSignals::Received() != 0) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
#else
    for (;;) {
        if (StopSignals::Received() != 0) return std::nullopt;
        pollfd fd{0, POLLIN, 0};
        const int ready = poll(&fd, 1, 100);
        if (ready < 0 && errno != EINTR) return std::nullopt;
        if (ready <= 0) continue;
        char c = 0;
        const ssize_t n = read(0, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
        if (c == '\n') return line;
        line += c;
    }
#endif
}

bool MeansYes(std::string answer) {
    const auto space = [](unsigned char c) { return std::isspace(c) != 0; };
    answer.erase(answer.begin(), std::find_if_not(answer.begin(), answer.end(), space));
    answer.erase(std::find_if_not(answer.rbegin(), answer.rend(), space).base(), answer.end());
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes" || answer == "はい";
}

}  // namespace

ConsoleInput StandardInput() {
#if defined(_WIN32)
    return {_isatty(0) != 0, ReadStandardInputLine};
#else
    return {isatty(0) != 0, ReadStandardInputLine};
#endif
}

MessageAnswer ConsoleQuestions::ShowMessage(const std::string& text,
                                            const std::optional<std::string>& caption,
                                            MessageIcon icon, MessageButtons buttons) {
    if (!IsQuestion(buttons) || mode_ == QuestionMode::kLogged)
        return messages_.ShowMessage(text, caption, icon, buttons);
    if (mode_ == QuestionMode::kSilent || !input_.read_line)
        return fixed_answer_ ? MessageAnswer::Yes : MessageAnswer::No;
    if (caption && !caption->empty()) err_ << *caption << ": ";
    err_ << text << " [y/N] ";
    err_.flush();
    const std::optional<std::string> typed = input_.read_line();
    // At the end of input the cursor still stands after the question.
    if (!typed) err_ << '\n';
    return typed && MeansYes(*typed) ? MessageAnswer::Yes : MessageAnswer::No;
}
