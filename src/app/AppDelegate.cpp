#include "app/AppDelegate.h"

#include "app/ClosedWindowMemory.h"
#include "app/MissingTrayNotice.h"
#include "app/ToolWindow.h"
#include "concurrency/Spawn.h"
#include "monitoring/ping/BuiltInInternetTarget.h"
#include "platform/process/FreedMemory.h"
#include "probes/captive/CaptivePortalProbe.h"
#include "probes/dns/CommandLineDNSLookupRunner.h"
#include "probes/metadata/ShellWiFiNetworkMetadataResolver.h"
#include "probes/ping/CommandLinePingProbeRunner.h"
#include "probes/runner/ShellCommandRunner.h"
#include "probes/speedtest/CloudflareSpeedTestRunner.h"
#include "probes/speedtest/PingProbeLatencyProber.h"
#include "probes/tcp/CommandLineTCPConnectionCounter.h"
#include "qt/LocaleDateFormat.h"
#include "qt/ScreenFittedWindow.h"
#include "settings/widgets/SettingsView.h"
#include "shell/buildinfo/AppBuildMetadataDisplayInfo.h"
#include "shell/location/SystemSettingsLocationOpener.h"

#include <QCoreApplication>
#include <QKeySequence>
#include <QShortcut>
#include <QTimer>
#include <chrono>

