#include "monitoring/dns/DNSMonitor.h"

#include "concurrency/Cancellation.h"
#include "model/UnicodeText.h"
#include "monitoring/polling/BoundedHistory.h"

namespace lumra {

const std::vector<std::string>& defaultDNSTestDomains() {
    static const std::vector<std::string> domains{"cloudflare.com", "google.com", "wikipedia.org"};
    return domains;
}

std::shared_ptr<DNSMonitor> DNSMonitor::create(std::shared_ptr<DNSLookupRunning> dnsLookupRunner,
                                               std::shared_ptr<SleepProviding> sleeper,
                                               DateProvider dateProvider,
                                               Configuration configuration) {
    return makeBound<DNSMonitor>(std::move(dnsLookupRunner), std::move(sleeper),
                                 std::move(dateProvider), std::move(configuration));
}

DNSMonitor::DNSMonitor(std::shared_ptr<DNSLookupRunning> dnsLookupRunner,
                       std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
                       Configuration configuration)
    : PolledMonitor(std::move(sleeper), configuration.pollInterval),
      m_testDomains(sanitizedTestDomains(configuration.testDomains)),
      m_maxHistorySampleCount(configuration.maxHistorySampleCount),
      m_commandTimeout(configuration.commandTimeout), m_dnsLookupRunner(std::move(dnsLookupRunner)),
      m_dateProvider(std::move(dateProvider)) {}

void DNSMonitor::resetTransientState() {
    m_latestResult.set(std::nullopt);
    m_history.set({});
    m_dnsQuality.set(SignalQuality::poor);
    m_nextDomainIndex = 0;
}

std::vector<std::string> DNSMonitor::sanitizedTestDomains(const std::vector<std::string>& domains) {
    std::vector<std::string> kept;
    for (const std::string& domain : domains) {
        std::string trimmed = trimmedWhitespaceAndNewlines(domain);
        if (!trimmed.empty())
            kept.push_back(std::move(trimmed));
    }
    return kept.empty() ? defaultDNSTestDomains() : kept;
}

SignalQuality DNSMonitor::gradeOf(const DNSResult& result) {
    if (!result.didSucceed || !result.latencyMilliseconds)
        return SignalQuality::poor;
    const double latency = *result.latencyMilliseconds;
    if (latency < 50)
        return SignalQuality::good;
    if (latency <= 100)
        return SignalQuality::warning;
    return SignalQuality::poor;
}

std::string DNSMonitor::nextTestDomain() {
    if (m_testDomains.empty())
        return reservedExampleDomain;
    std::string domain = m_testDomains[m_nextDomainIndex];
    m_nextDomainIndex = (m_nextDomainIndex + 1) % m_testDomains.size();
    return domain;
}

Task<void> DNSMonitor::pollOnce() {
    std::string domain = nextTestDomain();
    const DNSLookupOutcome outcome = co_await m_dnsLookupRunner->lookup(domain, m_commandTimeout);
    // A stop cut the lookup short: its failure is not the network's.
    if (isCancelled())
        co_return;
    DNSResult result{std::move(domain), m_dateProvider(), outcome.latencyMilliseconds,
                     outcome.didSucceed};
    m_latestResult.set(result);
    const SignalQuality quality = gradeOf(result);
    appendBoundedHistory(m_history, std::move(result), m_maxHistorySampleCount);
    m_dnsQuality.set(quality);
}

} // namespace lumra
