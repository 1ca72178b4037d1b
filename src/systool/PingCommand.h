// "ping -c N -W MS HOST" and "ping6 -c N HOST" become iputils ping command
// lines; the tool then execs iputils so that signals reach it directly.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

// iputils reads -W as seconds and accepts up to INT_MAX / 1000 of them.
inline constexpr long long kMaxWaitMilliseconds = 2147483000;

// "1500" -> "1.5", "2000" -> "2", "1" -> "0.001"; "0" -> "0.001" (iputils
// would take 0 as no wait at all). Absent for anything but decimal digits
// or more than kMaxWaitMilliseconds.
std::optional<std::string> waitSecondsText(std::string_view milliseconds);

// A host ping may be handed: not empty, not an option ("-..."), no blanks or
// control characters, at most 1025 bytes.
bool isAcceptableHost(std::string_view host);

// The iputils argument vector (argv[0] "ping") for one of the two accepted
// command lines of "ping" or "ping6"; absent for anything else.
std::optional<std::vector<std::string>>
iputilsPingArguments(std::string_view tool, const std::vector<std::string>& arguments);

// Paths tried in order.
inline constexpr const char* kIputilsPingPaths[] = {"/usr/bin/ping", "/bin/ping"};

// Replaces the process with iputils ping; returns only when no path could be
// executed, with the errno of the last attempt.
int execIputilsPing(const std::vector<std::string>& arguments);

} // namespace lumra
