#include "shell/update/AppUpdateController.h"

#include "ShellFakes.h"
#include "concurrency/RunLoop.h"
#include "tests/support/AwaitTask.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using test::updateAnswer;
constexpr double day = 86400.0;

class AppUpdateControllerTest : public ::testing::Test {
protected:
    AppUpdateControllerTest() {
        http->latency = 3s;
        http->answerWith(updateAnswer(120));
    }

    ~AppUpdateControllerTest() override {
        if (controller && controller->checkTask())
            controller->checkTask()->cancel();
        loop.runUntilIdle();
    }

    double now() const { return runtimeClock().uptimeSeconds(); }

    // Time moves to `seconds` after the schedule started.
    void advanceTo(double seconds) {
        const auto target = start + std::chrono::duration<double>(seconds);
        loop.advanceBy(std::chrono::duration_cast<std::chrono::nanoseconds>(
            target - runtimeClock().uptimeNow()));
    }

    void startChecks() {
        start = runtimeClock().uptimeNow();
        controller->startPeriodicChecks();
    }

    std::vector<std::string> notifiedIdentifiers() const {
        std::vector<std::string> identifiers;
        for (const auto& request : center->added)
            identifiers.push_back(request.identifier);
        return identifiers;
    }

    VirtualClockRunLoop loop;
    std::shared_ptr<test::ScriptedHttpClient> http = std::make_shared<test::ScriptedHttpClient>();
    std::shared_ptr<test::RecordingNotificationCenter> center =
        std::make_shared<test::RecordingNotificationCenter>();
    std::shared_ptr<test::RecordingURLOpener> opener = std::make_shared<test::RecordingURLOpener>();
    std::shared_ptr<AppUpdateService> service = std::make_shared<AppUpdateService>(
        *Url::parse("https://updates.example.test/v1/update"),
        Url::parse("https://downloads.example.test/releases"), 120, http);
    std::shared_ptr<AppUpdateController> controller =
        AppUpdateController::create(service, day, center, opener);
    Clock::UptimePoint start{};
};

TEST_F(AppUpdateControllerTest, FirstCheckAtFiveSecondsThenADayAfterEachCheckEnded) {
    startChecks();
    advanceTo(4.999);
    EXPECT_TRUE(http->started.empty());
    advanceTo(5.0);
    ASSERT_EQ(http->started.size(), 1u);
    advanceTo(8.0);
    ASSERT_EQ(http->ended.size(), 1u);
    advanceTo(8.0 + day - 0.001);
    EXPECT_EQ(http->started.size(), 1u) << "the next check counts from the end of the last";
    advanceTo(8.0 + day);
    ASSERT_EQ(http->started.size(), 2u);
    advanceTo(8.0 + 2 * day + 3.0);
    EXPECT_EQ(http->started.size(), 3u);
    const double origin = std::chrono::duration<double>(start.time_since_epoch()).count();
    EXPECT_DOUBLE_EQ(http->started[0] - origin, 5.0);
    EXPECT_DOUBLE_EQ(http->started[1] - origin, 8.0 + day);
    EXPECT_DOUBLE_EQ(http->started[2] - origin, 11.0 + 2 * day);
}

TEST_F(AppUpdateControllerTest, OnlyTheFirstSightingOfABuildNotifies) {
    struct Step {
        test::ScriptedHttpClient::Answer answer;
        std::optional<std::int64_t> availableBuild;
        std::vector<std::string> notified;
    };
    const std::vector<Step> steps = {
        {updateAnswer(121, "https://a.example.test/1.dmg"), 121, {"app-update-121"}},
        {updateAnswer(121, "https://a.example.test/2.dmg"), 121, {"app-update-121"}},
        {{500, "down"}, 121, {"app-update-121"}},
        {updateAnswer(121), 121, {"app-update-121"}},
        {updateAnswer(120), std::nullopt, {"app-update-121"}},
        {updateAnswer(121), 121, {"app-update-121", "app-update-121"}},
        {updateAnswer(122), 122, {"app-update-121", "app-update-121", "app-update-122"}},
        {updateAnswer(121),
         121,
         {"app-update-121", "app-update-121", "app-update-122", "app-update-121"}},
    };
    http->answers.clear();
    for (const auto& step : steps)
        http->answerWith(step.answer);
    http->answerWith(updateAnswer(0));
    startChecks();
    double at = 5.0 + 3.0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        advanceTo(at);
        const auto& available = controller->availableUpdate().get();
        EXPECT_EQ(available ? std::optional(available->buildNumber) : std::nullopt,
                  steps[i].availableBuild)
            << "check " << i;
        EXPECT_EQ(notifiedIdentifiers(), steps[i].notified) << "check " << i;
        at += day + 3.0;
    }
    EXPECT_EQ(controller->availableUpdate().get()->downloadUrl,
              "https://downloads.example.test/releases/lumra-2.1.0.dmg");
}

