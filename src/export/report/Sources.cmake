list(APPEND export_SOURCES
  report/DiagnosticsReportBuilder.cpp
  report/DiagnosticsReportWriter.cpp
  report/DiagnosticsShareCardModel.cpp)
