// The battery-friendly setting as a settings view's switch sees it: read,
// written and, where it can change behind the view, observed. The window and
// the popover's page each get theirs from here, so neither view knows where
// the setting is kept. Main actor.
#pragma once

#include "concurrency/Published.h"
#include "monitoring/lifecycle/MonitoringLifecycleController.h"
#include "monitoring/settings/AppSettingsStoring.h"
#include "platform/defaults/DefaultsStore.h"

#include <functional>
#include <memory>

namespace lumra {

struct BatteryFriendlySetting {
    std::function<bool()> read;
    std::function<void(bool)> write;
    // Calls onChange after each change while the subscription lives; empty
    // where the view reads the value afresh whenever it shows.
    std::function<Subscription(std::function<void()> onChange)> observe;
};

// The Settings window's: the stored setting, read and written through the
// settings store alone, so the running monitors keep their pace until the
// next start; observed on the key the store keeps it under (userDefaults,
// the store's own), so a change the popover stores shows at once.
BatteryFriendlySetting storedBatteryFriendly(std::shared_ptr<AppSettingsStoring> store,
                                             std::shared_ptr<DefaultsStore> userDefaults);

// The popover page's: the running lifecycle's value, changed through the
// lifecycle, which stores it and applies it at once. Off, and written
// nowhere, without a lifecycle.
BatteryFriendlySetting
lifecycleBatteryFriendly(std::weak_ptr<MonitoringLifecycleController> lifecycle);

} // namespace lumra
