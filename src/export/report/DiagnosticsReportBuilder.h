// Turns the values read from the monitors into a report: the status of each
// section, the monitors' sentences, enumerations as their texts, the
// connection totals. Pure; never fails. A number that is not finite has no
// JSON form, so the report leaves its key out rather than let the writer
// fail on it.
#pragma once

#include "export/report/DiagnosticsExportInput.h"
#include "export/report/DiagnosticsExportReport.h"

namespace lumra {

DiagnosticsExportReport buildDiagnosticsExportReport(const DiagnosticsExportInput& input);

// The mappings of the three larger sections.
DiagnosticsExportReport::CaptivePortalData captivePortalData(const CaptivePortalStatus& status);
DiagnosticsExportReport::SpeedTestData speedTestData(const SpeedTestResult& result);
DiagnosticsExportReport::ChannelScanData channelScanData(const ChannelScanResult& result);

} // namespace lumra
