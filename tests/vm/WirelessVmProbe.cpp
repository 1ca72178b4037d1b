// Runs inside the simulated-radio VM (tests/vm/scene/init) and prints what
// Nl80211Client sees as JSON lines, one per step, for wireless_vm_test.py.
//   scene STATION
//           the default interface, a reading, a triggered scan, as an
//           unprivileged user a reading, a scan (refused trigger), the
//           probes' readers and the station's address through the runner
//           and lumra-systool, and a scan while another one runs (iw)
//   down    a reading and a scan of a station interface that is down
#include "concurrency/RunLoop.h"
#include "platform/wireless/Nl80211Client.h"
#include "platform/wireless/WirelessError.h"
#include "probes/metadata/ShellWiFiNetworkMetadataResolver.h"
#include "probes/runner/CommandRunnerError.h"
#include "probes/runner/ShellCommandRunner.h"
#include "probes/wifi/CoreWLANInterfaceProvider.h"
#include "probes/wifi/CoreWLANNetworkScanner.h"
#include "probes/wifi/CurrentWiFiInterfaceName.h"
#include "probes/wifi/WiFiNetworkScannerError.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lumra {
namespace {

using nlohmann::json;

json toJson(const std::optional<WirelessChannel>& channel) {
    if (!channel) {
        return nullptr;
    }
    return {{"frequencyMhz", channel->frequencyMhz},
            {"number", channel->number},
            {"band", rawValue(channel->band)}};
}

template <class T> json toJson(const std::optional<T>& value) {
    return value ? json(*value) : json(nullptr);
}

json toJson(const WirelessLinkReading& reading) {
    return {
        {"interface", reading.interface.name},
        {"ifindex", reading.interface.ifindex},
        {"ssid", toJson(reading.ssid)},
        {"bssid", toJson(reading.bssid)},
        {"signalDbm", reading.signalDbm},
        {"noiseDbm", reading.noiseDbm},
        {"transmitRateMbps", reading.transmitRateMbps},
        {"channel", toJson(reading.channel)},
    };
}

json toJson(const WirelessScan& scan) {
    json networks = json::array();
    for (const auto& network : scan.networks) {
        networks.push_back({{"ssid", toJson(network.ssid)},
                            {"bssid", toJson(network.bssid)},
                            {"rssiDbm", network.rssiDbm},
                            {"channel", toJson(network.channel)},
                            {"noiseDbm", toJson(network.noiseDbm)}});
    }
    return {
        {"source", scan.source == WirelessScanSource::freshScan ? "freshScan" : "cachedResults"},
        {"networks", networks}};
}

void emit(json line) {
    std::cout << line.dump() << std::endl;
}

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
json probesStep(RunLoop& loop) {
    json out;
    // As the composition root does: a client of their own, handed in.
    auto wireless = std::make_shared<Nl80211Client>();
    out["currentWiFiInterfaceName"] = toJson(currentWiFiInterfaceName(*wireless));
    const auto snapshot = CoreWLANInterfaceProvider(wireless).currentSnapshot();
    if (snapshot) {
        out["snapshot"] = {
            {"interfaceName", snapshot->interfaceName},
            {"ssid", toJson(snapshot->ssid)},
            {"bssid", toJson(snapshot->bssid)},
            {"rssiDbm", snapshot->rssiDbm},
            {"noiseFloorDbm", snapshot->noiseFloorDbm},
            {"linkRateMbps", toJson(snapshot->linkRateMbps)},
            {"channelNumber", toJson(snapshot->channelNumber)},
            {"band", snapshot->band ? json(rawValue(*snapshot->band)) : json(nullptr)}};
    } else {
        out["snapshot"] = nullptr;
    }
    CoreWLANNetworkScanner scanner(wireless);
    auto handle = spawn(mainActor(), [&]() -> Task<std::vector<WiFiScannedNetwork>> {
        co_return co_await scanner.scanNetworks();
    });
    try {
        json networks = json::array();
        for (const auto& network : loop.await(handle, std::chrono::seconds(60))) {
            networks.push_back({{"ssid", toJson(network.ssid)},
                                {"bssid", toJson(network.bssid)},
                                {"rssiDbm", network.rssiDbm},
                                {"channelNumber", network.channelNumber},
                                {"band", rawValue(network.band)}});
        }
        out["scan"] = networks;
    } catch (const std::exception& error) {
        out["scanError"] = error.what();
    }
    return out;
}

// Where the application looks for it: beside the running program.
std::string systoolBesideThisProgram() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (self.parent_path() / "lumra-systool").string();
}

