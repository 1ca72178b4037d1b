#include "monitoring/wifi/WiFiMonitor.h"

#include "concurrency/Cancellation.h"
#include "concurrency/Runtime.h"
#include "concurrency/Spawn.h"
#include "concurrency/WhenAll.h"
#include "monitoring/polling/BoundedHistory.h"
#include "monitoring/wifi/WiFiReadingRules.h"

namespace lumra {

namespace {

NetworkIdentity identityOf(const WiFiSnapshot& snapshot) {
    return NetworkIdentity{snapshot.interfaceName, snapshot.ssid, snapshot.bssid,
                           snapshot.ipAddress};
}

} // namespace

std::shared_ptr<WiFiMonitor>
WiFiMonitor::create(std::shared_ptr<WiFiInterfaceProviding> interfaceProvider,
                    std::shared_ptr<WiFiNetworkMetadataResolving> metadataResolver,
                    std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
                    Configuration configuration) {
    return makeBound<WiFiMonitor>(std::move(interfaceProvider), std::move(metadataResolver),
                                  std::move(sleeper), std::move(dateProvider), configuration);
}

WiFiMonitor::WiFiMonitor(std::shared_ptr<WiFiInterfaceProviding> interfaceProvider,
                         std::shared_ptr<WiFiNetworkMetadataResolving> metadataResolver,
                         std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
                         Configuration configuration)
    : PolledMonitor(std::move(sleeper), configuration.pollInterval),
      m_maxHistorySampleCount(configuration.maxHistorySampleCount),
      m_metadataRefreshInterval(configuration.metadataRefreshInterval),
      m_interfaceProvider(std::move(interfaceProvider)),
      m_metadataResolver(std::move(metadataResolver)), m_dateProvider(std::move(dateProvider)) {}

WiFiMonitor::~WiFiMonitor() {
    cancelMetadataRefresh();
}

void WiFiMonitor::stop() {
    PolledMonitor::stop();
    cancelMetadataRefresh();
}

void WiFiMonitor::refreshNow() {
    m_shouldForceMetadataRefresh = true;
    PolledMonitor::refreshNow();
}

void WiFiMonitor::resetTransientState() {
    resetConnectionState();
}

void WiFiMonitor::cancelMetadataRefresh() {
    if (m_metadataRefreshTask)
        m_metadataRefreshTask->cancel();
    m_metadataRefreshTask.reset();
}

void WiFiMonitor::resetConnectionState() {
    cancelMetadataRefresh();
    if (!m_isPublishingReading) {
        m_isConnected.set(false);
        m_latestSnapshot.set(std::nullopt);
        m_latestIdentity.set(std::nullopt);
        m_latestSessionIdentity.reset();
        m_history.set({});
    }
    m_cachedMetadata.reset();
    m_shouldForceMetadataRefresh = false;
    m_metadataRefreshInterfaceName.reset();
}

Task<void> WiFiMonitor::pollOnce() {
    // A poll that begins after a stop reads nothing.
    if (isCancelled())
        co_return;
    const std::optional<WiFiInterfaceSnapshot> reading = m_interfaceProvider->currentSnapshot();
    if (!reading || !isConnectedReading(*reading)) {
        resetConnectionState();
        co_return;
    }
    const auto timestamp = m_dateProvider();
    const CachedMetadata* metadata =
        m_cachedMetadata && m_cachedMetadata->interfaceName == reading->interfaceName
            ? &*m_cachedMetadata
            : nullptr;
    WiFiSnapshot snapshot = snapshotOfReading(
        *reading, timestamp, metadata != nullptr ? metadata->ipAddress : std::nullopt,
        metadata != nullptr && metadata->isVPNActive);
    const NetworkIdentity identity = identityOf(snapshot);

    m_isPublishingReading = true;
    m_isConnected.set(true);
    m_latestSnapshot.set(snapshot);
    m_latestIdentity.set(identity);
    m_isPublishingReading = false;

    if (!m_latestSessionIdentity || *m_latestSessionIdentity != identity) {
        m_history.set({});
        m_latestSessionIdentity = identity;
    }
    appendBoundedHistory(m_history, std::move(snapshot), m_maxHistorySampleCount);
    refreshMetadataIfNeeded(*reading, identity);
}

void WiFiMonitor::refreshMetadataIfNeeded(const WiFiInterfaceSnapshot& reading,
                                          const NetworkIdentity& identity) {
    if (!m_shouldForceMetadataRefresh && m_cachedMetadata &&
        m_cachedMetadata->interfaceName == reading.interfaceName &&
        runtimeClock().uptimeSeconds() - m_cachedMetadata->refreshedAtUptime <=
            m_metadataRefreshInterval) {
        return; // fresh
    }
    if (m_metadataRefreshTask) {
        if (m_metadataRefreshInterfaceName == reading.interfaceName)
            return; // already looking this interface up; a pending force waits for the next poll
        m_metadataRefreshTask->cancel();
    }
    m_metadataRefreshInterfaceName = reading.interfaceName;
    m_shouldForceMetadataRefresh = false;
    std::weak_ptr<WiFiMonitor> weakSelf = weak_from_this();
    m_metadataRefreshTask = spawn(mainActor(), [weakSelf, name = reading.interfaceName, identity] {
        return refreshMetadata(weakSelf, name, identity);
    });
}

Task<void> WiFiMonitor::refreshMetadata(std::weak_ptr<WiFiMonitor> weakSelf,
                                        std::string interfaceName, NetworkIdentity identity) {
    auto self = weakSelf.lock();
    if (!self)
        co_return;
    auto address = self->m_metadataResolver->ipAddress(interfaceName);
    auto vpn = self->m_metadataResolver->isVPNActive();
    auto [ipAddress, isVPNActive] = co_await whenAll(std::move(address), std::move(vpn));
    // A cancelled lookup was replaced or reset: what it learned may belong to
    // another network, and the bookkeeping is no longer its own.
    if (isCancelled())
        co_return;
    self->applyMetadata(CachedMetadata{interfaceName, std::move(ipAddress), isVPNActive,
                                       runtimeClock().uptimeSeconds()},
                        identity);
}

void WiFiMonitor::applyMetadata(CachedMetadata metadata, const NetworkIdentity& identity) {
    m_metadataRefreshTask.reset();
    m_metadataRefreshInterfaceName.reset();
    m_cachedMetadata = std::move(metadata);
    const auto& latest = m_latestSnapshot.get();
    if (!latest || latest->interfaceName != identity.interfaceName ||
        latest->ssid != identity.ssid || latest->bssid != identity.bssid) {
        return;
    }
    WiFiSnapshot updated = *latest;
    updated.ipAddress = m_cachedMetadata->ipAddress;
    updated.isVPNActive = m_cachedMetadata->isVPNActive;
    const NetworkIdentity updatedIdentity = identityOf(updated);
    m_isPublishingReading = true;
    m_latestSnapshot.set(std::move(updated));
    m_latestIdentity.set(updatedIdentity);
    m_isPublishingReading = false;
    m_latestSessionIdentity = updatedIdentity;
}

} // namespace lumra
