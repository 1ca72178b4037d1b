list(APPEND windows_SOURCES radar/WiFiRadarWindowView.cpp)
