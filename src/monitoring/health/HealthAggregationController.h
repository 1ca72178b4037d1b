// Grades the latest Wi-Fi, ping and DNS measurements into one health state and
// a diagnostics snapshot (main actor). Every published value it watches
// schedules a recompute in a new main-actor task, which then reads the stored
// values.
#pragma once

#include "model/DiagnosticsSnapshot.h"
#include "model/SignalQuality.h"
#include "monitoring/dns/DNSMonitor.h"
#include "monitoring/lifecycle/MonitoringLifecycleController.h"
#include "monitoring/ping/PingMonitor.h"
#include "monitoring/wifi/WiFiMonitor.h"

#include <memory>
#include <optional>
#include <vector>

namespace lumra {

std::optional<SignalQuality> pingLatencyQuality(const std::optional<PingResult>& result);
std::optional<SignalQuality> pingJitterQuality(const std::optional<PingResult>& result);
std::optional<SignalQuality> dnsLatencyQuality(const std::optional<DNSResult>& result);
// The grades of one Wi-Fi snapshot: signal, noise when plausible, and the
// signal-to-noise ratio when present.
std::vector<SignalQuality> wifiQualities(const WiFiSnapshot& snapshot);
HealthState aggregateHealth(const std::vector<SignalQuality>& grades);

class HealthAggregationController final
    : public ObservableObject,
      public std::enable_shared_from_this<HealthAggregationController> {
public:
    // Binds the seven observers and recomputes once before returning.
    static std::shared_ptr<HealthAggregationController>
    create(std::shared_ptr<MonitoringLifecycleController> lifecycleController,
           std::shared_ptr<WiFiMonitor> wifiMonitor, std::shared_ptr<PingMonitor> pingMonitor,
           std::shared_ptr<DNSMonitor> dnsMonitor, DateProvider dateProvider);

    const Published<HealthState>& healthState() const { return m_healthState; }
    const Published<std::optional<DiagnosticsSnapshot>>& latestDiagnosticsSnapshot() const {
        return m_latestDiagnosticsSnapshot;
    }

    void recomputeHealth();

private:
    HealthAggregationController(std::shared_ptr<MonitoringLifecycleController> lifecycleController,
                                std::shared_ptr<WiFiMonitor> wifiMonitor,
                                std::shared_ptr<PingMonitor> pingMonitor,
                                std::shared_ptr<DNSMonitor> dnsMonitor, DateProvider dateProvider);
    void bindObservers();
    HealthState currentState() const;

    Published<HealthState> m_healthState{HealthState::disconnected, this};
    Published<std::optional<DiagnosticsSnapshot>> m_latestDiagnosticsSnapshot{std::nullopt, this};
    const std::shared_ptr<MonitoringLifecycleController> m_lifecycleController;
    const std::shared_ptr<WiFiMonitor> m_wifiMonitor;
    const std::shared_ptr<PingMonitor> m_pingMonitor;
    const std::shared_ptr<DNSMonitor> m_dnsMonitor;
    const DateProvider m_dateProvider;
    std::vector<Subscription> m_subscriptions;
};

} // namespace lumra
