// The scan request against stand-ins for NetworkManager and iwd on a private
// system bus (fake_network_services.py): where the request goes, what ends the wait
// and what each refusal, absence and deadline gives.
#include "platform/wireless/ServiceScanRequest.h"

#include "concurrency/RunLoop.h"
#include "tests/platform/bus/PrivateBus.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

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

    std::optional<std::string> nextLine() { return m_process.readLine(10s); }

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

} // namespace
} // namespace lumra
