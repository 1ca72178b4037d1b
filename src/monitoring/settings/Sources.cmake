list(APPEND monitoring_SOURCES
  settings/InMemoryAppSettingsStore.cpp
  settings/UserDefaultsAppSettingsStore.cpp)
