list(APPEND windows_viewmodel_SOURCES
  channelscan/viewmodel/LocaleDecimal.cpp
  channelscan/viewmodel/ChannelSelection.cpp
  channelscan/viewmodel/ChannelScanWindowModel.cpp)
