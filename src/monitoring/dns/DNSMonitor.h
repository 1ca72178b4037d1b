// Times one DNS lookup per poll (main actor), the test domains in turn, and
// publishes the result, a bounded history and its grade.
#pragma once

#include "model/DNSResult.h"
#include "model/SignalQuality.h"
#include "monitoring/polling/PolledMonitor.h"
#include "probes/dns/DNSLookupRunning.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumra {

// Well-known public domains that resolve quickly from anywhere.
const std::vector<std::string>& defaultDNSTestDomains();
// Looked up when there is no test domain at all.
inline constexpr const char* reservedExampleDomain = "example.com";

class DNSMonitor final : public PolledMonitor {
public:
    struct Configuration {
        double pollInterval = 2.0;
        std::vector<std::string> testDomains = defaultDNSTestDomains();
        std::size_t maxHistorySampleCount = 60;
        double commandTimeout = 1.5;
    };

    static std::shared_ptr<DNSMonitor> create(std::shared_ptr<DNSLookupRunning> dnsLookupRunner,
                                              std::shared_ptr<SleepProviding> sleeper,
                                              DateProvider dateProvider,
                                              Configuration configuration);

    void resetTransientState() override;

    const Published<std::optional<DNSResult>>& latestResult() const { return m_latestResult; }
    const Published<std::vector<DNSResult>>& history() const { return m_history; }
    const Published<SignalQuality>& dnsQuality() const { return m_dnsQuality; }

    const std::vector<std::string>& testDomains() const { return m_testDomains; }
    std::size_t maxHistorySampleCount() const { return m_maxHistorySampleCount; }
    double commandTimeout() const { return m_commandTimeout; }
    const std::shared_ptr<DNSLookupRunning>& dnsLookupRunner() const { return m_dnsLookupRunner; }

    // Trimmed, blanks dropped; the default list when nothing is left.
    static std::vector<std::string> sanitizedTestDomains(const std::vector<std::string>& domains);
    // Good below 50 ms, warning up to 100 ms inclusive, otherwise poor.
    static SignalQuality gradeOf(const DNSResult& result);

private:
    friend class PolledMonitor;
    DNSMonitor(std::shared_ptr<DNSLookupRunning> dnsLookupRunner,
               std::shared_ptr<SleepProviding> sleeper, DateProvider dateProvider,
               Configuration configuration);

    Task<void> pollOnce();
    std::string nextTestDomain();

    Published<std::optional<DNSResult>> m_latestResult{std::nullopt, this};
    Published<std::vector<DNSResult>> m_history{{}, this};
    Published<SignalQuality> m_dnsQuality{SignalQuality::poor, this};

    const std::vector<std::string> m_testDomains;
    const std::size_t m_maxHistorySampleCount;
    const double m_commandTimeout;
    const std::shared_ptr<DNSLookupRunning> m_dnsLookupRunner;
    const DateProvider m_dateProvider;
    std::size_t m_nextDomainIndex = 0;
};

} // namespace lumra
