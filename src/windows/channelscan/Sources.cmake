list(APPEND windows_SOURCES channelscan/ChannelScanWindowView.cpp)
