#include "probes/runner/ShellCommandRunner.h"

#include "concurrency/Cancellation.h"
#include "concurrency/Continuation.h"
#include "concurrency/Runtime.h"
#include "concurrency/Sleep.h"
#include "concurrency/Spawn.h"
#include "platform/process/ChildProcess.h"
#include "probes/runner/CommandRunnerError.h"
#include "probes/runner/Utf8.h"

#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <variant>

namespace lumra {

std::set<std::string> makeAllowedExecutables() {
    return {"/sbin/ping", "/sbin/ping6", "/usr/bin/dig", "/usr/sbin/netstat",
            "/usr/sbin/scutil", "/sbin/ifconfig", "/usr/sbin/ipconfig"};
}

std::map<std::string, std::string> makeStandInExecutables(const std::string& systoolPath) {
    std::map<std::string, std::string> executed;
    for (const char* tool : {"/sbin/ping", "/sbin/ping6", "/usr/sbin/netstat", "/usr/sbin/scutil", "/sbin/ifconfig",
                             "/usr/sbin/ipconfig"})
        executed.emplace(tool, systoolPath);
    return executed;
}

namespace {

using Continuation = CheckedThrowingContinuation<CommandExecutionResult>;
using Outcome = std::variant<CommandExecutionResult, CommandRunnerError>;

// One run, shared by the caller, the child's exit handler, the timer and the
// cancellation handler. The lock guards the three fields below it and is
// never held while terminating the child or resuming the caller.
class ExecutionState {
public:
    explicit ExecutionState(std::string executable) : executable(std::move(executable)) {}

    const std::string executable;

    // False when the run already finished (it was cancelled before the child
    // could start).
    bool attach(Continuation continuation) {
        std::lock_guard lock(m_lock);
        if (m_didFinish)
            return false;
        m_continuation = std::move(continuation);
        return true;
    }

    // False when the run finished while the child was starting.
    bool setProcess(std::shared_ptr<ChildProcess> process) {
        std::lock_guard lock(m_lock);
        m_process = std::move(process);
        return !m_didFinish;
    }

    void finish(Outcome outcome) {
        std::optional<Continuation> continuation;
        {
            std::lock_guard lock(m_lock);
            if (m_didFinish)
                return;
            m_didFinish = true;
            continuation.swap(m_continuation);
        }
        if (!continuation)
            return;
        if (auto* result = std::get_if<CommandExecutionResult>(&outcome))
            continuation->resume(std::move(*result));
        else
            continuation->resumeThrowing(std::get<CommandRunnerError>(std::move(outcome)));
    }

    // The outcome is settled before the signal goes out: otherwise the exit
    // the signal causes could win the race and report the time-out or the
    // cancellation as a non-zero exit.
    void terminateProcess(CommandRunnerError error) {
        std::shared_ptr<ChildProcess> process;
        {
            std::lock_guard lock(m_lock);
            process = m_process;
        }
        finish(std::move(error));
        if (process && process->isRunning())
            process->terminate();
    }

private:
    std::mutex m_lock;
    bool m_didFinish = false;
    std::shared_ptr<ChildProcess> m_process;
    std::optional<Continuation> m_continuation;
};

Outcome outcomeOf(const CommandRequest& request, ChildExit exit) {
    // Decoding is judged before the status.
    if (!isValidUtf8(exit.standardOutput) || !isValidUtf8(exit.standardError))
        return CommandRunnerError::outputDecodingFailed(request.executable);
    if (exit.status == 0 && !exit.endedBySignal) {
        return CommandExecutionResult{request.executable, request.arguments, 0,
                                      std::move(exit.standardOutput), std::move(exit.standardError)};
    }
    return CommandRunnerError::nonZeroExit(request.executable, exit.status, std::move(exit.standardOutput),
                                           std::move(exit.standardError));
}

// Not part of the caller's task: cancelling the caller does not stop it, and it
// keeps the state until its wait has passed.
void startTimer(std::shared_ptr<ExecutionState> state, double timeout) {
    spawn(backgroundPool(), [state, timeout]() -> Task<void> {
        // Not finite or too long: NaN waits nothing, the rest saturates.
        const std::uint64_t nanoseconds = TaskSleeper::nanosecondsFor(timeout);
        if (nanoseconds > 0) {
            constexpr auto longest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
            try {
                co_await sleepFor(std::chrono::nanoseconds(
                    static_cast<std::int64_t>(nanoseconds < longest ? nanoseconds : longest)));
            } catch (...) {
                // Ending early still acts.
            }
        }
        state->terminateProcess(CommandRunnerError::timedOut(state->executable, timeout));
    });
}

void startRun(const std::shared_ptr<ExecutionState>& state, const CommandRequest& request,
              const std::string& file, Continuation continuation) {
    if (!state->attach(continuation)) {
        continuation.resumeThrowing(CommandRunnerError::cancelled(request.executable));
        return;
    }
    std::vector<std::string> argv;
    argv.reserve(request.arguments.size() + 1);
    argv.push_back(request.executable);
    argv.insert(argv.end(), request.arguments.begin(), request.arguments.end());
    std::shared_ptr<ChildProcess> process;
    try {
        process = ChildProcess::launch(file, argv, [state, request](ChildExit exit) {
            state->finish(outcomeOf(request, std::move(exit)));
        });
    } catch (const ChildLaunchError& error) {
        state->finish(CommandRunnerError::launchFailed(error.what()));
        return;
    }
    if (!state->setProcess(process)) {
        // Cancelled while it started: nobody waits for it any more.
        process->terminate();
    }
    startTimer(state, request.timeout);
}

} // namespace

ShellCommandRunner::ShellCommandRunner(std::set<std::string> allowedExecutables,
                                       std::map<std::string, std::string> executedFiles)
    : m_allowedExecutables(std::move(allowedExecutables)), m_executedFiles(std::move(executedFiles)) {}

Task<CommandExecutionResult> ShellCommandRunner::run(CommandRequest request) {
    // Exact text: no normalisation, no links, no search path.
    if (!m_allowedExecutables.contains(request.executable))
        throw CommandRunnerError::executableNotAllowed(request.executable);
    const auto mapped = m_executedFiles.find(request.executable);
    std::string file = mapped == m_executedFiles.end() ? request.executable : mapped->second;

    auto state = std::make_shared<ExecutionState>(request.executable);
    auto start = [state, request, file](Continuation continuation) {
        startRun(state, request, file, std::move(continuation));
    };
    auto onCancel = [state] { state->terminateProcess(CommandRunnerError::cancelled(state->executable)); };
    auto wait = withCheckedThrowingContinuation<CommandExecutionResult>(std::move(start));
    co_return co_await withTaskCancellationHandler(std::move(wait), std::move(onCancel));
}

} // namespace lumra
