list(APPEND monitoring_SOURCES connection/ConnectionMonitor.cpp)