TEST_F(AppUpdateControllerTest, TheReplacedRecordShowsItsNewAddress) {
    http->answers = {updateAnswer(121, "https://a.example.test/1.dmg"),
                     updateAnswer(121, "https://a.example.test/2.dmg")};
    startChecks();
    advanceTo(8.0);
    advanceTo(11.0 + day);
    EXPECT_EQ(controller->availableUpdate().get()->downloadUrl, "https://a.example.test/2.dmg");
    EXPECT_EQ(center->added.size(), 1u);
}

TEST_F(AppUpdateControllerTest, TheNotificationCarriesTheUpdate) {
    http->answers = {updateAnswer(121, "builds/lumra-2.1.0.dmg", "2.1.0")};
    startChecks();
    advanceTo(8.0);
    ASSERT_EQ(center->added.size(), 1u);
    EXPECT_EQ(
        center->added[0],
        (UserNotificationRequest{
            .identifier = "app-update-121",
            .title = "Update Available",
            .body = "Lumra 2.1.0 is now available. Click to download.",
            .playsDefaultSound = true,
            .userInfo = {{"type", "app-update"},
                         {"version", "2.1.0"},
                         {"downloadURL",
                          "https://downloads.example.test/releases/builds/lumra-2.1.0.dmg"}}}));
}

TEST_F(AppUpdateControllerTest, ManualChecksUpdateTheStateButNeverNotify) {
    http->latency = 0s;
    http->answers = {updateAnswer(121)};
    test::awaitTask(loop, controller->checkForUpdatesNow());
    ASSERT_TRUE(controller->availableUpdate().get());
    EXPECT_EQ(controller->availableUpdate().get()->buildNumber, 121);
    EXPECT_TRUE(center->added.empty());
    EXPECT_EQ(center->statusReads, 0);

    startChecks();
    advanceTo(5.0);
    EXPECT_EQ(http->started.size(), 2u);
    EXPECT_TRUE(center->added.empty()) << "the periodic check found the build already known";

    http->answers = {{503, ""}};
    test::awaitTask(loop, controller->checkForUpdatesNow());
    EXPECT_TRUE(controller->availableUpdate().get()) << "a failed check keeps what was known";
    http->answers = {updateAnswer(119)};
    test::awaitTask(loop, controller->checkForUpdatesNow());
    EXPECT_FALSE(controller->availableUpdate().get());
}

TEST_F(AppUpdateControllerTest, AuthorizationDecidesWhetherAnythingIsPosted) {
    using Status = NotificationAuthorizationStatus;
    struct Case {
        std::deque<Status> statuses;
        bool requestFails;
        std::size_t requests;
        std::size_t posted;
    };
    const std::vector<Case> cases = {
        {{Status::authorized}, false, 0, 1},
        {{Status::notDetermined, Status::denied}, false, 1, 0},
        {{Status::notDetermined, Status::authorized}, false, 1, 1},
        {{Status::notDetermined, Status::authorized}, true, 1, 0},
        {{Status::denied}, false, 0, 0},
        {{Status::provisional}, false, 0, 0},
        {{Status::ephemeral}, false, 0, 0},
    };
    for (const auto& c : cases) {
        auto fresh = std::make_shared<test::RecordingNotificationCenter>();
        fresh->statuses = c.statuses;
        fresh->requestFails = c.requestFails;
        http->answers = {updateAnswer(121)};
        auto subject = AppUpdateController::create(service, day, fresh, opener);
        subject->startPeriodicChecks();
        loop.advanceBy(10s);
        EXPECT_EQ(fresh->authorizationRequests.size(), c.requests);
        if (!fresh->authorizationRequests.empty()) {
            EXPECT_EQ(fresh->authorizationRequests[0],
                      (NotificationAuthorizationOptions{.alert = true, .sound = true}));
        }
        EXPECT_EQ(fresh->added.size(), c.posted);
        EXPECT_TRUE(subject->availableUpdate().get()) << "published whatever the permission";
        subject->checkTask()->cancel();
        loop.runUntilIdle();
    }
}

TEST_F(AppUpdateControllerTest, AFailedPostIsIgnoredAndTheScheduleGoesOn) {
    center->addFails = true;
    http->answers = {updateAnswer(121), updateAnswer(122)};
    startChecks();
    advanceTo(8.0);
    advanceTo(11.0 + day);
    EXPECT_EQ(notifiedIdentifiers(),
              (std::vector<std::string>{"app-update-121", "app-update-122"}));
    EXPECT_EQ(controller->availableUpdate().get()->buildNumber, 122);
}

