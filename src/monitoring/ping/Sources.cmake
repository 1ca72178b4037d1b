list(APPEND monitoring_SOURCES ping/PingMonitor.cpp)
