list(APPEND platform_SOURCES bus/BusConnection.cpp)
list(APPEND platform_LIBS PkgConfig::SYSTEMD)
