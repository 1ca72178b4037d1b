// The composition root: builds every long-lived object once, with its
// constants, runs start-up and shutdown in their order and answers the
// notification centre. Monitors, the lifecycle and health controllers, the
// menu-bar controller and the update controller are built on first read and
// kept for the life of the process. Main actor.
#pragma once

#include "app/AppPlatform.h"
#include "app/MenuBarController.h"
#include "concurrency/Published.h"
#include "monitoring/settings/UserDefaultsAppSettingsStore.h"
#include "shell/services/Engine.h"
#include "shell/update/AppUpdateController.h"
#include "shell/update/AppUpdateService.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

class AppDelegate final : public std::enable_shared_from_this<AppDelegate> {
public:
    static constexpr const char* testConfigurationKey = "XCTestConfigurationFilePath";
    static constexpr double updateCheckInterval = 86400.0;

    static std::shared_ptr<AppDelegate> create(AppPlatform platform);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    const std::shared_ptr<UserDefaultsAppSettingsStore>& appSettingsStore() const {
        return m_appSettingsStore;
    }
    const std::shared_ptr<LocationPermissionController>& locationPermissionController() const {
        return m_locationPermissionController;
    }
    const std::shared_ptr<NetworkChangeObserving>& networkChangeObserver() const {
        return m_networkChangeObserver;
    }
    const std::shared_ptr<SleepWakeObserving>& sleepWakeObserver() const {
        return m_sleepWakeObserver;
    }

    std::shared_ptr<WiFiMonitor> wifiMonitor();
    std::shared_ptr<PingMonitor> pingMonitor();
    std::shared_ptr<DNSMonitor> dnsMonitor();
    std::shared_ptr<ConnectionMonitor> connectionMonitor();
    std::shared_ptr<CaptivePortalMonitor> captivePortalMonitor();
    std::shared_ptr<SpeedTestMonitor> speedTestMonitor();
    std::shared_ptr<ChannelScanMonitor> channelScanMonitor();
    std::shared_ptr<MonitoringLifecycleController> lifecycleController();
    std::shared_ptr<HealthAggregationController> healthAggregationController();
    std::shared_ptr<MenuBarController> menuBarController();
    std::shared_ptr<AppUpdateController> appUpdateController();
    // Every monitor and controller above, built now if not yet.
    Engine engine();

    // A new service every call, from the environment, the bundle and the
    // running build's number.
    std::shared_ptr<AppUpdateService> makeAppUpdateService();

    void startUp();
    void shutDown();
    void startMonitoringIfNeeded();
    void stopMonitoring();
    bool hasStartedMonitoring() const { return m_hasStartedMonitoring; }
    void handleNotificationResponse(const NotificationUserInfo& userInfo);
    // Stops what runs only on demand (a speed test, a channel scan); the
    // runtime's shutdown ends the rest (the radar feed, an export).
    void cancelOnDemandWork();

    // The platform services the views get: one launch-at-login controller,
    // built on first use, serves the popover's settings page and the Settings
    // window, so a change in either shows in both.
    PlatformServices viewServices();

    // The Settings window, built on first use and kept.
    void openSettings();
    QWidget* settingsWindow() const { return m_settingsWindow.get(); }

    bool isTestHost() const;
    // The objects built so far, by type name, in the order they were built.
    const std::vector<std::string>& creationLog() const { return m_creationLog; }

private:
    explicit AppDelegate(AppPlatform platform);
    void bindLastSSID();
    // Tells the person once when no tray shows the item (MissingTrayNotice).
    void startMissingTrayNotice();
    std::shared_ptr<CommandRunning> makeCommandRunner();
    static std::optional<WiFiSnapshot>
    currentWiFiSnapshotForChannelScan(const std::weak_ptr<AppDelegate>& weakSelf);

    const AppPlatform m_platform;
    std::vector<std::string> m_creationLog;

    const std::shared_ptr<UserDefaultsAppSettingsStore> m_appSettingsStore;
    const std::shared_ptr<LocationPermissionController> m_locationPermissionController;
    const std::shared_ptr<NetworkChangeObserving> m_networkChangeObserver;
    const std::shared_ptr<SleepWakeObserving> m_sleepWakeObserver;
    std::shared_ptr<WiFiMonitor> m_wifiMonitor;
    std::shared_ptr<PingMonitor> m_pingMonitor;
    std::shared_ptr<DNSMonitor> m_dnsMonitor;
    std::shared_ptr<ConnectionMonitor> m_connectionMonitor;
    std::shared_ptr<CaptivePortalMonitor> m_captivePortalMonitor;
    std::shared_ptr<SpeedTestMonitor> m_speedTestMonitor;
    std::shared_ptr<ChannelScanMonitor> m_channelScanMonitor;
    std::shared_ptr<MonitoringLifecycleController> m_lifecycleController;
    std::shared_ptr<HealthAggregationController> m_healthAggregationController;
    std::shared_ptr<MenuBarController> m_menuBarController;
    bool m_hasStartedMonitoring = false;
    std::shared_ptr<AppUpdateController> m_appUpdateController;
    std::shared_ptr<LaunchAtLoginController> m_launchAtLoginController;
    std::unique_ptr<QWidget> m_settingsWindow;
    std::optional<TaskHandle<void>> m_missingTrayNotice;
    // The last-SSID binding; last, so it goes first.
    std::vector<Subscription> m_subscriptions;
};

} // namespace lumra
