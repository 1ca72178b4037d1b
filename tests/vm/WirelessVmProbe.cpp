// Runs inside the simulated-radio VM (tests/vm/scene/init) and prints what
// Nl80211Client sees as JSON lines, one per step, for wireless_vm_test.py.
//   scene   the default interface, a reading, a triggered scan, as an
//           unprivileged user a reading, a scan (refused trigger) and the
//           probes' readers, and a scan while another one runs (iw)
//   down    a reading and a scan of a station interface that is down
#include "concurrency/RunLoop.h"
#include "platform/wireless/Nl80211Client.h"
#include "platform/wireless/WirelessError.h"
#include "probes/wifi/CoreWLANInterfaceProvider.h"
#include "probes/wifi/CoreWLANNetworkScanner.h"
#include "probes/wifi/CurrentWiFiInterfaceName.h"
#include "probes/wifi/WiFiNetworkScannerError.h"

#include <nlohmann/json.hpp>

#include <grp.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>

extern char** environ;

namespace lumra {
namespace {

using nlohmann::json;

json toJson(const std::optional<WirelessChannel>& channel) {
    if (!channel) {
        return nullptr;
    }
    return {{"frequencyMhz", channel->frequencyMhz}, {"number", channel->number}, {"band", rawValue(channel->band)}};
}

template <class T> json toJson(const std::optional<T>& value) { return value ? json(*value) : json(nullptr); }

json toJson(const WirelessLinkReading& reading) {
    return {
        {"interface", reading.interface.name}, {"ifindex", reading.interface.ifindex},
        {"ssid", toJson(reading.ssid)},        {"bssid", toJson(reading.bssid)},
        {"signalDbm", reading.signalDbm},      {"noiseDbm", reading.noiseDbm},
        {"transmitRateMbps", reading.transmitRateMbps}, {"channel", toJson(reading.channel)},
    };
}

json toJson(const WirelessScan& scan) {
    json networks = json::array();
    for (const auto& network : scan.networks) {
        networks.push_back({{"ssid", toJson(network.ssid)}, {"bssid", toJson(network.bssid)},
                            {"rssiDbm", network.rssiDbm}, {"channel", toJson(network.channel)},
                            {"noiseDbm", toJson(network.noiseDbm)}});
    }
    return {{"source", scan.source == WirelessScanSource::freshScan ? "freshScan" : "cachedResults"},
            {"networks", networks}};
}

void emit(json line) { std::cout << line.dump() << std::endl; }

// Runs one call, recording its result or its error and how long it took.
json timed(const std::function<json()>& call) {
    const auto start = std::chrono::steady_clock::now();
    json out;
    try {
        out["value"] = call();
    } catch (const WirelessError& error) {
        out["error"] = {{"errno", error.errorNumber()}, {"message", error.what()}};
    }
    out["elapsedMs"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return out;
}

json readingStep(Nl80211Client& client) {
    return timed([&]() -> json {
        const auto reading = client.currentReading();
        return reading ? toJson(*reading) : json(nullptr);
    });
}

json scanStep(Nl80211Client& client) {
    return timed([&]() -> json {
        const auto scan = client.scanNetworks();
        return scan ? toJson(*scan) : json(nullptr);
    });
}

// The readers the monitors use, as the application runs them: unprivileged.
json probesStep() {
    json out;
    out["currentWiFiInterfaceName"] = toJson(currentWiFiInterfaceName());
    const auto snapshot = CoreWLANInterfaceProvider().currentSnapshot();
    if (snapshot) {
        out["snapshot"] = {{"interfaceName", snapshot->interfaceName}, {"ssid", toJson(snapshot->ssid)},
                           {"bssid", toJson(snapshot->bssid)},        {"rssiDbm", snapshot->rssiDbm},
                           {"noiseFloorDbm", snapshot->noiseFloorDbm}, {"linkRateMbps", toJson(snapshot->linkRateMbps)},
                           {"channelNumber", toJson(snapshot->channelNumber)},
                           {"band", snapshot->band ? json(rawValue(*snapshot->band)) : json(nullptr)}};
    } else {
        out["snapshot"] = nullptr;
    }
    RunLoop loop;
    CoreWLANNetworkScanner scanner;
    auto handle = spawn(mainActor(), [&]() -> Task<std::vector<WiFiScannedNetwork>> {
        co_return co_await scanner.scanNetworks();
    });
    try {
        json networks = json::array();
        for (const auto& network : loop.await(handle, std::chrono::seconds(60))) {
            networks.push_back({{"ssid", toJson(network.ssid)}, {"bssid", toJson(network.bssid)},
                                {"rssiDbm", network.rssiDbm}, {"channelNumber", network.channelNumber},
                                {"band", rawValue(network.band)}});
        }
        out["scan"] = networks;
    } catch (const std::exception& error) {
        out["scanError"] = error.what();
    }
    return out;
}

bool startIwScan(const std::string& interface) {
    const char* argv[] = {"iw", "dev", interface.c_str(), "scan", "trigger", nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "iw", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        return false;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// nobody: no CAP_NET_ADMIN, so the kernel refuses to trigger scans.
void asUnprivilegedUser(const std::function<void()>& body) {
    std::cout.flush();
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) {
            emit({{"step", "unprivileged"}, {"error", "could not drop privileges"}});
            std::_Exit(1);
        }
        body();
        std::cout.flush();
        std::_Exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

int scene() {
    Nl80211Client client;
    emit({{"step", "defaultInterface"}, {"result", timed([&]() -> json {
                                             const auto interface = client.defaultInterface();
                                             if (!interface) {
                                                 return nullptr;
                                             }
                                             return {{"name", interface->name}, {"ifindex", interface->ifindex}};
                                         })}});
    emit({{"step", "reading"}, {"result", readingStep(client)}});
    emit({{"step", "scan"}, {"result", scanStep(client)}});

    asUnprivilegedUser([] {
        Nl80211Client unprivileged;
        emit({{"step", "unprivilegedReading"}, {"uid", getuid()}, {"result", readingStep(unprivileged)}});
        emit({{"step", "unprivilegedScan"}, {"uid", getuid()}, {"result", scanStep(unprivileged)}});
        emit({{"step", "probes"}, {"uid", getuid()}, {"result", probesStep()}});
    });

    const auto interface = client.defaultInterface();
    const bool otherScanRuns = interface && startIwScan(interface->name);
    emit({{"step", "scanWhileBusy"}, {"otherScanStarted", otherScanRuns}, {"result", scanStep(client)}});
    return 0;
}

int down() {
    Nl80211Client client;
    emit({{"step", "downReading"}, {"result", readingStep(client)}});
    emit({{"step", "downScan"}, {"result", scanStep(client)}});
    return 0;
}

} // namespace
} // namespace lumra

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "scene") {
        return lumra::scene();
    }
    if (mode == "down") {
        return lumra::down();
    }
    std::cerr << "usage: lumra-vm-wireless-probe scene|down\n";
    return 2;
}
