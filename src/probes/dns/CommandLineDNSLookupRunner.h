// Times one lookup with dig through the allow-listed runner.
#pragma once

#include "probes/dns/DNSLookupRunning.h"
#include "probes/runner/CommandRequest.h"
#include "probes/runner/CommandRunning.h"

#include <memory>

namespace lumra {

// dig's own wait is the timeout in whole seconds, rounded up, at least 1 (and
// at most a day); the process time-out is the timeout itself.
CommandRequest digCommandLine(const std::string& domain, double timeout);

class CommandLineDNSLookupRunner final : public DNSLookupRunning {
public:
    explicit CommandLineDNSLookupRunner(std::shared_ptr<CommandRunning> commandRunner)
        : m_commandRunner(std::move(commandRunner)) {}

    Task<DNSLookupOutcome> lookup(std::string domain, double timeout) override;

    const std::shared_ptr<CommandRunning>& commandRunner() const { return m_commandRunner; }

private:
    const std::shared_ptr<CommandRunning> m_commandRunner;
};

} // namespace lumra
