#include "settings/viewmodel/BatteryFriendlySetting.h"

namespace lumra {

BatteryFriendlySetting storedBatteryFriendly(std::shared_ptr<AppSettingsStoring> store,
                                             std::shared_ptr<DefaultsStore> userDefaults) {
    return {.read = [store] { return store->batteryFriendly(); },
            .write = [store](bool value) { store->setBatteryFriendly(value); },
            .observe =
                [userDefaults](std::function<void()> onChange) {
                    return userDefaults->observe(AppSettingsKey::batteryFriendly,
                                                 std::move(onChange));
                }};
}

BatteryFriendlySetting
lifecycleBatteryFriendly(std::weak_ptr<MonitoringLifecycleController> lifecycle) {
    return {.read =
                [lifecycle] {
                    const auto alive = lifecycle.lock();
                    return alive && alive->isBatteryFriendly().get();
                },
            .write =
                [lifecycle](bool value) {
                    if (const auto alive = lifecycle.lock())
                        alive->setBatteryFriendly(value);
                },
            .observe = {}};
}

} // namespace lumra
