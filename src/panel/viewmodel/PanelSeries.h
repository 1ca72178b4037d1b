// The popover's chart series and vertical ranges, derived from the monitors'
// histories on every redraw (oldest sample first; an empty history gives an
// empty series). Without Qt.
#pragma once

#include "model/ConnectionPressureResult.h"
#include "model/DNSResult.h"
#include "model/PingResult.h"
#include "model/WiFiSnapshot.h"
#include "viewkit/Sparkline.h"

#include <span>
#include <vector>

namespace lumra {

// Every sample.
std::vector<double> rssiHistory(std::span<const WiFiSnapshot> history);
std::vector<double> noiseHistory(std::span<const WiFiSnapshot> history);
// Only the samples that carry the value.
std::vector<double> snrHistory(std::span<const WiFiSnapshot> history);
std::vector<double> linkRateHistory(std::span<const WiFiSnapshot> history);
std::vector<double> pingLatencyHistory(std::span<const PingResult> history);
std::vector<double> internetJitterHistory(std::span<const PingResult> internetHistory);
std::vector<double> dnsLatencyHistory(std::span<const DNSResult> history);

// Connection counts of every sample.
std::vector<double> establishedHistory(std::span<const ConnectionPressureResult> history);
std::vector<double> timeWaitHistory(std::span<const ConnectionPressureResult> history);
std::vector<double> closeWaitHistory(std::span<const ConnectionPressureResult> history);
// established + TIME_WAIT + CLOSE_WAIT.
std::vector<double> totalConnectionHistory(std::span<const ConnectionPressureResult> history);
// TIME_WAIT + CLOSE_WAIT.
std::vector<double> orphanedConnectionHistory(std::span<const ConnectionPressureResult> history);

// Link-rate range inside 0...1200, at least 80 wide, centred on the data
// where it fits; 0...1200 without samples.
ChartDomain linkRateChartDomain(std::span<const double> samples);

// 0...max(20, ceil(1.2 * peak)); 0...1000 without samples. The connection
// page passes the total series followed by the orphaned series.
ChartDomain connectionChartDomain(std::span<const double> samples);

// The dashboard's fixed ranges.
inline constexpr ChartDomain kSNRChartDomain{0, 50};
inline constexpr ChartDomain kSignalChartDomain{-95, -30};
inline constexpr ChartDomain kNoiseChartDomain{-110, -70};
inline constexpr ChartDomain kRouterPingChartDomain{0, 80};
inline constexpr ChartDomain kInternetPingChartDomain{0, 150};
inline constexpr ChartDomain kJitterChartDomain{0, 30};
inline constexpr ChartDomain kDNSLookupChartDomain{0, 300};

} // namespace lumra
