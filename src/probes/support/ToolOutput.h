// The standard output a probe reads from one run: that of a clean exit or the
// one a non-zero exit carries; absent for every other ending.
#pragma once

#include "concurrency/Task.h"
#include "probes/runner/CommandRunning.h"

#include <optional>
#include <string>

namespace lumra {

Task<std::optional<std::string>> readableOutput(CommandRunning& runner, CommandRequest request);

} // namespace lumra
