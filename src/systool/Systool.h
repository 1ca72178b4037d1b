// lumra-systool: answers the macOS tool command lines the probes run, in the
// macOS output format, from Linux facts. Single-threaded; ping and ping6
// replace the process with iputils ping.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumra {

// scutil's NetworkManager reader, a program beside lumra-systool.
inline constexpr const char* kBusProgramName = "lumra-systool-bus";

// Runs one invocation, writing to the standard streams; returns the exit
// status (64 with a usage line for a command line it does not answer).
int runSystool(const std::vector<std::string>& argv);

// The standard streams as every tool uses them: output flushed (1 when it
// cannot be written), "TOOL: message" failures (1), usage lines (64).
int writeToolOutput(std::string_view text);
int toolFailure(std::string_view tool, std::string_view message);
int toolUsage(std::string_view tool);

} // namespace lumra
