list(APPEND windows_SOURCES speedtest/SpeedTestWindowView.cpp)
