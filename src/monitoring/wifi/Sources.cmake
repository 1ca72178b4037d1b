list(APPEND monitoring_SOURCES wifi/WiFiMonitor.cpp)
