#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// One run of a command-line program that receives `signal` once its standard error has shown
// `marker` (the program is then in the middle of its work).
struct SignalledRun {
    bool signalled = false;  // the marker came and the signal was sent
    int exit_code = -1;      // the program's exit status; -1 when a signal ended it instead
    std::string err;         // everything it wrote to standard error
};

// Starts `argv` (argv[0] is the program's path), waits up to a minute for `marker` on its standard
// error, sends `signal` (none when 0), and waits for the program to end. `in_child` (optional)
// runs in the child just before the program starts: a limit to set, for example.
inline SignalledRun RunAndSignal(const std::vector<std::string>& argv, const std::string& marker,
                                 int signal, const std::function<void()>& in_child = {}) {
    SignalledRun run;
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) return run;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipe_fds[1], STDERR_FILENO);
        ::close(pipe_fds[0]);
        ::close(pipe_fds[1]);
        const int null_fd = ::open("/dev/null", O_WRONLY);
        ::dup2(null_fd, STDOUT_FILENO);
        if (in_child) in_child();
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    char buffer[4096];
    for (;;) {
        pollfd fd{pipe_fds[0], POLLIN, 0};
        if (::poll(&fd, 1, 100) > 0) {
            const ssize_t n = ::read(pipe_fds[0], buffer, sizeof(buffer));
            if (n <= 0) break;
            run.err.append(buffer, static_cast<std::size_t>(n));
        }
        if (signal != 0 && !run.signalled && run.err.find(marker) != std::string::npos) {
            ::kill(pid, signal);
            run.signalled = true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            break;
        }
    }
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
    return run;
}

// Runs `argv` with files limited to `bytes` (ulimit -f) and SIGXFSZ at its default action (which
// ends a program that does not ignore it), as a shell with that limit would start it.
inline SignalledRun RunUnderFileSizeLimit(const std::vector<std::string>& argv, rlim_t bytes) {
    return RunAndSignal(argv, "", 0, [bytes] {
        ::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
}
