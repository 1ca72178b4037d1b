#include "panel/viewmodel/OverlayCardModels.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

ConnectionPressureResult sample(std::int64_t e, std::int64_t t, std::int64_t c,
                                SignalQuality q = SignalQuality::good) {
    return {{}, {e, t, c}, q};
}

std::vector<std::string> values(const ConnectionMonitorCardModel& m) {
    std::vector<std::string> v;
    for (const auto& row : m.rows) {
        v.push_back(row.value);
    }
    return v;
}

TEST(ConnectionCard, BeforeTheFirstSample) {
    const auto m = makeConnectionMonitorCardModel(std::nullopt, {}, std::nullopt);
    EXPECT_FALSE(m.badge);
    EXPECT_EQ(values(m), std::vector<std::string>(5, "\u2014"));
    for (const auto& row : m.rows) {
        EXPECT_EQ(row.yDomain, (ChartDomain{0, 1000}));
    }
    EXPECT_EQ(m.statusText, "Collecting TCP connection state counts from netstat.");
    for (const auto& row : m.rows) {
        EXPECT_TRUE(row.samples->empty());
    }
}

TEST(ConnectionCard, CountsRowsAndRange) {
    std::vector<ConnectionPressureResult> history{sample(50, 30, 20),
                                                  sample(5, 3, 2, SignalQuality::warning)};
    const auto m = makeConnectionMonitorCardModel(history.back(), history, std::nullopt);
    EXPECT_EQ(values(m), (std::vector<std::string>{"5", "3", "2", "10", "5"}));
    const std::vector<std::string> titles{"Established", "TIME_WAIT", "CLOSE_WAIT", "Total",
                                          "Orphaned"};
    const std::vector<StatusColor> strokes{StatusColor::green, StatusColor::orange,
                                           StatusColor::red, StatusColor::white,
                                           StatusColor::yellow};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(m.rows[i].title, titles[i]);
        EXPECT_EQ(m.rows[i].stroke, strokes[i]);
        // One shared range.
        EXPECT_EQ(m.rows[i].yDomain, (ChartDomain{0, 120}));
    }
    EXPECT_EQ(m.rows[3].samples, (std::vector<double>{100, 10}));
    EXPECT_EQ(m.badge, (BadgeModel{"Warning", StatusColor::orange}));
    EXPECT_EQ(m.statusText, "Connection pressure is currently warning.");
    // Large counts are written without grouping.
    const auto big = sample(12345, 0, 0);
    EXPECT_EQ(makeConnectionMonitorCardModel(big, {}, std::nullopt).rows[0].value, "12345");
}

TEST(ConnectionCard, ErrorSentenceWinsAndIsVerbatim) {
    const auto last = sample(1, 1, 1);
    EXPECT_EQ(connectionStatusText("Connection monitor failed to read TCP states.", last),
              "Connection monitor failed to read TCP states.");
    EXPECT_EQ(connectionStatusText("<b>x</b><img src=x>", std::nullopt), "<b>x</b><img src=x>");
    EXPECT_EQ(connectionStatusText(std::nullopt, sample(1, 1, 1, SignalQuality::poor)),
              "Connection pressure is currently poor.");
    const auto m = makeConnectionMonitorCardModel(last, std::vector{last}, "failed");
    EXPECT_EQ(m.rows[0].value, "1");
    EXPECT_EQ(m.statusText, "failed");
}

CaptivePortalStatus status(bool captive, CaptivePortalDetectionReason reason,
                           std::optional<std::string> url = std::nullopt) {
    CaptivePortalStatus s{};
    s.timestamp = std::chrono::system_clock::time_point{std::chrono::seconds{1700000000}};
    s.isCaptivePortal = captive;
    s.reason = reason;
    if (url) {
        s.portalURL = Url::parse(*url);
    }
    return s;
}

TEST(CaptiveCard, EveryState) {
    using R = CaptivePortalDetectionReason;
    struct Case {
        std::optional<CaptivePortalStatus> status;
        BadgeModel badge;
        const char* state;
        const char* reason;
        const char* url;
        const char* sentence;
    };
    const Case cases[] = {
        {std::nullopt,
         {"Warning", StatusColor::orange},
         "Unknown",
         "Awaiting probes",
         "\u2014",
         "Running periodic captive portal probes."},
        {status(false, R::none),
         {"Good", StatusColor::green},
         "Open Internet",
         "No anomalies",
         "\u2014",
         "No captive portal detected."},
        {status(true, R::redirect, "http://portal.test/login?next=1"),
         {"Poor", StatusColor::red},
         "Captive",
         "HTTP redirect detected",
         "http://portal.test/login?next=1",
         "Captive portal detected via an HTTP redirect."},
        {status(true, R::contentInjection),
         {"Poor", StatusColor::red},
         "Captive",
         "Probe content mismatch",
         "\u2014",
         "Captive portal detected via unexpected probe content."},
    };
    for (const auto& c : cases) {
        const auto m = makeCaptivePortalCardModel(c.status, std::nullopt);
        EXPECT_EQ(m.badge, c.badge);
        EXPECT_EQ(m.state, c.state);
        EXPECT_EQ(m.reason, c.reason);
        EXPECT_EQ(m.portalURL, c.url);
        EXPECT_EQ(m.statusText, c.sentence);
        EXPECT_EQ(m.lastCheck.has_value(), c.status.has_value());
    }
}

TEST(CaptiveCard, ErrorKeepsTheLastStatus) {
    const auto last = status(true, CaptivePortalDetectionReason::redirect, "http://p.test/");
    const auto m = makeCaptivePortalCardModel(last, "Captive portal check failed.");
    EXPECT_EQ(m.statusText, "Captive portal check failed.");
    EXPECT_EQ(m.state, "Captive");
    EXPECT_EQ(m.portalURL, "http://p.test/");
}

TEST(Toolbox, RowsInOrder) {
    const auto rows = toolboxRows();
    ASSERT_EQ(rows.size(), 6u);
    const char* titles[] = {"Wi-Fi Radar",        "Channel Scan",   "Speed Test",
                            "Connection Monitor", "Captive Portal", "Diagnostics Export"};
    const char* symbols[] = {"scope",
                             "dot.radiowaves.left.and.right",
                             "speedometer",
                             "point.3.connected.trianglepath.dotted",
                             "wifi.exclamationmark",
                             "square.and.arrow.up.on.square"};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(rows[i].title, titles[i]);
        EXPECT_EQ(rows[i].symbolName, symbols[i]);
        EXPECT_EQ(static_cast<std::size_t>(rows[i].tool), i);
    }
    EXPECT_EQ(rows[2].subtitle, "Measure throughput and bufferbloat with Cloudflare's speed test.");
}

} // namespace
} // namespace lumra
