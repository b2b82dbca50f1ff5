#pragma once

#include <ostream>
#include <string>
#include <vector>

// scalvo-cli: resizes the pictures of a folder with the batch job of the create button.
// `args` are the command-line arguments after the program name (UTF-8). Help and the version go to
// `out`; usage errors, messages, failures and the progress bar to `err`. Returns 0 when every
// picture was converted (and for --help and --version), 1 when any failed or the job refused to
// run, 2 for a usage error, 130 or 143 when SIGINT or SIGTERM stopped it.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
