#include "probes/runner/ShellCommandRunner.h"

#include "base/DiagnosticLog.h"
#include "concurrency/CancellableContinuation.h"
#include "concurrency/Clock.h"
#include "concurrency/Runtime.h"
#include "concurrency/Sleep.h"
#include "model/UnicodeText.h"
#include "platform/process/ChildProcess.h"
#include "probes/runner/CommandRunnerError.h"

#include <fmt/format.h>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <variant>

namespace lumra {

std::set<std::string> makeAllowedExecutables() {
    return {"/sbin/ping",       "/sbin/ping6",    "/usr/bin/dig",      "/usr/sbin/netstat",
            "/usr/sbin/scutil", "/sbin/ifconfig", "/usr/sbin/ipconfig"};
}

std::map<std::string, std::string> makeStandInExecutables(const std::string& systoolPath) {
    std::map<std::string, std::string> executed;
    for (const char* tool : {"/sbin/ping", "/sbin/ping6", "/usr/bin/dig", "/usr/sbin/netstat",
                             "/usr/sbin/scutil", "/sbin/ifconfig", "/usr/sbin/ipconfig"})
        executed.emplace(tool, systoolPath);
    return executed;
}

namespace {

using Continuation = CancellableContinuation<CommandExecutionResult>;
using Outcome = std::variant<CommandExecutionResult, CommandRunnerError>;

void deliver(const Continuation& continuation, Outcome outcome) {
    if (auto* result = std::get_if<CommandExecutionResult>(&outcome))
        continuation.resume(std::move(*result));
    else
        continuation.resumeThrowing(std::get<CommandRunnerError>(std::move(outcome)));
}

Outcome outcomeOf(const CommandRequest& request, ChildExit exit) {
    // Decoding is judged before the status.
    if (!isValidUtf8(exit.standardOutput) || !isValidUtf8(exit.standardError)) {
        LUMRA_LOG("runner", request.executable + " wrote text that is not UTF-8");
        return CommandRunnerError::outputDecodingFailed(request.executable);
    }
    if (exit.status == 0 && !exit.endedBySignal) {
        return CommandExecutionResult{request.executable, request.arguments, 0,
                                      std::move(exit.standardOutput),
                                      std::move(exit.standardError)};
    }
    if (exit.endedBySignal)
        return CommandRunnerError::killedBySignal(request.executable, exit.status,
                                                  std::move(exit.standardOutput),
                                                  std::move(exit.standardError));
    return CommandRunnerError::nonZeroExit(request.executable, exit.status,
                                           std::move(exit.standardOutput),
                                           std::move(exit.standardError));
}

// The run's time-out: one clock timer (on the I/O thread in the real
// runtime), cancelled as soon as the child has ended. Not part of the caller's
// task: cancelling the caller does not stop it. The outcome is settled before
// the signal goes out: otherwise the exit the signal causes could win the race
// and report the time-out as a non-zero exit.
class RunTimer {
public:
    void start(const Continuation& continuation, const std::shared_ptr<ChildProcess>& process,
               const std::string& executable, double timeout) {
        // Not finite or too long: NaN waits nothing, the rest saturates.
        const std::uint64_t nanoseconds = TaskSleeper::nanosecondsFor(timeout);
        constexpr auto longest =
            static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        const std::chrono::nanoseconds after(
            static_cast<std::int64_t>(nanoseconds < longest ? nanoseconds : longest));
        Clock& clock = runtimeClock();
        const auto id = clock.schedule(after, [continuation, process, executable, timeout] {
            LUMRA_LOG("runner",
                      fmt::format("{} ran past its {} s and is stopped", executable, timeout));
            continuation.resumeThrowing(CommandRunnerError::timedOut(executable, timeout));
            if (process->isRunning())
                process->terminate();
        });
        std::lock_guard lock(m_mutex);
        if (m_ended)
            clock.cancel(id);
        else
            m_id = id;
    }

    // The child has ended: its time-out has nothing left to do.
    void end() {
        std::lock_guard lock(m_mutex);
        m_ended = true;
        if (m_id)
            runtimeClock().cancel(*m_id);
    }

private:
    std::mutex m_mutex;
    std::optional<Clock::TimerId> m_id;
    bool m_ended = false;
};

void startRun(const CommandRequest& request, const std::string& file, Continuation continuation) {
    std::vector<std::string> argv;
    argv.reserve(request.arguments.size() + 1);
    argv.push_back(request.executable);
    argv.insert(argv.end(), request.arguments.begin(), request.arguments.end());
    std::shared_ptr<ChildProcess> process;
    auto timer = std::make_shared<RunTimer>();
    try {
        process = ChildProcess::launch(
            file, argv,
            [continuation, request, timer](ChildExit exit) {
                timer->end();
                deliver(continuation, outcomeOf(request, std::move(exit)));
            },
            ShellCommandRunner::maxKeptOutputBytes);
    } catch (const ChildLaunchError& error) {
        LUMRA_LOG("runner", file == request.executable
                                ? fmt::format("could not start {}: {}", file, error.what())
                                : fmt::format("could not start {} (for {}): {}", file,
                                              request.executable, error.what()));
        continuation.resumeThrowing(
            CommandRunnerError::launchFailed(request.executable, error.what()));
        return;
    }
    // Also when the caller was cancelled while the child started.
    continuation.onCancel([process] { process->terminate(); });
    timer->start(continuation, process, request.executable, request.timeout);
}

} // namespace

ShellCommandRunner::ShellCommandRunner(std::set<std::string> allowedExecutables,
                                       std::map<std::string, std::string> executedFiles)
    : m_allowedExecutables(std::move(allowedExecutables)),
      m_executedFiles(std::move(executedFiles)) {}

Task<CommandExecutionResult> ShellCommandRunner::run(CommandRequest request) {
    // Exact text: no normalisation, no links, no search path.
    if (!m_allowedExecutables.contains(request.executable)) {
        LUMRA_LOG("runner", request.executable + " is not a tool Lumra runs");
        throw CommandRunnerError::executableNotAllowed(request.executable);
    }
    const auto mapped = m_executedFiles.find(request.executable);
    std::string file = mapped == m_executedFiles.end() ? request.executable : mapped->second;

    auto start = [request, file](Continuation continuation) {
        startRun(request, file, std::move(continuation));
    };
    co_return co_await withCancellableContinuation<CommandExecutionResult>(std::move(start));
}

} // namespace lumra
