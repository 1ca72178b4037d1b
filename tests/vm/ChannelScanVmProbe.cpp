// Runs inside the simulated-radio VM (tests/vm/scene/init): one real channel
// scan of ChannelScanMonitor, three passes over CoreWLANNetworkScanner, with
// the station's own link from CoreWLANInterfaceProvider as the current
// snapshot, as the application wires it. Prints one JSON line for
// wireless_vm_test.py: the progress seen, the sentence if any and the result.
// Everything runs on this thread's run loop (the main actor); the scans block
// a worker of the background pool.
#include "concurrency/RunLoop.h"
#include "monitoring/channelscan/ChannelScanMonitor.h"
#include "monitoring/wifi/WiFiReadingRules.h"
#include "platform/wireless/Nl80211Client.h"
#include "probes/wifi/CoreWLANInterfaceProvider.h"
#include "probes/wifi/CoreWLANNetworkScanner.h"

#include <chrono>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

namespace lumra {
namespace {

using nlohmann::json;

template <class T> json toJson(const std::optional<T>& value) {
    return value ? json(*value) : json(nullptr);
}

json toJson(const std::optional<WiFiBand>& band) {
    return band ? json(rawValue(*band)) : json(nullptr);
}

json toJson(const ChannelScanResult& result) {
    json channels = json::array();
    for (const auto& sample : result.channels) {
        channels.push_back({{"channelNumber", sample.channelNumber},
                            {"band", rawValue(sample.band)},
                            {"networkCount", sample.networkCount},
                            {"averageRSSIDbm", sample.averageRSSIDbm},
                            {"interferenceScore", sample.interferenceScore},
                            {"normalizedCongestion", sample.normalizedCongestion}});
    }
    return {{"passCount", result.passCount},
            {"scannedNetworkCount", result.scannedNetworkCount},
            {"channels", channels},
            {"currentChannelNumber", toJson(result.currentChannelNumber)},
            {"currentBand", toJson(result.currentBand)},
            {"currentChannelInterferenceScore", toJson(result.currentChannelInterferenceScore)},
            {"suggestedChannelNumber", toJson(result.suggestedChannelNumber)},
            {"suggestedBand", toJson(result.suggestedBand)},
            {"didSucceed", result.didSucceed}};
}

// The reading as the Wi-Fi monitor would publish it, without the slow
// address and VPN lookups, which the scan does not use.
std::optional<WiFiSnapshot> snapshotOf(const std::optional<WiFiInterfaceSnapshot>& reading) {
    if (!reading || !isConnectedReading(*reading)) {
        return std::nullopt;
    }
    return snapshotOfReading(*reading, std::chrono::system_clock::now(), std::nullopt, false);
}

int channelScan() {
    RunLoop loop;
    auto client = std::make_shared<Nl80211Client>();
    auto provider = std::make_shared<CoreWLANInterfaceProvider>(client);
    auto monitor = ChannelScanMonitor::create(
        ChannelScanConfiguration{3, 0.35}, std::make_shared<CoreWLANNetworkScanner>(client),
        [provider] { return snapshotOf(provider->currentSnapshot()); },
        std::make_shared<TaskSleeper>(), [] { return std::chrono::system_clock::now(); });

    std::vector<std::int64_t> progress;
    const Subscription subscription = monitor->completedPasses().subscribe(
        [&progress](std::int64_t passes) { progress.push_back(passes); });

    const auto started = std::chrono::steady_clock::now();
    monitor->startScan();
    const bool ended =
        loop.runUntil([&] { return !monitor->isScanning().get(); }, std::chrono::seconds(90));
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count();

    const auto& result = monitor->latestResult().get();
    std::cout << json{{"step", "channelScan"},
                      {"ended", ended},
                      {"elapsedMs", elapsedMs},
                      {"progress", progress},
                      {"totalPasses", monitor->totalPasses().get()},
                      {"lastErrorMessage", toJson(monitor->lastErrorMessage().get())},
                      {"result", result ? toJson(*result) : json(nullptr)}}
                     .dump()
              << std::endl;
    return ended ? 0 : 1;
}

} // namespace
} // namespace lumra

int main() {
    return lumra::channelScan();
}
