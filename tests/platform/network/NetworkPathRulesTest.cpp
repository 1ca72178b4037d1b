#include "platform/network/InterfaceTypeClassifier.h"
#include "platform/network/RoutingFacts.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <unistd.h>

namespace lumra {
namespace {

constexpr unsigned upRunning = IFF_UP | IFF_RUNNING;

NetworkInterfaceType typeByName(const LinkFacts& link) {
    if (link.name.starts_with("wl"))
        return NetworkInterfaceType::wifi;
    if (link.name.starts_with("ww"))
        return NetworkInterfaceType::cellular;
    if (link.name.starts_with("eth"))
        return NetworkInterfaceType::wiredEthernet;
    return NetworkInterfaceType::other;
}

struct PathCase {
    const char* name;
    RoutingFacts facts;
    NetworkPath expected;
};

TEST(EvaluateNetworkPathTest, SatisfiedOnlyByARunningNonLoopbackInterfaceWithADefaultRoute) {
    const LinkFacts lo{1, "lo", ARPHRD_LOOPBACK, upRunning | IFF_LOOPBACK};
    const LinkFacts eth0{2, "eth0", ARPHRD_ETHER, upRunning};
    const LinkFacts wlan0{3, "wlan0", ARPHRD_ETHER, upRunning};
    const LinkFacts tun0{4, "tun0", ARPHRD_NONE, upRunning};
    const LinkFacts ethDown{2, "eth0", ARPHRD_ETHER, 0};
    const LinkFacts ethNoCarrier{2, "eth0", ARPHRD_ETHER, IFF_UP};
    const NetworkPath offline{NetworkPathStatus::unsatisfied, {}};
    const NetworkPathInterface wired{"eth0", NetworkInterfaceType::wiredEthernet};
    const NetworkPathInterface wifi{"wlan0", NetworkInterfaceType::wifi};
    const NetworkPathInterface tunnel{"tun0", NetworkInterfaceType::other};

    const std::vector<PathCase> cases = {
        {"no links", {}, offline},
        {"links without default route", {{lo, eth0}, {}}, offline},
        {"default route on a running wired link",
         {{lo, eth0}, {2}},
         {NetworkPathStatus::satisfied, {wired}}},
        {"default route on loopback", {{lo, eth0}, {1}}, offline},
        {"default route on a link that is down", {{lo, ethDown}, {2}}, offline},
        {"default route on a link without carrier", {{lo, ethNoCarrier}, {2}}, offline},
        {"default route on an unknown index", {{lo, eth0}, {9}}, offline},
        {"IPv4 and IPv6 defaults on one link",
         {{eth0}, {2, 2}},
         {NetworkPathStatus::satisfied, {wired}}},
        {"two links, sorted by name",
         {{wlan0, eth0}, {3, 2}},
         {NetworkPathStatus::satisfied, {wired, wifi}}},
        {"a tunnel beside Wi-Fi",
         {{wlan0, tun0}, {4, 3}},
         {NetworkPathStatus::satisfied, {tunnel, wifi}}},
        {"only the link with the route is used",
         {{wlan0, eth0}, {3}},
         {NetworkPathStatus::satisfied, {wifi}}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(evaluateNetworkPath(row.facts, typeByName), row.expected);
    }
}

struct TypeCase {
    const char* name;
    unsigned short hardwareType;
    InterfaceSysfsFacts sysfs;
    NetworkInterfaceType expected;
};

TEST(ClassifyInterfaceTypeTest, MapsHardwareTypeAndSysfsFactsToAKind) {
    const std::vector<TypeCase> cases = {
        {"Ethernet", ARPHRD_ETHER, {}, NetworkInterfaceType::wiredEthernet},
        {"Ethernet-framed wireless device", ARPHRD_ETHER, {true, ""}, NetworkInterfaceType::wifi},
        {"DEVTYPE wlan", ARPHRD_ETHER, {false, "wlan"}, NetworkInterfaceType::wifi},
        {"Ethernet-framed WWAN modem",
         ARPHRD_ETHER,
         {false, "wwan"},
         NetworkInterfaceType::cellular},
        {"raw-IP WWAN modem", ARPHRD_NONE, {false, "wwan"}, NetworkInterfaceType::cellular},
        {"raw-IP link", 519, {}, NetworkInterfaceType::cellular},
        {"bridge", ARPHRD_ETHER, {false, "bridge"}, NetworkInterfaceType::wiredEthernet},
        {"tunnel", ARPHRD_NONE, {}, NetworkInterfaceType::other},
        {"PPP", ARPHRD_PPP, {}, NetworkInterfaceType::other},
        {"IP-in-IP", ARPHRD_TUNNEL, {}, NetworkInterfaceType::other},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(classifyInterfaceType(row.hardwareType, row.sysfs), row.expected);
    }
}

class SysfsFactsTest : public ::testing::Test {
protected:
    void SetUp() override {
        root =
            std::filesystem::temp_directory_path() / ("lumra-sysfs-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root);
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    void makeInterface(const std::string& name, const std::string& uevent, bool wireless,
                       bool phy = false) {
        std::filesystem::create_directories(root / name);
        std::ofstream(root / name / "uevent") << uevent;
        if (wireless)
            std::filesystem::create_directories(root / name / "wireless");
        if (phy)
            std::ofstream(root / name / "phy80211") << "";
    }

    std::filesystem::path root;
};

TEST_F(SysfsFactsTest, ReadsTheWirelessDirectoryAndTheDeviceType) {
    makeInterface("wlp2s0", "DEVTYPE=wlan\nINTERFACE=wlp2s0\nIFINDEX=3\n", true);
    makeInterface("wlx0", "INTERFACE=wlx0\n", false, /*phy=*/true);
    makeInterface("wwan0", "INTERFACE=wwan0\nIFINDEX=5\nDEVTYPE=wwan\n", false);
    makeInterface("eth0", "INTERFACE=eth0\nIFINDEX=2\n", false);

    const std::string dir = root.string();
    EXPECT_EQ(readInterfaceSysfsFacts(dir, "wlp2s0"), (InterfaceSysfsFacts{true, "wlan"}));
    EXPECT_EQ(readInterfaceSysfsFacts(dir, "wlx0"), (InterfaceSysfsFacts{true, ""}));
    EXPECT_EQ(readInterfaceSysfsFacts(dir, "wwan0"), (InterfaceSysfsFacts{false, "wwan"}));
    EXPECT_EQ(readInterfaceSysfsFacts(dir, "eth0"), (InterfaceSysfsFacts{false, ""}));
    EXPECT_EQ(readInterfaceSysfsFacts(dir, "missing0"), (InterfaceSysfsFacts{}));
}

TEST_F(SysfsFactsTest, NamesThatWouldLeaveTheDirectoryAreNotFollowed) {
    makeInterface("inner", "DEVTYPE=wwan\n", true);
    std::filesystem::create_directories(root / "net");
    const std::string dir = (root / "net").string();
    for (const std::string name : {"../inner", "..", ".", ""})
        EXPECT_EQ(readInterfaceSysfsFacts(dir, name), (InterfaceSysfsFacts{})) << name;
}

} // namespace
} // namespace lumra
