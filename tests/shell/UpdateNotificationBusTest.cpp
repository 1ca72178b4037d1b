// The update controller, the freedesktop notification centre and a click,
// over a private bus with a fake notification service.
#include "ShellFakes.h"
#include "concurrency/RunLoop.h"
#include "platform/notifications/FreedesktopNotificationCenter.h"
#include "shell/update/AppUpdateController.h"
#include "tests/platform/bus/PrivateBus.h"
#include "tests/platform/notifications/FakeNotificationServer.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;

class UpdateNotificationBusTest : public ::testing::Test {
protected:
    UpdateNotificationBusTest() {
        // What the application delegate does with a click on an update.
        center->setResponseHandler([this](const NotificationUserInfo& userInfo) {
            const auto type = userInfo.find("type");
            if (type == userInfo.end() || type->second != "app-update")
                return;
            const auto url = userInfo.find("downloadURL");
            controller->openDownloadPage(url != userInfo.end() ? std::optional(url->second)
                                                               : std::nullopt);
        });
    }
    ~UpdateNotificationBusTest() override {
        if (controller->checkTask())
            controller->checkTask()->cancel();
        loop.runUntilIdle();
    }

    // A round trip to the service: the signals it sent before are delivered.
    void flush() {
        auto handle = spawn(mainActor(), [c = center] { return c->authorizationStatus(); });
        ASSERT_TRUE(loop.runUntil([&] { return handle.isFinished(); }, 10s));
    }

    VirtualClockRunLoop loop;
    test::PrivateBus bus;
    test::FakeNotificationServer server{bus.address(), {"actions", "body", "body-markup"}};
    std::shared_ptr<test::ScriptedHttpClient> http = std::make_shared<test::ScriptedHttpClient>();
    std::shared_ptr<FreedesktopNotificationCenter> center =
        std::make_shared<FreedesktopNotificationCenter>(BusAddress::explicitAddress(bus.address()));
    std::shared_ptr<test::RecordingURLOpener> opener = std::make_shared<test::RecordingURLOpener>();
    std::shared_ptr<AppUpdateController> controller = AppUpdateController::create(
        std::make_shared<AppUpdateService>(*Url::parse("https://updates.example.test/v1/update"),
                                           Url::parse("https://downloads.example.test/releases"),
                                           120, http),
        86400.0, center, opener);
};

TEST_F(UpdateNotificationBusTest, TheDailyCheckPostsAndAClickOpensTheDownloadOnce) {
    http->answerWith(test::updateAnswer(121, "builds/a.dmg", "2.1 <beta>"));
    controller->startPeriodicChecks();
    loop.advanceBy(5s);
    std::optional<nlohmann::json> call;
    ASSERT_TRUE(loop.runUntil([&] { return (call = server.nextNotify(20ms)).has_value(); }, 10s))
        << "no notification was posted";
    EXPECT_EQ((*call)["summary"], "Update Available");
    EXPECT_EQ((*call)["body"], "Lumra 2.1 &lt;beta&gt; is now available. Click to download.");
    const std::uint32_t id = (*call)["id"];

    server.invokeAsImpostor(id, "default");
    flush();
    EXPECT_TRUE(opener->opened.empty());
    server.invoke(id, "default");
    server.invoke(id, "default");
    flush();
    EXPECT_EQ(opener->opened,
              std::vector<std::string>{"https://downloads.example.test/releases/builds/a.dmg"});
}

TEST_F(UpdateNotificationBusTest, AManualCheckPostsNothing) {
    http->answerWith(test::updateAnswer(121));
    auto check = std::make_shared<Task<void>>(controller->checkForUpdatesNow());
    auto handle = spawn(mainActor(), [check] { return std::move(*check); });
    ASSERT_TRUE(loop.runUntil([&] { return handle.isFinished(); }, 10s));
    EXPECT_TRUE(controller->availableUpdate().get());
    flush(); // a Notify would have been printed before the service answered this
    EXPECT_EQ(server.nextNotify(20ms), std::nullopt);
}

} // namespace
} // namespace lumra
