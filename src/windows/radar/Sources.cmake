list(APPEND windows_SOURCES
  radar/RadarCanvasView.cpp
  radar/RadarMetricCardView.cpp
  radar/WiFiRadarWindowView.cpp)
list(APPEND windows_LIBS lumra_windows_viewmodel lumra_panel)
