#include "monitoring/channelscan/ChannelScanMonitor.h"

#include "base/DiagnosticLog.h"
#include "concurrency/Cancellation.h"
#include "monitoring/channelscan/ChannelScoring.h"
#include "probes/wifi/WiFiNetworkScannerError.h"

#include <algorithm>

namespace lumra {

namespace {

using Passes = std::vector<std::vector<WiFiScannedNetwork>>;

const char* const cancelledMessage = "Channel scan cancelled.";
const char* const failedPrefix = "Channel scan failed: ";

} // namespace

std::shared_ptr<ChannelScanMonitor>
ChannelScanMonitor::create(ChannelScanConfiguration configuration,
                           std::shared_ptr<WiFiNetworkScanning> scanner,
                           CurrentWiFiSnapshotProvider currentWiFiSnapshotProvider,
                           std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider) {
    std::shared_ptr<ChannelScanMonitor> monitor(new ChannelScanMonitor(
        configuration, std::move(scanner), std::move(currentWiFiSnapshotProvider),
        std::move(sleeper), std::move(dateProvider)));
    return monitor;
}

ChannelScanMonitor::ChannelScanMonitor(ChannelScanConfiguration configuration,
                                       std::shared_ptr<WiFiNetworkScanning> scanner,
                                       CurrentWiFiSnapshotProvider currentWiFiSnapshotProvider,
                                       std::shared_ptr<SleepProviding> sleeper,
                                       DateProvider dateProvider)
    : m_configuration(configuration), m_scanner(std::move(scanner)),
      m_currentWiFiSnapshotProvider(std::move(currentWiFiSnapshotProvider)),
      m_sleeper(std::move(sleeper)), m_dateProvider(std::move(dateProvider)) {}

ChannelScanMonitor::~ChannelScanMonitor() {
    if (m_runningTask)
        m_runningTask->cancel();
}

// A pass count below 1 plans no pass: the result then rates the current band
// alone.
std::int64_t ChannelScanMonitor::plannedPasses() const {
    return std::max<std::int64_t>(0, m_configuration.passCount);
}

void ChannelScanMonitor::startScan() {
    if (m_runningTask)
        return;
    m_lastErrorMessage.set(std::nullopt);
    m_completedPasses.set(0);
    m_totalPasses.set(plannedPasses());
    m_isScanning.set(true);
    std::weak_ptr<ChannelScanMonitor> weakSelf = weak_from_this();
    m_runningTask = spawn(mainActor(), [weakSelf] { return scan(weakSelf); });
}

std::string ChannelScanMonitor::errorMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const CancellationError&) {
        return cancelledMessage;
    } catch (const WiFiNetworkScannerError& scannerError) {
        return failedPrefix + scannerError.describe();
    } catch (const std::exception& other) {
        return failedPrefix + std::string(other.what());
    } catch (...) {
        LUMRA_LOG_CAUGHT("channelscan", "the scan failed");
        return failedPrefix + std::string("The operation couldn\u2019t be completed.");
    }
}

// Holds the monitor only between awaits, so a monitor that goes away during a
// scan or a pause is not kept alive by it; its destructor cancels the task.
Task<std::optional<Passes>>
ChannelScanMonitor::runPasses(std::weak_ptr<ChannelScanMonitor> weakSelf) {
    std::shared_ptr<WiFiNetworkScanning> scanner;
    std::shared_ptr<SleepProviding> sleeper;
    std::int64_t passCount = 0;
    double pause = 0;
    {
        auto self = weakSelf.lock();
        if (!self)
            co_return std::nullopt;
        scanner = self->m_scanner;
        sleeper = self->m_sleeper;
        passCount = self->plannedPasses();
        pause = self->m_configuration.pauseBetweenPasses;
    }
    Passes passes;
    passes.reserve(static_cast<std::size_t>(passCount));
    for (std::int64_t pass = 0; pass < passCount; ++pass) {
        checkCancellation();
        const std::vector<WiFiScannedNetwork> networks = co_await scanner->scanNetworks();
        {
            auto self = weakSelf.lock();
            if (!self)
                co_return std::nullopt;
            passes.push_back(uniqueNetworks(networks));
            self->m_completedPasses.set(pass + 1);
        }
        if (pass + 1 < passCount)
            co_await sleeper->sleepSeconds(pause);
    }
    co_return passes;
}

Task<void> ChannelScanMonitor::scan(std::weak_ptr<ChannelScanMonitor> weakSelf) {
    std::optional<Passes> passes;
    std::exception_ptr failure;
    try {
        passes = co_await runPasses(weakSelf);
    } catch (...) {
        failure = std::current_exception();
    }
    // No await from here on: each ending is one main-actor step.
    auto self = weakSelf.lock();
    if (!self)
        co_return;
    if (failure)
        self->finishWithError(failure);
    else if (passes)
        self->finishWithResult(*passes);
}

void ChannelScanMonitor::finishWithResult(const Passes& passes) {
    const std::optional<WiFiSnapshot> current = m_currentWiFiSnapshotProvider();
    const std::optional<std::int64_t> currentChannel =
        current ? current->channelNumber : std::nullopt;
    const std::optional<WiFiBand> currentBand = current ? current->band : std::nullopt;
    const auto timestamp = m_dateProvider();
    m_latestResult.set(
        scoreChannels(passes, plannedPasses(), currentChannel, currentBand, timestamp));
    m_runningTask.reset();
    m_isScanning.set(false);
}

void ChannelScanMonitor::finishWithError(const std::exception_ptr& error) {
    m_lastErrorMessage.set(errorMessage(error));
    m_runningTask.reset();
    m_isScanning.set(false);
}

} // namespace lumra
