// The commands of pictavia-cli, callable without a process so tests can run them.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pictavia {

// Runs one command line (without the program name). Returns the exit status: 0 on success,
// 1 when the command failed (the message is on Err), 2 for a usage error.
int RunCli(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);

// The usage text.
std::string CliUsage();

}  // namespace pictavia
