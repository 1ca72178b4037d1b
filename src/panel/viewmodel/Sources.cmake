list(APPEND panel_viewmodel_SOURCES
  viewmodel/MetricFormat.cpp
  viewmodel/Sparkline.cpp)
