#include "platform/notifications/FreedesktopNotificationCenter.h"

#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "tests/platform/bus/PrivateBus.h"
#include "tests/platform/notifications/FakeNotificationServer.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;

UserNotificationRequest requestFor(std::string identifier, std::string body = "Body text") {
    return UserNotificationRequest{.identifier = identifier,
                                   .title = "Update Available",
                                   .body = std::move(body),
                                   .playsDefaultSound = true,
                                   .userInfo = {{"type", "app-update"},
                                                {"identifier", identifier},
                                                {"downloadURL", "https://example.test/a.dmg"}}};
}

class NotificationCenterTest : public ::testing::Test {
protected:
    NotificationAuthorizationStatus status(FreedesktopNotificationCenter& center) {
        return loop.await(spawn(mainActor(), [&center] { return center.authorizationStatus(); }),
                          10s);
    }

    // Posts and answers the error's text, or nothing on success.
    std::optional<std::string> post(FreedesktopNotificationCenter& center,
                                    UserNotificationRequest request) {
        auto handle = spawn(mainActor(), [&center, request]() -> Task<std::optional<std::string>> {
            try {
                co_await center.add(request);
            } catch (const NotificationCenterError& error) {
                co_return std::string(error.what());
            }
            co_return std::nullopt;
        });
        return loop.await(handle, 10s);
    }

    RunLoop loop;
    test::PrivateBus bus;
};

class NotificationServiceTest : public NotificationCenterTest {
protected:
    void SetUp() override {
        center.setResponseHandler(
            [this](const NotificationUserInfo& userInfo) { responses.push_back(userInfo); });
    }

    Json posted(UserNotificationRequest request) {
        EXPECT_EQ(post(center, std::move(request)), std::nullopt);
        auto call = server.nextNotify(10s);
        EXPECT_TRUE(call) << "the service saw no Notify";
        return call.value_or(Json::object());
    }

    std::uint32_t postedId(UserNotificationRequest request) {
        return posted(std::move(request)).value("id", 0u);
    }

    // The identifiers of the clicks handed back so far. A round trip to the
    // service first: its reply comes after every signal it sent before, and
    // their deliveries are queued on the main actor ahead of the reply's.
    std::vector<std::string> clicked() {
        status(center);
        std::vector<std::string> identifiers;
        for (const auto& userInfo : responses)
            identifiers.push_back(userInfo.at("identifier"));
        return identifiers;
    }

    test::FakeNotificationServer server{bus.address(), {"actions", "body"}};
    FreedesktopNotificationCenter center{BusAddress::explicitAddress(bus.address())};
    std::vector<NotificationUserInfo> responses;
};

TEST_F(NotificationCenterTest, WithoutABusTheApplicationIsNotAuthorizedAndNothingFails) {
    FreedesktopNotificationCenter center(
        BusAddress::explicitAddress("unix:path=" + (bus.directory() / "missing").string()));
    EXPECT_EQ(status(center), NotificationAuthorizationStatus::denied);
    EXPECT_TRUE(post(center, requestFor("app-update-1")));
    EXPECT_FALSE(
        loop.await(spawn(mainActor(),
                         [&center] {
                             return center.requestAuthorization(
                                 NotificationAuthorizationOptions{.alert = true, .sound = true});
                         }),
                   10s));
}

TEST_F(NotificationCenterTest, ABusWithoutTheServiceIsNotAuthorized) {
    FreedesktopNotificationCenter center(BusAddress::explicitAddress(bus.address()));
    EXPECT_EQ(status(center), NotificationAuthorizationStatus::denied);
    EXPECT_TRUE(post(center, requestFor("app-update-1")));
}

