// The scan request against stand-ins for NetworkManager and iwd on a private
// system bus (fake_network_services.py): where the request goes, what ends the wait
// and what each refusal, absence and deadline gives; and what a stand-in that
// misbehaves cannot make of it.
#include "platform/wireless/ServiceScanRequest.h"

#include "base/DiagnosticLog.h"
#include "concurrency/RunLoop.h"
#include "tests/faults/GapMeter.h"
#include "tests/platform/bus/PrivateBus.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string nmWifi = "/org/freedesktop/NetworkManager/Devices/3";
const std::string iwdStation = "/net/connman/iwd/0/4";

// An ethernet device and another radio before ours, so the first device is
// never the right one by luck.
std::string networkManager(const std::string& mode, const std::string& ours = "wlan0") {
    return R"("networkManager": {"scan": ")" + mode + R"(", "devices": [
        {"path": "/org/freedesktop/NetworkManager/Devices/1", "interface": "eth0", "wifi": false},
        {"path": "/org/freedesktop/NetworkManager/Devices/2", "interface": "wlan1", "wifi": true},
        {"path": ")" +
           nmWifi + R"(", "interface": ")" + ours + R"(", "wifi": true}]})";
}

// extra: more fields of the networkManager object, after a comma.
std::string networkManagerWith(const std::string& extra) {
    return R"("networkManager": {"devices": [
        {"path": ")" +
           nmWifi + R"(", "interface": "wlan0", "wifi": true}], )" + extra + "}";
}

std::string iwd(const std::string& mode, bool station = true) {
    return R"("iwd": {"scan": ")" + mode + R"(", "stations": [
        {"path": "/net/connman/iwd/0/3", "interface": "wlan1", "station": true},
        {"path": ")" +
           iwdStation + R"(", "interface": "wlan0", "station": )" + (station ? "true" : "false") +
           "}]}";
}

class Services {
public:
    Services(const std::string& address, const std::string& config)
        : m_process("/usr/bin/python3",
                    {"python3", LUMRA_FAKE_NETWORK_SERVICES, address, "{" + config + "}"},
                    test::ProcessOptions::commanded()) {
        if (m_process.readLine(10s) != "ready")
            throw std::runtime_error("the stand-in services did not start");
    }

    std::optional<std::string> nextLine(std::chrono::milliseconds timeout = 10s) {
        return m_process.readLine(timeout);
    }
    void writeLine(const std::string& line) { m_process.writeLine(line); }

    // Ends the scans under way; the stand-in reports each, then "ended".
    void endScan() {
        m_process.writeLine("end-scan");
        while (auto line = m_process.readLine(10s)) {
            if (*line == "ended")
                return;
        }
        throw std::runtime_error("the stand-in did not end its scan");
    }

private:
    test::Subprocess m_process;
};

// The service has the request; its answer gets a moment to arrive, and
// must not have ended the wait.
bool stillWaiting(const ServiceScanRequest& request) {
    return request.wait(Clock::now() + 200ms) == ServiceScanOutcome::timedOut;
}

class ServiceScanRequestTest : public ::testing::Test {
protected:
    BusAddress address() const { return BusAddress::explicitAddress(bus.address()); }

    RunLoop loop; // the runtime whose I/O thread does the bus work
    // A system bus's policy: calls reach only the two services, as their
    // own policy files allow.
    test::PrivateBus bus{test::PrivateBus::Kind::system,
                         {"org.freedesktop.NetworkManager", "net.connman.iwd"}};
};

TEST_F(ServiceScanRequestTest, NetworkManagerScansOurDeviceAndTheWaitEndsWhenLastScanAdvances) {
    Services services(bus.address(), networkManager("finish"));
    ServiceScanRequest request(address(), "wlan0");
    EXPECT_EQ(services.nextLine(), "requested " + nmWifi);
    EXPECT_TRUE(stillWaiting(request)) << "done before LastScan moved";
    services.endScan();
    EXPECT_EQ(request.wait(Clock::now() + 10s), ServiceScanOutcome::scanned);
}

