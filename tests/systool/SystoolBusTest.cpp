// "scutil --nc list" against a fake NetworkManager (fake_network_manager.py)
// on a private bus that the test starts, handed to lumra-systool as the
// system bus.
#include "probes/metadata/VPNActivity.h"
#include "probes/parsers/VPNServiceListParser.h"
#include "systool/SystoolPath.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"
#include "tests/systool/ToolOutputRules.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;

const std::string kHeader =
    "Available network connection services in the current set (*=enabled):\n";

class SystoolBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_bus = std::make_unique<test::Subprocess>(
            "/usr/bin/dbus-daemon",
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--nopidfile",
                                     "--address=unix:path=" + (m_directory / "bus").string(),
                                     "--print-address=1"});
        ASSERT_TRUE(m_bus->waitForOutput("\n", 10s)) << "dbus-daemon did not start";
        m_address = "unix:path=" + (m_directory / "bus").string();
    }

    void TearDown() override {
        m_service.reset();
        m_bus.reset();
    }

    // False (with the service's complaint) when it did not come up.
    ::testing::AssertionResult startNetworkManager(const std::string& scenario) {
        m_service = std::make_unique<test::Subprocess>(
            "/usr/bin/python3",
            std::vector<std::string>{"python3", LUMRA_FAKE_NETWORK_MANAGER, m_address, scenario});
        if (m_service->waitForOutput("ready\n", 10s)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "fake NetworkManager did not start: " << m_service->finish(5s).err;
    }

    test::ProcessResult listServices() {
        return test::runProgram(kSystoolPath, {"/usr/sbin/scutil", "--nc", "list"},
                                {"DBUS_SYSTEM_BUS_ADDRESS=" + m_address}, 20s);
    }

    test::TempDir m_directory;
    std::string m_address;
    std::unique_ptr<test::Subprocess> m_bus;
    std::unique_ptr<test::Subprocess> m_service;
};

TEST_F(SystoolBusTest, ListsNetworkManagersVpnConnections) {
    ASSERT_TRUE(startNetworkManager(R"({"connections": [
        {"id": "Office VPN", "uuid": "6d0b0d8e-ab63-4f4d-9d6f-1e2f3c4b5a69", "type": "vpn", "state": 2},
        {"id": "Wired connection 1", "uuid": "1d7e9f0a-0000-4000-8000-000000000001", "type": "802-3-ethernet", "state": 2},
        {"id": "gone", "uuid": "7e7e7e7e-5555-4555-8555-555555555555", "type": "vpn", "state": 2, "vanished": true},
        {"id": "wg-home", "uuid": "0f6c7a52-4a5e-4c4e-8d8e-3c8c6c2f9e11", "type": "wireguard", "state": 1},
        {"id": "Lab \"B\"", "uuid": "2a0b4c6d-1111-4111-8111-111111111111", "type": "vpn", "state": 3}
    ]})"));
    const auto result = listServices();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kHeader + "* (Connected)      6d0b0d8e-ab63-4f4d-9d6f-1e2f3c4b5a69 VPN "
                                    "(vpn)            \"Office VPN\" [VPN:vpn]\n"
                                    "* (Connecting)     0f6c7a52-4a5e-4c4e-8d8e-3c8c6c2f9e11 VPN "
                                    "(wireguard)      \"wg-home\" [VPN:wireguard]\n"
                                    "* (Disconnecting)  2a0b4c6d-1111-4111-8111-111111111111 VPN "
                                    "(vpn)            \"Lab 'B'\" [VPN:vpn]\n");
}

// What the VPN probe reads from it: a connected service, which settles the
// verdict without any tunnel.
TEST_F(SystoolBusTest, AnActivatedWireGuardConnectionIsAConnectedVPNService) {
    ASSERT_TRUE(startNetworkManager(R"({"connections": [
        {"id": "wg-office", "uuid": "3c9d2e1f-7777-4777-8777-777777777777", "type": "wireguard", "state": 2}
    ]})"));
    const auto result = listServices();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kHeader + "* (Connected)      3c9d2e1f-7777-4777-8777-777777777777 VPN "
                                    "(wireguard)      \"wg-office\" [VPN:wireguard]\n");
    const auto services = parseVPNServiceList(result.out);
    EXPECT_EQ(services, (std::vector<VPNConnectionServiceStatus>{
                            {"3c9d2e1f-7777-4777-8777-777777777777", "wg-office",
                             VPNConnectionServiceState::connected}}));
    EXPECT_TRUE(evaluateVPNActivity(services, {}, {}));
}

TEST_F(SystoolBusTest, NetworkManagerWithoutActiveConnectionsGivesTheHeaderOnly) {
    ASSERT_TRUE(startNetworkManager(R"({"connections": []})"));
    const auto result = listServices();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kHeader);
}

TEST_F(SystoolBusTest, BusWithoutNetworkManagerGivesTheHeaderOnly) {
    const auto result = listServices();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kHeader);
}

// The VPN probe gives scutil two seconds: a service that does not answer
// ends the run well inside them, as a failure rather than an empty list.
TEST_F(SystoolBusTest, UnansweringNetworkManagerFailsWithinTheBudget) {
    ASSERT_TRUE(startNetworkManager(R"({"connections": [], "hang": true})"));
    const auto start = std::chrono::steady_clock::now();
    const auto result = listServices();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 6s);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("scutil: NetworkManager"), std::string::npos) << result.err;
}

} // namespace
} // namespace lumra
