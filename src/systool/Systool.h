// lumra-systool: answers the macOS tool command lines the probes run, in the
// macOS output format, from Linux facts. Single-threaded; ping and ping6
// replace the process with iputils ping.
#pragma once

#include <string>
#include <vector>

namespace lumra {

// Runs one invocation, writing to the standard streams; returns the exit
// status (64 with a usage line for a command line it does not answer).
int runSystool(const std::vector<std::string>& argv);

} // namespace lumra
