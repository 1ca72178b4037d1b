// One tool run: the absolute path, the arguments passed as they are (no
// shell), and the seconds the child may run.
#pragma once

#include <string>
#include <vector>

namespace lumra {

struct CommandRequest {
    std::string executable;
    std::vector<std::string> arguments;
    double timeout;

    bool operator==(const CommandRequest&) const = default;
};

} // namespace lumra
