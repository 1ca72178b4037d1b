list(APPEND windows_viewmodel_SOURCES
  radar/viewmodel/LinkQualityScore.cpp
  radar/viewmodel/RadarCanvasGeometry.cpp
  radar/viewmodel/RadarMetricCards.cpp
  radar/viewmodel/RadarSweepRaster.cpp
  radar/viewmodel/WiFiRadarWindowState.cpp)
list(APPEND windows_viewmodel_LIBS lumra_panel_viewmodel)
