#pragma once

#include <ostream>
#include <string>
#include <vector>

// pictavo-cli: builds the album of a picture folder with the job of the create button.
// `args` are the command-line arguments after the program name (UTF-8). Usage, help and the path of
// the finished album's first page go to `out`; messages and the progress bar go to `err`. Returns
// 0 when the pages were written, 1 when the job failed, 2 for a usage error.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
