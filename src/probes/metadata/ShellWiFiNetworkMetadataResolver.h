// The interface's IPv4 address from ipconfig, and the VPN verdict from scutil,
// ifconfig and netstat run side by side, through the allow-listed runner.
#pragma once

#include "probes/metadata/WiFiNetworkMetadataResolving.h"
#include "probes/runner/CommandRunning.h"

#include <memory>

namespace lumra {

class ShellWiFiNetworkMetadataResolver final : public WiFiNetworkMetadataResolving {
public:
    ShellWiFiNetworkMetadataResolver(std::shared_ptr<CommandRunning> commandRunner,
                                     double commandTimeout)
        : m_commandRunner(std::move(commandRunner)), m_commandTimeout(commandTimeout) {}

    Task<std::optional<std::string>> ipAddress(std::string interfaceName) override;
    Task<bool> isVPNActive() override;

    const std::shared_ptr<CommandRunning>& commandRunner() const { return m_commandRunner; }
    double commandTimeout() const { return m_commandTimeout; }

private:
    const std::shared_ptr<CommandRunning> m_commandRunner;
    const double m_commandTimeout;
};

} // namespace lumra
