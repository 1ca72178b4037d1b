// The radar window's list of nearby networks (main actor): a loop that scans,
// publishes the merged list (or a short error sentence) and pauses for the
// scan interval. The scan itself runs in a detached task of utility
// priority on the background pool, which the loop's cancellation does not
// reach: a stopped loop still publishes the scan it was waiting for.
#pragma once

#include "concurrency/Published.h"
#include "concurrency/Spawn.h"
#include "monitoring/radar/RadarNearbyNetwork.h"
#include "probes/wifi/WiFiNetworkScanning.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

class WiFiRadarNearbyNetworksController final
    : public ObservableObject,
      public std::enable_shared_from_this<WiFiRadarNearbyNetworksController> {
public:
    static constexpr double kMinimumScanInterval = 3.0;
    static constexpr const char* kScanUnavailableMessage = "Nearby scan unavailable.";

    // The interval is raised to at least kMinimumScanInterval (NaN too).
    static std::shared_ptr<WiFiRadarNearbyNetworksController>
    create(std::shared_ptr<WiFiNetworkScanning> scanner, double scanInterval);
    // Cancels a running loop.
    ~WiFiRadarNearbyNetworksController() override;

    // Nothing while a loop is running.
    void start();
    void stop();

    // The last successful scan, strongest first; kept across stop and start.
    const Published<std::vector<RadarNearbyNetwork>>& nearbyNetworks() const {
        return m_nearbyNetworks;
    }
    const Published<bool>& isScanning() const { return m_isScanning; }
    const Published<std::optional<std::string>>& lastErrorMessage() const {
        return m_lastErrorMessage;
    }

    double scanInterval() const { return m_scanInterval; }
    const std::optional<TaskHandle<void>>& scanTask() const { return m_scanTask; }

private:
    WiFiRadarNearbyNetworksController(std::shared_ptr<WiFiNetworkScanning> scanner,
                                      double scanInterval);

    // Each loop knows its start by number: one that ends after a stop and a
    // new start must leave the new loop's handle and scanning flag alone.
    bool isCurrentLoop(std::uint64_t loop) const {
        return m_scanTask.has_value() && m_loopNumber == loop;
    }
    void endLoop(std::uint64_t loop);
    void setScanningIfCurrent(std::uint64_t loop, bool scanning);

    // Both hold the controller weakly and re-lock after every suspension.
    static Task<void> runScanLoop(std::weak_ptr<WiFiRadarNearbyNetworksController> weakSelf,
                                  std::uint64_t loop);
    static Task<void> scanOnce(std::weak_ptr<WiFiRadarNearbyNetworksController> weakSelf,
                               std::uint64_t loop);

    Published<std::vector<RadarNearbyNetwork>> m_nearbyNetworks{{}, this};
    Published<bool> m_isScanning{false, this};
    Published<std::optional<std::string>> m_lastErrorMessage{std::nullopt, this};

    const std::shared_ptr<WiFiNetworkScanning> m_scanner;
    const double m_scanInterval;
    std::optional<TaskHandle<void>> m_scanTask;
    std::uint64_t m_loopNumber = 0;
};

} // namespace lumra
