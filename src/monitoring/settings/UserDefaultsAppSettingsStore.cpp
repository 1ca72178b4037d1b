// Reads and writes through the defaults store on the caller's thread (the
// main actor); the store persists each write before returning.
#include "monitoring/settings/UserDefaultsAppSettingsStore.h"

#include "model/UnicodeText.h"
#include "platform/defaults/DefaultsStore.h"

#include <cassert>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace lumra {

UserDefaultsAppSettingsStore::UserDefaultsAppSettingsStore(
    std::shared_ptr<DefaultsStore> userDefaults)
    : m_userDefaults(std::move(userDefaults)) {
    assert(m_userDefaults && "the settings need a defaults store");
    m_userDefaults->registerDefaults({
        {AppSettingsKey::monitoringEnabled, true},
        {AppSettingsKey::batteryFriendly, true},
        {AppSettingsKey::colorfulIcon, false},
        {AppSettingsKey::internetPingTarget, std::string(defaultInternetPingTarget)},
    });
}

bool UserDefaultsAppSettingsStore::monitoringEnabled() const {
    return m_userDefaults->boolForKey(AppSettingsKey::monitoringEnabled);
}

void UserDefaultsAppSettingsStore::setMonitoringEnabled(bool monitoringEnabled) {
    m_userDefaults->setBool(AppSettingsKey::monitoringEnabled, monitoringEnabled);
}

bool UserDefaultsAppSettingsStore::batteryFriendly() const {
    return m_userDefaults->boolForKey(AppSettingsKey::batteryFriendly);
}

void UserDefaultsAppSettingsStore::setBatteryFriendly(bool batteryFriendly) {
    m_userDefaults->setBool(AppSettingsKey::batteryFriendly, batteryFriendly);
}

bool UserDefaultsAppSettingsStore::colorfulIcon() const {
    return m_userDefaults->boolForKey(AppSettingsKey::colorfulIcon);
}

void UserDefaultsAppSettingsStore::setColorfulIcon(bool colorfulIcon) {
    m_userDefaults->setBool(AppSettingsKey::colorfulIcon, colorfulIcon);
}

std::string UserDefaultsAppSettingsStore::internetPingTarget() const {
    const auto stored = m_userDefaults->stringForKey(AppSettingsKey::internetPingTarget);
    std::string target = trimmedWhitespaceAndNewlines(stored.value_or(std::string()));
    if (target.empty())
        return defaultInternetPingTarget;
    return target;
}

void UserDefaultsAppSettingsStore::setInternetPingTarget(std::string internetPingTarget) {
    m_userDefaults->setString(AppSettingsKey::internetPingTarget, internetPingTarget);
}

std::optional<std::string> UserDefaultsAppSettingsStore::lastSSID() const {
    return m_userDefaults->stringForKey(AppSettingsKey::lastSSID);
}

void UserDefaultsAppSettingsStore::setLastSSID(std::optional<std::string> lastSSID) {
    const std::string trimmed = lastSSID ? trimmedWhitespaceAndNewlines(*lastSSID) : std::string();
    if (trimmed.empty()) {
        m_userDefaults->removeObjectForKey(AppSettingsKey::lastSSID);
        return;
    }
    m_userDefaults->setString(AppSettingsKey::lastSSID, trimmed);
}

} // namespace lumra
