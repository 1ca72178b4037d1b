#include "export/report/DiagnosticsReportBuilder.h"
#include "export/report/DiagnosticsShareCardModel.h"
#include "tests/export/ReportSamples.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace lumra {
namespace {

using Metric = DiagnosticsShareCardModel::Metric;

std::vector<Metric> metricsOf(const DiagnosticsExportInput& input) {
    return diagnosticsShareCardModel(buildDiagnosticsExportReport(input)).metrics;
}

TEST(ShareCardModelTest, AFullReportShowsItsSevenValues) {
    const auto card =
        diagnosticsShareCardModel(buildDiagnosticsExportReport(test::fullReportInput()));
    EXPECT_EQ(card.metrics, (std::vector<Metric>{{"SSID", "Café Ünïcode \"Home\""},
                                                 {"Signal", "-58 dBm"},
                                                 {"SNR", "34 dB"},
                                                 {"Internet Ping", "12.3 ms"},
                                                 {"DNS", "18.0 ms"},
                                                 {"Connections", "15"},
                                                 {"Speed", "246 / 38 Mbps"}}));
    EXPECT_EQ(card.capsuleText, "GOOD");
    EXPECT_EQ(card.healthState, HealthState::good);
    EXPECT_EQ(card.exportedAt, test::exportTime(std::chrono::milliseconds(750)));
}

TEST(ShareCardModelTest, AnEmptyReportShowsUnavailableEverywhere) {
    const auto card =
        diagnosticsShareCardModel(buildDiagnosticsExportReport(test::emptyReportInput()));
    ASSERT_EQ(card.metrics.size(), 7u);
    for (const auto& metric : card.metrics)
        EXPECT_EQ(metric.value, "Unavailable") << metric.title;
    EXPECT_EQ(card.capsuleText, "DISCONNECTED");
}

TEST(ShareCardModelTest, MissingMembersReadUnavailableOneByOne) {
    auto input = test::fullReportInput();
    input.diagnosticsSnapshot->wifiSnapshot->ssid.reset();
    input.diagnosticsSnapshot->dnsResult.reset();
    auto metrics = metricsOf(input);
    EXPECT_EQ(metrics[0].value, "Unavailable");
    EXPECT_EQ(metrics[1].value, "-58 dBm") << "only the SSID is missing";
    EXPECT_EQ(metrics[4].value, "Unavailable");

    input.diagnosticsSnapshot->wifiSnapshot.reset();
    metrics = metricsOf(input);
    for (int i : {0, 1, 2})
        EXPECT_EQ(metrics[i].value, "Unavailable") << metrics[i].title;
}

TEST(ShareCardModelTest, SpeedRoundsHalvesAwayFromZeroAndNeedsBothFigures) {
    EXPECT_EQ(speedCardValue(245.5, 38.49), "246 / 38 Mbps");
    EXPECT_EQ(speedCardValue(245.2, 38.0), "245 / 38 Mbps");
    EXPECT_EQ(speedCardValue(0.5, 2.5), "1 / 3 Mbps");
    EXPECT_EQ(speedCardValue(-0.5, 0.49), "-1 / 0 Mbps");
    EXPECT_EQ(speedCardValue(245.5, std::nullopt), "Unavailable");
    EXPECT_EQ(speedCardValue(std::nullopt, 38.0), "Unavailable");
    EXPECT_EQ(speedCardValue(std::nan(""), 38.0), "Unavailable");
    EXPECT_EQ(speedCardValue(std::numeric_limits<double>::infinity(), 38.0), "Unavailable");
    EXPECT_EQ(speedCardValue(1e19, 38.0), "Unavailable") << "beyond a 64-bit integer";
    EXPECT_EQ(speedCardValue(9.2e18, 1.0), "9200000000000000000 / 1 Mbps");
}

TEST(ShareCardModelTest, ConnectionsAreThePlainTotal) {
    auto input = test::fullReportInput();
    input.connectionResult->counts = {1000, 3, 2};
    EXPECT_EQ(metricsOf(input)[5].value, "1005") << "no grouping";
}

TEST(ShareCardModelTest, TheCapsuleFollowsTheHealthText) {
    auto report = buildDiagnosticsExportReport(test::fullReportInput());
    for (auto [text, capsule, state] :
         std::vector<std::tuple<std::string, std::string, HealthState>>{
             {"good", "GOOD", HealthState::good},
             {"warning", "WARNING", HealthState::warning},
             {"poor", "POOR", HealthState::poor},
             {"disconnected", "DISCONNECTED", HealthState::disconnected},
             {"Good", "DISCONNECTED", HealthState::disconnected},
             {"", "DISCONNECTED", HealthState::disconnected}}) {
        report.runtime.healthState = text;
        const auto card = diagnosticsShareCardModel(report);
        EXPECT_EQ(card.capsuleText, capsule) << text;
        EXPECT_EQ(card.healthState, state) << text;
    }
}

TEST(ShareCardModelTest, MillisecondsKeepAPointUnderADecimalCommaLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "./setup generates de_DE.UTF-8";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    std::locale::global(std::locale("de_DE.UTF-8"));
    const auto metrics = metricsOf(test::fullReportInput());
    EXPECT_EQ(metrics[3].value, "12.3 ms");
    EXPECT_EQ(metrics[4].value, "18.0 ms");
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, "C");
}

} // namespace
} // namespace lumra
