#include "probes/wifi/CoreWLANNetworkScanner.h"

#include "concurrency/Hops.h"
#include "concurrency/Runtime.h"
#include "concurrency/TaskState.h"
#include "model/UnicodeText.h"
#include "probes/wifi/WiFiNetworkScannerError.h"

namespace lumra {

namespace {

std::vector<WiFiScannedNetwork> scanWith(WirelessClient& client) {
    const auto scan = client.scanNetworks();
    if (!scan) {
        throw WiFiNetworkScannerError::interfaceUnavailable();
    }
    std::vector<WiFiScannedNetwork> networks;
    networks.reserve(scan->networks.size());
    for (const auto& network : scan->networks) {
        if (auto entry = makeScannedNetwork(network)) {
            networks.push_back(std::move(*entry));
        }
    }
    return networks;
}

Task<std::vector<WiFiScannedNetwork>> scanOnPool(std::shared_ptr<WirelessClient> client) {
    const TaskState* task = currentTask();
    const TaskPriority priority = task != nullptr ? task->priority() : TaskPriority::medium;
    auto work = [client] {
        return scanWith(*client);
    };
    co_return co_await runBlocking(backgroundPool(), priority, std::move(work));
}

} // namespace

CoreWLANNetworkScanner::CoreWLANNetworkScanner(std::shared_ptr<WirelessClient> client)
    : m_client(std::move(client)) {}

Task<std::vector<WiFiScannedNetwork>> CoreWLANNetworkScanner::scanNetworks() {
    return scanOnPool(m_client);
}

std::optional<WiFiScannedNetwork> makeScannedNetwork(const WirelessNetwork& network) {
    if (!network.channel) {
        return std::nullopt;
    }
    std::optional<std::string> ssid;
    if (network.ssid) {
        const auto trimmed = trimmedWhitespaceAndNewlines(*network.ssid);
        if (!trimmed.empty()) {
            ssid = std::string(trimmed);
        }
    }
    return WiFiScannedNetwork{
        .ssid = std::move(ssid),
        .bssid = network.bssid,
        .rssiDbm = network.rssiDbm,
        .channelNumber = network.channel->number,
        .band = network.channel->band,
    };
}

} // namespace lumra
