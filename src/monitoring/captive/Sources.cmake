list(APPEND monitoring_SOURCES captive/CaptivePortalMonitor.cpp)
