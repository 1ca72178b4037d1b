#include "probes/metadata/ShellWiFiNetworkMetadataResolver.h"

#include "base/DiagnosticLog.h"
#include "concurrency/WhenAll.h"
#include "probes/metadata/VPNActivity.h"
#include "probes/parsers/CommandParsingError.h"
#include "probes/parsers/IPv4AddressOutputParser.h"
#include "probes/parsers/TunnelInterfacesParser.h"
#include "probes/parsers/VPNRoutesParser.h"
#include "probes/parsers/VPNServiceListParser.h"
#include "probes/support/ToolOutput.h"

namespace lumra {

Task<std::optional<std::string>>
ShellWiFiNetworkMetadataResolver::ipAddress(std::string interfaceName) {
    auto request =
        CommandRequest{"/usr/sbin/ipconfig", {"getifaddr", interfaceName}, m_commandTimeout};
    const std::optional<std::string> output =
        co_await cleanOutput(*m_commandRunner, std::move(request));
    if (!output)
        co_return std::nullopt;
    try {
        co_return parseIPv4AddressOutput(*output);
    } catch (const CommandParsingError&) {
        LUMRA_LOG_CAUGHT("metadata", "no interface address in the output");
        co_return std::nullopt;
    }
}

Task<bool> ShellWiFiNetworkMetadataResolver::isVPNActive() {
    auto services = cleanOutput(
        *m_commandRunner, CommandRequest{"/usr/sbin/scutil", {"--nc", "list"}, m_commandTimeout});
    auto interfaces =
        cleanOutput(*m_commandRunner, CommandRequest{"/sbin/ifconfig", {}, m_commandTimeout});
    auto routes = cleanOutput(*m_commandRunner,
                              CommandRequest{"/usr/sbin/netstat", {"-rn"}, m_commandTimeout});
    const auto [serviceList, interfaceListing, routingTable] =
        co_await whenAll(std::move(services), std::move(interfaces), std::move(routes));
    co_return evaluateVPNActivity(
        serviceList ? parseVPNServiceList(*serviceList) : std::vector<VPNConnectionServiceStatus>{},
        interfaceListing ? parseTunnelInterfaces(*interfaceListing)
                         : std::vector<VPNTunnelInterfaceStatus>{},
        routingTable ? parseVPNRoutes(*routingTable) : std::vector<VPNRouteEntry>{});
}

} // namespace lumra
