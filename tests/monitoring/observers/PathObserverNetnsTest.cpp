// Runs inside a network namespace of its own (the ctest fixture creates it and
// runs this binary under `ip netns exec`): links, addresses and routes are
// changed there, never on the host, and nothing is sent anywhere.
#include "concurrency/RunLoop.h"
#include "monitoring/observers/NWPathNetworkChangeObserver.h"
#include "platform/network/RtnetlinkPathSource.h"
#include "tests/support/TestNamespace.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <string>

namespace lumra {
namespace {

using test::insideTestNamespace;

void ip(const std::string& arguments) {
    const std::string command = "ip " + arguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Passes the real monitors' paths on and keeps a copy of each, counted after
// the observer has handled it.
class RecordingPathSource final : public NetworkPathSourcing {
public:
    std::shared_ptr<NetworkPathMonitoring> startMonitor(Executor& queue,
                                                        PathHandler onPath) override {
        return m_inner.startMonitor(queue, [this, onPath](NetworkPath path) {
            onPath(path);
            std::lock_guard lock(m_mutex);
            m_paths.push_back(std::move(path));
        });
    }

    std::vector<NetworkPath> paths() const {
        std::lock_guard lock(m_mutex);
        return m_paths;
    }

private:
    RtnetlinkPathSource m_inner;
    mutable std::mutex m_mutex;
    std::vector<NetworkPath> m_paths;
};

const NetworkPath offline{NetworkPathStatus::unsatisfied, {}};
const NetworkPath wiredT0{NetworkPathStatus::satisfied,
                          {NetworkPathInterface{"t0", NetworkInterfaceType::wiredEthernet}}};

class PathObserverNetnsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!insideTestNamespace()) {
            if (std::getenv("LUMRA_TEST_NETNS") != nullptr)
                FAIL() << "LUMRA_TEST_NETNS is set but this is not that namespace";
            GTEST_SKIP() << "runs only inside the namespace of its ctest fixture";
        }
        observer.setOnNetworkChange([this] {
            ++changes;
            if (!mainActor().isCurrent())
                offMainActor = true;
        });
    }

    void TearDown() override {
        observer.stopObserving();
        if (insideTestNamespace())
            std::system("ip link del t0 2>/dev/null");
    }

    // Waits until the observer's monitor has delivered count paths, then until
    // the main actor has run every change those paths announced.
    void waitForPaths(std::size_t count) {
        ASSERT_TRUE(loop.runUntil([&] { return source->paths().size() >= count; },
                                  std::chrono::seconds(10)))
            << "only " << source->paths().size() << " paths, expected " << count;
        ASSERT_TRUE(
            loop.runUntil([] { return !mainActor().hasQueuedWork(); }, std::chrono::seconds(10)));
    }

    RunLoop loop;
    std::shared_ptr<RecordingPathSource> source = std::make_shared<RecordingPathSource>();
    NWPathNetworkChangeObserver observer{mainActor(), source};
    std::atomic<int> changes{0};
    std::atomic<bool> offMainActor{false};
};

TEST_F(PathObserverNetnsTest, LinkAddressAndRouteChangesGiveTheirPathsAndCallbacks) {
    observer.startObserving();
    waitForPaths(1);
    EXPECT_EQ(source->paths().back(), offline) << "a fresh namespace has no default route";

    // No default route yet: none of these changes the path.
    ip("link add t0 type veth peer name t1");
    ip("link set t0 up");
    ip("link set t1 up");
    ip("addr add 10.202.0.1/24 dev t0");

    ip("route add default via 10.202.0.2 dev t0");
    waitForPaths(2);
    ip("route del default");
    waitForPaths(3);
    ip("-6 addr add 2001:db8::1/64 dev t0 nodad");
    ip("-6 route add default via 2001:db8::2 dev t0");
    waitForPaths(4);
    ip("-6 route del default via 2001:db8::2 dev t0");
    waitForPaths(5);
    ip("route add default via 10.202.0.2 dev t0");
    waitForPaths(6);
    ip("link set t1 down"); // t0 loses its carrier; the route stays
    waitForPaths(7);
    ip("link set t1 up");
    waitForPaths(8);
    ip("link set t0 down"); // the kernel drops t0's routes
    waitForPaths(9);

    const std::vector<NetworkPath> expected = {offline, wiredT0, offline, wiredT0, offline,
                                               wiredT0, offline, wiredT0, offline};
    EXPECT_EQ(source->paths(), expected);
    // The first path only sets the baseline; each later one is a change.
    EXPECT_EQ(changes, 8);
    EXPECT_FALSE(offMainActor);
}

TEST_F(PathObserverNetnsTest, StoppedObserverHearsNoMoreChanges) {
    observer.startObserving();
    waitForPaths(1);
    observer.stopObserving();

    // A second monitor tells when the kernel has announced the change.
    auto witness = std::make_shared<RecordingPathSource>();
    NWPathNetworkChangeObserver other{mainActor(), witness};
    other.startObserving();
    ASSERT_TRUE(
        loop.runUntil([&] { return witness->paths().size() == 1; }, std::chrono::seconds(10)));
    ip("link add t0 type veth peer name t1");
    ip("link set t0 up");
    ip("link set t1 up");
    ip("addr add 10.202.0.1/24 dev t0");
    ip("route add default via 10.202.0.2 dev t0");
    ASSERT_TRUE(
        loop.runUntil([&] { return witness->paths().size() == 2; }, std::chrono::seconds(10)));
    loop.runUntil([] { return !mainActor().hasQueuedWork(); }, std::chrono::seconds(10));
    EXPECT_EQ(source->paths().size(), 1u);
    EXPECT_EQ(changes, 0);
    other.stopObserving();
}

} // namespace
} // namespace lumra
