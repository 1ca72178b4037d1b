// Scripted stand-ins for the probes the polled monitors use. Calls may take
// virtual time; the work of a cancelled caller still finishes, as tool runs do.
#pragma once

#include "concurrency/Runtime.h"
#include "concurrency/Sleep.h"
#include "concurrency/Spawn.h"
#include "probes/captive/CaptivePortalProbe.h"
#include "probes/dns/DNSLookupRunning.h"
#include "probes/metadata/WiFiNetworkMetadataResolving.h"
#include "probes/ping/PingProbeRunning.h"
#include "probes/tcp/TCPConnectionCounting.h"
#include "probes/wifi/WiFiInterfaceProviding.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumra::test {

inline Task<void> uncancellableWait(std::chrono::milliseconds duration) {
    if (duration <= std::chrono::milliseconds(0))
        co_return;
    auto wait = spawn(mainActor(), [duration] { return sleepFor(duration); });
    co_await wait.value();
}

class FakeInterface final : public WiFiInterfaceProviding {
public:
    std::optional<WiFiInterfaceSnapshot> reading =
        WiFiInterfaceSnapshot{"wlan0", "Home", "aa:bb:cc:dd:ee:01", -50, -95, 300, 36, WiFiBand::fiveGigahertz};
    std::optional<WiFiInterfaceSnapshot> currentSnapshot() override { return reading; }
};

class FakeResolver final : public WiFiNetworkMetadataResolving {
public:
    std::map<std::string, std::string> addresses{{"wlan0", "192.168.1.20"}, {"wlan1", "10.0.0.5"}};
    bool vpn = true;
    std::chrono::milliseconds duration{100};
    std::vector<std::string> lookups;

    Task<std::optional<std::string>> ipAddress(std::string interfaceName) override {
        lookups.push_back(interfaceName);
        co_await uncancellableWait(duration);
        auto found = addresses.find(interfaceName);
        co_return found == addresses.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    Task<bool> isVPNActive() override {
        co_await uncancellableWait(duration);
        co_return vpn;
    }
};

class FakePingProbe final : public PingProbeRunning {
public:
    std::optional<std::string> router = "192.168.1.1";
    std::map<std::string, PingProbeMeasurement> answers;
    std::chrono::milliseconds lookupDuration{0};
    std::vector<std::string> calls;

    Task<std::optional<std::string>> resolveRouterAddress(double) override {
        calls.push_back("resolve");
        if (lookupDuration > std::chrono::milliseconds(0))
            co_await sleepFor(lookupDuration);
        co_return router;
    }
    Task<PingProbeMeasurement> ping(std::string host, double) override {
        calls.push_back("ping " + host);
        auto found = answers.find(host);
        co_return found == answers.end() ? PingProbeMeasurement::failed() : found->second;
    }
};

class FakeDNSLookup final : public DNSLookupRunning {
public:
    std::vector<std::string> domains;
    DNSLookupOutcome answer{12.0, true};

    Task<DNSLookupOutcome> lookup(std::string domain, double) override {
        domains.push_back(domain);
        co_return answer;
    }
};

class FakeCounter final : public TCPConnectionCounting {
public:
    TCPConnectionCountOutcome answer{TCPConnectionStateCounts{3, 1, 0}, true};
    Task<TCPConnectionCountOutcome> countConnections(double) override { co_return answer; }
};

class FakeChecker final : public CaptivePortalChecking {
public:
    CaptivePortalDetectionMeasurement answer{false, std::nullopt, std::nullopt, CaptivePortalDetectionReason::none, true};
    std::vector<double> timeouts;
    Task<CaptivePortalDetectionMeasurement> check(double timeout) override {
        timeouts.push_back(timeout);
        co_return answer;
    }
};

} // namespace lumra::test
