#include "monitoring/health/HealthAggregationController.h"

#include "concurrency/Runtime.h"
#include "concurrency/Spawn.h"

#include <algorithm>

namespace lumra {

namespace {

// No result: not graded; failed or without the value: poor.
template <class Result, class Field, class Grade>
std::optional<SignalQuality> grade(const std::optional<Result>& result, Field field,
                                   Grade byValue) {
    if (!result)
        return std::nullopt;
    const std::optional<double>& value = (*result).*field;
    if (!result->didSucceed || !value)
        return SignalQuality::poor;
    return byValue(*value);
}

// -120 to -20 dBm: what a driver that measures noise reports; many report 0.
bool isPlausibleNoise(std::int64_t noiseFloorDbm) {
    return noiseFloorDbm >= -120 && noiseFloorDbm <= -20;
}

} // namespace

std::optional<SignalQuality> pingLatencyQuality(const std::optional<PingResult>& result) {
    return grade(result, &PingResult::latencyMilliseconds, [](double ms) {
        return ms <= 50    ? SignalQuality::good
               : ms <= 100 ? SignalQuality::warning
                           : SignalQuality::poor;
    });
}

std::optional<SignalQuality> pingJitterQuality(const std::optional<PingResult>& result) {
    return grade(result, &PingResult::jitterMilliseconds, [](double ms) {
        return ms < 10    ? SignalQuality::good
               : ms <= 30 ? SignalQuality::warning
                          : SignalQuality::poor;
    });
}

std::optional<SignalQuality> dnsLatencyQuality(const std::optional<DNSResult>& result) {
    return grade(result, &DNSResult::latencyMilliseconds, [](double ms) {
        return ms < 50     ? SignalQuality::good
               : ms <= 100 ? SignalQuality::warning
                           : SignalQuality::poor;
    });
}

std::vector<SignalQuality> wifiQualities(const WiFiSnapshot& snapshot) {
    std::vector<SignalQuality> grades;
    const std::int64_t rssi = snapshot.rssiDbm;
    grades.push_back(rssi > -60    ? SignalQuality::good
                     : rssi >= -75 ? SignalQuality::warning
                                   : SignalQuality::poor);
    const std::int64_t noise = snapshot.noiseFloorDbm;
    if (isPlausibleNoise(noise))
        grades.push_back(noise < -90    ? SignalQuality::good
                         : noise <= -80 ? SignalQuality::warning
                                        : SignalQuality::poor);
    if (snapshot.snrDb) {
        const std::int64_t snr = *snapshot.snrDb;
        grades.push_back(snr >= 25   ? SignalQuality::good
                         : snr >= 20 ? SignalQuality::warning
                                     : SignalQuality::poor);
    }
    return grades;
}

HealthState aggregateHealth(const std::vector<SignalQuality>& grades) {
    if (std::find(grades.begin(), grades.end(), SignalQuality::poor) != grades.end())
        return HealthState::poor;
    if (std::find(grades.begin(), grades.end(), SignalQuality::warning) != grades.end())
        return HealthState::warning;
    return HealthState::good;
}

std::shared_ptr<HealthAggregationController> HealthAggregationController::create(
    std::shared_ptr<MonitoringLifecycleController> lifecycleController,
    std::shared_ptr<WiFiMonitor> wifiMonitor, std::shared_ptr<PingMonitor> pingMonitor,
    std::shared_ptr<DNSMonitor> dnsMonitor, DateProvider dateProvider) {
    std::shared_ptr<HealthAggregationController> controller(new HealthAggregationController(
        std::move(lifecycleController), std::move(wifiMonitor), std::move(pingMonitor),
        std::move(dnsMonitor), std::move(dateProvider)));
    controller->bindObservers();
    controller->recomputeHealth();
    return controller;
}

HealthAggregationController::HealthAggregationController(
    std::shared_ptr<MonitoringLifecycleController> lifecycleController,
    std::shared_ptr<WiFiMonitor> wifiMonitor, std::shared_ptr<PingMonitor> pingMonitor,
    std::shared_ptr<DNSMonitor> dnsMonitor, DateProvider dateProvider)
    : m_lifecycleController(std::move(lifecycleController)), m_wifiMonitor(std::move(wifiMonitor)),
      m_pingMonitor(std::move(pingMonitor)), m_dnsMonitor(std::move(dnsMonitor)),
      m_dateProvider(std::move(dateProvider)) {}

void HealthAggregationController::bindObservers() {
    std::weak_ptr<HealthAggregationController> weak = weak_from_this();
    // The delivered value is not yet stored: recompute in a later task.
    auto scheduleRecompute = [weak](const auto&) {
        if (!weak.lock())
            return;
        spawn(mainActor(), [weak]() -> Task<void> {
            if (auto self = weak.lock())
                self->recomputeHealth();
            co_return;
        });
    };
    m_subscriptions.push_back(
        m_lifecycleController->isMonitoringEnabled().subscribe(scheduleRecompute));
    m_subscriptions.push_back(m_wifiMonitor->isConnected().subscribe(scheduleRecompute));
    m_subscriptions.push_back(m_wifiMonitor->latestSnapshot().subscribe(scheduleRecompute));
    m_subscriptions.push_back(m_pingMonitor->routerResult().subscribe(scheduleRecompute));
    m_subscriptions.push_back(m_pingMonitor->internetResult().subscribe(scheduleRecompute));
    m_subscriptions.push_back(m_pingMonitor->isRouterIgnored().subscribe(scheduleRecompute));
    m_subscriptions.push_back(m_dnsMonitor->latestResult().subscribe(scheduleRecompute));
}

HealthState HealthAggregationController::currentState() const {
    const auto& snapshot = m_wifiMonitor->latestSnapshot().get();
    if (!m_lifecycleController->isMonitoringEnabled().get() ||
        !m_wifiMonitor->isConnected().get() || !snapshot)
        return HealthState::disconnected;
    std::vector<SignalQuality> grades = wifiQualities(*snapshot);
    std::vector<std::optional<SignalQuality>> measured{
        pingLatencyQuality(m_pingMonitor->internetResult().get()),
        pingJitterQuality(m_pingMonitor->internetResult().get()),
        dnsLatencyQuality(m_dnsMonitor->latestResult().get())};
    if (!m_pingMonitor->isRouterIgnored().get()) {
        measured.push_back(pingLatencyQuality(m_pingMonitor->routerResult().get()));
        measured.push_back(pingJitterQuality(m_pingMonitor->routerResult().get()));
    }
    for (const auto& grade : measured) {
        if (grade)
            grades.push_back(*grade);
    }
    return aggregateHealth(grades);
}

void HealthAggregationController::recomputeHealth() {
    const HealthState state = currentState();
    m_healthState.set(state);
    m_latestDiagnosticsSnapshot.set(DiagnosticsSnapshot{
        m_dateProvider(), m_wifiMonitor->latestSnapshot().get(),
        m_pingMonitor->routerResult().get(), m_pingMonitor->internetResult().get(),
        m_dnsMonitor->latestResult().get(), state});
}

} // namespace lumra
