#include "platform/stop_signals.h"

#include <atomic>
#include <csignal>

namespace {

// Written from the signal handler: a lock-free atomic is safe there.
std::atomic<int> g_received{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void RecordStopSignal(int signal) {
    int none = 0;
    g_received.compare_exchange_strong(none, signal);
}

#if defined(_WIN32)
using Handler = void (*)(int);
Handler g_old_int = SIG_DFL;
Handler g_old_term = SIG_DFL;
#else
struct sigaction g_old_int {};
struct sigaction g_old_term {};
#endif

}  // namespace

StopSignals::StopSignals() {
    g_received = 0;
#if defined(_WIN32)
    g_old_int = std::signal(SIGINT, RecordStopSignal);
    g_old_term = std::signal(SIGTERM, RecordStopSignal);
#else
    struct sigaction action {};
    action.sa_handler = RecordStopSignal;
    sigemptyset(&action.sa_mask);
    // After the first signal the default action is back: a second Ctrl-C ends a stop that takes
    // too long for the user. SA_RESTART keeps file reads and writes from failing with EINTR.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, &g_old_int);
    sigaction(SIGTERM, &action, &g_old_term);
#endif
}

StopSignals::~StopSignals() {
#if defined(_WIN32)
    std::signal(SIGINT, g_old_int);
    std::signal(SIGTERM, g_old_term);
#else
    sigaction(SIGINT, &g_old_int, nullptr);
    sigaction(SIGTERM, &g_old_term, nullptr);
#endif
    g_received = 0;
}

int StopSignals::Received() {
    return g_received.load();
}

int StopSignals::ExitCode(int signal) {
    return 128 + signal;
}

void IgnoreFileSizeLimitSignal() {
#if defined(SIGXFSZ)
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}
