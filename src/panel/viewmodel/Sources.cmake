list(APPEND panel_viewmodel_SOURCES
  viewmodel/DashboardModel.cpp
  viewmodel/OverlayCardModels.cpp
  viewmodel/PanelRoute.cpp
  viewmodel/PanelSeries.cpp
  viewmodel/PanelTexts.cpp
  viewmodel/SettingsModel.cpp)
