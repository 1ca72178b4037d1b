#include "platform/bus/BusConnection.h"

#include "base/DiagnosticLog.h"
#include "concurrency/RunLoop.h"
#include "tests/platform/bus/PrivateBus.h"

#include <atomic>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>

namespace lumra {
namespace {

using namespace std::chrono_literals;

// Runs fn on the I/O thread and waits for it: the connection lives there.
template <class F> auto onIo(F fn) -> decltype(fn()) {
    using Result = decltype(fn());
    std::promise<Result> done;
    auto result = done.get_future();
    ioThread().post([&] {
        if constexpr (std::is_void_v<Result>) {
            fn();
            done.set_value();
        } else {
            done.set_value(fn());
        }
    });
    return result.get();
}

struct Reply {
    bool isError = false;
    std::string errorName;
    std::string text;
    bool onIoThread = false;
};

Reply readReply(sd_bus_message* message) {
    Reply reply;
    reply.onIoThread = ioThread().isCurrent();
    if (sd_bus_message_is_method_error(message, nullptr)) {
        reply.isError = true;
        reply.errorName = sd_bus_message_get_error(message)->name;
        return reply;
    }
    const char* text = nullptr;
    if (sd_bus_message_read(message, "s", &text) >= 0 && text != nullptr)
        reply.text = text;
    return reply;
}

BusConnection::MethodCall getNameOwner(std::string name) {
    return BusConnection::MethodCall{"org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", "GetNameOwner",
                                     [name](sd_bus_message* call) {
                                         return sd_bus_message_append(call, "s", name.c_str());
                                     }};
}

// A method of the fake logind, which never answers anything.
BusConnection::MethodCall unansweredCall(std::chrono::microseconds timeout) {
    return BusConnection::MethodCall{"org.freedesktop.login1",
                                     "/org/freedesktop/login1",
                                     "org.freedesktop.login1.Manager",
                                     "ListSessions",
                                     {},
                                     timeout};
}

BusConnection::SignalMatch prepareForSleep() {
    return BusConnection::SignalMatch{"org.freedesktop.login1", "/org/freedesktop/login1",
                                      "org.freedesktop.login1.Manager", "PrepareForSleep"};
}

class BusConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection =
            onIo([&] { return BusConnection::open(BusAddress::explicitAddress(bus.address())); });
        ASSERT_TRUE(connection);
    }
    void TearDown() override {
        onIo([&] { connection.reset(); });
    }

    // Sends call and waits for its one reply.
    Reply call(BusConnection::MethodCall method) {
        std::promise<Reply> replied;
        auto reply = replied.get_future();
        auto sent = onIo([&] {
            return connection->callMethod(std::move(method), [&replied](sd_bus_message* message) {
                replied.set_value(readReply(message));
            });
        });
        EXPECT_TRUE(sent.has_value());
        if (reply.wait_for(10s) != std::future_status::ready)
            throw std::runtime_error("no reply");
        return reply.get();
    }

    bool waitUntil(const std::function<bool()>& done, std::chrono::seconds timeout = 10s) {
        return loop.runUntil(done, timeout);
    }

    RunLoop loop;
    test::PrivateBus bus;
    std::shared_ptr<BusConnection> connection;
};

TEST(BusConnectionOpenTest, GivesNothingWhereNoBusAnswers) {
    RunLoop loop;
    test::PrivateBus bus; // only for a temporary directory of its own
    const auto regularFile = bus.directory() / "not-a-socket";
    std::ofstream(regularFile) << "x";
    const std::vector<std::string> addresses = {
        "unix:path=" + (bus.directory() / "missing").string(),
        "unix:path=" + regularFile.string(),
        "",
        "nonsense",
    };
    for (const auto& address : addresses) {
        std::vector<std::string> lines;
        DiagnosticLog::Capture capture([&](std::string line) { lines.push_back(line); });
        const bool opened = onIo(
            [&] { return BusConnection::open(BusAddress::explicitAddress(address)) != nullptr; });
        EXPECT_FALSE(opened) << address;
        ASSERT_EQ(lines.size(), 1u) << address;
        EXPECT_EQ(lines[0].rfind("lumra: bus: no connection to " + address + ": ", 0), 0u)
            << lines[0];
    }
}

TEST_F(BusConnectionTest, DeliversAMethodReplyOnTheIoThread) {
    const Reply reply = call(getNameOwner("org.freedesktop.DBus"));
    EXPECT_FALSE(reply.isError);
    EXPECT_EQ(reply.text, "org.freedesktop.DBus");
    EXPECT_TRUE(reply.onIoThread);
    EXPECT_EQ(onIo([&] { return connection->uniqueName(); }).substr(0, 1), ":");
}

TEST_F(BusConnectionTest, DeliversAnErrorReply) {
    const Reply reply = call(getNameOwner("org.example.Missing"));
    EXPECT_TRUE(reply.isError);
    EXPECT_EQ(reply.errorName, "org.freedesktop.DBus.Error.NameHasNoOwner");
}

