list(APPEND monitoring_SOURCES
  channelscan/ChannelScanMonitor.cpp
  channelscan/ChannelScoring.cpp
)
