#include "app/MissingTrayNotice.h"
#include "app/QuitSignals.h"
#include "monitoring/ping/BuiltInInternetTarget.h"
#include "probes/dns/CommandLineDNSLookupRunner.h"
#include "probes/metadata/ShellWiFiNetworkMetadataResolver.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "probes/speedtest/PingProbeLatencyProber.h"
#include "probes/tcp/CommandLineTCPConnectionCounter.h"
#include "shell/location/SystemSettingsLocationOpener.h"
#include "tests/app/AppTestFixture.h"

#include <QWidget>
#include <algorithm>
#include <csignal>
#include <functional>

namespace lumra::test {
namespace {

using namespace std::chrono_literals;

TEST_F(AppTest, StartUpBuildsEachObjectOnceInItsOrder) {
    delegate->startUp();
    EXPECT_EQ(
        delegate->creationLog(),
        (std::vector<std::string>{
            "PingMonitor", "WiFiMonitor", "DNSMonitor", "ConnectionMonitor", "CaptivePortalMonitor",
            "MonitoringLifecycleController", "HealthAggregationController", "SpeedTestMonitor",
            "ChannelScanMonitor", "AppUpdateService", "AppUpdateController", "MenuBarController"}));
    EXPECT_EQ(fakes.statusItems.size(), 1u);
    EXPECT_TRUE(fakes.notificationCenter->responseHandler);
    EXPECT_TRUE(delegate->appUpdateController()->checkTask().has_value());
    EXPECT_EQ(*fakes.log,
              (std::vector<std::string>{"network observer started", "sleep observer started"}));
}

TEST_F(AppTest, EveryConstantReadsBackFromTheBuiltObjects) {
    auto wifi = delegate->wifiMonitor();
    auto ping = delegate->pingMonitor();
    auto dns = delegate->dnsMonitor();
    auto connection = delegate->connectionMonitor();
    auto captive = delegate->captivePortalMonitor();
    auto speed = delegate->speedTestMonitor();
    auto scan = delegate->channelScanMonitor();
    auto lifecycle = delegate->lifecycleController();
    auto update = delegate->appUpdateController();
    auto pingProbe = std::dynamic_pointer_cast<CommandLinePingProbeRunner>(ping->pingProbeRunner());
    auto metadata =
        std::dynamic_pointer_cast<ShellWiFiNetworkMetadataResolver>(wifi->metadataResolver());
    ASSERT_TRUE(pingProbe && metadata);

    struct Row {
        const char* name;
        double actual;
        double expected;
    };
    const std::vector<Row> rows{
        {"wifi poll interval", wifi->pollInterval(), 2.0},
        {"wifi history", double(wifi->maxHistorySampleCount()), 60},
        {"wifi metadata refresh", wifi->metadataRefreshInterval(), 10.0},
        {"wifi metadata time-out", metadata->commandTimeout(), 2.0},
        {"ping poll interval", ping->pollInterval(), 2.0},
        {"ping history", double(ping->maxHistorySampleCount()), 60},
        {"ping time-out", ping->commandTimeout(), 1.5},
        {"ping router ignore threshold", double(ping->routerIgnoreFailureThreshold()), 3},
        {"ping packets", double(pingProbe->pingPacketCount()), 2},
        {"ping grace", pingProbe->commandTimeoutGracePeriod(), 0.5},
        {"dns poll interval", dns->pollInterval(), 2.0},
        {"dns history", double(dns->maxHistorySampleCount()), 60},
        {"dns time-out", dns->commandTimeout(), 1.5},
        {"dns domains", double(dns->testDomains().size()), 3},
        {"connection poll interval", connection->pollInterval(), 2.0},
        {"connection history", double(connection->maxHistorySampleCount()), 60},
        {"connection time-out", connection->commandTimeout(), 1.5},
        {"captive poll interval", captive->pollInterval(), 2.0},
        {"captive history", double(captive->maxHistorySampleCount()), 60},
        {"captive time-out", captive->commandTimeout(), 3.5},
        {"download chunk", double(speed->settings().configuration.downloadChunkSizeBytes),
         8'000'000},
        {"download chunks", double(speed->settings().configuration.downloadChunks), 4},
        {"upload chunk", double(speed->settings().configuration.uploadChunkSizeBytes), 3'000'000},
        {"upload chunks", double(speed->settings().configuration.uploadChunks), 4},
        {"speed request time-out", speed->settings().configuration.requestTimeout, 10.0},
        {"latency probe time-out", speed->settings().latencyProbeTimeout, 2.0},
        {"baseline attempts", double(speed->settings().baselineProbeAttempts), 5},
        {"loaded sampling", speed->settings().phaseLatencySamplingInterval, 0.35},
        {"grade A bound", speed->settings().gradeThresholds.aUpperBoundExclusive, 2.0},
        {"grade B bound", speed->settings().gradeThresholds.bUpperBoundExclusive, 3.0},
        {"grade C bound", speed->settings().gradeThresholds.cUpperBoundExclusive, 5.0},
        {"scan passes", double(scan->configuration().passCount), 3},
        {"scan pause", scan->configuration().pauseBetweenPasses, 0.35},
        {"active interval", lifecycle->configuration().activePollInterval, 0.5},
        {"background interval", lifecycle->configuration().backgroundPollInterval, 4.0},
        {"fast polling after a change", lifecycle->configuration().networkChangeFastPollingDuration,
         30.0},
        {"update interval", update->checkInterval(), 86400.0},
    };
    for (const Row& row : rows)
        EXPECT_DOUBLE_EQ(row.actual, row.expected) << row.name;

    EXPECT_EQ(ping->internetTarget(), builtInInternetTarget);
    EXPECT_EQ(speed->settings().latencyProbeHost, ping->internetTarget());
    auto latency = std::dynamic_pointer_cast<PingProbeLatencyProber>(speed->latencyProbe());
    ASSERT_TRUE(latency);
    auto latencyPing =
        std::dynamic_pointer_cast<CommandLinePingProbeRunner>(latency->pingProbeRunner());
    ASSERT_TRUE(latencyPing);
    EXPECT_EQ(latencyPing->pingPacketCount(), 1);
    EXPECT_DOUBLE_EQ(latencyPing->commandTimeoutGracePeriod(), 0.5);

    // Five runners, each its own, each allowed exactly the seven tools.
    const std::set<std::string> seven{"/sbin/ping",        "/sbin/ping6",      "/usr/bin/dig",
                                      "/usr/sbin/netstat", "/usr/sbin/scutil", "/sbin/ifconfig",
                                      "/usr/sbin/ipconfig"};
    ASSERT_EQ(fakes.runners.size(), 5u);
    for (const auto& runner : fakes.runners)
        EXPECT_EQ(runner->allowedExecutables, seven);
    EXPECT_EQ(makeAllowedExecutables(), seven);
}

TEST_F(AppTest, StartingMonitoringTwiceStartsTheLifecycleOnce) {
    delegate->startUp();
    delegate->startMonitoringIfNeeded();
    EXPECT_TRUE(delegate->hasStartedMonitoring());
    EXPECT_EQ(std::count(fakes.log->begin(), fakes.log->end(), "network observer started"), 1);
    EXPECT_TRUE(delegate->lifecycleController()->isMonitoringEnabled().get());
}

TEST_F(AppTest, OnlyAnUndecidedLocationStatusMakesARequest) {
    for (auto [status, requests] : {std::pair{LocationPermissionStatus::notDetermined, 1},
                                    std::pair{LocationPermissionStatus::authorized, 0},
                                    std::pair{LocationPermissionStatus::denied, 0}}) {
        fakes.authorizer->status = status;
        fakes.authorizer->requests = 0;
        build();
        delegate->startUp();
        EXPECT_EQ(fakes.authorizer->requests, requests) << static_cast<int>(status);
    }
}

// After the two deep links, which the desktop's opener refuses here, the
// location button tries no other system's settings application.
TEST_F(AppTest, TheLocationSettingsFallBackToNothingElse) {
    fakes.urlOpener->answer = false;
    EXPECT_FALSE(
        delegate->engine().locationPermissionController->settingsOpener()->openLocationSettings());
    EXPECT_EQ(fakes.urlOpener->opened,
              (std::vector<std::string>{SystemSettingsLocationOpener::privacySecurityURL,
                                        SystemSettingsLocationOpener::legacySecurityURL}));
}

TEST_F(AppTest, TheLastSSIDIsWrittenOncePerNewNameAndNeverErasedByAReadingWithoutOne) {
    struct Case {
        std::vector<std::optional<std::string>> readings; // nullopt: no reading at all
        std::vector<std::string> writes;
    };
    const std::vector<Case> cases{
        {{"A", "A", "B"}, {"A", "B"}},
        {{"A", std::nullopt, "A"}, {"A"}},
        {{"A", "", "A"}, {"A"}},
    };
    for (const Case& row : cases) {
        build();
        std::vector<std::string> writes;
        auto observation = defaults->observe("lastSSID", [&] {
            writes.push_back(defaults->stringForKey("lastSSID").value_or("<removed>"));
        });
        fakes.interface->reading.reset();
        delegate->startUp();
        loop.runUntilIdle();
        for (const auto& name : row.readings) {
            if (name) {
                fakes.interface->reading =
                    WiFiInterfaceSnapshot{"wlan0", *name, "aa:bb:cc:dd:ee:01",    -50, -95,
                                          300,     36,    WiFiBand::fiveGigahertz};
            } else {
                fakes.interface->reading.reset();
            }
            delegate->wifiMonitor()->refreshNow();
            loop.runUntilIdle();
        }
        EXPECT_EQ(writes, row.writes);
        EXPECT_EQ(delegate->appSettingsStore()->lastSSID(),
                  std::optional<std::string>(row.writes.back()));
    }
}

TEST_F(AppTest, UnderATestHostNothingStartsAndNothingStops) {
    build({{"XCTestConfigurationFilePath", "/tmp/x.xctestconfiguration"}});
    delegate->startUp();
    EXPECT_TRUE(fakes.statusItems.empty());
    EXPECT_TRUE(delegate->creationLog().empty());
    EXPECT_FALSE(fakes.notificationCenter->responseHandler);
    EXPECT_FALSE(delegate->hasStartedMonitoring());
    delegate->shutDown();
    EXPECT_TRUE(fakes.log->empty());
}

TEST_F(AppTest, OnlyAnUpdateNotificationOpensItsDownloadAddress) {
    delegate->startUp();
    ASSERT_TRUE(fakes.notificationCenter->responseHandler);
    const std::vector<NotificationUserInfo> ignored{
        {},
        {{"downloadURL", "https://downloads.example.test/a.dmg"}},
        {{"type", "App-Update"}, {"downloadURL", "https://downloads.example.test/b.dmg"}},
        {{"type", "other"}, {"downloadURL", "https://downloads.example.test/c.dmg"}},
    };
    for (const auto& userInfo : ignored)
        fakes.notificationCenter->responseHandler(userInfo);
    EXPECT_TRUE(fakes.urlOpener->opened.empty());
    fakes.notificationCenter->responseHandler(
        {{"type", "app-update"}, {"downloadURL", "https://downloads.example.test/lumra-2.0.dmg"}});
    EXPECT_EQ(fakes.urlOpener->opened,
              std::vector<std::string>{"https://downloads.example.test/lumra-2.0.dmg"});
}

TEST_F(AppTest, ShutdownRunsItsSequenceAndLeavesToolWindowsAlone) {
    delegate->startUp();
    loop.runUntilIdle();
    auto update = delegate->appUpdateController();
    const auto periodic = *update->checkTask();
    menuBar().openSpeedTestWindow();
    menuBar().showPopover();
    ASSERT_TRUE(menuBar().isPopoverShown());
    auto lifecycle = delegate->lifecycleController();
    std::vector<Subscription> watch;
    watch.push_back(lifecycle->isMonitoringEnabled().subscribe([&](const bool& enabled) {
        if (!enabled)
            fakes.log->push_back("monitors stopped");
    }));
    watch.push_back(lifecycle->isPopoverPresented().subscribe([&](const bool& presented) {
        if (!presented)
            fakes.log->push_back("popover closed");
    }));
    fakes.networkObserver->beforeStop = [&] {
        fakes.log->push_back(update->checkTask() ? "update task still set"
                                                 : "update task cancelled");
    };
    fakes.log->clear();

    delegate->shutDown();
    delegate->cancelOnDemandWork();
    loop.runUntilIdle();

    EXPECT_EQ(*fakes.log,
              (std::vector<std::string>{"update task cancelled", "network observer stopped",
                                        "sleep observer stopped", "monitors stopped",
                                        "popover closed", "status item removed"}));
    EXPECT_FALSE(update->checkTask().has_value());
    EXPECT_TRUE(periodic.isFinished());
    EXPECT_FALSE(delegate->hasStartedMonitoring());
    EXPECT_FALSE(menuBar().hasGlobalClickMonitor());
    EXPECT_FALSE(menuBar().hasLocalClickMonitor());
    ASSERT_NE(menuBar().speedTestWindow(), nullptr);
    EXPECT_TRUE(menuBar().speedTestWindow()->isVisible());
}

TEST_F(AppTest, ShutdownAfterMonitoringWasNeverEnabledStillStopsTheObserversAndRemovesTheItem) {
    defaults->setBool("monitoringEnabled", false);
    delegate->startUp();
    EXPECT_FALSE(delegate->lifecycleController()->isMonitoringEnabled().get());
    fakes.log->clear();
    delegate->shutDown();
    EXPECT_EQ(*fakes.log,
              (std::vector<std::string>{"network observer stopped", "sleep observer stopped",
                                        "status item removed"}));
}

TEST_F(AppTest, SIGTERMSIGINTAndSIGHUPTakeTheQuitPath) {
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        build();
        delegate->startUp();
        int quits = 0;
        QuitSignals signals([&] {
            ++quits;
            delegate->shutDown();
        });
        auto watch = delegate->lifecycleController()->isMonitoringEnabled().subscribe(
            [&](const bool& enabled) {
                if (!enabled)
                    fakes.log->push_back("monitors stopped");
            });
        fakes.log->clear();
        ::raise(signalNumber);
        for (int round = 0; round < 50 && quits == 0; ++round)
            test::processQueuedEvents();
        EXPECT_EQ(quits, 1) << signalNumber;
        EXPECT_EQ(*fakes.log,
                  (std::vector<std::string>{"network observer stopped", "sleep observer stopped",
                                            "monitors stopped", "status item removed"}))
            << signalNumber;
    }
}

// No tray a few seconds after start: one line on standard error whatever the
// diagnostic log says, one notification when notifications may be posted,
// and the item stays for a tray that starts later. Nothing is said when a
// tray is there or the application ends first.
TEST_F(AppTest, WithoutATrayAFewSecondsAfterStartThePersonIsToldOnce) {
    struct Row {
        const char* what;
        bool trayThere;
        NotificationAuthorizationStatus notifications;
        std::chrono::seconds quitAfter;
        int lines;
        int notified;
    };
    using Status = NotificationAuthorizationStatus;
    const std::vector<Row> rows{
        {"no tray", false, Status::authorized, 120s, 1, 1},
        {"no tray, no notification server", false, Status::denied, 120s, 1, 0},
        {"a tray", true, Status::authorized, 120s, 0, 0},
        {"no tray, quit first", false, Status::authorized, 4s, 0, 0},
    };
    for (const Row& row : rows) {
        build();
        fakes.notificationCenter->statuses = {row.notifications};
        fakes.notificationCenter->added.clear();
        delegate->startUp();
        statusItem().trayThere = row.trayThere;
        fakes.log->clear();
        auto told = [&] {
            return std::count_if(
                fakes.log->begin(), fakes.log->end(),
                [](const std::string& entry) { return entry.rfind("standard error: ", 0) == 0; });
        };
        auto notified = [&] {
            return std::count_if(
                fakes.notificationCenter->added.begin(), fakes.notificationCenter->added.end(),
                [](const UserNotificationRequest& request) {
                    return request.identifier == MissingTrayNotice::notificationIdentifier;
                });
        };
        loop.advanceBy(4s);
        EXPECT_EQ(told(), 0) << row.what << ": said before the grace ended";
        if (row.quitAfter == 4s)
            delegate->shutDown();
        loop.advanceBy(row.quitAfter);
        EXPECT_EQ(told(), row.lines) << row.what;
        EXPECT_EQ(notified(), row.notified) << row.what;
        EXPECT_EQ(std::count(fakes.log->begin(), fakes.log->end(), "status item removed"),
                  row.quitAfter == 4s ? 1 : 0)
            << row.what << ": the item waits for a tray";
    }
    const std::string line = MissingTrayNotice::standardErrorLine;
    for (const char* word : {"system tray", "StatusNotifierItem", "GNOME", "AppIndicator"})
        EXPECT_NE(line.find(word), std::string::npos) << word;
    EXPECT_NE(std::string(MissingTrayNotice::notificationBody).find("GNOME"), std::string::npos);
}

TEST_F(AppTest, TheQuitRowAndTheTrayMenuTakeTheQuitPath) {
    delegate->startUp();
    statusItem().actions.onQuit();
    menuBar().quitApplication();
    EXPECT_EQ(fakes.terminations, 2);
}

} // namespace
} // namespace lumra::test