TEST_F(BusConnectionTest, UnansweredCallEndsWithAnErrorAtItsTimeout) {
    test::FakeLogind logind(bus.address());
    const auto started = std::chrono::steady_clock::now();
    const Reply reply = call(unansweredCall(200ms));
    EXPECT_TRUE(reply.isError);
    EXPECT_FALSE(reply.errorName.empty());
    // Only the connection's own timer can end it: nothing else answers.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST_F(BusConnectionTest, LosingTheBusEndsPendingCallsAndClosesTheConnection) {
    test::FakeLogind logind(bus.address());
    std::promise<Reply> replied;
    auto reply = replied.get_future();
    onIo([&] {
        connection->callMethod(unansweredCall(0us), [&replied](sd_bus_message* message) {
            replied.set_value(readReply(message));
        });
    });
    bus.stop();
    ASSERT_EQ(reply.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(reply.get().isError);
    EXPECT_TRUE(waitUntil([&] { return !onIo([&] { return connection->isOpen(); }); }));
}

TEST_F(BusConnectionTest, SignalMatchHearsOnlyTheNamesOwner) {
    test::FakeLogind logind(bus.address());
    std::mutex mutex;
    std::vector<bool> heard;
    std::promise<bool> installed;
    onIo([&] {
        connection->addSignalMatch(
            prepareForSleep(),
            [&](sd_bus_message* message) {
                int starting = 0;
                ASSERT_GE(sd_bus_message_read(message, "b", &starting), 0);
                std::lock_guard lock(mutex);
                heard.push_back(starting != 0);
            },
            [&installed](bool accepted) { installed.set_value(accepted); });
    });
    ASSERT_TRUE(installed.get_future().get());

    logind.prepareForSleep(true);
    logind.prepareForSleepAsImpostor(false);
    logind.prepareForSleep(true);
    logind.prepareForSleep(false);
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard lock(mutex);
        return heard.size() >= 3;
    }));
    onIo([] {}); // whatever was read with the last one has been dispatched
    std::lock_guard lock(mutex);
    EXPECT_EQ(heard, (std::vector<bool>{true, true, false}));
}

TEST_F(BusConnectionTest, FollowsANamesOwnerAsTheBusAloneTellsIt) {
    std::mutex mutex;
    std::vector<std::string> owners;
    auto heard = [&](std::size_t count) {
        return waitUntil([&] {
            std::lock_guard lock(mutex);
            return owners.size() >= count;
        });
    };
    onIo([&] {
        ASSERT_TRUE(
            connection->followNameOwner("org.freedesktop.login1", [&](const std::string& owner) {
                std::lock_guard lock(mutex);
                owners.push_back(owner);
            }));
    });
    ASSERT_TRUE(heard(1)); // nobody yet

    std::optional<test::FakeLogind> logind(std::in_place, bus.address());
    ASSERT_TRUE(heard(2));
    // Sent to us alone, so no match keeps it out: the follower must.
    logind->claimNameAsImpostor();
    logind.reset();
    ASSERT_TRUE(heard(3));
    onIo([] {});
    std::lock_guard lock(mutex);
    ASSERT_EQ(owners.size(), 3u);
    EXPECT_EQ(owners[0], "");
    EXPECT_EQ(owners[1].substr(0, 1), ":");
    EXPECT_EQ(owners[2], "");
}

TEST_F(BusConnectionTest, MatchRemovedFromItsOwnHandlerHearsNothingMore) {
    test::FakeLogind logind(bus.address());
    std::atomic<int> selfRemoving{0};
    std::atomic<int> staying{0};
    std::promise<void> bothInstalled;
    onIo([&] {
        auto id = std::make_shared<BusConnection::SlotId>();
        *id = *connection->addSignalMatch(prepareForSleep(), [&, id](sd_bus_message*) {
            ++selfRemoving;
            connection->remove(*id);
        });
        connection->addSignalMatch(
            prepareForSleep(), [&](sd_bus_message*) { ++staying; },
            [&bothInstalled](bool) { bothInstalled.set_value(); });
    });
    bothInstalled.get_future().wait();

    logind.prepareForSleep(true);
    logind.prepareForSleep(false);
    ASSERT_TRUE(waitUntil([&] { return staying == 2; }));
    onIo([] {});
    EXPECT_EQ(selfRemoving, 1);
}

TEST_F(BusConnectionTest, RemovedCallNeverCallsBack) {
    std::atomic<int> removedReplies{0};
    onIo([&] {
        auto id = connection->callMethod(getNameOwner("org.freedesktop.DBus"),
                                         [&](sd_bus_message*) { ++removedReplies; });
        ASSERT_TRUE(id);
        connection->remove(*id);
    });
    // The bus answers in order: once this reply is in, the first one was too.
    EXPECT_FALSE(call(getNameOwner("org.freedesktop.DBus")).isError);
    onIo([] {});
    EXPECT_EQ(removedReplies, 0);
}

TEST_F(BusConnectionTest, ClosingFromInsideAHandlerEndsTheConnection) {
    std::promise<void> replied;
    onIo([&] {
        connection->callMethod(getNameOwner("org.freedesktop.DBus"), [&](sd_bus_message*) {
            connection->close();
            replied.set_value();
        });
    });
    replied.get_future().wait();
    onIo([&] {
        EXPECT_FALSE(connection->isOpen());
        EXPECT_FALSE(connection->callMethod(getNameOwner("org.freedesktop.DBus"), {}));
        EXPECT_FALSE(connection->addSignalMatch(prepareForSleep(), {}));
    });
}

} // namespace
} // namespace lumra
