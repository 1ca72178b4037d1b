// Runs inside the simulated-radio VM (fresh_scan_in_vm.py), as an
// unprivileged user: the scanner as the application wires it, on the VM's
// system bus. Prints one JSON line per mode for fresh_scan_vm_test.py.
//   scan STATION          one scan: where it came from and what it saw
//   channel-scan STATION  one three-pass scan of the channel-scan monitor;
//                         per pass the scan's source and the kernel's age of
//                         each result right after it (iw scan dump)
#include "concurrency/RunLoop.h"
#include "monitoring/channelscan/ChannelScanMonitor.h"
#include "monitoring/wifi/WiFiReadingRules.h"
#include "platform/wireless/Nl80211Client.h"
#include "probes/wifi/CoreWLANInterfaceProvider.h"
#include "probes/wifi/CoreWLANNetworkScanner.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <unistd.h>

namespace lumra {
namespace {

using nlohmann::json;

const char* sourceName(WirelessScanSource source) {
    return source == WirelessScanSource::freshScan ? "freshScan" : "cachedResults";
}

json networksOf(const WirelessScan& scan) {
    json networks = json::array();
    for (const auto& network : scan.networks) {
        networks.push_back(
            {{"bssid", network.bssid ? json(*network.bssid) : json(nullptr)},
             {"ssid", network.ssid ? json(*network.ssid) : json(nullptr)},
             {"channel", network.channel ? json(network.channel->number) : json(nullptr)}});
    }
    return networks;
}

// "last seen: N ms ago" of every BSS the kernel holds for the station.
json kernelAges(const std::string& station) {
    json ages = json::object();
    const std::string command = "iw dev " + station + " scan dump";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return ages;
    }
    std::string bssid;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        const std::string line = buffer;
        if (line.rfind("BSS ", 0) == 0) {
            bssid = line.substr(4, 17);
        } else if (auto at = line.find("last seen: "); at != std::string::npos && !bssid.empty()) {
            ages[bssid] = std::stol(line.substr(at + 11));
        }
    }
    ::pclose(pipe);
    return ages;
}

// The application's client, with a record of each scan it made.
class RecordingClient final : public WirelessClient {
public:
    RecordingClient(std::shared_ptr<WirelessClient> inner, std::string station)
        : m_inner(std::move(inner)), m_station(std::move(station)) {}

    std::optional<WirelessInterface> defaultInterface() override {
        return m_inner->defaultInterface();
    }
    std::optional<WirelessLinkReading> currentReading() override {
        return m_inner->currentReading();
    }
    std::optional<WirelessScan> scanNetworks() override {
        const auto started = std::chrono::steady_clock::now();
        auto scan = m_inner->scanNetworks();
        const double elapsedMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
        json pass{{"elapsedMs", elapsedMs}, {"agesMs", kernelAges(m_station)}};
        pass["source"] = scan ? json(sourceName(scan->source)) : json(nullptr);
        std::lock_guard lock(m_mutex);
        m_passes.push_back(std::move(pass));
        return scan;
    }

    json passes() {
        std::lock_guard lock(m_mutex);
        return m_passes;
    }

private:
    std::shared_ptr<WirelessClient> m_inner;
    std::string m_station;
    std::mutex m_mutex;
    json m_passes = json::array();
};

void emit(const json& line) {
    std::cout << line.dump() << std::endl;
}

int scan() {
    RunLoop loop; // the I/O thread the bus work runs on
    Nl80211Client client;
    const auto started = std::chrono::steady_clock::now();
    const auto result = client.scanNetworks();
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count();
    json line{{"step", "freshScan"}, {"uid", ::getuid()}, {"elapsedMs", elapsedMs}};
    if (result) {
        line["source"] = sourceName(result->source);
        line["networks"] = networksOf(*result);
    }
    emit(line);
    return 0;
}

std::optional<WiFiSnapshot> snapshotOf(const std::optional<WiFiInterfaceSnapshot>& reading) {
    if (!reading || !isConnectedReading(*reading)) {
        return std::nullopt;
    }
    return snapshotOfReading(*reading, std::chrono::system_clock::now(), std::nullopt, false);
}

int channelScan(const std::string& station) {
    RunLoop loop;
    auto client = std::make_shared<Nl80211Client>();
    auto recording = std::make_shared<RecordingClient>(client, station);
    auto provider = std::make_shared<CoreWLANInterfaceProvider>(client);
    auto monitor = ChannelScanMonitor::create(
        ChannelScanConfiguration{3, 0.35}, std::make_shared<CoreWLANNetworkScanner>(recording),
        [provider] { return snapshotOf(provider->currentSnapshot()); },
        std::make_shared<TaskSleeper>(), [] { return std::chrono::system_clock::now(); });
    monitor->startScan();
    const bool ended =
        loop.runUntil([&] { return !monitor->isScanning().get(); }, std::chrono::seconds(120));
    const auto& result = monitor->latestResult().get();
    emit({{"step", "channelScan"},
          {"uid", ::getuid()},
          {"ended", ended},
          {"lastErrorMessage", monitor->lastErrorMessage().get()
                                   ? json(*monitor->lastErrorMessage().get())
                                   : json(nullptr)},
          {"scannedNetworkCount", result ? json(result->scannedNetworkCount) : json(nullptr)},
          {"passes", recording->passes()}});
    return ended ? 0 : 1;
}

} // namespace
} // namespace lumra

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "scan") {
        return lumra::scan();
    }
    if (mode == "channel-scan" && argc == 3) {
        return lumra::channelScan(argv[2]);
    }
    std::cerr << "usage: lumra-vm-fresh-scan scan | channel-scan STATION\n";
    return 2;
}
