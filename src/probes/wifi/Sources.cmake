list(APPEND probes_SOURCES
  wifi/CoreWLANInterfaceProvider.cpp
  wifi/CoreWLANNetworkScanner.cpp
  wifi/CurrentWiFiInterfaceName.cpp
  wifi/WiFiNetworkScannerError.cpp
)