TEST_F(AppUpdateControllerTest, ShutdownDuringTheFirstWaitMakesNoCheck) {
    startChecks();
    advanceTo(2.0);
    auto task = *controller->checkTask();
    controller->checkTask()->cancel();
    controller->checkTask().reset();
    loop.runUntilIdle();
    EXPECT_TRUE(task.isFinished());
    advanceTo(10.0 + day);
    EXPECT_TRUE(http->started.empty());
}

TEST_F(AppUpdateControllerTest, ShutdownDuringACheckEndsTheTaskWithoutNotifying) {
    http->answers = {updateAnswer(121)};
    startChecks();
    advanceTo(6.0);
    ASSERT_EQ(http->started.size(), 1u);
    auto task = *controller->checkTask();
    task.cancel();
    advanceTo(10.0 + day);
    EXPECT_TRUE(task.isFinished());
    EXPECT_EQ(http->started.size(), 1u);
    EXPECT_TRUE(center->added.empty());
}

TEST_F(AppUpdateControllerTest, StartingTwiceKeepsOneSchedule) {
    startChecks();
    advanceTo(3.0);
    auto first = *controller->checkTask();
    controller->startPeriodicChecks();
    EXPECT_FALSE(*controller->checkTask() == first);
    advanceTo(7.999);
    EXPECT_TRUE(first.isFinished());
    EXPECT_TRUE(http->started.empty()) << "the new schedule waits its own 5 s";
    advanceTo(8.0);
    EXPECT_EQ(http->started.size(), 1u);
    advanceTo(11.0 + 2 * day + 3.0);
    EXPECT_EQ(http->started.size(), 3u);
}

TEST_F(AppUpdateControllerTest, TheTaskDoesNotKeepTheControllerAlive) {
    startChecks();
    advanceTo(1.0);
    auto task = *controller->checkTask();
    std::weak_ptr<AppUpdateController> weak = controller;
    controller.reset();
    EXPECT_TRUE(weak.expired());
    loop.runUntilIdle();
    EXPECT_TRUE(task.isFinished()) << "its controller's end cancelled it";
    advanceTo(10.0);
    EXPECT_TRUE(http->started.empty());
}

TEST_F(AppUpdateControllerTest, AControllerGoneDuringAManualCheckIsLeftAlone) {
    http->answers = {updateAnswer(121)};
    auto check = std::make_shared<Task<void>>(controller->checkForUpdatesNow());
    auto handle = spawn(mainActor(), [check] { return std::move(*check); });
    loop.runUntilIdle();
    ASSERT_EQ(http->started.size(), 1u);
    std::weak_ptr<AppUpdateController> weak = controller;
    controller.reset();
    EXPECT_TRUE(weak.expired()) << "a running check does not hold its controller";
    loop.advanceBy(5s);
    EXPECT_TRUE(handle.isFinished());
}

TEST_F(AppUpdateControllerTest, TheDownloadPageOpensOnlyWebAddresses) {
    struct Case {
        std::optional<std::string> argument;
        std::vector<std::string> opened;
    };
    const std::vector<Case> cases = {
        {std::nullopt, {}},
        {"https://example.test/a.dmg", {"https://example.test/a.dmg"}},
        {"  https://example.test/a.dmg \n", {"https://example.test/a.dmg"}},
        {"HTTP://example.test/a.dmg", {"HTTP://example.test/a.dmg"}},
        {"mailto:someone@example.test", {}},
        {"file:///etc/passwd", {}},
        {"x-apple.systempreferences:com.apple.LoginItems-Settings.extension", {}},
        {"", {}},
        {"   ", {}},
        {"example.test/a.dmg", {}},
        {"not a url", {}},
    };
    for (const auto& c : cases) {
        opener->opened.clear();
        controller->openDownloadPage(c.argument);
        EXPECT_EQ(opener->opened, c.opened) << c.argument.value_or("(none)");
    }
}

TEST_F(AppUpdateControllerTest, WithoutAnArgumentTheAvailableUpdateIsOpened) {
    http->latency = 0s;
    http->answers = {updateAnswer(121, "https://example.test/b.dmg")};
    test::awaitTask(loop, controller->checkForUpdatesNow());
    controller->openDownloadPage();
    EXPECT_EQ(opener->opened, std::vector<std::string>{"https://example.test/b.dmg"});
}

} // namespace
} // namespace lumra
