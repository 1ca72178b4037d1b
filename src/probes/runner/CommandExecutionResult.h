// What a clean tool run produced: exit status 0 and both outputs as UTF-8 text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumra {

struct CommandExecutionResult {
    std::string executable;
    std::vector<std::string> arguments;
    std::int32_t exitCode;
    std::string standardOutput;
    std::string standardError;

    bool operator==(const CommandExecutionResult&) const = default;
};

} // namespace lumra