// "ipconfig getifaddr STATION" as the probes run it: through the allow-listed
// runner, which executes lumra-systool in place of the macOS tool; once as
// the raw run and once through the metadata resolver the Wi-Fi monitor uses.
json systoolStep(RunLoop& loop, const std::string& station) {
    const std::string systool = systoolBesideThisProgram();
    auto runner = std::make_shared<ShellCommandRunner>(
        makeAllowedExecutables(),
        std::map<std::string, std::string>{{"/usr/sbin/ipconfig", systool}});
    json out{{"systool", systool}, {"station", station}};
    auto run = spawn(mainActor(), [runner, station]() -> Task<CommandExecutionResult> {
        auto request = CommandRequest{"/usr/sbin/ipconfig", {"getifaddr", station}, 10.0};
        co_return co_await runner->run(std::move(request));
    });
    try {
        const auto result = loop.await(run, std::chrono::seconds(30));
        out["getifaddr"] = {{"exitCode", result.exitCode},
                            {"standardOutput", result.standardOutput},
                            {"standardError", result.standardError}};
    } catch (const CommandRunnerError& error) {
        out["getifaddrError"] = error.describe();
    } catch (const std::exception& error) {
        out["getifaddrError"] = error.what();
    }
    auto resolver = std::make_shared<ShellWiFiNetworkMetadataResolver>(runner, 10.0);
    auto lookup = spawn(mainActor(), [resolver, station]() -> Task<std::optional<std::string>> {
        co_return co_await resolver->ipAddress(station);
    });
    out["resolverAddress"] = toJson(loop.await(lookup, std::chrono::seconds(30)));
    return out;
}

// Of the scene's band only: a scan of every channel, while associated,
// outlasts the wait for a joined scan under emulation on a busy host.
bool startIwScan(const std::string& interface) {
    const char* argv[] = {"iw",   "dev",     interface.c_str(),
                          "scan", "trigger", "freq",
                          "2412", "2417",    "2422",
                          "2427", "2432",    "2437",
                          "2442", "2447",    "2452",
                          "2457", "2462",    nullptr};
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

int scene(const std::string& station) {
    Nl80211Client client;
    emit({{"step", "defaultInterface"},
          {"result", timed([&]() -> json {
               const auto interface = client.defaultInterface();
               if (!interface) {
                   return nullptr;
               }
               return {{"name", interface->name}, {"ifindex", interface->ifindex}};
           })}});
    emit({{"step", "reading"}, {"result", readingStep(client)}});
    emit({{"step", "scan"}, {"result", scanStep(client)}});

    asUnprivilegedUser([&station] {
        Nl80211Client unprivileged;
        emit({{"step", "unprivilegedReading"},
              {"uid", getuid()},
              {"result", readingStep(unprivileged)}});
        emit({{"step", "unprivilegedScan"}, {"uid", getuid()}, {"result", scanStep(unprivileged)}});
        RunLoop loop;
        emit({{"step", "probes"}, {"uid", getuid()}, {"result", probesStep(loop)}});
        emit({{"step", "systool"}, {"uid", getuid()}, {"result", systoolStep(loop, station)}});
    });

    const auto interface = client.defaultInterface();
    const bool otherScanRuns = interface && startIwScan(interface->name);
    emit({{"step", "scanWhileBusy"},
          {"otherScanStarted", otherScanRuns},
          {"result", scanStep(client)}});
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
    if (mode == "scene" && argc == 3) {
        return lumra::scene(argv[2]);
    }
    if (mode == "down") {
        return lumra::down();
    }
    std::cerr << "usage: lumra-vm-wireless-probe scene STATION | down\n";
    return 2;
}
