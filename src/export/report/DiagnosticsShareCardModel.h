// What the share preview card shows of a finished report: the health capsule,
// seven title/value lines and the export time. A missing value reads
// "Unavailable". Pure; the card widget maps it to children.
#pragma once

#include "export/report/DiagnosticsExportReport.h"
#include "model/HealthState.h"

#include <optional>
#include <string>
#include <vector>

namespace lumra {

struct DiagnosticsShareCardModel {
    struct Metric {
        std::string title;
        std::string value;

        bool operator==(const Metric&) const = default;
    };

    // A health text that is none of the four reads as disconnected.
    HealthState healthState;
    // The state's text in upper case: GOOD, WARNING, POOR, DISCONNECTED.
    std::string capsuleText;
    // "SSID", "Signal", "SNR", "Internet Ping", "DNS", "Connections", "Speed".
    std::vector<Metric> metrics;
    DiagnosticsExportReport::Date exportedAt;
};

inline constexpr const char* unavailableCardValue = "Unavailable";

DiagnosticsShareCardModel diagnosticsShareCardModel(const DiagnosticsExportReport& report);

// "246 / 38 Mbps": each figure rounded half away from zero; "Unavailable"
// when either is missing or cannot be rounded to an integer.
std::string speedCardValue(std::optional<double> downloadMbps, std::optional<double> uploadMbps);

} // namespace lumra
