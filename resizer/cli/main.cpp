#include <iostream>
#include <string>
#include <vector>

#include "platform/stop_signals.h"
#include "resizer/cli/run_cli.h"

int main(int argc, char** argv) {
    IgnoreFileSizeLimitSignal();
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return RunCli(args, std::cout, std::cerr);
}
