// The one way the system runs a tool.
#pragma once

#include "concurrency/Task.h"
#include "probes/runner/CommandExecutionResult.h"
#include "probes/runner/CommandRequest.h"

namespace lumra {

class CommandRunning {
public:
    virtual ~CommandRunning() = default;
    // The result of a clean run (status 0, UTF-8 outputs); a cancelled caller
    // gets CancellationError, every other ending throws CommandRunnerError.
    virtual Task<CommandExecutionResult> run(CommandRequest request) = 0;
};

} // namespace lumra
