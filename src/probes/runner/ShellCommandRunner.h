// Runs allow-listed tools as child processes with a time-out. Each run has its
// own state; the child's exit (on the I/O thread), the time-out timer (a task
// on the background pool) and the caller's cancellation race, and the first
// to finish the run decides its one outcome.
#pragma once

#include "probes/runner/CommandRunning.h"

#include <cstddef>
#include <map>
#include <set>
#include <string>

namespace lumra {

// The seven tool paths every runner of the application may launch.
std::set<std::string> makeAllowedExecutables();

// The tools this system lacks, and dig (whose start-up alone costs more than
// the lookup), all answered by lumra-systool at systoolPath.
std::map<std::string, std::string> makeStandInExecutables(const std::string& systoolPath);

class ShellCommandRunner final : public CommandRunning {
public:
    // Of each output stream of a run, what is kept: its start and its end
    // in whole lines. A tool's answer is far smaller; a flood (duplicate
    // ping replies) is not kept whole.
    static constexpr std::size_t maxKeptOutputBytes = 2 * 1024 * 1024;

    // executedFiles maps a requested path to the file actually executed (the
    // stand-in for tools this system lacks); paths not in it run as they are.
    // The allow-list, the errors and the child's argv[0] keep the requested path.
    explicit ShellCommandRunner(std::set<std::string> allowedExecutables,
                                std::map<std::string, std::string> executedFiles = {});

    Task<CommandExecutionResult> run(CommandRequest request) override;

    const std::set<std::string>& allowedExecutables() const noexcept {
        return m_allowedExecutables;
    }

private:
    const std::set<std::string> m_allowedExecutables;
    const std::map<std::string, std::string> m_executedFiles;
};

} // namespace lumra
