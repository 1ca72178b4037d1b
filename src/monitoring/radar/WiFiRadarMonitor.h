// The radar window's own fast Wi-Fi feed (main actor): one reading of the
// interface per pause, the latest snapshot and a short history. It looks up
// no address and no VPN state, and only the pause suspends: the reading
// itself is synchronous.
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Sleep.h"
#include "concurrency/Spawn.h"
#include "model/WiFiSnapshot.h"
#include "monitoring/polling/PolledMonitor.h"
#include "probes/wifi/WiFiInterfaceProviding.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace lumra {

class WiFiRadarMonitor final : public ObservableObject,
                               public std::enable_shared_from_this<WiFiRadarMonitor> {
public:
    static std::shared_ptr<WiFiRadarMonitor>
    create(std::shared_ptr<WiFiInterfaceProviding> interfaceProvider,
           std::shared_ptr<SleepProviding> sleeper, double pollInterval,
           std::size_t maxHistorySampleCount, DateProvider dateProvider);
    // Cancels a loop whose handle is still held.
    ~WiFiRadarMonitor() override;

    // Starts the loop unless a handle is held (even of a cancelled loop).
    void start();

    // There is no stop: the owner cancels this task and clears it.
    const std::optional<TaskHandle<void>>& pollingTask() const { return m_pollingTask; }
    void setPollingTask(std::optional<TaskHandle<void>> task) { m_pollingTask = std::move(task); }

    const Published<bool>& isConnected() const { return m_isConnected; }
    const Published<std::optional<WiFiSnapshot>>& latestSnapshot() const {
        return m_latestSnapshot;
    }
    // Since the last disconnected reading, oldest first.
    const Published<std::vector<WiFiSnapshot>>& history() const { return m_history; }

    double pollInterval() const { return m_pollInterval; }
    std::size_t maxHistorySampleCount() const { return m_maxHistorySampleCount; }
    // Kept for the owner; the loop pauses with the task system's own sleep.
    const std::shared_ptr<SleepProviding>& sleeper() const { return m_sleeper; }

private:
    WiFiRadarMonitor(std::shared_ptr<WiFiInterfaceProviding> interfaceProvider,
                     std::shared_ptr<SleepProviding> sleeper, double pollInterval,
                     std::size_t maxHistorySampleCount, DateProvider dateProvider);

    // Holds the monitor weakly: releasing it ends the loop.
    static Task<void> runPollingLoop(std::weak_ptr<WiFiRadarMonitor> weakSelf);
    // False when the monitor is gone.
    static bool pollIfAlive(const std::weak_ptr<WiFiRadarMonitor>& weakSelf);
    void pollOnce();

    Published<bool> m_isConnected{false, this};
    Published<std::optional<WiFiSnapshot>> m_latestSnapshot{std::nullopt, this};
    Published<std::vector<WiFiSnapshot>> m_history{{}, this};

    const double m_pollInterval;
    const std::size_t m_maxHistorySampleCount;
    const std::shared_ptr<WiFiInterfaceProviding> m_interfaceProvider;
    const std::shared_ptr<SleepProviding> m_sleeper;
    const DateProvider m_dateProvider;
    std::optional<TaskHandle<void>> m_pollingTask;
};

} // namespace lumra