TEST_F(ServiceScanRequestTest, NetworkManagerJoinsAScanAlreadyRunning) {
    Services services(bus.address(), networkManager("running"));
    ServiceScanRequest request(address(), "wlan0");
    EXPECT_EQ(services.nextLine(), "requested " + nmWifi);
    EXPECT_TRUE(stillWaiting(request));
    services.endScan();
    EXPECT_EQ(request.wait(Clock::now() + 10s), ServiceScanOutcome::scanned);
}

TEST_F(ServiceScanRequestTest, IwdScansOurStationAndTheWaitEndsWhenScanningIsFalseAgain) {
    Services services(bus.address(), iwd("finish"));
    ServiceScanRequest request(address(), "wlan0");
    EXPECT_EQ(services.nextLine(), "requested " + iwdStation);
    EXPECT_TRUE(stillWaiting(request)) << "done while Scanning is true";
    services.endScan();
    EXPECT_EQ(request.wait(Clock::now() + 10s), ServiceScanOutcome::scanned);
}

TEST_F(ServiceScanRequestTest, IwdBusyWhileItScansIsJoined) {
    Services services(bus.address(), iwd("running"));
    ServiceScanRequest request(address(), "wlan0");
    EXPECT_EQ(services.nextLine(), "requested " + iwdStation);
    EXPECT_TRUE(stillWaiting(request)) << "Busy during a scan was taken as a refusal";
    services.endScan();
    EXPECT_EQ(request.wait(Clock::now() + 10s), ServiceScanOutcome::scanned);
}

TEST_F(ServiceScanRequestTest, IwdAnswersWhenNetworkManagerDoesNotManageTheInterface) {
    Services services(bus.address(), networkManager("finish", "wlan7") + "," + iwd("finish"));
    ServiceScanRequest request(address(), "wlan0");
    EXPECT_EQ(services.nextLine(), "requested " + iwdStation);
    services.endScan();
    EXPECT_EQ(request.wait(Clock::now() + 10s), ServiceScanOutcome::scanned);
}

struct Case {
    const char* name;
    std::string services; // empty: nothing owns either name
    ServiceScanOutcome outcome;
    std::string requestedPath; // empty: no request may reach a service
};

class ServiceScanRequestCaseTest : public ServiceScanRequestTest,
                                   public ::testing::WithParamInterface<Case> {};

