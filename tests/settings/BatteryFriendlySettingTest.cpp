#include "settings/viewmodel/BatteryFriendlySetting.h"

#include "monitoring/settings/UserDefaultsAppSettingsStore.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

struct StoredBatteryFriendlyTest : ::testing::Test {
    // In memory: no directory.
    std::shared_ptr<DefaultsStore> userDefaults = std::make_shared<DefaultsStore>("");
};

// A change the popover stores through the application's store reaches the
// window's observer, until the window lets go.
TEST_F(StoredBatteryFriendlyTest, AChangeStoredElsewhereIsReportedWhileObserved) {
    auto store = std::make_shared<UserDefaultsAppSettingsStore>(userDefaults);
    const BatteryFriendlySetting setting = storedBatteryFriendly(store, userDefaults);
    ASSERT_TRUE(setting.observe);
    int changes = 0;
    std::optional<Subscription> observation = setting.observe([&] { ++changes; });
    EXPECT_TRUE(setting.read()) << "on while the key holds no value";
    UserDefaultsAppSettingsStore(userDefaults).setBatteryFriendly(false);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(setting.read());
    observation.reset();
    store->setBatteryFriendly(true);
    EXPECT_EQ(changes, 1);
}

TEST(LifecycleBatteryFriendlyTest, WithoutALifecycleItReadsOffAndWritesNothing) {
    const BatteryFriendlySetting setting = lifecycleBatteryFriendly({});
    EXPECT_FALSE(setting.read());
    setting.write(true);
    EXPECT_FALSE(setting.read());
    EXPECT_FALSE(setting.observe);
}

} // namespace
} // namespace lumra
