list(APPEND platform_SOURCES notifications/FreedesktopNotificationCenter.cpp)
list(APPEND platform_LIBS PkgConfig::SYSTEMD)
