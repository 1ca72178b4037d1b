list(APPEND panel_SOURCES
  widgets/ChannelPopover.cpp
  widgets/ContentView.cpp
  widgets/DashboardPage.cpp
  widgets/InlineMessageRow.cpp
  widgets/MetricRow.cpp
  widgets/MetricTrendRow.cpp
  widgets/OverlayCards.cpp
  widgets/PanelBadges.cpp
  widgets/PanelButtons.cpp
  widgets/PlainGroupBox.cpp
  widgets/SectionDivider.cpp
  widgets/SettingsOverlayCard.cpp
  widgets/WiFiNetworkHeaderRow.cpp)
list(APPEND panel_LIBS lumra_panel_viewmodel)