// Nothing here ends a scan, so every wait ends by the outcome or the deadline.
TEST_P(ServiceScanRequestCaseTest, EndsWithItsOutcome) {
    const Case& item = GetParam();
    std::optional<Services> services;
    if (!item.services.empty())
        services.emplace(bus.address(), item.services);
    ServiceScanRequest request(address(), "wlan0");
    const auto outcome = request.wait(Clock::now() + 500ms);
    EXPECT_EQ(outcome, item.outcome) << describe(outcome);
    if (!item.requestedPath.empty()) {
        ASSERT_TRUE(services);
        EXPECT_EQ(services->nextLine(), "requested " + item.requestedPath);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ServiceScanRequestCaseTest,
    ::testing::Values(
        Case{"NetworkManagerPolkitRefusal", networkManager("refuse"), ServiceScanOutcome::refused,
             nmWifi},
        Case{"NetworkManagerNotAllowed", networkManager("not-allowed"), ServiceScanOutcome::refused,
             nmWifi},
        Case{"NetworkManagerNeverFinishes", networkManager("never"), ServiceScanOutcome::timedOut,
             nmWifi},
        Case{"NetworkManagerOtherInterfacesOnly", networkManager("finish", "wlan7"),
             ServiceScanOutcome::notManaged, ""},
        Case{"IwdRefusedByBusPolicy", iwd("refuse"), ServiceScanOutcome::refused, iwdStation},
        Case{"IwdBusyWithoutAScan", iwd("busy"), ServiceScanOutcome::refused, iwdStation},
        Case{"IwdNeverFinishes", iwd("never"), ServiceScanOutcome::timedOut, iwdStation},
        Case{"IwdDeviceThatIsNoStation", iwd("finish", false), ServiceScanOutcome::notManaged, ""},
        Case{"NoService", "", ServiceScanOutcome::noService, ""}),
    [](const ::testing::TestParamInfo<Case>& testInfo) {
        return std::string(testInfo.param.name);
    });

TEST(ServiceScanRequestPolicyTest, BusPolicyThatKeepsUsFromBothServicesIsNoScan) {
    RunLoop loop;
    test::PrivateBus closed{test::PrivateBus::Kind::system};
    Services services(closed.address(), networkManager("finish") + "," + iwd("finish"));
    ServiceScanRequest request(BusAddress::explicitAddress(closed.address()), "wlan0");
    const auto outcome = request.wait(Clock::now() + 10s);
    EXPECT_EQ(outcome, ServiceScanOutcome::notManaged) << describe(outcome);
    EXPECT_EQ(request.detail(), "org.freedesktop.DBus.Error.AccessDenied");
}

TEST(ServiceScanRequestNoBusTest, NoBusAtTheAddressIsNoService) {
    RunLoop loop;
    ServiceScanRequest request(BusAddress::explicitAddress("unix:path=/nonexistent/lumra-bus"),
                               "wlan0");
    EXPECT_EQ(request.wait(Clock::now() + 10s), ServiceScanOutcome::noService);
}

TEST_F(ServiceScanRequestTest, AbandonedRequestLeavesTheServiceRunning) {
    Services services(bus.address(), networkManager("never"));
    {
        ServiceScanRequest request(address(), "wlan0");
        EXPECT_EQ(services.nextLine(), "requested " + nmWifi);
    }
    ServiceScanRequest again(address(), "wlan0");
    EXPECT_EQ(services.nextLine(), "requested " + nmWifi);
}

struct Impostor {
    const char* name;
    std::string services;
    std::string requestedPath;
};

void PrintTo(const Impostor& item, std::ostream* out) {
    *out << item.name;
}

class ServiceScanRequestImpostorTest : public ServiceScanRequestTest,
                                       public ::testing::WithParamInterface<Impostor> {};

// The bus checks the sender of a broadcast signal against the match, but a
// signal addressed to us reaches us from anyone.
TEST_P(ServiceScanRequestImpostorTest, ASignalFromAConnectionWithoutTheNameIsIgnored) {
    const Impostor& item = GetParam();
    Services services(bus.address(), R"("impostor": true, )" + item.services);
    ServiceScanRequest request(address(), "wlan0");
    EXPECT_EQ(services.nextLine(), "requested " + item.requestedPath);
    EXPECT_EQ(services.nextLine(), "impostor-sent");
    EXPECT_TRUE(stillWaiting(request)) << "the impostor's signal ended the wait";
    services.endScan();
    EXPECT_EQ(request.wait(Clock::now() + 10s), ServiceScanOutcome::scanned);
}

INSTANTIATE_TEST_SUITE_P(Services, ServiceScanRequestImpostorTest,
                         ::testing::Values(Impostor{"NetworkManager", networkManager("finish"),
                                                    nmWifi},
                                           Impostor{"Iwd", iwd("finish"), iwdStation}),
                         [](const ::testing::TestParamInfo<Impostor>& testInfo) {
                             return std::string(testInfo.param.name);
                         });

struct LastScan {
    const char* name;
    std::string values; // LastScan before the scan, then after it
    bool scanned;
};

void PrintTo(const LastScan& item, std::ostream* out) {
    *out << item.name;
}

class ServiceScanRequestLastScanTest : public ServiceScanRequestTest,
                                       public ::testing::WithParamInterface<LastScan> {};

// Only an int64 that moves forward from a value we know, to one that is a
// time, says a scan ended.
TEST_P(ServiceScanRequestLastScanTest, OnlyALastScanThatMovesForwardIsAScan) {
    const LastScan& item = GetParam();
    Services services(bus.address(), networkManagerWith(R"("lastScan": )" + item.values));
    ServiceScanRequest request(address(), "wlan0");
    EXPECT_EQ(services.nextLine(), "requested " + nmWifi);
    services.endScan();
    if (item.scanned)
        EXPECT_EQ(request.wait(Clock::now() + 10s), ServiceScanOutcome::scanned);
    else
        EXPECT_TRUE(stillWaiting(request)) << "taken for a scan";
}

INSTANTIATE_TEST_SUITE_P(
    Values, ServiceScanRequestLastScanTest,
    ::testing::Values(LastScan{"NeverScannedToZero", R"([["x", -1], ["x", 0]])", true},
                      LastScan{"StringThenInt64", R"([["s", "7"], ["x", 5000000]])", false},
                      LastScan{"Int32ThenInt64", R"([["i", 7], ["x", 5000000]])", false},
                      LastScan{"NegativeToLessNegative", R"([["x", -100], ["x", -50]])", false},
                      LastScan{"Int64ThenInt32", R"([["x", 7], ["i", 5000000]])", false}),
    [](const ::testing::TestParamInfo<LastScan>& testInfo) {
        return std::string(testInfo.param.name);
    });

// NetworkManager lists count devices that are not Wi-Fi after ours. Only
// the head of the list is read, so the I/O thread, which every request and
// tool run shares, never waits on the rest.
class ServiceScanRequestLongListTest : public ServiceScanRequestTest,
                                       public ::testing::WithParamInterface<int> {};

TEST_P(ServiceScanRequestLongListTest, ALongDeviceListKeepsTheIoThreadResponsive) {
    const int count = GetParam();
    Services services(bus.address(),
                      networkManagerWith(R"("scan": "never", "moreDevices": {"count": )" +
                                         std::to_string(count) + "}"));
    test::GapMeter meter;
    const auto start = Clock::now();
    ServiceScanRequest request(address(), "wlan0");
    EXPECT_EQ(services.nextLine(60s), "requested " + nmWifi);
    const auto requested = Clock::now() - start;
    meter.stop();
    const auto gap = meter.ioThreadGap();
    std::printf("%d devices: scan requested after %lld ms, longest I/O-thread gap %lld ms\n", count,
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(requested).count()),
                static_cast<long long>(gap.count()));
    // Far above what one pass over the head of the list takes.
    EXPECT_LT(gap, 1s);
}

