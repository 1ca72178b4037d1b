// A command runner that answers from a script, keyed by the command line, and
// records every request it gets. Unscripted command lines fail to launch. A
// cancelled caller gets CancellationError, as from the real one.
#pragma once

#include "concurrency/Cancellation.h"
#include "probes/runner/CommandRunnerError.h"
#include "probes/runner/CommandRunning.h"

#include <map>
#include <string>
#include <variant>
#include <vector>

namespace lumra::test {

class FakeCommandRunner final : public CommandRunning {
public:
    using Answer = std::variant<CommandExecutionResult, CommandRunnerError>;

    static std::string key(const std::string& executable,
                           const std::vector<std::string>& arguments) {
        std::string text = executable;
        for (const std::string& argument : arguments)
            text += " " + argument;
        return text;
    }

    // A clean exit printing output.
    void succeed(const std::string& commandLine, std::string output) {
        m_answers[commandLine] = CommandExecutionResult{"", {}, 0, std::move(output), ""};
    }
    void fail(const std::string& commandLine, CommandRunnerError error) {
        m_answers[commandLine] = std::move(error);
    }

    Task<CommandExecutionResult> run(CommandRequest request) override {
        requests.push_back(request);
        if (isCancelled())
            throw CancellationError();
        auto found = m_answers.find(key(request.executable, request.arguments));
        if (found == m_answers.end())
            throw CommandRunnerError::launchFailed(request.executable, "not scripted");
        if (auto* error = std::get_if<CommandRunnerError>(&found->second))
            throw *error;
        CommandExecutionResult result = std::get<CommandExecutionResult>(found->second);
        result.executable = request.executable;
        result.arguments = request.arguments;
        co_return result;
    }

    std::vector<std::string> commandLines() const {
        std::vector<std::string> lines;
        for (const CommandRequest& request : requests)
            lines.push_back(key(request.executable, request.arguments));
        return lines;
    }

    std::vector<CommandRequest> requests;

private:
    std::map<std::string, Answer> m_answers;
};

} // namespace lumra::test