namespace lumra {

namespace {

DateProvider wallClock() {
    return [] {
        return std::chrono::system_clock::now();
    };
}

} // namespace

std::shared_ptr<AppDelegate> AppDelegate::create(AppPlatform platform) {
    return std::shared_ptr<AppDelegate>(new AppDelegate(std::move(platform)));
}

AppDelegate::AppDelegate(AppPlatform platform)
    : m_platform(std::move(platform)),
      m_appSettingsStore(std::make_shared<UserDefaultsAppSettingsStore>(m_platform.userDefaults)),
      m_locationPermissionController(LocationPermissionController::create(
          m_platform.makeLocationAuthorizer(),
          // No settings application here holds a location page to fall
          // back to.
          std::make_shared<SystemSettingsLocationOpener>(m_platform.urlOpener, std::nullopt))),
      m_networkChangeObserver(m_platform.makeNetworkChangeObserver()),
      m_sleepWakeObserver(m_platform.makeSleepWakeObserver()) {
    keepLargeBlocksOutOfTheHeap();
}

AppDelegate::~AppDelegate() {
    m_subscriptions.clear();
    m_settingsWindow.reset();
}

bool AppDelegate::isTestHost() const {
    const auto& environment = m_platform.process.environment();
    return !environment.empty() && environment.contains(testConfigurationKey);
}

std::shared_ptr<CommandRunning> AppDelegate::makeCommandRunner() {
    return m_platform.makeCommandRunner(makeAllowedExecutables());
}

std::shared_ptr<WiFiMonitor> AppDelegate::wifiMonitor() {
    if (!m_wifiMonitor) {
        auto resolver = std::make_shared<ShellWiFiNetworkMetadataResolver>(makeCommandRunner(),
                                                                           /*commandTimeout=*/2.0);
        m_wifiMonitor = WiFiMonitor::create(
            m_platform.services.makeInterfaceProvider(), std::move(resolver),
            std::make_shared<TaskSleeper>(), wallClock(),
            WiFiMonitor::Configuration{
                .pollInterval = 2.0, .maxHistorySampleCount = 60, .metadataRefreshInterval = 10.0});
        m_creationLog.emplace_back("WiFiMonitor");
    }
    return m_wifiMonitor;
}

std::shared_ptr<PingMonitor> AppDelegate::pingMonitor() {
    if (!m_pingMonitor) {
        auto probe = std::make_shared<CommandLinePingProbeRunner>(
            makeCommandRunner(), /*pingPacketCount=*/2,
            /*commandTimeoutGracePeriod=*/0.5, m_platform.wifiInterfaceNameProvider);
        m_pingMonitor =
            PingMonitor::create(std::move(probe), std::make_shared<TaskSleeper>(), wallClock(),
                                PingMonitor::Configuration{.pollInterval = 2.0,
                                                           .internetTarget = builtInInternetTarget,
                                                           .maxHistorySampleCount = 60,
                                                           .commandTimeout = 1.5,
                                                           .routerIgnoreFailureThreshold = 3});
        m_creationLog.emplace_back("PingMonitor");
    }
    return m_pingMonitor;
}

std::shared_ptr<DNSMonitor> AppDelegate::dnsMonitor() {
    if (!m_dnsMonitor) {
        m_dnsMonitor = DNSMonitor::create(
            std::make_shared<CommandLineDNSLookupRunner>(makeCommandRunner()),
            std::make_shared<TaskSleeper>(), wallClock(),
            DNSMonitor::Configuration{.pollInterval = 2.0,
                                      .testDomains =
                                          DNSMonitor::sanitizedTestDomains(defaultDNSTestDomains()),
                                      .maxHistorySampleCount = 60,
                                      .commandTimeout = 1.5});
        m_creationLog.emplace_back("DNSMonitor");
    }
    return m_dnsMonitor;
}

std::shared_ptr<ConnectionMonitor> AppDelegate::connectionMonitor() {
    if (!m_connectionMonitor) {
        m_connectionMonitor = ConnectionMonitor::create(
            std::make_shared<CommandLineTCPConnectionCounter>(makeCommandRunner()),
            std::make_shared<TaskSleeper>(), wallClock(),
            ConnectionMonitor::Configuration{
                .pollInterval = 2.0, .maxHistorySampleCount = 60, .commandTimeout = 1.5});
        m_creationLog.emplace_back("ConnectionMonitor");
    }
    return m_connectionMonitor;
}

std::shared_ptr<CaptivePortalMonitor> AppDelegate::captivePortalMonitor() {
    if (!m_captivePortalMonitor) {
        auto checker = std::make_shared<URLSessionCaptivePortalChecker>(
            std::make_shared<URLSessionCaptivePortalProbeFetcher>(m_platform.httpSession),
            defaultCaptivePortalProbeEndpoints());
        m_captivePortalMonitor = CaptivePortalMonitor::create(
            std::move(checker), std::make_shared<TaskSleeper>(), wallClock(),
            CaptivePortalMonitor::Configuration{
                .pollInterval = 2.0, .maxHistorySampleCount = 60, .commandTimeout = 3.5});
        m_creationLog.emplace_back("CaptivePortalMonitor");
    }
    return m_captivePortalMonitor;
}

std::shared_ptr<SpeedTestMonitor> AppDelegate::speedTestMonitor() {
    if (!m_speedTestMonitor) {
        auto runner = std::make_shared<CloudflareSpeedTestRunner>(
            m_platform.httpSession, speedTestDownloadURLFactory(), speedTestUploadURL());
        auto latencyProbe =
            std::make_shared<PingProbeLatencyProber>(std::make_shared<CommandLinePingProbeRunner>(
                makeCommandRunner(), /*pingPacketCount=*/1, /*commandTimeoutGracePeriod=*/0.5,
                m_platform.wifiInterfaceNameProvider));
        SpeedTestMonitor::Settings settings{
            .configuration = SpeedTestConfiguration{.downloadChunkSizeBytes = 8'000'000,
                                                    .downloadChunks = 4,
                                                    .uploadChunkSizeBytes = 3'000'000,
                                                    .uploadChunks = 4,
                                                    .requestTimeout = 10.0},
            .latencyProbeHost = builtInInternetTarget,
            .latencyProbeTimeout = 2.0,
            .baselineProbeAttempts = 5,
            .phaseLatencySamplingInterval = 0.35,
            .gradeThresholds = BufferbloatGradeThresholds{2.0, 3.0, 5.0}};
        m_speedTestMonitor = SpeedTestMonitor::create(std::move(runner), std::move(latencyProbe),
                                                      wallClock(), std::move(settings));
        // A test's transfer buffers, freed on the runner's threads, would
        // otherwise stay with the allocator.
        m_subscriptions.push_back(
            m_speedTestMonitor->isRunning().subscribe([](const bool& running) {
                if (!running)
                    QTimer::singleShot(0, qApp, [] { returnFreedMemoryToSystem(); });
            }));
        m_creationLog.emplace_back("SpeedTestMonitor");
    }
    return m_speedTestMonitor;
}

std::shared_ptr<ChannelScanMonitor> AppDelegate::channelScanMonitor() {
    if (!m_channelScanMonitor) {
        std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
        m_channelScanMonitor = ChannelScanMonitor::create(
            ChannelScanConfiguration{.passCount = 3, .pauseBetweenPasses = 0.35},
            m_platform.services.makeNetworkScanner(),
            [weakSelf] { return currentWiFiSnapshotForChannelScan(weakSelf); },
            std::make_shared<TaskSleeper>(), wallClock());
        m_creationLog.emplace_back("ChannelScanMonitor");
    }
    return m_channelScanMonitor;
}

std::optional<WiFiSnapshot>
AppDelegate::currentWiFiSnapshotForChannelScan(const std::weak_ptr<AppDelegate>& weakSelf) {
    auto self = weakSelf.lock();
    if (!self)
        return std::nullopt;
    return self->wifiMonitor()->latestSnapshot().get();
}

std::shared_ptr<MonitoringLifecycleController> AppDelegate::lifecycleController() {
    if (!m_lifecycleController) {
        // Read through the getters, so any not built yet is built now, in this order.
        std::vector<std::shared_ptr<AdaptiveMonitoringControlling>> monitors{
            wifiMonitor(), pingMonitor(), dnsMonitor(), connectionMonitor(),
            captivePortalMonitor()};
        m_lifecycleController = MonitoringLifecycleController::create(
            std::move(monitors), m_networkChangeObserver, m_sleepWakeObserver,
            std::make_shared<TaskSleeper>(), m_appSettingsStore, &m_wifiMonitor->latestIdentity(),
            MonitoringLifecycleController::Configuration{.activePollInterval = 0.5,
                                                         .backgroundPollInterval = 4.0,
                                                         .networkChangeFastPollingDuration = 30.0});
        m_creationLog.emplace_back("MonitoringLifecycleController");
    }
    return m_lifecycleController;
}

std::shared_ptr<HealthAggregationController> AppDelegate::healthAggregationController() {
    if (!m_healthAggregationController) {
        auto lifecycle = lifecycleController();
        auto wifi = wifiMonitor();
        auto ping = pingMonitor();
        auto dns = dnsMonitor();
        m_healthAggregationController = HealthAggregationController::create(
            std::move(lifecycle), std::move(wifi), std::move(ping), std::move(dns), wallClock());
        m_creationLog.emplace_back("HealthAggregationController");
    }
    return m_healthAggregationController;
}

Engine AppDelegate::engine() {
    // Through the getters, so any part not built yet is built now, in this order.
    Engine built;
    built.lifecycleController = lifecycleController();
    built.healthAggregationController = healthAggregationController();
    built.wifiMonitor = wifiMonitor();
    built.pingMonitor = pingMonitor();
    built.dnsMonitor = dnsMonitor();
    built.connectionMonitor = connectionMonitor();
    built.captivePortalMonitor = captivePortalMonitor();
    built.speedTestMonitor = speedTestMonitor();
    built.channelScanMonitor = channelScanMonitor();
    built.appUpdateController = appUpdateController();
    built.locationPermissionController = m_locationPermissionController;
    return built;
}

std::shared_ptr<MenuBarController> AppDelegate::menuBarController() {
    if (!m_menuBarController) {
        Engine parts = engine();
        std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
        MenuBarHosting hosting{m_platform.statusBar, m_platform.userDefaults, viewServices(),
                               [weakSelf] {
                                   if (auto self = weakSelf.lock())
                                       self->openSettings();
                               },
                               m_platform.terminate};
        m_menuBarController = MenuBarController::create(
            std::move(parts),
            std::make_shared<UserDefaultsColorfulIconSettingsProvider>(m_appSettingsStore),
            std::move(hosting));
        m_creationLog.emplace_back("MenuBarController");
    }
    return m_menuBarController;
}

std::shared_ptr<AppUpdateService> AppDelegate::makeAppUpdateService() {
    const Bundle& bundle = *m_platform.bundle;
    auto service = std::make_shared<AppUpdateService>(
        AppUpdateService::resolveUpdateEndpointURL(m_platform.process, bundle),
        AppUpdateService::resolveDownloadBaseURL(m_platform.process, bundle),
        AppUpdateService::readBuildNumber(bundle), m_platform.httpSession);
    m_creationLog.emplace_back("AppUpdateService");
    return service;
}

std::shared_ptr<AppUpdateController> AppDelegate::appUpdateController() {
    if (!m_appUpdateController) {
        m_appUpdateController =
            AppUpdateController::create(makeAppUpdateService(), updateCheckInterval,
                                        m_platform.notificationCenter, m_platform.urlOpener);
        m_creationLog.emplace_back("AppUpdateController");
    }
    return m_appUpdateController;
}

void AppDelegate::startUp() {
    if (isTestHost())
        return;
    pingMonitor()->setInternetTarget(m_appSettingsStore->internetPingTarget());
    bindLastSSID();
    auto menuBar = menuBarController();
    menuBar->installStatusItem();
    startMissingTrayNotice();
    startMonitoringIfNeeded();
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    m_platform.notificationCenter->setResponseHandler(
        [weakSelf](const NotificationUserInfo& userInfo) {
            if (auto self = weakSelf.lock())
                self->handleNotificationResponse(userInfo);
        });
    appUpdateController()->startPeriodicChecks();
}

void AppDelegate::startMissingTrayNotice() {
    std::weak_ptr<MenuBarController> weakMenuBar = menuBarController();
    auto isTrayThere = [weakMenuBar] {
        const auto menuBar = weakMenuBar.lock();
        if (!menuBar)
            return true; // gone with the application: nothing to say
        const StatusItemHosting* item = menuBar->statusItem();
        return item != nullptr && item->isTrayThere();
    };
    m_missingTrayNotice = spawn(mainActor(), [isTrayThere, center = m_platform.notificationCenter,
                                              writeLine = m_platform.writeStandardError] {
        return MissingTrayNotice::run(isTrayThere, center, writeLine);
    });
}

void AppDelegate::bindLastSSID() {
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    // Readings without a name (no snapshot, none, or "") are dropped before
    // repeats are: A, none, A writes A once, and "" never erases the name.
    auto lastWritten = std::make_shared<std::optional<std::string>>();
    m_subscriptions.push_back(wifiMonitor()->latestSnapshot().subscribe(
        [weakSelf, lastWritten](const std::optional<WiFiSnapshot>& snapshot) {
            if (!snapshot || !snapshot->ssid || snapshot->ssid->empty())
                return;
            if (*lastWritten == snapshot->ssid)
                return;
            *lastWritten = snapshot->ssid;
            if (auto self = weakSelf.lock())
                self->m_appSettingsStore->setLastSSID(*snapshot->ssid);
        }));
}

void AppDelegate::startMonitoringIfNeeded() {
    if (m_hasStartedMonitoring)
        return;
    m_hasStartedMonitoring = true;
    if (m_locationPermissionController->status().get() == LocationPermissionStatus::notDetermined)
        m_locationPermissionController->requestAuthorizationIfNeeded();
    lifecycleController()->start();
}

void AppDelegate::stopMonitoring() {
    if (!m_hasStartedMonitoring)
        return;
    m_hasStartedMonitoring = false;
    lifecycleController()->stop();
}

void AppDelegate::shutDown() {
    if (isTestHost())
        return;
    if (m_missingTrayNotice) {
        m_missingTrayNotice->cancel();
        m_missingTrayNotice.reset();
    }
    if (m_appUpdateController && m_appUpdateController->checkTask()) {
        m_appUpdateController->checkTask()->cancel();
        m_appUpdateController->checkTask().reset();
    }
    stopMonitoring();
    if (m_menuBarController)
        m_menuBarController->tearDown();
}

void AppDelegate::cancelOnDemandWork() {
    if (m_speedTestMonitor && m_speedTestMonitor->runningTask())
        m_speedTestMonitor->runningTask()->cancel();
    if (m_channelScanMonitor && m_channelScanMonitor->runningTask())
        m_channelScanMonitor->runningTask()->cancel();
}

void AppDelegate::handleNotificationResponse(const NotificationUserInfo& userInfo) {
    const auto type = userInfo.find("type");
    if (type == userInfo.end() || type->second != "app-update")
        return;
    const auto address = userInfo.find("downloadURL");
    std::optional<std::string> downloadURL;
    if (address != userInfo.end())
        downloadURL = address->second;
    appUpdateController()->openDownloadPage(std::move(downloadURL));
}

PlatformServices AppDelegate::viewServices() {
    PlatformServices services = m_platform.services;
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    services.makeLaunchAtLoginController =
        [weakSelf]() -> std::shared_ptr<LaunchAtLoginController> {
        auto self = weakSelf.lock();
        if (!self || !self->m_platform.services.makeLaunchAtLoginController)
            return nullptr;
        if (!self->m_launchAtLoginController)
            self->m_launchAtLoginController =
                self->m_platform.services.makeLaunchAtLoginController();
        return self->m_launchAtLoginController;
    };
    return services;
}

void AppDelegate::openSettings() {
    if (!m_settingsWindow) {
        const WindowDesign design{{760, 460}, {720, 440}, std::nullopt};
        auto window = std::make_unique<ScreenFittedWindow>(
            new SettingsView(
                storedBatteryFriendly(m_appSettingsStore, m_platform.userDefaults),
                appUpdateController(), viewServices(),
                AppBuildMetadataDisplayInfo(*m_platform.bundle, LocaleLongDateFormatter())),
            design);
        window->setWindowTitle(QStringLiteral("Lumra Settings"));
        window->setFrame(centredWindowFrame(design));
        addCloseShortcut(window.get());
        releaseMemoryWhenClosed(window.get());
        m_settingsWindow = std::move(window);
    }
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

} // namespace lumra
