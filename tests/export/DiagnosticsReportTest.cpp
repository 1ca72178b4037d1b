#include "export/report/DiagnosticsReportBuilder.h"
#include "export/report/DiagnosticsReportWriter.h"
#include "tests/export/ReportSamples.h"

#include <cctype>
#include <cmath>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using test::exportTime;

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(LUMRA_EXPORT_FIXTURES_DIR) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Writes the report, keeps it for the schema check and parses it back.
Json written(const DiagnosticsExportInput& input, const std::string& name) {
    const std::string text = diagnosticsJSONString(buildDiagnosticsExportReport(input));
    test::keepGeneratedReport(name, text);
    return Json::parse(text);
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Every object's keys, in the order they stand in the text, ascending both
// byte-wise and without regard to case.
void expectSortedKeysEverywhere(const std::string& text) {
    int objects = 0;
    std::function<void(const nlohmann::ordered_json&)> walk =
        [&](const nlohmann::ordered_json& value) {
            if (!value.is_object())
                return;
            ++objects;
            std::optional<std::string> previous;
            for (const auto& [key, member] : value.items()) {
                if (previous) {
                    EXPECT_LT(*previous, key);
                    EXPECT_LT(lower(*previous), lower(key));
                }
                previous = key;
                walk(member);
            }
        };
    walk(nlohmann::ordered_json::parse(text));
    EXPECT_GT(objects, 1);
}

class DiagnosticsReportTest : public ::testing::Test {
protected:
    // Dates must not follow the local zone.
    static void SetUpTestSuite() { test::useTimeZone("America/New_York"); }
};

TEST_F(DiagnosticsReportTest, FullReportMatchesItsGoldenText) {
    const std::string text =
        diagnosticsJSONString(buildDiagnosticsExportReport(test::fullReportInput()));
    test::keepGeneratedReport("golden-full", text);
    EXPECT_EQ(text, fixture("report-full.json"));
    expectSortedKeysEverywhere(text);
}

TEST_F(DiagnosticsReportTest, EmptyReportMatchesItsGoldenText) {
    const std::string text =
        diagnosticsJSONString(buildDiagnosticsExportReport(test::emptyReportInput()));
    test::keepGeneratedReport("golden-empty", text);
    EXPECT_EQ(text, fixture("report-empty.json"));
    expectSortedKeysEverywhere(text);
}

TEST_F(DiagnosticsReportTest, FullReportCarriesEverySectionWithItsMessages) {
    const Json report = written(test::fullReportInput(), "full");
    EXPECT_EQ(report["schemaVersion"], 2);
    EXPECT_TRUE(report["schemaVersion"].is_number_integer());
    EXPECT_EQ(report["exportedAt"], "2026-03-01T09:05:07Z")
        << "the fraction is dropped, the zone is UTC";
    EXPECT_EQ(report["app"], (Json{{"name", "Lumra"}, {"version", "1.4.0"}, {"build", "42"}}));
    EXPECT_EQ(report["runtime"], (Json{{"monitoringEnabled", true},
                                       {"batteryFriendlyModeEnabled", false},
                                       {"healthState", "good"},
                                       {"diagnosticsCapturedAt", "2026-03-01T09:05:03Z"}}));
    for (const char* section :
         {"wifi", "connectionPressure", "captivePortal", "channelScan", "speedTest"})
        EXPECT_EQ(report[section]["status"], "available") << section;
    for (const char* member : {"routerPing", "internetPing", "dnsLookup"})
        EXPECT_EQ(report["latency"][member]["status"], "available") << member;

    const Json& wifi = report["wifi"]["data"];
    EXPECT_EQ(wifi["ssid"], "Café Ünïcode \"Home\"");
    EXPECT_EQ(wifi["band"], "5 GHz");
    EXPECT_EQ(wifi["vpnActive"], false);
    EXPECT_FALSE(wifi.contains("interfaceName"));
    EXPECT_FALSE(report["wifi"].contains("errorMessage"));

    const Json& connection = report["connectionPressure"];
    EXPECT_EQ(connection["errorMessage"], "Connection monitor failed to read TCP states.")
        << "a last message stands beside a newer measurement";
    EXPECT_EQ(connection["data"]["totalCount"], 15);
    EXPECT_EQ(connection["data"]["orphanedCount"], 5);
    EXPECT_EQ(connection["data"]["quality"], "warning");

    EXPECT_FALSE(report["captivePortal"]["data"].contains("portalURL"));
    EXPECT_EQ(report["captivePortal"]["data"]["probeURL"],
              "http://captive.apple.com/hotspot-detect.html");
    EXPECT_EQ(report["captivePortal"]["data"]["reason"], "none");

    const Json& speed = report["speedTest"];
    EXPECT_EQ(speed["phase"], "completed");
    EXPECT_EQ(speed["data"]["downloadBufferbloatGrade"], "C");
    EXPECT_EQ(speed["data"]["uploadBufferbloatGrade"], "A");
    EXPECT_FALSE(speed["data"].contains("downloadBufferbloatRatio"));
    EXPECT_FALSE(report["channelScan"]["data"].contains("channels"));
    EXPECT_EQ(report["channelScan"]["data"]["suggestedBand"], "2.4 GHz");
}

TEST_F(DiagnosticsReportTest, EmptyReportKeepsEveryRequiredKeyAndNoData) {
    const Json report = written(test::emptyReportInput(), "empty");
    EXPECT_EQ(report.size(), 10u);
    EXPECT_EQ(report["app"], (Json{{"name", "Lumra"}}));
    EXPECT_EQ(report["runtime"]["healthState"], "disconnected");
    EXPECT_FALSE(report["runtime"].contains("diagnosticsCapturedAt"));
    EXPECT_EQ(report["latency"].size(), 3u);
    for (const Json* section :
         {&report["wifi"], &report["connectionPressure"], &report["captivePortal"],
          &report["channelScan"], &report["latency"]["routerPing"],
          &report["latency"]["internetPing"], &report["latency"]["dnsLookup"]})
        EXPECT_EQ(*section, (Json{{"status", "unavailable"}}));
    EXPECT_EQ(report["speedTest"], (Json{{"phase", "idle"}, {"status", "unavailable"}}));
    EXPECT_EQ(
        diagnosticsJSONString(buildDiagnosticsExportReport(test::emptyReportInput())).find("null"),
        std::string::npos);
}

TEST_F(DiagnosticsReportTest, SectionsFollowTheirOwnSources) {
    struct Case {
        const char* name;
        std::function<void(DiagnosticsExportInput&)> change;
        std::function<void(const Json&)> expect;
    };
    const std::vector<Case> cases{
        {"snapshot-without-wifi",
         [](DiagnosticsExportInput& input) { input.diagnosticsSnapshot->wifiSnapshot.reset(); },
         [](const Json& report) {
             EXPECT_EQ(report["wifi"], (Json{{"status", "unavailable"}}));
             EXPECT_EQ(report["latency"]["routerPing"]["status"], "available");
         }},
        {"internet-ping-only",
         [](DiagnosticsExportInput& input) {
             input.diagnosticsSnapshot->routerPingResult.reset();
             input.diagnosticsSnapshot->dnsResult.reset();
         },
         [](const Json& report) {
             EXPECT_EQ(report["latency"]["routerPing"], (Json{{"status", "unavailable"}}));
             EXPECT_EQ(report["latency"]["internetPing"]["status"], "available");
             EXPECT_EQ(report["latency"]["dnsLookup"], (Json{{"status", "unavailable"}}));
         }},
        {"counts-3-2-1",
         [](DiagnosticsExportInput& input) {
             input.connectionResult->counts = {3, 2, 1};
         },
         [](const Json& report) {
             EXPECT_EQ(report["connectionPressure"]["data"]["totalCount"], 6);
             EXPECT_EQ(report["connectionPressure"]["data"]["orphanedCount"], 3);
         }},
        {"scan-message-without-result",
         [](DiagnosticsExportInput& input) {
             input.channelScanResult.reset();
             input.channelScanLastErrorMessage = "Channel scan failed: no Wi-Fi interface";
         },
         [](const Json& report) {
             EXPECT_EQ(report["channelScan"],
                       (Json{{"status", "unavailable"},
                             {"errorMessage", "Channel scan failed: no Wi-Fi interface"}}));
         }},
        {"failed-speed-test",
         [](DiagnosticsExportInput& input) {
             input.speedTestResult->didSucceed = false;
             input.speedTestPhase = SpeedTestPhase::failed;
             input.speedTestLastErrorMessage = "Speed test transferred no data.";
         },
         [](const Json& report) {
             EXPECT_EQ(report["speedTest"]["status"], "available");
             EXPECT_EQ(report["speedTest"]["data"]["didSucceed"], false);
             EXPECT_EQ(report["speedTest"]["phase"], "failed");
             EXPECT_EQ(report["speedTest"]["errorMessage"], "Speed test transferred no data.");
         }},
        {"download-grade-only",
         [](DiagnosticsExportInput& input) {
             input.speedTestResult->uploadBufferbloatGrade.reset();
         },
         [](const Json& report) {
             EXPECT_TRUE(report["speedTest"]["data"].contains("downloadBufferbloatGrade"));
             EXPECT_FALSE(report["speedTest"]["data"].contains("uploadBufferbloatGrade"));
         }},
        {"unknown-band-and-no-band",
         [](DiagnosticsExportInput& input) {
             input.diagnosticsSnapshot->wifiSnapshot->band = WiFiBand::unknown;
             input.channelScanResult->currentBand.reset();
         },
         [](const Json& report) {
             EXPECT_EQ(report["wifi"]["data"]["band"], "Unknown");
             EXPECT_FALSE(report["channelScan"]["data"].contains("currentBand"));
         }},
        {"empty-message-and-no-version",
         [](DiagnosticsExportInput& input) {
             input.captivePortalLastErrorMessage = "";
             input.appVersion.reset();
         },
         [](const Json& report) {
             EXPECT_EQ(report["captivePortal"]["errorMessage"], "")
                 << "an empty sentence is still written";
             EXPECT_EQ(report["app"], (Json{{"name", "Lumra"}, {"build", "42"}}));
         }},
        {"captive-portal-found",
         [](DiagnosticsExportInput& input) {
             input.captivePortalStatus = CaptivePortalStatus{
                 exportTime(), true, *Url::parse("https://login.example.com/?a=1&b=2"),
                 *Url::parse("http://captive.apple.com/hotspot-detect.html"),
                 CaptivePortalDetectionReason::redirect};
         },
         [](const Json& report) {
             EXPECT_EQ(report["captivePortal"]["data"]["portalURL"],
                       "https://login.example.com/?a=1&b=2");
             EXPECT_EQ(report["captivePortal"]["data"]["reason"], "redirect");
         }},
        {"no-baseline-and-no-ping-figures",
         [](DiagnosticsExportInput& input) {
             input.speedTestResult->baselineLatencyMilliseconds.reset();
             input.diagnosticsSnapshot->routerPingResult = PingResult{
                 PingTarget::router, exportTime(), std::nullopt, std::nullopt, 100.0, false};
         },
         [](const Json& report) {
             EXPECT_FALSE(report["speedTest"]["data"].contains("baselineLatencyMilliseconds"));
             EXPECT_EQ(report["latency"]["routerPing"]["data"],
                       (Json{{"capturedAt", "2026-03-01T09:05:07Z"},
                             {"packetLossPercent", 100.0},
                             {"didSucceed", false}}));
         }},
        {"poor-health-without-a-wifi-ssid",
         [](DiagnosticsExportInput& input) {
             input.diagnosticsSnapshot->healthState = HealthState::poor;
             input.diagnosticsSnapshot->wifiSnapshot->ssid.reset();
             input.diagnosticsSnapshot->wifiSnapshot->snrDb.reset();
         },
         [](const Json& report) {
             EXPECT_EQ(report["runtime"]["healthState"], "poor");
             EXPECT_FALSE(report["wifi"]["data"].contains("ssid"));
             EXPECT_FALSE(report["wifi"]["data"].contains("snrDb"));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiagnosticsExportInput input = test::fullReportInput();
        c.change(input);
        c.expect(written(input, std::string("case-") + c.name));
    }
}

TEST_F(DiagnosticsReportTest, DatesAreUtcToTheWholeSecondWhateverTheLocalZone) {
    for (const char* zone : {"Asia/Kolkata", "America/New_York", "UTC"}) {
        test::useTimeZone(zone);
        EXPECT_EQ(rfc3339UtcText(exportTime(999ms)), "2026-03-01T09:05:07Z") << zone;
    }
    test::useTimeZone("America/New_York");
    using namespace std::chrono;
    EXPECT_EQ(rfc3339UtcText(sys_days{1969y / December / 31} + 23h + 59min + 59s + 500ms),
              "1969-12-31T23:59:59Z")
        << "before the epoch the fraction is dropped too";
    EXPECT_EQ(rfc3339UtcText(sys_days{2024y / February / 29}), "2024-02-29T00:00:00Z");
}

TEST_F(DiagnosticsReportTest, NonFiniteInputsLeaveTheirKeysOut) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    DiagnosticsExportInput input = test::fullReportInput();
    input.speedTestResult->downloadMbps = inf;
    input.speedTestResult->uploadLoadedLatencyMilliseconds = nan;
    input.diagnosticsSnapshot->internetPingResult->latencyMilliseconds = -inf;
    input.diagnosticsSnapshot->routerPingResult->packetLossPercent = nan;
    input.channelScanResult->currentChannelInterferenceScore = nan;
    input.diagnosticsSnapshot->dnsResult->latencyMilliseconds = nan;

    const Json report = written(input, "non-finite-input");
    EXPECT_FALSE(report["speedTest"]["data"].contains("downloadMbps"));
    EXPECT_EQ(report["speedTest"]["data"]["uploadMbps"], 38.49);
    EXPECT_FALSE(report["speedTest"]["data"].contains("uploadLoadedLatencyMilliseconds"));
    EXPECT_FALSE(report["latency"]["internetPing"]["data"].contains("latencyMilliseconds"));
    EXPECT_FALSE(report["latency"]["routerPing"]["data"].contains("packetLossPercent"));
    EXPECT_FALSE(report["channelScan"]["data"].contains("currentChannelInterferenceScore"));
    EXPECT_FALSE(report["latency"]["dnsLookup"]["data"].contains("latencyMilliseconds"));
}

TEST_F(DiagnosticsReportTest, AWriterThatMeetsANonFiniteNumberFailsClosed) {
    DiagnosticsExportReport report = buildDiagnosticsExportReport(test::fullReportInput());
    report.speedTest.data->uploadMbps = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(diagnosticsJSONString(report), DiagnosticsReportEncodingError);

    const std::string fallback = diagnosticsReportTextOrFallback(report);
    EXPECT_EQ(fallback, R"({ "error": "Unable to encode diagnostics export." })");
    EXPECT_EQ(fallback.size(), 51u);
    EXPECT_EQ(Json::parse(fallback), (Json{{"error", "Unable to encode diagnostics export."}}));

    report.speedTest.data->uploadMbps = 1.0;
    report.latency.dnsLookup.data->latencyMilliseconds = std::numeric_limits<double>::infinity();
    EXPECT_EQ(diagnosticsReportTextOrFallback(report), fallback);
}

// A network name or a tool's message that is not UTF-8 costs only its own
// bad bytes, never the rest of the report.
TEST_F(DiagnosticsReportTest, TextThatIsNotUtf8IsWrittenWithReplacementCharacters) {
    DiagnosticsExportReport report = buildDiagnosticsExportReport(test::fullReportInput());
    report.wifi.data->ssid = std::string("bad\xff\xfe");
    report.channelScan.errorMessage = std::string("Channel scan failed: \xed\xa0\x80");
    const std::string text = diagnosticsReportTextOrFallback(report);
    ASSERT_NE(text, diagnosticsExportFallbackText);
    const Json written = Json::parse(text);
    EXPECT_EQ(written["wifi"]["data"]["ssid"], "bad\uFFFD\uFFFD");
    EXPECT_EQ(written["channelScan"]["errorMessage"], "Channel scan failed: \uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(written["wifi"]["data"]["bssid"], *report.wifi.data->bssid) << "the rest is kept";
    EXPECT_TRUE(written["latency"]["internetPing"].contains("data"));
}

TEST_F(DiagnosticsReportTest, ConnectionSumsThatDoNotFitAreLeftOut) {
    DiagnosticsExportInput input = test::fullReportInput();
    input.connectionResult->counts = {std::numeric_limits<std::int64_t>::max(), 1, 0};
    const Json report = written(input, "connection-overflow");
    EXPECT_FALSE(report["connectionPressure"]["data"].contains("totalCount"));
    EXPECT_EQ(report["connectionPressure"]["data"]["orphanedCount"], 1);
    EXPECT_EQ(report["connectionPressure"]["data"]["establishedCount"],
              std::numeric_limits<std::int64_t>::max());
}

} // namespace
} // namespace lumra
