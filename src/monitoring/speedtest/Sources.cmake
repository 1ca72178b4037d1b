list(APPEND monitoring_SOURCES speedtest/SpeedTestMonitor.cpp)
