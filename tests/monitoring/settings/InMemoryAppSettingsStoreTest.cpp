#include "monitoring/settings/InMemoryAppSettingsStore.h"

#include "monitoring/settings/UserDefaultsAppSettingsStore.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

TEST(InMemoryAppSettingsStoreTest, StartsFromTheDefaultsAndStoresValuesAsGiven) {
    InMemoryAppSettingsStore store;
    EXPECT_TRUE(store.monitoringEnabled());
    EXPECT_TRUE(store.batteryFriendly());
    EXPECT_FALSE(store.colorfulIcon());
    EXPECT_EQ(store.internetPingTarget(), UserDefaultsAppSettingsStore::defaultInternetPingTarget);
    EXPECT_EQ(store.lastSSID(), std::nullopt);

    store.setMonitoringEnabled(false);
    store.setInternetPingTarget("   ");
    store.setLastSSID("  Home  ");
    EXPECT_FALSE(store.monitoringEnabled());
    EXPECT_EQ(store.internetPingTarget(), "   ");
    EXPECT_EQ(store.lastSSID(), "  Home  ");
}

} // namespace
} // namespace lumra
