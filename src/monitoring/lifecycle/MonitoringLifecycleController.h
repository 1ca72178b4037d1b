// Starts, stops and paces the five polled monitors together (main actor): the
// poll interval from the popover, battery-friendly mode and the 30 s after a
// network change; a pause while the system sleeps; a reset and refresh after
// a network change or a wake. A link that flaps must not make every monitor
// poll on every change: the first change of a burst resets and refreshes at
// once, later ones within the merge window only restart it, and its end
// resets and refreshes once for all of them.
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Sleep.h"
#include "concurrency/Spawn.h"
#include "model/NetworkIdentity.h"
#include "monitoring/observers/NetworkChangeObserving.h"
#include "monitoring/observers/SleepWakeObserving.h"
#include "monitoring/polling/AdaptiveMonitoringControlling.h"
#include "monitoring/settings/AppSettingsStoring.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

// Losing the network, or learning an address later, is not a change.
bool isMeaningfulNetworkIdentityChange(const std::optional<NetworkIdentity>& previous,
                                       const std::optional<NetworkIdentity>& next);

class MonitoringLifecycleController final
    : public ObservableObject,
      public std::enable_shared_from_this<MonitoringLifecycleController> {
public:
    struct Configuration {
        double activePollInterval = 0.5;
        double backgroundPollInterval = 4.0;
        double networkChangeFastPollingDuration = 30.0;
        // Quiet time after a change's reset and refresh within which further
        // changes are merged into one at its end.
        double networkChangeMergeWindow = 1.0;
    };

    // Starts nothing; installs the observers' callbacks and subscribes to the
    // identity publisher (which must outlive the controller or be null).
    static std::shared_ptr<MonitoringLifecycleController>
    create(std::vector<std::shared_ptr<AdaptiveMonitoringControlling>> monitorControllers,
           std::shared_ptr<NetworkChangeObserving> networkChangeObserver,
           std::shared_ptr<SleepWakeObserving> sleepWakeObserver,
           std::shared_ptr<SleepProviding> sleeper,
           std::shared_ptr<AppSettingsStoring> settingsStore,
           const Publisher<std::optional<NetworkIdentity>>* networkIdentityPublisher,
           Configuration configuration);
    ~MonitoringLifecycleController() override;

    void start();
    void stop();
    void startMonitoring();
    void stopMonitoring();
    void setMonitoringEnabled(bool enabled);
    void setBatteryFriendly(bool batteryFriendly);
    void applyPollInterval();
    void refreshAll();
    std::string statusText() const;
    // Triggers nothing by itself; the status item re-times and refreshes.
    void setPopoverPresented(bool presented) { m_isPopoverPresented.set(presented); }

    const Published<bool>& isMonitoringEnabled() const { return m_isMonitoringEnabled; }
    const Published<bool>& isPopoverPresented() const { return m_isPopoverPresented; }
    const Published<bool>& isBatteryFriendly() const { return m_isBatteryFriendly; }
    // The application's one settings store; the popover's switch writes it.
    const std::shared_ptr<AppSettingsStoring>& settingsStore() const { return m_settingsStore; }
    const Configuration& configuration() const { return m_configuration; }

    bool isNetworkFastPollingActive() const { return m_isNetworkFastPollingActive; }
    bool isPausedForSystemSleep() const { return m_isPausedForSystemSleep; }

private:
    MonitoringLifecycleController(
        std::vector<std::shared_ptr<AdaptiveMonitoringControlling>> monitorControllers,
        std::shared_ptr<NetworkChangeObserving> networkChangeObserver,
        std::shared_ptr<SleepWakeObserving> sleepWakeObserver,
        std::shared_ptr<SleepProviding> sleeper, std::shared_ptr<AppSettingsStoring> settingsStore,
        Configuration configuration);

    void bind(const Publisher<std::optional<NetworkIdentity>>* networkIdentityPublisher);
    void handleNetworkChange();
    void applyNetworkChange();
    void handleWillSleep();
    void handleDidWake();
    void handleNetworkIdentityChange(const std::optional<NetworkIdentity>& identity);
    void resetMonitors();
    void cancelFastPolling();
    void startFastPollingTask();
    static Task<void> closeFastPollingWindow(std::weak_ptr<MonitoringLifecycleController> weakSelf);
    void cancelMergeWindow();
    void startMergeWindow();
    static Task<void> closeMergeWindow(std::weak_ptr<MonitoringLifecycleController> weakSelf);

    Published<bool> m_isMonitoringEnabled{false, this};
    Published<bool> m_isPopoverPresented{false, this};
    Published<bool> m_isBatteryFriendly{true, this};

    const std::vector<std::shared_ptr<AdaptiveMonitoringControlling>> m_monitorControllers;
    const std::shared_ptr<NetworkChangeObserving> m_networkChangeObserver;
    const std::shared_ptr<SleepWakeObserving> m_sleepWakeObserver;
    const std::shared_ptr<SleepProviding> m_sleeper;
    const std::shared_ptr<AppSettingsStoring> m_settingsStore;
    const Configuration m_configuration;

    bool m_isNetworkFastPollingActive = false;
    bool m_isPausedForSystemSleep = false;
    bool m_hasStartedObservers = false;
    std::optional<TaskHandle<void>> m_networkChangeFastPollingTask;
    // Present while the merge window is open.
    std::optional<TaskHandle<void>> m_networkChangeMergeTask;
    bool m_hasMergedNetworkChange = false;
    bool m_hasObservedInitialNetworkIdentity = false;
    std::optional<NetworkIdentity> m_latestObservedNetworkIdentity;
    bool m_isApplyingTransientReset = false;
    std::vector<Subscription> m_subscriptions;
};

} // namespace lumra
