#include "export/report/DiagnosticsShareCardModel.h"

#include <cmath>
#include <cstdint>
#include <fmt/format.h>
#include <limits>

namespace lumra {

namespace {

using Report = DiagnosticsExportReport;

template <class Data, class T>
std::optional<T> member(const std::optional<Data>& data, std::optional<T> Data::*field) {
    return data ? (*data).*field : std::nullopt;
}

std::string orUnavailable(const std::optional<std::string>& text) {
    return text.value_or(unavailableCardValue);
}

std::string integerWithUnit(std::optional<std::int64_t> value, const char* unit) {
    return value ? fmt::format("{} {}", *value, unit) : unavailableCardValue;
}

// "%.1f" with a point, whatever the locale.
std::string millisecondsText(std::optional<double> value) {
    if (!value || !std::isfinite(*value))
        return unavailableCardValue;
    return fmt::format("{:.1f} ms", *value);
}

std::optional<long long> roundedAwayFromZero(std::optional<double> value) {
    // The range check keeps llround defined: 2^63 itself does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (!value || !std::isfinite(*value) || *value >= limit || *value < -limit)
        return std::nullopt;
    return std::llround(*value);
}

} // namespace

std::string speedCardValue(std::optional<double> downloadMbps, std::optional<double> uploadMbps) {
    const auto down = roundedAwayFromZero(downloadMbps);
    const auto up = roundedAwayFromZero(uploadMbps);
    if (!down || !up)
        return unavailableCardValue;
    return fmt::format("{} / {} Mbps", *down, *up);
}

DiagnosticsShareCardModel diagnosticsShareCardModel(const DiagnosticsExportReport& report) {
    const HealthState state =
        fromRawValue<HealthState>(report.runtime.healthState).value_or(HealthState::disconnected);
    std::string capsule(rawValue(state));
    for (char& c : capsule)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);

    const auto& wifi = report.wifi.data;
    const auto& speed = report.speedTest.data;
    const auto connections =
        member(report.connectionPressure.data, &Report::ConnectionPressureData::totalCount);
    return {
        state,
        capsule,
        {
            {"SSID", orUnavailable(member(wifi, &Report::WiFiData::ssid))},
            {"Signal", integerWithUnit(member(wifi, &Report::WiFiData::rssiDbm), "dBm")},
            {"SNR", integerWithUnit(member(wifi, &Report::WiFiData::snrDb), "dB")},
            {"Internet Ping",
             millisecondsText(member(report.latency.internetPing.data,
                                     &Report::LatencySection::PingMetric::latencyMilliseconds))},
            {"DNS",
             millisecondsText(member(report.latency.dnsLookup.data,
                                     &Report::LatencySection::DNSMetric::latencyMilliseconds))},
            {"Connections", connections ? std::to_string(*connections) : unavailableCardValue},
            {"Speed", speedCardValue(member(speed, &Report::SpeedTestData::downloadMbps),
                                     member(speed, &Report::SpeedTestData::uploadMbps))},
        },
        report.exportedAt,
    };
}

} // namespace lumra
