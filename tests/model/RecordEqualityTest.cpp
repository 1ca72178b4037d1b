// Equality of the measurement records: field by field, absent distinct from
// every value, NaN never equal, lists in order.
#include "model/CaptivePortalStatus.h"
#include "model/ChannelScanResult.h"
#include "model/ConnectionPressureResult.h"
#include "model/DiagnosticsSnapshot.h"
#include "model/NetworkIdentity.h"
#include "model/SpeedTestResult.h"

#include <chrono>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

namespace lumra {
namespace {

using namespace std::chrono_literals;

const std::chrono::system_clock::time_point kNoon{
    std::chrono::sys_days{std::chrono::year{2024} / 5 / 17} + 12h};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Records have equality but deliberately no hash.
static_assert(!std::is_default_constructible_v<std::hash<PingResult>>);
static_assert(!std::is_default_constructible_v<std::hash<DiagnosticsSnapshot>>);

PingResult routerPing() {
    return PingResult{.target = PingTarget::router,
                      .timestamp = kNoon,
                      .latencyMilliseconds = 3.5,
                      .jitterMilliseconds = 0.4,
                      .packetLossPercent = 0.0,
                      .didSucceed = true};
}

WiFiSnapshot homeWiFi() {
    return WiFiSnapshot{.timestamp = kNoon,
                        .interfaceName = "wlan0",
                        .ssid = "Home",
                        .bssid = "aa:bb:cc:dd:ee:ff",
                        .rssiDbm = -55,
                        .noiseFloorDbm = -92,
                        .snrDb = 37,
                        .linkRateMbps = 866,
                        .channelNumber = 36,
                        .band = WiFiBand::fiveGigahertz,
                        .ipAddress = "192.168.1.20",
                        .isVPNActive = false};
}

ChannelCongestionSample sample(std::int64_t channel, double score) {
    return ChannelCongestionSample{.channelNumber = channel,
                                   .band = WiFiBand::twoPointFourGigahertz,
                                   .networkCount = 3,
                                   .averageRSSIDbm = -67.5,
                                   .interferenceScore = score,
                                   .normalizedCongestion = score / 10.0};
}

ChannelScanResult scanOf(std::vector<ChannelCongestionSample> channels) {
    return ChannelScanResult{.timestamp = kNoon,
                             .passCount = 3,
                             .scannedNetworkCount = 14,
                             .channels = std::move(channels),
                             .currentChannelNumber = 6,
                             .currentBand = WiFiBand::twoPointFourGigahertz,
                             .currentChannelInterferenceScore = 7.0,
                             .suggestedChannelNumber = 1,
                             .suggestedBand = WiFiBand::twoPointFourGigahertz,
                             .didSucceed = true};
}

SpeedTestResult completedSpeedTest() {
    return SpeedTestResult{.timestamp = kNoon,
                           .downloadMbps = 412.5,
                           .uploadMbps = 38.25,
                           .baselineLatencyMilliseconds = 12.0,
                           .downloadLoadedLatencyMilliseconds = 30.0,
                           .uploadLoadedLatencyMilliseconds = 70.0,
                           .downloadBufferbloatRatio = 2.5,
                           .uploadBufferbloatRatio = 5.8,
                           .downloadBufferbloatGrade = BufferbloatGrade::b,
                           .uploadBufferbloatGrade = BufferbloatGrade::f,
                           .didSucceed = true};
}

// Each change touches one field; every one of them must break equality.
template <class Record>
void expectEachChangeBreaksEquality(const Record& base,
                                    const std::vector<std::function<void(Record&)>>& changes) {
    ASSERT_EQ(base, Record(base));
    for (std::size_t i = 0; i < changes.size(); ++i) {
        Record changed = base;
        changes[i](changed);
        EXPECT_NE(changed, base) << "change #" << i;
    }
}

TEST(RecordEqualityTest, AbsentLatencyDiffersFromZero) {
    PingResult absent = routerPing();
    absent.latencyMilliseconds.reset();
    PingResult zero = routerPing();
    zero.latencyMilliseconds = 0.0;
    EXPECT_NE(absent, zero);
}

TEST(RecordEqualityTest, NaNFieldsMakeRecordsUnequal) {
    PingResult lossy = routerPing();
    lossy.packetLossPercent = kNaN;
    EXPECT_NE(lossy, PingResult(lossy));
    EXPECT_FALSE(lossy == lossy);

    DNSResult lookup{.domain = "example.test",
                     .timestamp = kNoon,
                     .latencyMilliseconds = kNaN,
                     .didSucceed = true};
    EXPECT_NE(lookup, DNSResult(lookup));

    ChannelScanResult scan = scanOf({sample(1, 2.0), sample(6, kNaN)});
    EXPECT_NE(scan, ChannelScanResult(scan));
}

TEST(RecordEqualityTest, AbsentBssidDiffersFromPresentOne) {
    const NetworkIdentity without{
        .interfaceName = "wlan0", .ssid = "Home", .bssid = std::nullopt, .ipAddress = std::nullopt};
    NetworkIdentity with = without;
    with.bssid = "aa:bb:cc:dd:ee:ff";
    EXPECT_NE(without, with);
    EXPECT_EQ(without, NetworkIdentity(without));
}

TEST(RecordEqualityTest, ChannelListsCompareInOrder) {
    const ChannelScanResult ordered = scanOf({sample(1, 2.0), sample(6, 7.0), sample(11, 4.0)});
    EXPECT_EQ(ordered, scanOf({sample(1, 2.0), sample(6, 7.0), sample(11, 4.0)}));
    EXPECT_NE(ordered, scanOf({sample(6, 7.0), sample(1, 2.0), sample(11, 4.0)}));
    EXPECT_NE(ordered, scanOf({sample(1, 2.0), sample(6, 7.0)}));
    EXPECT_NE(ordered, scanOf({}));
}

TEST(RecordEqualityTest, TimestampsCompareToTheClockTick) {
    PingResult later = routerPing();
    later.timestamp += std::chrono::system_clock::duration{1};
    EXPECT_NE(later, routerPing());
}

TEST(RecordEqualityTest, EveryWiFiSnapshotFieldTakesPart) {
    expectEachChangeBreaksEquality<WiFiSnapshot>(
        homeWiFi(), {
                        [](auto& s) { s.timestamp += 1s; },
                        [](auto& s) { s.interfaceName = "wlan1"; },
                        [](auto& s) { s.ssid.reset(); },
                        [](auto& s) { s.ssid = ""; },
                        [](auto& s) { s.bssid.reset(); },
                        [](auto& s) { s.rssiDbm = -56; },
                        [](auto& s) { s.noiseFloorDbm = -91; },
                        [](auto& s) { s.snrDb.reset(); },
                        [](auto& s) { s.linkRateMbps = 867; },
                        [](auto& s) { s.channelNumber.reset(); },
                        [](auto& s) { s.band = WiFiBand::sixGigahertz; },
                        [](auto& s) { s.ipAddress.reset(); },
                        [](auto& s) { s.isVPNActive = true; },
                    });
}

TEST(RecordEqualityTest, EverySpeedTestResultFieldTakesPart) {
    expectEachChangeBreaksEquality<SpeedTestResult>(
        completedSpeedTest(), {
                                  [](auto& r) { r.timestamp -= 1ms; },
                                  [](auto& r) { r.downloadMbps = 412.6; },
                                  [](auto& r) { r.uploadMbps = -r.uploadMbps; },
                                  [](auto& r) { r.baselineLatencyMilliseconds.reset(); },
                                  [](auto& r) { r.downloadLoadedLatencyMilliseconds = 30.5; },
                                  [](auto& r) { r.uploadLoadedLatencyMilliseconds.reset(); },
                                  [](auto& r) { r.downloadBufferbloatRatio = kNaN; },
                                  [](auto& r) { r.uploadBufferbloatRatio.reset(); },
                                  [](auto& r) { r.downloadBufferbloatGrade = BufferbloatGrade::a; },
                                  [](auto& r) { r.uploadBufferbloatGrade.reset(); },
                                  [](auto& r) { r.didSucceed = false; },
                              });
}

TEST(RecordEqualityTest, EveryChannelScanResultFieldTakesPart) {
    expectEachChangeBreaksEquality<ChannelScanResult>(
        scanOf({sample(1, 2.0), sample(6, 7.0)}),
        {
            [](auto& r) { r.passCount = 2; },
            [](auto& r) { r.scannedNetworkCount = 15; },
            [](auto& r) { r.channels[1].normalizedCongestion = 0.71; },
            [](auto& r) { r.channels[0].band = WiFiBand::unknown; },
            [](auto& r) { r.currentChannelNumber.reset(); },
            [](auto& r) { r.currentBand = WiFiBand::unknown; },
            [](auto& r) { r.currentChannelInterferenceScore.reset(); },
            [](auto& r) { r.suggestedChannelNumber = 11; },
            [](auto& r) { r.suggestedBand.reset(); },
            [](auto& r) { r.didSucceed = false; },
        });
}

TEST(RecordEqualityTest, NestedRecordsCompareByTheirOwnEquality) {
    const DiagnosticsSnapshot snapshot{.timestamp = kNoon,
                                       .wifiSnapshot = homeWiFi(),
                                       .routerPingResult = routerPing(),
                                       .internetPingResult = std::nullopt,
                                       .dnsResult = std::nullopt,
                                       .healthState = HealthState::good};
    expectEachChangeBreaksEquality<DiagnosticsSnapshot>(
        snapshot, {
                      [](auto& d) { d.wifiSnapshot->channelNumber = 40; },
                      [](auto& d) { d.wifiSnapshot.reset(); },
                      [](auto& d) { d.routerPingResult->target = PingTarget::internet; },
                      [](auto& d) { d.internetPingResult = routerPing(); },
                      [](auto& d) {
                          d.dnsResult = DNSResult{.domain = "example.test",
                                                  .timestamp = kNoon,
                                                  .latencyMilliseconds = std::nullopt,
                                                  .didSucceed = false};
                      },
                      [](auto& d) { d.healthState = HealthState::disconnected; },
                  });

    const ConnectionPressureResult pressure{
        .timestamp = kNoon,
        .counts = {.established = 40, .timeWait = 12, .closeWait = 0},
        .quality = SignalQuality::good};
    ConnectionPressureResult morePressure = pressure;
    morePressure.counts.closeWait = 1;
    EXPECT_NE(pressure, morePressure);
}

TEST(RecordEqualityTest, PortalAddressesCompareByText) {
    const CaptivePortalStatus redirected{
        .timestamp = kNoon,
        .isCaptivePortal = true,
        .portalURL = Url::parse("http://login.example.test/portal"),
        .probeURL = Url::parse("http://probe.example.test/hotspot"),
        .reason = CaptivePortalDetectionReason::redirect};
    EXPECT_EQ(redirected, CaptivePortalStatus(redirected));
    expectEachChangeBreaksEquality<CaptivePortalStatus>(
        redirected,
        {
            [](auto& s) { s.isCaptivePortal = false; },
            [](auto& s) { s.portalURL = Url::parse("http://login.example.test/portal/"); },
            [](auto& s) { s.portalURL.reset(); },
            [](auto& s) { s.probeURL = Url::parse("HTTP://probe.example.test/hotspot"); },
            [](auto& s) { s.reason = CaptivePortalDetectionReason::contentInjection; },
        });
}

} // namespace
} // namespace lumra
