#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/console_questions.h"

// pictavo-cli: builds the album of a picture folder with the job of the create button.
// `args` are the command-line arguments after the program name (UTF-8). Help, the version and the
// path of the finished album's first page go to `out`; usage errors, messages and the progress bar
// go to `err`. Whether to open the album in the browser is asked on `input` only when it is a
// terminal and neither --open nor -q was given. Returns 0 when the pages were written (and for
// --help and --version), 1 when the job failed, 2 for a usage error, 130 or 143 when SIGINT or
// SIGTERM stopped it.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const ConsoleInput& input);
// The same with no terminal to ask.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
