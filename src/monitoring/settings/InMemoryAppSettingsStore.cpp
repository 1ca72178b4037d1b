// Initial values shared with the user-defaults store's registered defaults.
#include "monitoring/settings/InMemoryAppSettingsStore.h"

#include "monitoring/settings/UserDefaultsAppSettingsStore.h"

namespace lumra {

InMemoryAppSettingsStore::InMemoryAppSettingsStore()
    : m_monitoringEnabled(true), m_batteryFriendly(true), m_colorfulIcon(false),
      m_internetPingTarget(UserDefaultsAppSettingsStore::defaultInternetPingTarget) {}

} // namespace lumra
