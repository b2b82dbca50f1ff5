#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

#include "platform/console_progress_sink.h"
#include "platform/console_questions.h"
#include "platform/console_user_dialogs.h"
#include "platform/stop_signals.h"

namespace {

TEST(ConsoleUserDialogs, PrintsCaptionTextAndTheAnswerItTakes) {
    struct Case {
        std::optional<std::string> caption;
        MessageButtons buttons;
        bool yes;
        MessageAnswer answer;
        std::string printed;
    };
    const Case cases[] = {
        {std::nullopt, MessageButtons::Ok, true, MessageAnswer::Ok, "Pictavo: done\n"},
        {"エラー", MessageButtons::Ok, true, MessageAnswer::Ok, "エラー: done\n"},
        {"", MessageButtons::Ok, false, MessageAnswer::Ok, "done\n"},
        {std::nullopt, MessageButtons::YesNo, true, MessageAnswer::Yes, "Pictavo: done [yes]\n"},
        {std::nullopt, MessageButtons::YesNo, false, MessageAnswer::No, "Pictavo: done [no]\n"},
    };
    for (const Case& c : cases) {
        std::ostringstream err;
        ConsoleUserDialogs dialogs(err, "Pictavo", c.yes);
        EXPECT_EQ(dialogs.ShowMessage("done", c.caption, MessageIcon::Exclamation, c.buttons),
                  c.answer);
        EXPECT_EQ(err.str(), c.printed);
    }
}

TEST(ConsoleQuestions, OnlyAYesTypedAtTheTerminalOpensAndQuietRunsSayNothing) {
    struct Case {
        QuestionMode mode;
        std::optional<std::string> typed;  // std::nullopt: the input ends
        MessageAnswer answer;
        std::string printed;
    };
    const Case cases[] = {
        {QuestionMode::kAsked, "y", MessageAnswer::Yes, "見ますか？ [y/N] "},
        {QuestionMode::kAsked, " YES ", MessageAnswer::Yes, "見ますか？ [y/N] "},
        {QuestionMode::kAsked, "はい", MessageAnswer::Yes, "見ますか？ [y/N] "},
        {QuestionMode::kAsked, "", MessageAnswer::No, "見ますか？ [y/N] "},
        {QuestionMode::kAsked, "yeah", MessageAnswer::No, "見ますか？ [y/N] "},
        {QuestionMode::kAsked, std::nullopt, MessageAnswer::No, "見ますか？ [y/N] \n"},
        {QuestionMode::kSilent, "y", MessageAnswer::No, ""},
        {QuestionMode::kLogged, "y", MessageAnswer::No, "見ますか？ [no]\n"},
    };
    for (const Case& c : cases) {
        std::ostringstream err;
        ConsoleUserDialogs messages(err, "Pictavo", false);
        int reads = 0;
        ConsoleQuestions dialogs(messages, c.mode, false, err, {true, [&] {
                                                                    ++reads;
                                                                    return c.typed;
                                                                }});
        EXPECT_EQ(dialogs.ShowMessage("見ますか？", std::string(), MessageIcon::None,
                                      MessageButtons::YesNo),
                  c.answer)
            << c.typed.value_or("(end)");
        EXPECT_EQ(err.str(), c.printed);
        EXPECT_EQ(reads, c.mode == QuestionMode::kAsked ? 1 : 0);
        // A message that is not a question is printed whatever the mode.
        dialogs.ShowMessage("失敗", std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
        EXPECT_EQ(err.str(), c.printed + "Pictavo: 失敗\n");
    }
}

TEST(ConsoleProgressSink, DrawsABarThatFillsWithTheSteps) {
    std::ostringstream err;
    ConsoleProgressSink sink(err, false);
    sink.Open();
    sink.SetMessage("画像をコピー中");
    sink.SetRange(3);
    sink.SetPos(1);
    std::string out = err.str();
    std::string last = out.substr(out.rfind('\r'));
    const std::string expected = "\r[##########--------------------] 1/3 画像をコピー中";
    EXPECT_EQ(last.substr(0, expected.size()), expected);
    sink.SetPos(3);
    out = err.str();
    EXPECT_NE(out.find("[" + std::string(30, '#') + "] 3/3"), std::string::npos);
    sink.Close();
    EXPECT_EQ(err.str().back(), '\n');
}

TEST(ConsoleProgressSink, QuietPrintsNothing) {
    std::ostringstream err;
    ConsoleProgressSink sink(err, true);
    sink.Open();
    sink.SetMessage("x");
    sink.SetRange(2);
    sink.SetPos(2);
    sink.Close();
    EXPECT_EQ(err.str(), "");
}

}  // namespace

namespace {
volatile std::sig_atomic_t g_earlier_handler_ran = 0;
extern "C" void EarlierHandler(int) {
    g_earlier_handler_ran = 1;
}
}  // namespace

TEST(StopSignals, ASignalAsksTheConsoleJobToStopAndTheEarlierHandlerComesBack) {
    std::signal(SIGTERM, EarlierHandler);
    std::ostringstream err;
    ConsoleProgressSink progress(err, true);
    {
        const StopSignals signals;
        EXPECT_FALSE(progress.StopRequested());
        std::raise(SIGTERM);  // recorded, not ending the program
        EXPECT_EQ(StopSignals::Received(), SIGTERM);
        EXPECT_TRUE(progress.StopRequested());
        EXPECT_EQ(g_earlier_handler_ran, 0);
    }
    EXPECT_FALSE(progress.StopRequested());
    std::raise(SIGTERM);
    EXPECT_EQ(g_earlier_handler_ran, 1);
    std::signal(SIGTERM, SIG_DFL);
    EXPECT_EQ(StopSignals::ExitCode(SIGINT), 130);
    EXPECT_EQ(StopSignals::ExitCode(SIGTERM), 143);
}
