// Counts TCP sockets by state with netstat through the allow-listed runner.
#pragma once

#include "probes/runner/CommandRunning.h"
#include "probes/tcp/TCPConnectionCounting.h"

#include <memory>
#include <string_view>

namespace lumra {

// Whether any line of a netstat listing is a TCP socket line.
bool containsTCPSocketLine(std::string_view output);

class CommandLineTCPConnectionCounter final : public TCPConnectionCounting {
public:
    explicit CommandLineTCPConnectionCounter(std::shared_ptr<CommandRunning> commandRunner)
        : m_commandRunner(std::move(commandRunner)) {}

    // A failing netstat counts only when it still listed TCP sockets: a tool
    // that printed nothing must not read as "no connections".
    Task<TCPConnectionCountOutcome> countConnections(double timeout) override;

    const std::shared_ptr<CommandRunning>& commandRunner() const { return m_commandRunner; }

private:
    const std::shared_ptr<CommandRunning> m_commandRunner;
};

} // namespace lumra
