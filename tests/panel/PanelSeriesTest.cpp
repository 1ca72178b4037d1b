#include "panel/viewmodel/PanelSeries.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace lumra {
namespace {

using Values = std::vector<double>;

TEST(PanelSeries, LinkRateDomain) {
    const std::pair<Values, ChartDomain> cases[] = {
        {{}, {0, 1200}},          {{300, 300, 300}, {260, 340}},
        {{10, 20}, {0, 80}},      {{1190, 1200}, {1120, 1200}},
        {{100, 500}, {100, 500}}, {{0, 1500}, {0, 1200}},
        {{-50, 2000}, {0, 1200}}, {{std::nan(""), 300}, {260, 340}},
    };
    for (const auto& [samples, expected] : cases) {
        EXPECT_EQ(linkRateChartDomain(samples), expected) << samples.size();
    }
}

TEST(PanelSeries, ConnectionDomain) {
    const std::pair<Values, double> cases[] = {
        {{0, 0}, 20}, {{10}, 20},   {{17}, 21},       {{50, 3}, 60},
        {{51}, 62},   {{100}, 120}, {{101, 40}, 122},
    };
    for (const auto& [samples, upper] : cases) {
        EXPECT_EQ(connectionChartDomain(samples), (ChartDomain{0, upper})) << samples.front();
    }
    EXPECT_EQ(connectionChartDomain(Values{}), (ChartDomain{0, 1000}));
}

TEST(PanelSeries, WiFiSeriesSkipAbsentValues) {
    std::vector<WiFiSnapshot> history(3);
    for (int i = 0; i < 3; ++i) {
        history[i].rssiDbm = -60 - i;
        history[i].noiseFloorDbm = -90 - i;
    }
    history[0].snrDb = 30;
    history[2].snrDb = 28;
    history[1].linkRateMbps = 866;
    EXPECT_EQ(rssiHistory(history), (Values{-60, -61, -62}));
    EXPECT_EQ(noiseHistory(history), (Values{-90, -91, -92}));
    EXPECT_EQ(snrHistory(history), (Values{30, 28}));
    EXPECT_EQ(linkRateHistory(history), (Values{866}));
    EXPECT_EQ(rssiHistory({}), Values{});
}

TEST(PanelSeries, PingAndDNSSeries) {
    std::vector<PingResult> pings(3);
    pings[0].latencyMilliseconds = 4.5;
    pings[0].jitterMilliseconds = 0.5;
    pings[2].latencyMilliseconds = 6.0;
    EXPECT_EQ(pingLatencyHistory(pings), (Values{4.5, 6.0}));
    EXPECT_EQ(internetJitterHistory(pings), (Values{0.5}));
    std::vector<DNSResult> lookups(2);
    lookups[1].latencyMilliseconds = 21;
    EXPECT_EQ(dnsLatencyHistory(lookups), (Values{21}));
}

TEST(PanelSeries, ConnectionSeries) {
    std::vector<ConnectionPressureResult> history{
        {{}, {5, 3, 2}, SignalQuality::good},
        {{}, {7, 0, 1}, SignalQuality::good},
    };
    EXPECT_EQ(establishedHistory(history), (Values{5, 7}));
    EXPECT_EQ(timeWaitHistory(history), (Values{3, 0}));
    EXPECT_EQ(closeWaitHistory(history), (Values{2, 1}));
    EXPECT_EQ(totalConnectionHistory(history), (Values{10, 8}));
    EXPECT_EQ(orphanedConnectionHistory(history), (Values{5, 1}));
}

} // namespace
} // namespace lumra
