#include "platform/network/RtnetlinkPathSource.h"

#include "concurrency/RunLoop.h"
#include "concurrency/ThreadPool.h"
#include "platform/network/InterfaceTypeClassifier.h"
#include "platform/network/RtnetlinkDump.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <net/if.h>

namespace lumra {
namespace {

// These read the test machine's own routing state; nothing is sent anywhere.

TEST(RtnetlinkDumpTest, SeesLoopbackAndOnlyRoutesOverKnownLinks) {
    const auto facts = dumpRoutingFacts();
    ASSERT_TRUE(facts.has_value());
    const auto lo = std::find_if(facts->links.begin(), facts->links.end(),
                                 [](const LinkFacts& link) { return link.name == "lo"; });
    ASSERT_NE(lo, facts->links.end());
    EXPECT_NE(lo->flags & IFF_LOOPBACK, 0u);
    EXPECT_GT(lo->index, 0);
    for (int index : facts->defaultRouteInterfaces) {
        EXPECT_TRUE(std::any_of(facts->links.begin(), facts->links.end(),
                                [index](const LinkFacts& link) { return link.index == index; }))
            << "default route over unknown interface " << index;
    }
}

TEST(RtnetlinkPathSourceTest, DeliversTheCurrentPathOnItsQueueRightAfterStart) {
    RunLoop loop;
    SerialQueue queue("test.path");
    std::mutex mutex;
    std::vector<NetworkPath> paths;
    bool onQueue = true;
    RtnetlinkPathSource source;
    auto monitor = source.startMonitor(queue, [&](NetworkPath path) {
        std::lock_guard lock(mutex);
        onQueue = onQueue && queue.isCurrent();
        paths.push_back(std::move(path));
    });
    const bool delivered = loop.runUntil(
        [&] {
            std::lock_guard lock(mutex);
            return !paths.empty();
        },
        std::chrono::seconds(10));
    monitor->cancel();
    ASSERT_TRUE(delivered);

    const auto facts = dumpRoutingFacts();
    ASSERT_TRUE(facts.has_value());
    const auto expected = evaluateNetworkPath(*facts, [](const LinkFacts& link) {
        return classifyInterfaceType(link.hardwareType,
                                     readInterfaceSysfsFacts("/sys/class/net", link.name));
    });
    std::lock_guard lock(mutex);
    EXPECT_EQ(paths.front(), expected);
    EXPECT_TRUE(onQueue);
}

TEST(RtnetlinkPathSourceTest, MonitorCancelledAtOnceDeliversNothing) {
    RunLoop loop;
    SerialQueue queue("test.path");
    std::atomic<int> delivered{0};
    RtnetlinkPathSource source;
    {
        // Blocked, so the first computation is still queued when cancel runs.
        std::promise<void> release;
        auto released = release.get_future().share();
        queue.post([released] { released.wait(); });
        auto monitor = source.startMonitor(queue, [&](NetworkPath) { ++delivered; });
        monitor->cancel();
        release.set_value();
    }
    std::promise<void> drained;
    queue.post([&drained] { drained.set_value(); });
    drained.get_future().wait();
    EXPECT_EQ(delivered, 0);
}

} // namespace
} // namespace lumra
