list(APPEND monitoring_SOURCES dns/DNSMonitor.cpp)
