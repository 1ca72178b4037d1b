// Turns readings of the Wi-Fi interface into published state (main actor):
// connected or not, the latest snapshot with its signal-to-noise ratio, the
// history since the network identity last changed, and the identity. The
// interface's address and the VPN verdict are slow to learn, so they come
// from a cache refreshed in the background at most every 10 s of uptime.
#pragma once

#include "model/NetworkIdentity.h"
#include "model/WiFiSnapshot.h"
#include "monitoring/polling/PolledMonitor.h"
#include "probes/metadata/WiFiNetworkMetadataResolving.h"
#include "probes/wifi/WiFiInterfaceProviding.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

class WiFiMonitor final : public PolledMonitor, public std::enable_shared_from_this<WiFiMonitor> {
public:
    struct Configuration {
        double pollInterval = 2.0;
        std::size_t maxHistorySampleCount = 60;
        double metadataRefreshInterval = 10.0;
    };

    static std::shared_ptr<WiFiMonitor>
    create(std::shared_ptr<WiFiInterfaceProviding> interfaceProvider,
           std::shared_ptr<WiFiNetworkMetadataResolving> metadataResolver,
           std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
           Configuration configuration);
    ~WiFiMonitor() override;

    void stop() override;
    void refreshNow() override;
    void resetTransientState() override;

    const Published<bool>& isConnected() const { return m_isConnected; }
    const Published<std::optional<WiFiSnapshot>>& latestSnapshot() const {
        return m_latestSnapshot;
    }
    const Published<std::vector<WiFiSnapshot>>& history() const { return m_history; }
    const Published<std::optional<NetworkIdentity>>& latestIdentity() const {
        return m_latestIdentity;
    }

    bool isRefreshingMetadata() const { return m_metadataRefreshTask.has_value(); }
    std::size_t maxHistorySampleCount() const { return m_maxHistorySampleCount; }
    double metadataRefreshInterval() const { return m_metadataRefreshInterval; }
    const std::shared_ptr<WiFiNetworkMetadataResolving>& metadataResolver() const {
        return m_metadataResolver;
    }

private:
    friend class PolledMonitor;

    struct CachedMetadata {
        std::string interfaceName;
        std::optional<std::string> ipAddress;
        bool isVPNActive;
        double refreshedAtUptime;
    };

    WiFiMonitor(std::shared_ptr<WiFiInterfaceProviding> interfaceProvider,
                std::shared_ptr<WiFiNetworkMetadataResolving> metadataResolver,
                std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
                Configuration configuration);

    Task<void> pollOnce();
    void resetConnectionState();
    void cancelMetadataRefresh();
    void refreshMetadataIfNeeded(const WiFiInterfaceSnapshot& reading,
                                 const NetworkIdentity& identity);
    static Task<void> refreshMetadata(std::weak_ptr<WiFiMonitor> weakSelf,
                                      std::string interfaceName, NetworkIdentity identity);
    void applyMetadata(CachedMetadata metadata, const NetworkIdentity& identity);

    Published<bool> m_isConnected{false, this};
    Published<std::optional<WiFiSnapshot>> m_latestSnapshot{std::nullopt, this};
    Published<std::vector<WiFiSnapshot>> m_history{{}, this};
    Published<std::optional<NetworkIdentity>> m_latestIdentity{std::nullopt, this};

    const std::size_t m_maxHistorySampleCount;
    const double m_metadataRefreshInterval;
    const std::shared_ptr<WiFiInterfaceProviding> m_interfaceProvider;
    const std::shared_ptr<WiFiNetworkMetadataResolving> m_metadataResolver;
    const DateProvider m_dateProvider;

    std::optional<TaskHandle<void>> m_metadataRefreshTask;
    std::optional<CachedMetadata> m_cachedMetadata;
    bool m_shouldForceMetadataRefresh = false;
    std::optional<NetworkIdentity> m_latestSessionIdentity;
    std::optional<std::string> m_metadataRefreshInterfaceName;
    // Set while a poll publishes its identity: a reset that identity causes
    // (the network changed) must not take back the reading being published.
    bool m_isPublishingReading = false;
};

} // namespace lumra
