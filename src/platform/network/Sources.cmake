list(APPEND platform_SOURCES
  network/InterfaceTypeClassifier.cpp
  network/RoutingFacts.cpp
  network/RtnetlinkDump.cpp
  network/RtnetlinkPathSource.cpp)
