// Finds the least crowded channel of the band in use, on demand (main actor):
// scans several times in a row, with a pause between passes, scores every
// channel of every band seen and publishes the result with its progress.
// Only the scans themselves run away from the main actor.
//
// There is no stop operation: a caller stops a scan by cancelling
// runningTask(). The scan notices at its next check (before a pass, or during
// the pause); a scan call already made runs to its end.
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Sleep.h"
#include "concurrency/Spawn.h"
#include "model/ChannelScanResult.h"
#include "model/WiFiSnapshot.h"
#include "monitoring/channelscan/ChannelScanConfiguration.h"
#include "monitoring/polling/PolledMonitor.h"
#include "probes/wifi/WiFiNetworkScanning.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

class ChannelScanMonitor final : public ObservableObject,
                                 public std::enable_shared_from_this<ChannelScanMonitor> {
public:
    // The Mac's own link, read once when the passes are done.
    using CurrentWiFiSnapshotProvider = std::function<std::optional<WiFiSnapshot>()>;

    static std::shared_ptr<ChannelScanMonitor>
    create(ChannelScanConfiguration configuration, std::shared_ptr<WiFiNetworkScanning> scanner,
           CurrentWiFiSnapshotProvider currentWiFiSnapshotProvider,
           std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider);
    // Cancels a running scan.
    ~ChannelScanMonitor() override;

    // Starts a scan unless one is running; the previous result stays
    // published until the new one is ready.
    void startScan();

    const Published<std::optional<ChannelScanResult>>& latestResult() const {
        return m_latestResult;
    }
    const Published<bool>& isScanning() const { return m_isScanning; }
    const Published<std::int64_t>& completedPasses() const { return m_completedPasses; }
    const Published<std::int64_t>& totalPasses() const { return m_totalPasses; }
    const Published<std::optional<std::string>>& lastErrorMessage() const {
        return m_lastErrorMessage;
    }

    const ChannelScanConfiguration& configuration() const { return m_configuration; }
    // The running scan; cleared before isScanning turns false, so a caller
    // that sees isScanning false can start the next scan at once.
    const std::optional<TaskHandle<void>>& runningTask() const { return m_runningTask; }

    // The sentence for a scan that ended with this error instead of a result.
    static std::string errorMessage(const std::exception_ptr& error);

private:
    ChannelScanMonitor(ChannelScanConfiguration configuration,
                       std::shared_ptr<WiFiNetworkScanning> scanner,
                       CurrentWiFiSnapshotProvider currentWiFiSnapshotProvider,
                       std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider);

    static Task<void> scan(std::weak_ptr<ChannelScanMonitor> weakSelf);
    // None when the monitor went away.
    static Task<std::optional<std::vector<std::vector<WiFiScannedNetwork>>>>
    runPasses(std::weak_ptr<ChannelScanMonitor> weakSelf);
    void finishWithResult(const std::vector<std::vector<WiFiScannedNetwork>>& passes);
    void finishWithError(const std::exception_ptr& error);
    std::int64_t plannedPasses() const;

    Published<std::optional<ChannelScanResult>> m_latestResult{std::nullopt, this};
    Published<bool> m_isScanning{false, this};
    Published<std::int64_t> m_completedPasses{0, this};
    Published<std::int64_t> m_totalPasses{0, this};
    Published<std::optional<std::string>> m_lastErrorMessage{std::nullopt, this};

    const ChannelScanConfiguration m_configuration;
    const std::shared_ptr<WiFiNetworkScanning> m_scanner;
    const CurrentWiFiSnapshotProvider m_currentWiFiSnapshotProvider;
    const std::shared_ptr<SleepProviding> m_sleeper;
    const DateProvider m_dateProvider;
    std::optional<TaskHandle<void>> m_runningTask;
};

} // namespace lumra
