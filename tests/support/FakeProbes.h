// Scripted stand-ins for the probes the polled monitors use. Calls may take
// virtual time. A cancelled caller's tool run ends at once and answers as a
// failed run does, as with the real runner, which terminates the tool and
// throws, and the real probes, which read that as no answer.
#pragma once

#include "concurrency/Cancellation.h"
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

// A tool run's time: false when the caller is cancelled before or during it.
inline Task<bool> toolRunCompletes(std::chrono::milliseconds duration) {
    if (isCancelled())
        co_return false;
    bool cancelled = false;
    if (duration > std::chrono::milliseconds(0)) {
        try {
            co_await sleepFor(duration);
        } catch (const CancellationError&) {
            cancelled = true;
        }
    }
    co_return !cancelled;
}

// Work that a cancellation does not cut short: a blocking platform call on the
// pool (a Wi-Fi scan) runs to its end.
inline Task<void> uncancellableWait(std::chrono::milliseconds duration) {
    if (duration <= std::chrono::milliseconds(0))
        co_return;
    auto wait = spawn(mainActor(), [duration] { return sleepFor(duration); });
    co_await wait.value();
}

class FakeInterface final : public WiFiInterfaceProviding {
public:
    std::optional<WiFiInterfaceSnapshot> reading = WiFiInterfaceSnapshot{
        "wlan0", "Home", "aa:bb:cc:dd:ee:01", -50, -95, 300, 36, WiFiBand::fiveGigahertz};
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
        const bool completed = co_await toolRunCompletes(duration);
        if (!completed)
            co_return std::nullopt;
        auto found = addresses.find(interfaceName);
        co_return found == addresses.end() ? std::nullopt
                                           : std::optional<std::string>(found->second);
    }
    Task<bool> isVPNActive() override {
        const bool completed = co_await toolRunCompletes(duration);
        if (!completed)
            co_return false;
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
        const bool completed = co_await toolRunCompletes(lookupDuration);
        if (!completed)
            co_return std::nullopt;
        co_return router;
    }
    Task<PingProbeMeasurement> ping(std::string host, double) override {
        calls.push_back("ping " + host);
        const bool completed = co_await toolRunCompletes(std::chrono::milliseconds(0));
        if (!completed)
            co_return PingProbeMeasurement::failed();
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
        const bool completed = co_await toolRunCompletes(std::chrono::milliseconds(0));
        if (!completed)
            co_return DNSLookupOutcome{std::nullopt, false};
        co_return answer;
    }
};

class FakeCounter final : public TCPConnectionCounting {
public:
    TCPConnectionCountOutcome answer{TCPConnectionStateCounts{3, 1, 0}, true};
    Task<TCPConnectionCountOutcome> countConnections(double) override {
        const bool completed = co_await toolRunCompletes(std::chrono::milliseconds(0));
        if (!completed)
            co_return TCPConnectionCountOutcome{std::nullopt, false};
        co_return answer;
    }
};

class FakeChecker final : public CaptivePortalChecking {
public:
    CaptivePortalDetectionMeasurement answer{false, std::nullopt, std::nullopt,
                                             CaptivePortalDetectionReason::none, true};
    std::vector<double> timeouts;
    Task<CaptivePortalDetectionMeasurement> check(double timeout) override {
        timeouts.push_back(timeout);
        co_return answer;
    }
};

} // namespace lumra::test
