list(APPEND probes_SOURCES captive/CaptivePortalProbe.cpp)
