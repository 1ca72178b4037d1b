#include "ShellFakes.h"
#include "concurrency/RunLoop.h"
#include "platform/desktop/AllowListedURLOpener.h"
#include "shell/location/CoreLocationAuthorizer.h"
#include "shell/location/LocationPermissionController.h"
#include "shell/location/SystemSettingsLocationOpener.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using Status = LocationPermissionStatus;

class FakeLocationManager final : public LocationManaging {
public:
    int rawStatus = location_authorization::notDetermined;
    int requests = 0;
    std::function<void()> delegate;

    int authorizationStatusRawValue() const override { return rawStatus; }
    void requestWhenInUseAuthorization() override { ++requests; }
    void setDelegate(std::function<void()> didChangeAuthorization) override {
        delegate = std::move(didChangeAuthorization);
    }
    void change(int raw) {
        rawStatus = raw;
        if (delegate)
            delegate();
    }
};

// Answers a fixed list of addresses as opened; records every attempt.
class ScriptedOpener final : public URLOpening {
public:
    std::vector<std::string> opens;
    std::vector<std::string> attempts;
    bool open(const Url& url) override {
        attempts.push_back(url.absoluteString());
        return std::find(opens.begin(), opens.end(), url.absoluteString()) != opens.end();
    }
};

// The allow-list as the desktop opener applies it, with nothing behind it.
class AllowListOnlyOpener final : public AllowListedURLOpener {
public:
    std::vector<std::string> reached;

protected:
    bool openAllowed(const Url& url) override {
        reached.push_back(url.absoluteString());
        return true;
    }
};

TEST(LocationPermissionStatusTest, MapsThePlatformsRawValues) {
    const std::vector<std::pair<int, Status>> cases = {
        {0, Status::notDetermined}, {1, Status::restricted},  {2, Status::denied},
        {3, Status::authorized},    {4, Status::authorized},  {5, Status::restricted},
        {7, Status::restricted},    {-1, Status::restricted},
    };
    for (const auto& [raw, status] : cases)
        EXPECT_EQ(mapAuthorizationStatus(raw), status) << raw;
}

TEST(CoreLocationAuthorizerTest, OnLinuxTheApplicationIsAlwaysAuthorized) {
    auto authorizer = CoreLocationAuthorizer::create();
    EXPECT_EQ(authorizer->authorizationStatus(), Status::authorized);
    EXPECT_NO_THROW(authorizer->requestWhenInUseAuthorization());
    EXPECT_EQ(authorizer->authorizationStatus(), Status::authorized);
}

TEST(CoreLocationAuthorizerTest, ReportsChangesOnlyToACallback) {
    auto manager = std::make_shared<FakeLocationManager>();
    auto authorizer = CoreLocationAuthorizer::create(manager);
    manager->change(location_authorization::denied); // no callback set: ignored
    std::vector<Status> reported;
    authorizer->setOnAuthorizationStatusChange([&](Status status) { reported.push_back(status); });
    manager->change(location_authorization::authorizedWhenInUse);
    manager->change(9);
    EXPECT_EQ(reported, (std::vector<Status>{Status::authorized, Status::restricted}));
    authorizer.reset();
    EXPECT_FALSE(manager->delegate) << "a gone authorizer is no longer the delegate";
}

class LocationPermissionControllerTest : public ::testing::Test {
protected:
    VirtualClockRunLoop loop;
    std::shared_ptr<FakeLocationManager> manager = std::make_shared<FakeLocationManager>();
    std::shared_ptr<CoreLocationAuthorizer> authorizer = CoreLocationAuthorizer::create(manager);
    std::shared_ptr<ScriptedOpener> opener = std::make_shared<ScriptedOpener>();
    std::shared_ptr<SystemSettingsLocationOpener> settings =
        std::make_shared<SystemSettingsLocationOpener>(
            opener, *Url::parse("file:///System/Applications/System%20Settings.app"));
};

