list(APPEND export_window_SOURCES
  window/DiagnosticsExportWindowView.cpp
  window/DiagnosticsSharePreviewCard.cpp
  window/ExportText.cpp
  window/ReportTransfer.cpp)
