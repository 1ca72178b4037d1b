// The application's five persisted settings, read when a value is needed
// (nobody observes them through this interface). Used on the main actor.
#pragma once

#include <optional>
#include <string>

namespace lumra {

// The user-defaults key of each setting: the setting's own name.
namespace AppSettingsKey {
inline constexpr const char* monitoringEnabled = "monitoringEnabled";
inline constexpr const char* batteryFriendly = "batteryFriendly";
inline constexpr const char* colorfulIcon = "colorfulIcon";
inline constexpr const char* internetPingTarget = "internetPingTarget";
inline constexpr const char* lastSSID = "lastSSID";
} // namespace AppSettingsKey

class AppSettingsStoring {
public:
    virtual ~AppSettingsStoring() = default;

    virtual bool monitoringEnabled() const = 0;
    virtual void setMonitoringEnabled(bool monitoringEnabled) = 0;

    virtual bool batteryFriendly() const = 0;
    virtual void setBatteryFriendly(bool batteryFriendly) = 0;

    virtual bool colorfulIcon() const = 0;
    virtual void setColorfulIcon(bool colorfulIcon) = 0;

    virtual std::string internetPingTarget() const = 0;
    virtual void setInternetPingTarget(std::string internetPingTarget) = 0;

    virtual std::optional<std::string> lastSSID() const = 0;
    virtual void setLastSSID(std::optional<std::string> lastSSID) = 0;
};

} // namespace lumra
