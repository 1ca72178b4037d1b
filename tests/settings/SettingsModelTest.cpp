#include "settings/viewmodel/SettingsModel.h"

#include "concurrency/RunLoop.h"
#include "tests/panel/PanelFakes.h"
#include "tests/shell/ShellFakes.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;

struct SettingsModelTest : ::testing::Test {
    VirtualClockRunLoop loop;
    std::shared_ptr<test::ScriptedHttpClient> http = std::make_shared<test::ScriptedHttpClient>();
    std::shared_ptr<test::RecordingURLOpener> opener = std::make_shared<test::RecordingURLOpener>();
    std::shared_ptr<AppUpdateController> controller = test::makeTestUpdateController(http, opener);
    std::shared_ptr<test::FakeLoginItem> loginItem = std::make_shared<test::FakeLoginItem>();
    std::shared_ptr<LaunchAtLoginController> launchAtLogin = LaunchAtLoginController::create(
        std::make_shared<test::ManualActivationNotifier>(), loginItem, opener);
    int changes = 0;
    std::shared_ptr<SettingsModel> state = SettingsModel::create([this] { ++changes; });
};

TEST_F(SettingsModelTest, OneCheckAtATimeAndTheButtonComesBack) {
    http->latency = 2s;
    http->answerWith(test::updateAnswer(200, "https://downloads.example.test/x"));
    EXPECT_EQ(state->selectedTab(), SettingsTab::general);
    state->checkForUpdates(controller);
    state->checkForUpdates(controller);
    EXPECT_TRUE(state->isCheckingForUpdate());
    loop.advanceBy(1s);
    EXPECT_TRUE(state->isCheckingForUpdate());
    loop.advanceBy(2s);
    EXPECT_FALSE(state->isCheckingForUpdate());
    EXPECT_EQ(http->requests.size(), 1u);
    EXPECT_TRUE(controller->availableUpdate().get().has_value());
    EXPECT_EQ(changes, 2);
}

TEST_F(SettingsModelTest, AFailedCheckKeepsTheKnownUpdate) {
    http->answerWith(test::updateAnswer(200));
    state->checkForUpdates(controller);
    loop.runUntilIdle();
    ASSERT_TRUE(controller->availableUpdate().get().has_value());
    http->answers.clear();
    http->answerWith({500, ""});
    state->checkForUpdates(controller);
    loop.runUntilIdle();
    EXPECT_FALSE(state->isCheckingForUpdate());
    EXPECT_TRUE(controller->availableUpdate().get().has_value());
}

TEST_F(SettingsModelTest, ACheckOutlivingItsStateWritesNothing) {
    http->latency = 2s;
    std::weak_ptr<SettingsModel> weak = state;
    state->checkForUpdates(controller);
    state.reset();
    EXPECT_TRUE(weak.expired());
    const int before = changes;
    loop.advanceBy(3s);
    EXPECT_EQ(changes, before);
    EXPECT_EQ(http->requests.size(), 1u);
    EXPECT_EQ(loop.runtime().liveTaskCount(), 0u);
}

TEST_F(SettingsModelTest, LaunchAtLoginFailureAndRecovery) {
    loginItem->failure = "denied <b>";
    state->setLaunchAtLogin(*launchAtLogin, true);
    EXPECT_EQ(state->launchAtLoginError(), "Failed to update login item: denied <b>");
    EXPECT_FALSE(launchAtLogin->isEnabled().get());
    loginItem->failure.reset();
    state->setLaunchAtLogin(*launchAtLogin, true);
    EXPECT_EQ(state->launchAtLoginError(), std::nullopt);
    EXPECT_TRUE(launchAtLogin->isEnabled().get());
    state->selectTab(SettingsTab::about);
    EXPECT_EQ(state->selectedTab(), SettingsTab::about);
}

} // namespace
} // namespace lumra
