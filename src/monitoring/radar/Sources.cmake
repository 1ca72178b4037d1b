list(APPEND monitoring_SOURCES
  radar/RadarNearbyNetwork.cpp
  radar/WiFiRadarMonitor.cpp
  radar/WiFiRadarNearbyNetworksController.cpp)
