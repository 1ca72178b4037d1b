list(APPEND export_SOURCES
  report/DiagnosticsReportBuilder.cpp
  report/DiagnosticsReportWriter.cpp)
