#include "monitoring/dns/DNSMonitor.h"

#include "concurrency/RunLoop.h"
#include "tests/support/FakeProbes.h"
#include "tests/support/PollDriver.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumra {
namespace {

using test::FakeDNSLookup;

class DNSMonitorTest : public ::testing::Test {
protected:
    std::shared_ptr<DNSMonitor>
    makeMonitor(std::vector<std::string> domains = defaultDNSTestDomains()) {
        DNSMonitor::Configuration configuration;
        configuration.testDomains = std::move(domains);
        return DNSMonitor::create(
            lookup, std::make_shared<TaskSleeper>(), [] { return runtimeClock().wallNow(); },
            configuration);
    }

    VirtualClockRunLoop loop;
    std::shared_ptr<FakeDNSLookup> lookup = std::make_shared<FakeDNSLookup>();
};

TEST_F(DNSMonitorTest, PollsTheDomainsInStrictRotationAndRestartsAfterAReset) {
    auto monitor = makeMonitor();
    test::PollDriver driver(loop, *monitor);
    driver.poll(6);
    const auto& d = defaultDNSTestDomains();
    EXPECT_EQ(lookup->domains, (std::vector<std::string>{d[0], d[1], d[2], d[0], d[1], d[2]}));
    lookup->domains.clear();
    driver.poll(2);
    monitor->resetTransientState();
    driver.poll();
    EXPECT_EQ(lookup->domains, (std::vector<std::string>{d[0], d[1], d[0]}));
    monitor->stop();
}

TEST_F(DNSMonitorTest, SanitisesTheConfiguredDomains) {
    EXPECT_EQ(DNSMonitor::sanitizedTestDomains({" \n", "\t"}), defaultDNSTestDomains());
    EXPECT_EQ(DNSMonitor::sanitizedTestDomains({" a.test ", "", "b.test\n"}),
              (std::vector<std::string>{"a.test", "b.test"}));
    EXPECT_EQ(makeMonitor({"  "})->testDomains(), defaultDNSTestDomains());
}

TEST_F(DNSMonitorTest, GradesAtTheBoundaries) {
    struct Case {
        std::optional<double> latency;
        bool didSucceed;
        SignalQuality grade;
    };
    for (const Case& c : std::vector<Case>{{49.9, true, SignalQuality::good},
                                           {50, true, SignalQuality::warning},
                                           {100, true, SignalQuality::warning},
                                           {100.1, true, SignalQuality::poor},
                                           {std::nullopt, true, SignalQuality::poor},
                                           {10, false, SignalQuality::poor},
                                           {std::nan(""), true, SignalQuality::poor}}) {
        const DNSResult result{"a.test", {}, c.latency, c.didSucceed};
        EXPECT_EQ(DNSMonitor::gradeOf(result), c.grade) << c.latency.value_or(-1);
    }
}

TEST_F(DNSMonitorTest, PublishesTheResultTheHistoryAndTheGrade) {
    auto monitor = makeMonitor({"only.test"});
    EXPECT_EQ(monitor->dnsQuality().get(), SignalQuality::poor);
    EXPECT_FALSE(monitor->latestResult().get());
    test::PollDriver driver(loop, *monitor);
    driver.poll();
    ASSERT_TRUE(monitor->latestResult().get());
    EXPECT_EQ(*monitor->latestResult().get(),
              (DNSResult{"only.test", loop.clock().wallNow(), 12.0, true}));
    EXPECT_EQ(monitor->dnsQuality().get(), SignalQuality::good);
    lookup->answer = {std::nullopt, false};
    driver.poll(60);
    EXPECT_EQ(monitor->history().get().size(), 60u);
    EXPECT_FALSE(monitor->history().get().front().didSucceed) << "the first result was dropped";
    EXPECT_EQ(monitor->dnsQuality().get(), SignalQuality::poor);
    monitor->stop();
}

} // namespace
} // namespace lumra
