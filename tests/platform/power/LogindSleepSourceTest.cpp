#include "platform/power/LogindSleepSource.h"

#include "concurrency/RunLoop.h"
#include "platform/bus/BusConnection.h"
#include "tests/platform/bus/PrivateBus.h"

#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <optional>

namespace lumra {
namespace {

using namespace std::chrono_literals;

// Names on the bus that belong to connections (":1.4"), as the bus lists them.
std::size_t connectionCount(const std::string& address) {
    std::promise<std::size_t> counted;
    auto count = counted.get_future();
    ioThread().post([&] {
        auto asker = BusConnection::open(BusAddress::explicitAddress(address));
        if (!asker) {
            counted.set_value(0);
            return;
        }
        auto method = BusConnection::MethodCall{"org.freedesktop.DBus",
                                                "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus",
                                                "ListNames",
                                                {}};
        // The reply handler keeps the asker until the answer is in.
        asker->callMethod(std::move(method), [&counted, asker](sd_bus_message* reply) {
            char** names = nullptr;
            std::size_t unique = 0;
            if (sd_bus_message_read_strv(reply, &names) >= 0 && names != nullptr) {
                for (char** name = names; *name != nullptr; ++name) {
                    unique += (*name)[0] == ':' ? 1 : 0;
                    free(*name);
                }
                free(names);
            }
            counted.set_value(unique - 1); // less the asker itself
            asker->close();
        });
    });
    return count.get();
}

class LogindSleepSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        observe(SleepWakeNotification::willSleep, "will-sleep");
        observe(SleepWakeNotification::didWake, "did-wake");
        listen();
    }

    SleepWakeNotifying::ObserverToken observe(SleepWakeNotification name, std::string label) {
        return source.addObserver(name, [this, label] {
            events.push_back(label);
            if (!mainActor().isCurrent())
                offMainActor = true;
        });
    }

    // The match reaches the bus asynchronously: sends will-sleep until one
    // arrives, then a did-wake to flush any late copy, and starts afresh.
    void listen() {
        for (int attempt = 0; attempt < 100 && events.empty(); ++attempt) {
            logind->prepareForSleep(true);
            loop.runUntil([&] { return !events.empty(); }, 100ms);
        }
        ASSERT_FALSE(events.empty()) << "the source never heard logind";
        logind->prepareForSleep(false);
        ASSERT_TRUE(waitForEvent("did-wake"));
        events.clear();
    }

    bool waitForEvent(const std::string& label) {
        return loop.runUntil([&] { return !events.empty() && events.back() == label; }, 10s);
    }

    RunLoop loop;
    test::PrivateBus bus;
    std::optional<test::FakeLogind> logind{std::in_place, bus.address()};
    LogindSleepSource source{BusAddress::explicitAddress(bus.address())};
    std::vector<std::string> events;
    bool offMainActor = false;
};

TEST_F(LogindSleepSourceTest, WillSleepAndDidWakeArriveOnTheMainActor) {
    logind->prepareForSleep(true);
    ASSERT_TRUE(waitForEvent("will-sleep"));
    logind->prepareForSleep(false);
    ASSERT_TRUE(waitForEvent("did-wake"));
    EXPECT_EQ(events, (std::vector<std::string>{"will-sleep", "did-wake"}));
    EXPECT_FALSE(offMainActor);
}

TEST_F(LogindSleepSourceTest, SignalFromAConnectionWithoutLogindsNameIsIgnored) {
    using Delivery = test::FakeLogind::Delivery;
    const struct {
        const char* name;
        std::function<void(test::FakeLogind&)> impersonate;
    } cases[] = {
        {"broadcast",
         [](auto& fake) {
             fake.prepareForSleepAsImpostor(true);
         }},
        // The bus hands a signal sent to one connection over whoever sent it.
        {"sent to us alone",
         [](auto& fake) {
             fake.prepareForSleepAsImpostor(true, Delivery::unicast);
         }},
        {"sent to us alone after claiming the name to us",
         [](auto& fake) {
             fake.claimNameAsImpostor();
             fake.prepareForSleepAsImpostor(true, Delivery::unicast);
         }},
    };
    for (const auto& impostor : cases) {
        SCOPED_TRACE(impostor.name);
        events.clear();
        impostor.impersonate(*logind);
        // The bus passes on in order what reaches it in order.
        logind->prepareForSleep(false);
        ASSERT_TRUE(waitForEvent("did-wake"));
        EXPECT_EQ(events, (std::vector<std::string>{"did-wake"}));
    }
}

TEST_F(LogindSleepSourceTest, HearsTheNextLogindAfterARestart) {
    logind.reset();
    logind.emplace(bus.address());
    // The bus tells of the new owner before it passes on the owner's signals.
    logind->prepareForSleep(true);
    ASSERT_TRUE(waitForEvent("will-sleep"));
    logind->prepareForSleepAsImpostor(false, test::FakeLogind::Delivery::unicast);
    logind->prepareForSleep(true);
    ASSERT_TRUE(loop.runUntil([&] { return events.size() >= 2; }, 10s));
    EXPECT_EQ(events, (std::vector<std::string>{"will-sleep", "will-sleep"}));
}

TEST_F(LogindSleepSourceTest, RemovedObserverIsNotCalledAndTheOthersAre) {
    int removedCalls = 0;
    const auto token =
        source.addObserver(SleepWakeNotification::willSleep, [&removedCalls] { ++removedCalls; });
    source.removeObserver(token);
    source.removeObserver(token); // unknown by now: ignored

    logind->prepareForSleep(true);
    ASSERT_TRUE(waitForEvent("will-sleep"));
    EXPECT_EQ(removedCalls, 0);
}

TEST_F(LogindSleepSourceTest, LeavesTheBusWhenTheLastObserverGoes) {
    const std::size_t listening = connectionCount(bus.address());
    LogindSleepSource second{BusAddress::explicitAddress(bus.address())};
    const auto token = second.addObserver(SleepWakeNotification::didWake, [] {});
    ASSERT_TRUE(
        loop.runUntil([&] { return connectionCount(bus.address()) == listening + 1; }, 10s));
    second.removeObserver(token);
    EXPECT_TRUE(loop.runUntil([&] { return connectionCount(bus.address()) == listening; }, 10s));
}

TEST(LogindSleepSourceWithoutLogindTest, NoBusOrNoLogindGivesNoEventsAndNoError) {
    VirtualClockRunLoop loop;
    test::PrivateBus bus; // a bus without logind, and a directory for a missing one
    const std::vector<std::string> addresses = {
        "unix:path=" + (bus.directory() / "missing").string(),
        bus.address(),
    };
    for (const auto& address : addresses) {
        SCOPED_TRACE(address);
        int events = 0;
        LogindSleepSource source{BusAddress::explicitAddress(address)};
        const auto sleep =
            source.addObserver(SleepWakeNotification::willSleep, [&events] { ++events; });
        const auto wake =
            source.addObserver(SleepWakeNotification::didWake, [&events] { ++events; });
        loop.runUntilIdle(); // the I/O thread has tried the bus
        source.removeObserver(sleep);
        source.removeObserver(wake);
        loop.runUntilIdle();
        EXPECT_EQ(events, 0);
    }
}

} // namespace
} // namespace lumra