TEST_F(LocationPermissionControllerTest, TheStatusIsReadAtStartAndOnRefresh) {
    manager->rawStatus = location_authorization::denied;
    auto controller = LocationPermissionController::create(authorizer, settings);
    EXPECT_EQ(controller->status().get(), Status::denied);
    EXPECT_EQ(controller->authorizer(), authorizer);
    EXPECT_EQ(controller->settingsOpener(), settings);
    manager->rawStatus = location_authorization::authorizedAlways;
    controller->refreshStatus();
    EXPECT_EQ(controller->status().get(), Status::authorized);
}

TEST_F(LocationPermissionControllerTest, AReportedChangeLandsInAMainActorTask) {
    auto controller = LocationPermissionController::create(authorizer, settings);
    manager->change(location_authorization::authorizedWhenInUse);
    EXPECT_EQ(controller->status().get(), Status::notDetermined);
    loop.runUntilIdle();
    EXPECT_EQ(controller->status().get(), Status::authorized);
}

TEST_F(LocationPermissionControllerTest, AChangeAfterTheControllerIsGoneChangesNothing) {
    auto controller = LocationPermissionController::create(authorizer, settings);
    std::vector<Status> seen;
    auto subscription =
        controller->status().subscribe([&](Status status) { seen.push_back(status); });
    manager->change(location_authorization::denied);
    loop.runUntilIdle();
    // Reported while the controller goes: its task finds nothing to set.
    manager->change(location_authorization::authorizedAlways);
    std::weak_ptr<LocationPermissionController> weak = controller;
    controller.reset();
    EXPECT_TRUE(weak.expired()) << "the authorizer's callback holds the controller weakly";
    loop.runUntilIdle();
    manager->change(location_authorization::restricted);
    loop.runUntilIdle();
    EXPECT_EQ(seen, (std::vector<Status>{Status::notDetermined, Status::denied}));
}

TEST_F(LocationPermissionControllerTest, AuthorizationIsAskedForOnlyWhileUndecided) {
    const std::vector<std::pair<int, int>> cases = {
        {location_authorization::notDetermined, 1},
        {location_authorization::denied, 0},
        {location_authorization::restricted, 0},
        {location_authorization::authorizedWhenInUse, 0},
    };
    for (const auto& [raw, requests] : cases) {
        manager->rawStatus = raw;
        manager->requests = 0;
        auto controller = LocationPermissionController::create(authorizer, settings);
        controller->requestAuthorizationIfNeeded();
        EXPECT_EQ(manager->requests, requests) << raw;
    }
}

TEST_F(LocationPermissionControllerTest, TheSettingsPagesAreTriedInOrder) {
    const std::string first = SystemSettingsLocationOpener::privacySecurityURL;
    const std::string second = SystemSettingsLocationOpener::legacySecurityURL;
    const std::string fallback = "file:///System/Applications/System%20Settings.app";
    struct Case {
        std::vector<std::string> opens;
        std::vector<std::string> attempts;
        bool opened;
    };
    const std::vector<Case> cases = {
        {{first}, {first}, true},
        {{second}, {first, second}, true},
        {{fallback}, {first, second, fallback}, true},
        {{}, {first, second, fallback}, false},
    };
    for (const auto& c : cases) {
        opener->opens = c.opens;
        opener->attempts.clear();
        EXPECT_EQ(settings->openLocationSettings(), c.opened);
        EXPECT_EQ(opener->attempts, c.attempts);
    }
    auto controller = LocationPermissionController::create(authorizer, settings);
    opener->attempts.clear();
    controller->openLocationSettings();
    EXPECT_EQ(opener->attempts.size(), 3u);
}

TEST_F(LocationPermissionControllerTest, OnLinuxEverySettingsLinkIsRefusedAndNothingOpens) {
    auto allowList = std::make_shared<AllowListOnlyOpener>();
    SystemSettingsLocationOpener linuxOpener(allowList, std::nullopt);
    EXPECT_FALSE(linuxOpener.openLocationSettings());
    EXPECT_TRUE(allowList->reached.empty()) << "nothing reaches the desktop";
}

} // namespace
} // namespace lumra
