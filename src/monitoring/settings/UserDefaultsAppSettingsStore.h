// The settings over the user-defaults store. Construction registers the
// defaults (in memory only); every read goes to the store, so a value
// another writer stored is seen at the next read. Main actor.
#pragma once

#include "monitoring/ping/BuiltInInternetTarget.h"
#include "monitoring/settings/AppSettingsStoring.h"

#include <memory>

namespace lumra {

class DefaultsStore;

class UserDefaultsAppSettingsStore final : public AppSettingsStoring {
public:
    // Answers ICMP echo and is reachable without name resolution.
    static constexpr const char* defaultInternetPingTarget = builtInInternetTarget;

    explicit UserDefaultsAppSettingsStore(std::shared_ptr<DefaultsStore> userDefaults);

    const std::shared_ptr<DefaultsStore>& userDefaults() const { return m_userDefaults; }

    bool monitoringEnabled() const override;
    void setMonitoringEnabled(bool monitoringEnabled) override;

    bool batteryFriendly() const override;
    void setBatteryFriendly(bool batteryFriendly) override;

    bool colorfulIcon() const override;
    void setColorfulIcon(bool colorfulIcon) override;

    // The stored target without surrounding blanks, or the default target
    // when nothing else is left.
    std::string internetPingTarget() const override;
    void setInternetPingTarget(std::string internetPingTarget) override;

    std::optional<std::string> lastSSID() const override;
    // Stored without surrounding blanks; absent or blank removes the key.
    void setLastSSID(std::optional<std::string> lastSSID) override;

private:
    std::shared_ptr<DefaultsStore> m_userDefaults;
};

} // namespace lumra
