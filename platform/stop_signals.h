#pragma once

// Catches SIGINT and SIGTERM while alive, so that a command-line job can stop cleanly: the first
// of them only records itself, and the job, which polls Received(), starts no new picture and lets
// the ones in flight finish. A second one ends the program at once, as it would without this
// object. The previous handlers come back when the object goes. One object at a time.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that asked for a stop (SIGINT or SIGTERM), or 0 while none has come (and while
    // no StopSignals object is alive).
    static int Received();
    // The exit status of a program stopped by `signal`: 128 plus its number, so 130 for SIGINT
    // and 143 for SIGTERM, as a shell reports a program the signal ended.
    static int ExitCode(int signal);
};

// Lets a write beyond the process's file-size limit (ulimit -f) fail with EFBIG instead of ending
// the program with SIGXFSZ: the job then lists that one file and goes on with the next. Each
// program calls it once at start.
void IgnoreFileSizeLimitSignal();
