// Both settings views built on their own, over fakes of the services they
// take.
#include "concurrency/RunLoop.h"
#include "monitoring/settings/InMemoryAppSettingsStore.h"
#include "qt/ToggleSwitch.h"
#include "settings/widgets/SettingsOverlayCard.h"
#include "settings/widgets/SettingsView.h"
#include "tests/panel/PanelFakes.h"
#include "tests/shell/ShellFakes.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

class SettingsViewsTest : public ::testing::Test {
protected:
    VirtualClockRunLoop loop;
    std::shared_ptr<test::ScriptedHttpClient> http = std::make_shared<test::ScriptedHttpClient>();
    std::shared_ptr<test::RecordingURLOpener> opener = std::make_shared<test::RecordingURLOpener>();
    std::shared_ptr<AppUpdateController> updates = AppUpdateController::create(
        std::make_shared<AppUpdateService>(*Url::parse("https://updates.example.test/v1/update"),
                                           Url::parse("https://downloads.example.test/releases"),
                                           120, http),
        86400.0, std::make_shared<test::RecordingNotificationCenter>(), opener);
    std::shared_ptr<test::FakeLoginItem> loginItem = std::make_shared<test::FakeLoginItem>();
    std::shared_ptr<LaunchAtLoginController> launchAtLogin = LaunchAtLoginController::create(
        std::make_shared<test::ManualActivationNotifier>(), loginItem, opener);
    // In memory: no directory.
    std::shared_ptr<DefaultsStore> userDefaults = std::make_shared<DefaultsStore>("");
    std::shared_ptr<InMemoryAppSettingsStore> store = std::make_shared<InMemoryAppSettingsStore>();
    const AppBuildMetadataDisplayInfo build{"v1.4.0 (7)", "n/a", "December 11, 2026"};

    PlatformServices services() {
        PlatformServices services;
        services.makeLaunchAtLoginController = [this] {
            return launchAtLogin;
        };
        return services;
    }
};

TEST_F(SettingsViewsTest, TheWindowsBatterySwitchWritesThroughTheSettingsStore) {
    userDefaults->registerDefaults({{AppSettingsKey::batteryFriendly, true}});
    SettingsView view(storedBatteryFriendly(store, userDefaults), updates, services(), build);
    ASSERT_TRUE(view.batteryFriendlySwitch()->isChecked());
    view.batteryFriendlySwitch()->click();
    EXPECT_FALSE(store->batteryFriendly());
    EXPECT_TRUE(userDefaults->boolForKey(AppSettingsKey::batteryFriendly))
        << "the key is written by the store alone";
    EXPECT_FALSE(view.batteryFriendlySwitch()->isChecked());
}

} // namespace
} // namespace lumra
