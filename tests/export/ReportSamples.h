// Report inputs the export tests share, and the place where every report a
// test generates is kept for the schema check.
#pragma once

#include "export/report/DiagnosticsExportInput.h"

#include <chrono>
#include <string>

namespace lumra::test {

// 2026-03-01T09:05:07Z plus the given milliseconds.
std::chrono::system_clock::time_point
exportTime(std::chrono::milliseconds offset = std::chrono::milliseconds(0));

// Every section present, a message beside a measurement, non-ASCII text.
DiagnosticsExportInput fullReportInput();
// Nothing measured yet: no snapshot, no results, no messages.
DiagnosticsExportInput emptyReportInput();

// Writes text as <name>.json into the directory named by
// LUMRA_EXPORT_REPORT_DIR (when set), for the schema validator.
void keepGeneratedReport(const std::string& name, const std::string& text);

// Sets TZ for the rest of the process and applies it.
void useTimeZone(const char* zone);

} // namespace lumra::test
