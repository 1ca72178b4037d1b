// Settings kept in plain fields, with none of the trimming or fallback of the
// user-defaults store; for tests and previews. Starts from the registered
// defaults of the user-defaults store. Main actor.
#pragma once

#include "monitoring/settings/AppSettingsStoring.h"

#include <utility>

namespace lumra {

class InMemoryAppSettingsStore final : public AppSettingsStoring {
public:
    InMemoryAppSettingsStore();

    bool monitoringEnabled() const override { return m_monitoringEnabled; }
    void setMonitoringEnabled(bool monitoringEnabled) override {
        m_monitoringEnabled = monitoringEnabled;
    }

    bool batteryFriendly() const override { return m_batteryFriendly; }
    void setBatteryFriendly(bool batteryFriendly) override { m_batteryFriendly = batteryFriendly; }

    bool colorfulIcon() const override { return m_colorfulIcon; }
    void setColorfulIcon(bool colorfulIcon) override { m_colorfulIcon = colorfulIcon; }

    std::string internetPingTarget() const override { return m_internetPingTarget; }
    void setInternetPingTarget(std::string internetPingTarget) override {
        m_internetPingTarget = std::move(internetPingTarget);
    }

    std::optional<std::string> lastSSID() const override { return m_lastSSID; }
    void setLastSSID(std::optional<std::string> lastSSID) override {
        m_lastSSID = std::move(lastSSID);
    }

private:
    bool m_monitoringEnabled;
    bool m_batteryFriendly;
    bool m_colorfulIcon;
    std::string m_internetPingTarget;
    std::optional<std::string> m_lastSSID;
};

} // namespace lumra
