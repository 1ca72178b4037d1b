list(APPEND panel_SOURCES
  widgets/ContentView.cpp
  widgets/DashboardPage.cpp
  widgets/OverlayCards.cpp
  widgets/PanelBlocks.cpp
  widgets/SettingsOverlayCard.cpp)
list(APPEND panel_LIBS lumra_panel_viewmodel)
