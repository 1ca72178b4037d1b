list(APPEND windows_viewmodel_SOURCES
  channelscan/viewmodel/ChannelSelection.cpp
  channelscan/viewmodel/ChannelScanWindowModel.cpp)
list(APPEND windows_viewmodel_LIBS lumra_panel_viewmodel)