INSTANTIATE_TEST_SUITE_P(Counts, ServiceScanRequestLongListTest,
                         ::testing::Values(100'000, 300'000));

// Ours comes after the cap; the devices before it are asked, no more.
TEST_F(ServiceScanRequestTest, DevicesBeyondTheCapAreNotAsked) {
    const auto cap = ServiceScanRequest::maxDevices;
    Services services(bus.address(),
                      networkManagerWith(R"("moreDevices": {"before": true, "count": )" +
                                         std::to_string(cap + 100) + "}"));
    std::mutex mutex;
    std::vector<std::string> lines;
    DiagnosticLog::Capture capture([&](std::string line) {
        std::lock_guard lock(mutex);
        lines.push_back(std::move(line));
    });
    ServiceScanRequest request(address(), "wlan0");
    const auto outcome = request.wait(Clock::now() + 30s);
    EXPECT_EQ(outcome, ServiceScanOutcome::notManaged) << describe(outcome);
    services.writeLine("count");
    EXPECT_EQ(services.nextLine(), "asked " + std::to_string(cap));
    std::lock_guard lock(mutex);
    bool logged = false;
    for (const auto& line : lines)
        logged = logged || line.find(std::to_string(cap) + " devices") != std::string::npos;
    EXPECT_TRUE(logged) << "no line about the devices left unread";
}

TEST_F(ServiceScanRequestTest, AnIwdObjectWithAMalformedNameIsSkipped) {
    Services services(bus.address(), R"("iwd": {"scan": "finish", "stations": [
        {"path": "/net/connman/iwd/0/2", "interface": 7, "station": true},
        {"path": ")" + iwdStation + R"(", "interface": "wlan0", "station": true}]})");
    ServiceScanRequest request(address(), "wlan0");
    EXPECT_EQ(services.nextLine(), "requested " + iwdStation);
    services.endScan();
    EXPECT_EQ(request.wait(Clock::now() + 10s), ServiceScanOutcome::scanned);
}

} // namespace
} // namespace lumra
