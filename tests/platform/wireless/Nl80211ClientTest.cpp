// Against this machine's kernel: the generic-netlink transport for real, and
// the client on a kernel that has no Wi-Fi (the simulated radio of tests/vm
// covers a kernel that has).
#include "platform/wireless/Nl80211Client.h"

#include "base/UniqueFd.h"
#include "platform/wireless/GenlSocket.h"
#include "platform/wireless/WirelessError.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/genetlink.h>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace lumra {
namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point soon() {
    return Clock::now() + std::chrono::seconds(2);
}

bool kernelHasWireless() {
    return std::filesystem::exists("/sys/class/ieee80211");
}

TEST(GenlSocketTest, ResolvesTheControllerFamily) {
    GenlSocket socket;
    const auto family = socket.resolveFamily("nlctrl", soon());
    ASSERT_TRUE(family);
    EXPECT_EQ(family->id, GENL_ID_CTRL);
    EXPECT_TRUE(family->multicastGroup("notify"));
}

TEST(GenlSocketTest, UnknownFamilyIsNone) {
    GenlSocket socket;
    EXPECT_FALSE(socket.resolveFamily("lumra-nofamily", soon()));
}

TEST(GenlSocketTest, DumpListsEveryFamilyOnOneSocketAfterAnotherRequest) {
    GenlSocket socket;
    ASSERT_TRUE(socket.resolveFamily("nlctrl", soon()));
    auto request = GenlSocket::makeMessage(GENL_ID_CTRL, NLM_F_DUMP, CTRL_CMD_GETFAMILY);
    std::vector<std::uint16_t> ids;
    const auto outcome = socket.transact(
        request.get(),
        [&](const nlmsghdr* reply) {
            if (const auto family = decodeFamily(reply)) {
                ids.push_back(family->id);
            }
        },
        soon());
    EXPECT_EQ(outcome.error, 0);
    EXPECT_NE(std::find(ids.begin(), ids.end(), GENL_ID_CTRL), ids.end());
    EXPECT_GT(ids.size(), 1u);
}

TEST(GenlSocketTest, KernelRefusalComesBackAsErrno) {
    GenlSocket socket;
    // A command the controller does not have.
    auto request = GenlSocket::makeMessage(GENL_ID_CTRL, 0, 0xee);
    const auto outcome = socket.transact(
        request.get(), [](const nlmsghdr*) {}, soon());
    EXPECT_EQ(outcome.error, EOPNOTSUPP);
    EXPECT_EQ(WirelessError(outcome.error).what(), std::string("Operation not supported"));
}

TEST(GenlSocketTest, WaitForNotificationsEndsAtTheDeadline) {
    GenlSocket socket;
    const auto family = socket.resolveFamily("nlctrl", soon());
    ASSERT_TRUE(family && family->multicastGroup("notify"));
    socket.joinGroup(*family->multicastGroup("notify"));
    const auto start = Clock::now();
    const bool seen = socket.awaitEvent([](const nlmsghdr*) { return true; },
                                        start + std::chrono::milliseconds(100));
    EXPECT_FALSE(seen);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}

TEST(GenlSocketTest, AwaitEventEndsWhenTheWakeDescriptorIsReadable) {
    GenlSocket socket;
    const auto family = socket.resolveFamily("nlctrl", soon());
    ASSERT_TRUE(family && family->multicastGroup("notify"));
    socket.joinGroup(*family->multicastGroup("notify"));
    const UniquePipe wake = openPipe(O_CLOEXEC);
    ASSERT_TRUE(wake.read);
    ASSERT_EQ(::write(wake.write.get(), "x", 1), 1);
    const auto start = Clock::now();
    const bool seen = socket.awaitEvent([](const nlmsghdr*) { return true; },
                                        start + std::chrono::seconds(30), wake.read.get());
    EXPECT_FALSE(seen);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

TEST(Nl80211ClientTest, KernelWithoutWirelessHasNoInterface) {
    if (kernelHasWireless()) {
        GTEST_SKIP() << "this kernel has cfg80211; the VM test covers it";
    }
    Nl80211Client client;
    EXPECT_EQ(client.defaultInterface(), std::nullopt);
    EXPECT_EQ(client.currentReading(), std::nullopt);
    EXPECT_EQ(client.scanNetworks(), std::nullopt);
}

// The generic-netlink sockets this process holds, by inode.
std::set<std::string> genericNetlinkSockets() {
    std::set<std::string> open;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (!error && target.rfind("socket:[", 0) == 0) {
            open.insert(target.substr(8, target.size() - 9));
        }
    }
    std::set<std::string> inodes;
    std::ifstream table("/proc/self/net/netlink");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string address, protocol, port, groups, rmem, wmem, dump, locks, drops, inode;
        fields >> address >> protocol >> port >> groups >> rmem >> wmem >> dump >> locks >> drops >>
            inode;
        if (protocol == std::to_string(NETLINK_GENERIC) && open.count(inode) != 0) {
            inodes.insert(inode);
        }
    }
    return inodes;
}

// Readings several times a second share one socket instead of opening one each.
TEST(Nl80211ClientTest, ReadingsKeepOneSession) {
    Nl80211Client client;
    const auto before = genericNetlinkSockets();
    (void)client.currentReading();
    const auto kept = genericNetlinkSockets();
    ASSERT_EQ(kept.size(), before.size() + 1);
    for (int i = 0; i < 20; ++i) {
        (void)client.currentReading();
        (void)client.defaultInterface();
    }
    EXPECT_EQ(genericNetlinkSockets(), kept);
}

TEST(Nl80211ClientTest, CallsFromManyThreadsAtOnce) {
    if (kernelHasWireless()) {
        GTEST_SKIP() << "this kernel has cfg80211; the VM test covers it";
    }
    Nl80211Client client;
    std::vector<std::thread> threads;
    std::atomic<int> absent{0};
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            for (int k = 0; k < 50; ++k) {
                if (!client.currentReading()) {
                    ++absent;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(absent.load(), 400);
}

} // namespace
} // namespace lumra