TEST_F(NotificationCenterTest, TheSessionBusOfTheEnvironmentIsTheDefault) {
    test::FakeNotificationServer server(bus.address(), {});
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    FreedesktopNotificationCenter center;
    EXPECT_EQ(status(center), NotificationAuthorizationStatus::authorized);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

TEST_F(NotificationServiceTest, NotifySendsTheTitleTheBodyAndAClickableDefaultAction) {
    EXPECT_EQ(status(center), NotificationAuthorizationStatus::authorized);
    const Json call = posted(requestFor("app-update-121", "Lumra 2.1 <b>&</b> is now available."));
    EXPECT_EQ(call["app"], "Lumra");
    EXPECT_EQ(call["summary"], "Update Available");
    EXPECT_EQ(call["body"], "Lumra 2.1 <b>&</b> is now available.")
        << "a service without body-markup shows the text as it is";
    EXPECT_EQ(call["actions"], Json::array({"default", "Open"}));
    EXPECT_EQ(call["hints"], Json({{"suppress-sound", false}}));
    EXPECT_EQ(call["timeout"], -1);
    EXPECT_EQ(call["replaces_id"], 0);

    auto silent = requestFor("silent");
    silent.playsDefaultSound = false;
    EXPECT_EQ(posted(silent)["hints"], Json({{"suppress-sound", true}}));
}

TEST_F(NotificationServiceTest, ATitleOrBodyOfAnyLengthReachesTheServiceBounded) {
    // A version of 900 KB, with a two-byte character across the cut.
    auto request = requestFor("long", "Lumra " + std::string(1017, '9') + "\u00e9" +
                                          std::string(900 * 1024, '9') + " is now available.");
    request.title = std::string(300, 'T');
    const Json call = posted(request);
    const std::string body = call["body"];
    EXPECT_EQ(body, "Lumra " + std::string(1017, '9') + "\u2026");
    EXPECT_EQ(call["summary"], std::string(256, 'T') + "\u2026");
    const std::string shortBody = "Lumra 2.1 is now available.";
    EXPECT_EQ(posted(requestFor("short", shortBody))["body"], shortBody);
}

TEST_F(NotificationCenterTest, MarkupInTheBodyIsEscapedForAServiceThatReadsIt) {
    test::FakeNotificationServer server(bus.address(), {"body", "body-markup"});
    FreedesktopNotificationCenter center(BusAddress::explicitAddress(bus.address()));
    ASSERT_EQ(post(center, requestFor("x", R"(Lumra <i>1</i> & "2" 'b')")), std::nullopt);
    const auto call = server.nextNotify(10s);
    ASSERT_TRUE(call);
    EXPECT_EQ((*call)["body"], "Lumra &lt;i&gt;1&lt;/i&gt; &amp; &quot;2&quot; &apos;b&apos;");
    EXPECT_EQ((*call)["summary"], "Update Available");
}

TEST_F(NotificationServiceTest, TheSameIdentifierReplacesItsNotificationAndKeepsOneClick) {
    const std::uint32_t first = postedId(requestFor("app-update-121"));
    const Json again = posted(requestFor("app-update-121"));
    EXPECT_EQ(again["replaces_id"], first);
    const Json other = posted(requestFor("app-update-122"));
    EXPECT_EQ(other["replaces_id"], 0);
    EXPECT_NE(other["id"], first);

    server.invoke(first, "default");
    EXPECT_EQ(clicked(), std::vector<std::string>{"app-update-121"});
}

TEST_F(NotificationServiceTest, AClickHandsBackTheUserInfoOnceOnTheMainActor) {
    const std::uint32_t id = postedId(requestFor("app-update-121"));
    bool onMainActor = false;
    center.setResponseHandler([&](const NotificationUserInfo& userInfo) {
        onMainActor = mainActor().isCurrent();
        responses.push_back(userInfo);
    });
    server.invoke(id, "default");
    server.invoke(id, "default");
    const std::uint32_t next = postedId(requestFor("app-update-122"));
    server.invoke(next, "default");
    EXPECT_EQ(clicked(), (std::vector<std::string>{"app-update-121", "app-update-122"}));
    EXPECT_TRUE(onMainActor);
    EXPECT_EQ(responses.front(), requestFor("app-update-121").userInfo);
}

TEST_F(NotificationServiceTest, SignalsFromOtherConnectionsOrForOtherIdsAreIgnored) {
    const std::uint32_t impostors = postedId(requestFor("app-update-121"));
    const std::uint32_t otherAction = postedId(requestFor("app-update-122"));
    const std::uint32_t clickedId = postedId(requestFor("app-update-123"));
    server.invokeAsImpostor(impostors, "default");
    server.invoke(otherAction, "other-action");
    server.invoke(clickedId + 100, "default");
    server.invoke(clickedId, "default");
    EXPECT_EQ(clicked(), std::vector<std::string>{"app-update-123"});
}

TEST_F(NotificationCenterTest, ARestartedServiceCannotClickTheIdsOfTheOldOne) {
    FreedesktopNotificationCenter center(BusAddress::explicitAddress(bus.address()));
    std::vector<NotificationUserInfo> responses;
    center.setResponseHandler([&](const NotificationUserInfo& info) { responses.push_back(info); });
    auto first =
        std::make_unique<test::FakeNotificationServer>(bus.address(), std::vector<std::string>{});
    ASSERT_EQ(post(center, requestFor("app-update-121")), std::nullopt);
    const std::uint32_t oldId = first->nextNotify(10s).value().value("id", 0u);
    first.reset();

    test::FakeNotificationServer second(bus.address(), {});
    second.invoke(oldId, "default"); // its own numbering starts where the old one did
    ASSERT_EQ(post(center, requestFor("app-update-122")), std::nullopt);
    const std::uint32_t newId = second.nextNotify(10s).value().value("id", 0u);
    EXPECT_EQ(newId, oldId);
    second.invoke(newId, "default");
    status(center); // the round trip that flushes the signals before it
    ASSERT_EQ(responses.size(), 1u);
    EXPECT_EQ(responses[0], requestFor("app-update-122").userInfo);
}

TEST_F(NotificationServiceTest, AClosedNotificationIsNoLongerClickable) {
    const std::uint32_t closed = postedId(requestFor("app-update-121"));
    const std::uint32_t open = postedId(requestFor("app-update-122"));
    server.close(closed, 2);
    server.invoke(closed, "default");
    server.invoke(open, "default");
    EXPECT_EQ(clicked(), std::vector<std::string>{"app-update-122"});
    EXPECT_EQ(posted(requestFor("app-update-121"))["replaces_id"], 0)
        << "a closed notification is not replaced";
}

TEST_F(NotificationCenterTest, AServiceThatNeverAnswersIsATimeOutNotARefusal) {
    struct Row {
        const char* command;
        const char* method;
        const char* failure;
    };
    const std::vector<Row> rows{
        {"mute", "Notify", "the notification service did not answer within 0.3 s"},
        {"mute", "GetCapabilities", "the notification service did not answer within 0.3 s"},
        {"refuse", "Notify",
         "the notification service refused the notification: refused by the test"},
        {"refuse", "GetCapabilities",
         "the notification service refused to tell its capabilities: refused by the test"},
    };
    for (const Row& row : rows) {
        test::FakeNotificationServer server(bus.address(), {});
        FreedesktopNotificationCenter center(BusAddress::explicitAddress(bus.address()), "Lumra",
                                             300ms);
        if (std::string(row.command) == "mute")
            server.mute(row.method);
        else
            server.refuse(row.method);
        const std::string what = std::string(row.command) + " " + row.method;
        const auto failure = post(center, requestFor("app-update-121"));
        ASSERT_TRUE(failure) << what;
        EXPECT_EQ(failure->rfind(row.failure, 0), 0u) << what << ": " << *failure;
        EXPECT_EQ(status(center), std::string(row.method) == "GetCapabilities"
                                      ? NotificationAuthorizationStatus::denied
                                      : NotificationAuthorizationStatus::authorized)
            << what;
    }
}

TEST_F(NotificationServiceTest, TheCenterGoingAwayEndsItsConnectionQuietly) {
    const std::uint32_t id = postedId(requestFor("app-update-121"));
    auto gone =
        std::make_unique<FreedesktopNotificationCenter>(BusAddress::explicitAddress(bus.address()));
    gone->setResponseHandler(
        [this](const NotificationUserInfo& info) { responses.push_back(info); });
    ASSERT_EQ(post(*gone, requestFor("other")), std::nullopt);
    const auto otherId = server.nextNotify(10s).value().value("id", 0u);
    gone.reset();
    server.invoke(otherId, "default");
    server.invoke(id, "default");
    EXPECT_EQ(clicked(), std::vector<std::string>{"app-update-121"});
}

} // namespace
} // namespace lumra
