list(APPEND windows_SOURCES
  channelscan/ChannelScanWindowView.cpp
  channelscan/CongestionBar.cpp)
list(APPEND windows_LIBS lumra_windows_viewmodel)
