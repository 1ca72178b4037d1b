#include "systool/NetworkConnectionList.h"

#include "tests/systool/Fixtures.h"
#include "tests/systool/ToolOutputRules.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

TEST(NetworkConnectionListTest, ListsVpnConnectionsWithScutilStates) {
    const std::vector<ActiveConnection> connections = {
        {"Office VPN", "6d0b0d8e-ab63-4f4d-9d6f-1e2f3c4b5a69", "vpn", nm_active_state::activated},
        {"wg-home", "0f6c7a52-4a5e-4c4e-8d8e-3c8c6c2f9e11", "wireguard",
         nm_active_state::activating},
        {"Wired connection 1", "1d7e9f0a-0000-4000-8000-000000000001", "802-3-ethernet",
         nm_active_state::activated},
        {"Lab", "2a0b4c6d-1111-4111-8111-111111111111", "vpn", nm_active_state::deactivating},
        {"Old", "3b1c5d7e-2222-4222-8222-222222222222", "vpn", nm_active_state::deactivated},
        {"Odd", "4c2d6e8f-3333-4333-8333-333333333333", "vpn", nm_active_state::unknown},
        {"Future", "5d3e7f90-4444-4444-8444-444444444444", "wireguard", 9},
    };
    EXPECT_EQ(formatNetworkConnectionList(connections),
              test::fixtureText("expected/scutil-nc-list.txt"));
}

TEST(NetworkConnectionListTest, NoConnectionsGiveTheHeaderOnly) {
    EXPECT_EQ(formatNetworkConnectionList({}),
              "Available network connection services in the current set (*=enabled):\n");
}

// A connection's name is the user's text; it must not make lines of its own
// or end the quoted name early.
TEST(NetworkConnectionListTest, NamesStayOnTheirLineAndInsideTheirQuotes) {
    const std::vector<std::string> names = {
        "evil\n* (Connected)      x VPN (vpn) \"x\" [VPN:vpn]",
        "evil\r* (Connected) x [VPN:vpn]",
        "evil\xc2\x85* (Connected) x [VPN:vpn]",
        "evil\xe2\x80\xa8* (Connected) x [VPN:vpn]",
        "evil\xe2\x80\xa9* (Connected) x [VPN:vpn]",
        "evil\v\f\x1b",
        "say \"hi\"",
    };
    for (const std::string& name : names) {
        const std::string output = formatNetworkConnectionList(
            {{name, "6d0b0d8e-ab63-4f4d-9d6f-1e2f3c4b5a69", "vpn", nm_active_state::deactivated}});
        const auto lines = test::splitLines(output);
        ASSERT_EQ(lines.size(), 2u) << name;
        EXPECT_NE(output.find("(Disconnected)"), std::string::npos);
        EXPECT_EQ(output.find("\xe2\x80\xa8"), std::string::npos);
        EXPECT_EQ(output.find("\xe2\x80\xa9"), std::string::npos);
        EXPECT_EQ(output.find("\xc2\x85"), std::string::npos);
        const std::size_t open = lines[1].find('"');
        const std::size_t close = lines[1].find('"', open + 1);
        EXPECT_EQ(lines[1].find('"', close + 1), std::string::npos) << lines[1];
    }
    EXPECT_EQ(lineSafeText("say \"hi\"\tnow"), "say 'hi' now");
    EXPECT_EQ(lineSafeText("Büro \xe2\x80\x94 VPN"), "Büro \xe2\x80\x94 VPN");
}

} // namespace
} // namespace lumra
