#include "monitoring/radar/WiFiRadarNearbyNetworksController.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Cancellation.h"
#include "concurrency/Runtime.h"
#include "concurrency/Sleep.h"
#include "monitoring/radar/PauseDuration.h"

#include <chrono>

namespace lumra {

namespace {

double atLeastMinimum(double seconds) {
    constexpr double minimum = WiFiRadarNearbyNetworksController::kMinimumScanInterval;
    return seconds >= minimum ? seconds : minimum; // NaN fails the comparison
}

enum class ScanOutcome { succeeded, cancelled, failed };

} // namespace

std::shared_ptr<WiFiRadarNearbyNetworksController>
WiFiRadarNearbyNetworksController::create(std::shared_ptr<WiFiNetworkScanning> scanner,
                                          double scanInterval) {
    return std::shared_ptr<WiFiRadarNearbyNetworksController>(
        new WiFiRadarNearbyNetworksController(std::move(scanner), scanInterval));
}

WiFiRadarNearbyNetworksController::WiFiRadarNearbyNetworksController(
    std::shared_ptr<WiFiNetworkScanning> scanner, double scanInterval)
    : m_scanner(std::move(scanner)), m_scanInterval(atLeastMinimum(scanInterval)) {}

WiFiRadarNearbyNetworksController::~WiFiRadarNearbyNetworksController() {
    if (m_scanTask)
        m_scanTask->cancel();
}

void WiFiRadarNearbyNetworksController::start() {
    if (m_scanTask)
        return;
    const std::uint64_t loop = ++m_loopNumber;
    std::weak_ptr<WiFiRadarNearbyNetworksController> weakSelf = weak_from_this();
    m_scanTask = spawn(mainActor(), [weakSelf, loop] { return runScanLoop(weakSelf, loop); });
}

void WiFiRadarNearbyNetworksController::stop() {
    if (m_scanTask)
        m_scanTask->cancel();
    m_scanTask.reset();
    m_isScanning.set(false);
}

void WiFiRadarNearbyNetworksController::endLoop(std::uint64_t loop) {
    if (!isCurrentLoop(loop))
        return;
    m_scanTask.reset();
    m_isScanning.set(false);
}

void WiFiRadarNearbyNetworksController::setScanningIfCurrent(std::uint64_t loop, bool scanning) {
    if (isCurrentLoop(loop))
        m_isScanning.set(scanning);
}

Task<void> WiFiRadarNearbyNetworksController::runScanLoop(
    std::weak_ptr<WiFiRadarNearbyNetworksController> weakSelf, std::uint64_t loop) {
    for (;;) {
        std::chrono::nanoseconds pause{};
        {
            auto self = weakSelf.lock();
            if (!self)
                co_return;
            if (isCancelled()) {
                self->endLoop(loop);
                co_return;
            }
            pause = pauseDuration(self->m_scanInterval);
        }
        co_await scanOnce(weakSelf, loop);
        bool cancelledDuringPause = false;
        try {
            co_await sleepFor(pause);
        } catch (const CancellationError&) {
            cancelledDuringPause = true;
        }
        if (cancelledDuringPause) {
            if (auto self = weakSelf.lock())
                self->endLoop(loop);
            co_return;
        }
    }
}

Task<void> WiFiRadarNearbyNetworksController::scanOnce(
    std::weak_ptr<WiFiRadarNearbyNetworksController> weakSelf, std::uint64_t loop) {
    std::shared_ptr<WiFiNetworkScanning> scanner;
    {
        auto self = weakSelf.lock();
        if (!self)
            co_return;
        self->setScanningIfCurrent(loop, true);
        scanner = self->m_scanner;
    }
    auto scan = spawnDetached(backgroundPool(), TaskPriority::utility,
                              [scanner] { return scanner->scanNetworks(); });
    std::vector<WiFiScannedNetwork> results;
    ScanOutcome outcome = ScanOutcome::succeeded;
    try {
        results = co_await scan.value();
    } catch (const CancellationError&) {
        outcome = ScanOutcome::cancelled;
    } catch (...) {
        LUMRA_LOG_CAUGHT("radar", "the nearby-network scan failed");
        outcome = ScanOutcome::failed;
    }
    auto self = weakSelf.lock();
    if (!self)
        co_return;
    if (outcome == ScanOutcome::succeeded) {
        self->m_nearbyNetworks.set(makeRadarNearbyNetworks(results));
        self->m_lastErrorMessage.set(std::nullopt);
    } else if (outcome == ScanOutcome::failed) {
        self->m_lastErrorMessage.set(std::string(kScanUnavailableMessage));
    }
    self->setScanningIfCurrent(loop, false);
}

} // namespace lumra
