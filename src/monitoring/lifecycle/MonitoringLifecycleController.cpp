#include "monitoring/lifecycle/MonitoringLifecycleController.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Cancellation.h"
#include "concurrency/Runtime.h"

#include <utility>

namespace lumra {

bool isMeaningfulNetworkIdentityChange(const std::optional<NetworkIdentity>& previous,
                                       const std::optional<NetworkIdentity>& next) {
    if (!previous)
        return next.has_value();
    if (!next)
        return false;
    if (previous->interfaceName != next->interfaceName || previous->ssid != next->ssid ||
        previous->bssid != next->bssid)
        return true; // optional comparison: presence counts
    if (!previous->ipAddress || !next->ipAddress)
        return false;
    return *previous->ipAddress != *next->ipAddress;
}

std::shared_ptr<MonitoringLifecycleController> MonitoringLifecycleController::create(
    std::vector<std::shared_ptr<AdaptiveMonitoringControlling>> monitorControllers,
    std::shared_ptr<NetworkChangeObserving> networkChangeObserver,
    std::shared_ptr<SleepWakeObserving> sleepWakeObserver, std::shared_ptr<SleepProviding> sleeper,
    std::shared_ptr<AppSettingsStoring> settingsStore,
    const Publisher<std::optional<NetworkIdentity>>* networkIdentityPublisher,
    Configuration configuration) {
    std::shared_ptr<MonitoringLifecycleController> controller(new MonitoringLifecycleController(
        std::move(monitorControllers), std::move(networkChangeObserver),
        std::move(sleepWakeObserver), std::move(sleeper), std::move(settingsStore), configuration));
    controller->bind(networkIdentityPublisher);
    return controller;
}

MonitoringLifecycleController::MonitoringLifecycleController(
    std::vector<std::shared_ptr<AdaptiveMonitoringControlling>> monitorControllers,
    std::shared_ptr<NetworkChangeObserving> networkChangeObserver,
    std::shared_ptr<SleepWakeObserving> sleepWakeObserver, std::shared_ptr<SleepProviding> sleeper,
    std::shared_ptr<AppSettingsStoring> settingsStore, Configuration configuration)
    : m_monitorControllers(std::move(monitorControllers)),
      m_networkChangeObserver(std::move(networkChangeObserver)),
      m_sleepWakeObserver(std::move(sleepWakeObserver)), m_sleeper(std::move(sleeper)),
      m_settingsStore(std::move(settingsStore)), m_configuration(configuration) {
    m_isBatteryFriendly.set(m_settingsStore->batteryFriendly());
}

MonitoringLifecycleController::~MonitoringLifecycleController() {
    if (m_networkChangeFastPollingTask)
        m_networkChangeFastPollingTask->cancel();
    if (m_networkChangeMergeTask)
        m_networkChangeMergeTask->cancel();
}

void MonitoringLifecycleController::bind(
    const Publisher<std::optional<NetworkIdentity>>* networkIdentityPublisher) {
    std::weak_ptr<MonitoringLifecycleController> weak = weak_from_this();
    m_networkChangeObserver->setOnNetworkChange([weak] {
        if (auto self = weak.lock())
            self->handleNetworkChange();
    });
    m_sleepWakeObserver->setOnWillSleep([weak] {
        if (auto self = weak.lock())
            self->handleWillSleep();
    });
    m_sleepWakeObserver->setOnDidWake([weak] {
        if (auto self = weak.lock())
            self->handleDidWake();
    });
    if (networkIdentityPublisher != nullptr) {
        m_subscriptions.push_back(networkIdentityPublisher->subscribe(
            [weak](const std::optional<NetworkIdentity>& identity) {
                if (auto self = weak.lock())
                    self->handleNetworkIdentityChange(identity);
            }));
    }
}

void MonitoringLifecycleController::start() {
    m_isBatteryFriendly.set(m_settingsStore->batteryFriendly());
    if (!m_hasStartedObservers) {
        m_hasStartedObservers = true;
        m_networkChangeObserver->startObserving();
        m_sleepWakeObserver->startObserving();
    }
    if (m_settingsStore->monitoringEnabled())
        startMonitoring();
    else
        stopMonitoring();
}

void MonitoringLifecycleController::stop() {
    if (m_hasStartedObservers) {
        m_hasStartedObservers = false;
        m_networkChangeObserver->stopObserving();
        m_sleepWakeObserver->stopObserving();
    }
    stopMonitoring();
}

void MonitoringLifecycleController::startMonitoring() {
    if (m_isMonitoringEnabled.get())
        return;
    m_isMonitoringEnabled.set(true);
    for (const auto& monitor : m_monitorControllers)
        monitor->start();
    applyPollInterval();
}

void MonitoringLifecycleController::stopMonitoring() {
    if (!m_isMonitoringEnabled.get())
        return;
    cancelFastPolling();
    cancelMergeWindow();
    m_isNetworkFastPollingActive = false;
    m_isPausedForSystemSleep = false;
    for (const auto& monitor : m_monitorControllers)
        monitor->stop();
    m_isMonitoringEnabled.set(false);
}

void MonitoringLifecycleController::setMonitoringEnabled(bool enabled) {
    m_settingsStore->setMonitoringEnabled(enabled);
    if (enabled)
        startMonitoring();
    else
        stopMonitoring();
}

void MonitoringLifecycleController::setBatteryFriendly(bool batteryFriendly) {
    m_settingsStore->setBatteryFriendly(batteryFriendly);
    m_isBatteryFriendly.set(batteryFriendly);
    if (!batteryFriendly) {
        cancelFastPolling();
        m_isNetworkFastPollingActive = false;
    }
    applyPollInterval();
}

void MonitoringLifecycleController::applyPollInterval() {
    if (!m_isMonitoringEnabled.get())
        return;
    const bool background =
        m_isBatteryFriendly.get() && !m_isPopoverPresented.get() && !m_isNetworkFastPollingActive;
    const double interval =
        background ? m_configuration.backgroundPollInterval : m_configuration.activePollInterval;
    for (const auto& monitor : m_monitorControllers)
        monitor->setPollInterval(interval);
}

void MonitoringLifecycleController::refreshAll() {
    for (const auto& monitor : m_monitorControllers)
        monitor->refreshNow();
}

std::string MonitoringLifecycleController::statusText() const {
    if (!m_isMonitoringEnabled.get())
        return "Monitoring is paused.";
    if (!m_isBatteryFriendly.get())
        return "Monitoring active in high-frequency mode.";
    if (m_isPopoverPresented.get())
        return "Monitoring active in detailed mode.";
    return "Monitoring active in background mode.";
}

void MonitoringLifecycleController::resetMonitors() {
    m_isApplyingTransientReset = true;
    for (const auto& monitor : m_monitorControllers)
        monitor->resetTransientState();
    m_isApplyingTransientReset = false;
}

void MonitoringLifecycleController::handleNetworkChange() {
    if (!m_isMonitoringEnabled.get())
        return;
    if (m_networkChangeMergeTask) {
        m_hasMergedNetworkChange = true;
        startMergeWindow();
        // Each change, merged or not, restarts the 30 s of fast polling.
        if (m_isNetworkFastPollingActive)
            startFastPollingTask();
        return;
    }
    applyNetworkChange();
    startMergeWindow();
}

void MonitoringLifecycleController::applyNetworkChange() {
    resetMonitors();
    m_isNetworkFastPollingActive = m_isBatteryFriendly.get();
    applyPollInterval();
    refreshAll();
    if (m_isBatteryFriendly.get())
        startFastPollingTask();
}

void MonitoringLifecycleController::cancelFastPolling() {
    if (m_networkChangeFastPollingTask)
        m_networkChangeFastPollingTask->cancel();
    m_networkChangeFastPollingTask.reset();
}

void MonitoringLifecycleController::startFastPollingTask() {
    cancelFastPolling();
    std::weak_ptr<MonitoringLifecycleController> weak = weak_from_this();
    m_networkChangeFastPollingTask =
        spawn(mainActor(), [weak] { return closeFastPollingWindow(weak); });
}

Task<void> MonitoringLifecycleController::closeFastPollingWindow(
    std::weak_ptr<MonitoringLifecycleController> weakSelf) {
    auto self = weakSelf.lock();
    if (!self)
        co_return;
    bool slept = true;
    try {
        co_await self->m_sleeper->sleepSeconds(
            self->m_configuration.networkChangeFastPollingDuration);
    } catch (const CancellationError&) {
        slept = false; // a newer change or the end of fast polling took over
    } catch (...) {
        LUMRA_LOG_CAUGHT("lifecycle", "the fast-polling wait failed");
        slept = false;
    }
    if (!slept || !self->m_isNetworkFastPollingActive)
        co_return;
    self->m_isNetworkFastPollingActive = false;
    self->applyPollInterval();
}

void MonitoringLifecycleController::cancelMergeWindow() {
    if (m_networkChangeMergeTask)
        m_networkChangeMergeTask->cancel();
    m_networkChangeMergeTask.reset();
    m_hasMergedNetworkChange = false;
}

void MonitoringLifecycleController::startMergeWindow() {
    if (m_networkChangeMergeTask)
        m_networkChangeMergeTask->cancel();
    std::weak_ptr<MonitoringLifecycleController> weak = weak_from_this();
    m_networkChangeMergeTask = spawn(mainActor(), [weak] { return closeMergeWindow(weak); });
}

Task<void> MonitoringLifecycleController::closeMergeWindow(
    std::weak_ptr<MonitoringLifecycleController> weakSelf) {
    std::shared_ptr<SleepProviding> sleeper;
    double window = 0;
    {
        // Not held during the wait: the window keeps nothing alive.
        auto self = weakSelf.lock();
        if (!self)
            co_return;
        sleeper = self->m_sleeper;
        window = self->m_configuration.networkChangeMergeWindow;
    }
    try {
        co_await sleeper->sleepSeconds(window);
    } catch (const CancellationError&) {
        co_return; // a newer change restarted the window, or monitoring stopped
    } catch (...) {
        LUMRA_LOG_CAUGHT("lifecycle", "the wait for a burst of network changes to end failed");
    }
    // Cancelled after the wait ended but before this task resumed.
    if (isCancelled())
        co_return;
    auto self = weakSelf.lock();
    if (!self)
        co_return;
    self->m_networkChangeMergeTask.reset();
    if (!std::exchange(self->m_hasMergedNetworkChange, false))
        co_return;
    self->applyNetworkChange();
    self->startMergeWindow();
}

void MonitoringLifecycleController::handleWillSleep() {
    if (!m_isMonitoringEnabled.get() || m_isPausedForSystemSleep)
        return;
    m_isPausedForSystemSleep = true;
    for (const auto& monitor : m_monitorControllers)
        monitor->stop();
}

void MonitoringLifecycleController::handleDidWake() {
    if (!m_isMonitoringEnabled.get() || !m_isPausedForSystemSleep)
        return;
    resetMonitors();
    for (const auto& monitor : m_monitorControllers)
        monitor->start();
    m_isPausedForSystemSleep = false;
    applyPollInterval();
    refreshAll();
}

void MonitoringLifecycleController::handleNetworkIdentityChange(
    const std::optional<NetworkIdentity>& identity) {
    if (m_isApplyingTransientReset)
        return;
    if (!m_hasObservedInitialNetworkIdentity) {
        if (!identity)
            return;
        m_latestObservedNetworkIdentity = identity;
        m_hasObservedInitialNetworkIdentity = true;
        return;
    }
    const bool changed =
        isMeaningfulNetworkIdentityChange(m_latestObservedNetworkIdentity, identity);
    m_latestObservedNetworkIdentity = identity;
    if (changed && m_isMonitoringEnabled.get())
        handleNetworkChange();
}

} // namespace lumra
