#include "probes/ping/CommandLinePingProbeRunner.h"

#include "base/DiagnosticLog.h"
#include "probes/parsers/CommandParsingError.h"
#include "probes/parsers/DefaultRouteGatewayParser.h"
#include "probes/parsers/IPv4AddressOutputParser.h"
#include "probes/parsers/PingSummaryParser.h"
#include "probes/parsers/Regex.h"
#include "probes/parsers/ToolOutputText.h"
#include "probes/support/ToolOutput.h"

#include <algorithm>
#include <cmath>

namespace lumra {

namespace {

constexpr double shortestWait = 0.001;
constexpr double longestWait = 86400; // keeps t x 1000 far inside 64 bits

double clampedWait(double timeout) {
    if (!(timeout > shortestWait)) // NaN too
        return shortestWait;
    return std::min(timeout, longestWait);
}

} // namespace

CommandRequest pingCommandLine(const std::string& host, std::int64_t packetCount, double timeout,
                               double gracePeriod) {
    const double t = clampedWait(timeout);
    const std::string count = std::to_string(packetCount);
    const auto n = static_cast<double>(std::max<std::int64_t>(packetCount, 1));
    const double processTimeout = t * n + (n - 1) + std::max(0.0, gracePeriod);
    if (host.find(':') != std::string::npos)
        return CommandRequest{"/sbin/ping6", {"-c", count, host}, processTimeout};
    const std::int64_t waitMilliseconds = std::max<std::int64_t>(1, std::llround(t * 1000));
    return CommandRequest{
        "/sbin/ping", {"-c", count, "-W", std::to_string(waitMilliseconds), host}, processTimeout};
}

PingProbeMeasurement measurementFromPingOutput(const std::string& standardOutput) {
    static const Regex lossPattern(R"((?m)([0-9]+(?:\.[0-9]+)?)%\s+packet loss)");
    PingProbeMeasurement measurement = PingProbeMeasurement::failed();
    std::optional<double> loss;
    if (auto groups = lossPattern.firstMatchCaptureGroups(standardOutput);
        groups && !groups->empty())
        loss = parseDecimal(groups->front());
    if (loss)
        measurement.packetLossPercent = *loss;
    try {
        const PingSummary summary = parsePingSummary(standardOutput);
        measurement.latencyMilliseconds = summary.averageMilliseconds;
        measurement.jitterMilliseconds = summary.standardDeviationMilliseconds;
        measurement.didSucceed = true;
    } catch (const CommandParsingError&) {
        // Latency and jitter stay absent. With every packet lost ping prints
        // no summary: that is its answer, not a fault in it.
        if (loss != 100.0)
            LUMRA_LOG_CAUGHT("ping", "the output has no usable summary");
    }
    return measurement;
}

CommandLinePingProbeRunner::CommandLinePingProbeRunner(
    std::shared_ptr<CommandRunning> commandRunner, std::int64_t pingPacketCount,
    double commandTimeoutGracePeriod, WiFiInterfaceNameProvider wifiInterfaceNameProvider)
    : m_commandRunner(std::move(commandRunner)), m_pingPacketCount(pingPacketCount),
      m_commandTimeoutGracePeriod(commandTimeoutGracePeriod),
      m_wifiInterfaceNameProvider(std::move(wifiInterfaceNameProvider)) {}

Task<PingProbeMeasurement> CommandLinePingProbeRunner::ping(std::string host, double timeout) {
    if (host.empty() || host.front() == '-')
        co_return PingProbeMeasurement::failed();
    CommandRequest request =
        pingCommandLine(host, m_pingPacketCount, timeout, m_commandTimeoutGracePeriod);
    const std::optional<std::string> output =
        co_await readableOutput(*m_commandRunner, std::move(request));
    co_return output ? measurementFromPingOutput(*output) : PingProbeMeasurement::failed();
}

namespace {

// One step of the router lookup: any failure of the tool or the parser
// gives nothing and the chain goes on.
Task<std::optional<std::string>> routerFrom(std::shared_ptr<CommandRunning> runner,
                                            CommandRequest request,
                                            std::function<std::string(const std::string&)> read) {
    const std::optional<std::string> output = co_await cleanOutput(*runner, std::move(request));
    if (!output)
        co_return std::nullopt;
    try {
        co_return read(*output);
    } catch (const CommandParsingError&) {
        LUMRA_LOG_CAUGHT("router", "no router address in the output");
        co_return std::nullopt;
    }
}

} // namespace

Task<std::optional<std::string>> CommandLinePingProbeRunner::resolveRouterAddress(double timeout) {
    const std::optional<std::string> interfaceName =
        m_wifiInterfaceNameProvider ? m_wifiInterfaceNameProvider() : std::nullopt;
    auto gatewayFrom = [](RouteAddressFamily family, std::optional<std::string> preferred) {
        return [family, preferred](const std::string& output) {
            return parseDefaultRouteGateway(output, family, preferred);
        };
    };
    if (interfaceName) {
        auto ipconfig =
            CommandRequest{"/usr/sbin/ipconfig", {"getoption", *interfaceName, "router"}, timeout};
        if (auto router = co_await routerFrom(
                m_commandRunner, std::move(ipconfig),
                [](const std::string& output) { return parseIPv4AddressOutput(output); }))
            co_return router;
        auto inet6 = CommandRequest{"/usr/sbin/netstat", {"-rn", "-f", "inet6"}, timeout};
        auto read = gatewayFrom(RouteAddressFamily::ipv6, interfaceName);
        if (auto router = co_await routerFrom(m_commandRunner, std::move(inet6), std::move(read)))
            co_return router;
    }
    auto inet = CommandRequest{"/usr/sbin/netstat", {"-rn", "-f", "inet"}, timeout};
    auto readInet = gatewayFrom(RouteAddressFamily::ipv4, std::nullopt);
    if (auto router = co_await routerFrom(m_commandRunner, std::move(inet), std::move(readInet)))
        co_return router;
    auto inet6 = CommandRequest{"/usr/sbin/netstat", {"-rn", "-f", "inet6"}, timeout};
    auto readInet6 = gatewayFrom(RouteAddressFamily::ipv6, std::nullopt);
    co_return co_await routerFrom(m_commandRunner, std::move(inet6), std::move(readInet6));
}

} // namespace lumra
