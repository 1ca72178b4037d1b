// What a probe reads from one run of a tool.
#pragma once

#include "concurrency/Task.h"
#include "probes/runner/CommandRunning.h"

#include <optional>
#include <string>

namespace lumra {

// That of a clean exit or the one a non-zero exit carries; absent for every
// other ending.
Task<std::optional<std::string>> readableOutput(CommandRunning& runner, CommandRequest request);

// The standard output of a clean exit only; absent for every other ending,
// a non-zero exit included.
Task<std::optional<std::string>> cleanOutput(CommandRunning& runner, CommandRequest request);

} // namespace lumra
