// The popover's observed objects over fake probes and platform services, on
// the virtual clock, for the widget tests.
#pragma once

#include "concurrency/RunLoop.h"
#include "monitoring/captive/CaptivePortalMonitor.h"
#include "monitoring/channelscan/ChannelScanMonitor.h"
#include "monitoring/connection/ConnectionMonitor.h"
#include "monitoring/dns/DNSMonitor.h"
#include "monitoring/health/HealthAggregationController.h"
#include "monitoring/lifecycle/MonitoringLifecycleController.h"
#include "monitoring/observers/NoOpNetworkChangeObserver.h"
#include "monitoring/observers/NoOpSleepWakeObserver.h"
#include "monitoring/ping/BuiltInInternetTarget.h"
#include "monitoring/ping/PingMonitor.h"
#include "monitoring/settings/InMemoryAppSettingsStore.h"
#include "monitoring/speedtest/SpeedTestMonitor.h"
#include "monitoring/wifi/WiFiMonitor.h"
#include "panel/widgets/ContentView.h"
#include "platform/login/LoginItemRegistering.h"
#include "shell/location/LocationAuthorizing.h"
#include "shell/location/LocationPermissionController.h"
#include "shell/location/LocationSettingsOpening.h"
#include "shell/login/LaunchAtLoginController.h"
#include "shell/update/AppUpdateController.h"
#include "tests/panel/PanelFakes.h"
#include "tests/shell/ShellFakes.h"
#include "tests/support/FakeProbes.h"
#include "tests/support/WidgetTesting.h"

#include <QApplication>
#include <memory>
#include <vector>

namespace lumra::test {

struct PanelFixture {
    VirtualClockRunLoop loop;
    std::function<std::chrono::system_clock::time_point()> now = [] {
        return runtimeClock().wallNow();
    };
    std::shared_ptr<TaskSleeper> sleeper = std::make_shared<TaskSleeper>();
    std::shared_ptr<InMemoryAppSettingsStore> settings =
        std::make_shared<InMemoryAppSettingsStore>();
    std::shared_ptr<FakeInterface> interface = std::make_shared<FakeInterface>();
    std::shared_ptr<FakeResolver> resolver = std::make_shared<FakeResolver>();
    std::shared_ptr<FakePingProbe> pingProbe = std::make_shared<FakePingProbe>();
    std::shared_ptr<FakeDNSLookup> dnsLookup = std::make_shared<FakeDNSLookup>();
    std::shared_ptr<FakeCounter> counter = std::make_shared<FakeCounter>();
    std::shared_ptr<FakeChecker> checker = std::make_shared<FakeChecker>();
    std::shared_ptr<FakeAuthorizer> authorizer = std::make_shared<FakeAuthorizer>();
    std::shared_ptr<FakeSettingsOpener> locationOpener = std::make_shared<FakeSettingsOpener>();
    std::shared_ptr<ScriptedHttpClient> http = std::make_shared<ScriptedHttpClient>();
    std::shared_ptr<RecordingURLOpener> urlOpener = std::make_shared<RecordingURLOpener>();
    std::shared_ptr<FakeLoginItem> loginItem = std::make_shared<FakeLoginItem>();
    std::shared_ptr<ManualActivationNotifier> activation =
        std::make_shared<ManualActivationNotifier>();

    std::shared_ptr<WiFiMonitor> wifi = WiFiMonitor::create(interface, resolver, sleeper, now, {});
    std::shared_ptr<PingMonitor> ping = PingMonitor::create(pingProbe, sleeper, now, {});
    std::shared_ptr<DNSMonitor> dns = DNSMonitor::create(dnsLookup, sleeper, now, {});
    std::shared_ptr<ConnectionMonitor> connection =
        ConnectionMonitor::create(counter, sleeper, now, {});
    std::shared_ptr<CaptivePortalMonitor> captive =
        CaptivePortalMonitor::create(checker, sleeper, now, {});
    std::shared_ptr<MonitoringLifecycleController> lifecycle =
        MonitoringLifecycleController::create({wifi, ping, dns, connection, captive},
                                              std::make_shared<NoOpNetworkChangeObserver>(),
                                              std::make_shared<NoOpSleepWakeObserver>(), sleeper,
                                              settings, &wifi->latestIdentity(), {});
    std::shared_ptr<HealthAggregationController> health =
        HealthAggregationController::create(lifecycle, wifi, ping, dns, now);
    std::shared_ptr<LocationPermissionController> location =
        LocationPermissionController::create(authorizer, locationOpener);
    std::shared_ptr<SpeedTestMonitor> speedTest =
        SpeedTestMonitor::create(nullptr, nullptr, now, {});
    std::shared_ptr<ChannelScanMonitor> channelScan = ChannelScanMonitor::create(
        {}, nullptr, [] { return std::optional<WiFiSnapshot>{}; }, sleeper, now);
    std::shared_ptr<AppUpdateController> update = makeTestUpdateController(http, urlOpener);

    std::vector<double> heights;
    std::vector<std::string> calls;
    int launchAtLoginControllersMade = 0;

    PanelFixture() {
        pingProbe->answers = {{"192.168.1.1", {4.25, 0.5, 0, true}},
                              {builtInInternetTarget, {18.75, 2.25, 0, true}}};
        resolver->duration = std::chrono::milliseconds(0);
    }

    ~PanelFixture() {
        lifecycle->stop();
        loop.advanceBy(std::chrono::seconds(5));
    }

    // Starts the engine (monitoring as the stored setting says) and lets it
    // poll for `seconds` of virtual time.
    void run(int seconds) {
        lifecycle->start();
        loop.runUntilIdle();
        loop.advanceBy(std::chrono::seconds(seconds));
    }

    ContentView::Callbacks callbacks() {
        ContentView::Callbacks c;
        c.onPreferredPopoverHeightChange = [this](double h) {
            heights.push_back(h);
        };
        c.onOpenWiFiRadar = [this] {
            calls.push_back("radar");
        };
        c.onOpenSpeedTestWindow = [this] {
            calls.push_back("speed");
        };
        c.onOpenChannelScanWindow = [this] {
            calls.push_back("channel");
        };
        c.onOpenDiagnosticsExport = [this] {
            calls.push_back("export");
        };
        c.onQuit = [this] {
            calls.push_back("quit");
        };
        return c;
    }

    PlatformServices services() {
        PlatformServices s;
        s.makeLaunchAtLoginController = [this] {
            ++launchAtLoginControllersMade;
            return LaunchAtLoginController::create(activation, loginItem, urlOpener);
        };
        return s;
    }

    Engine engine() const {
        return Engine{.wifiMonitor = wifi,
                      .pingMonitor = ping,
                      .dnsMonitor = dns,
                      .connectionMonitor = connection,
                      .captivePortalMonitor = captive,
                      .speedTestMonitor = speedTest,
                      .channelScanMonitor = channelScan,
                      .lifecycleController = lifecycle,
                      .healthAggregationController = health,
                      .locationPermissionController = location,
                      .appUpdateController = update};
    }

    std::unique_ptr<ContentView> makeView(PanelRoute first = PanelRoute::dashboard) {
        auto view = std::make_unique<ContentView>(engine(), first, callbacks(), services());
        view->resize(400, 650);
        return view;
    }

    // Runs the main actor and the queued redraws.
    void settle() {
        loop.runUntilIdle();
        test::processQueuedEvents();
        loop.runUntilIdle();
        test::processQueuedEvents();
    }
};

} // namespace lumra::test
