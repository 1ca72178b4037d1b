#include "probes/parsers/PingSummaryParser.h"

#include "tests/probes/parsers/ParserCases.h"

#include <atomic>
#include <gtest/gtest.h>
#include <ostream>
#include <thread>

namespace lumra {

void PrintTo(const PingSummary& summary, std::ostream* out) {
    *out << "{min " << summary.minimumMilliseconds << ", avg " << summary.averageMilliseconds
         << ", max " << summary.maximumMilliseconds << ", stddev "
         << summary.standardDeviationMilliseconds << "}";
}

namespace {

struct PingSummaryCase {
    ToolOutput output;
    ParseOutcome<PingSummary> expected;
};

CommandParsingError missingSummary() {
    return CommandParsingError::missingPattern(
        "/sbin/ping", "round-trip min/avg/max/stddev = <min>/<avg>/<max>/<stddev> ms");
}

CommandParsingError invalidFigure(std::string field, std::string value) {
    return CommandParsingError::invalidNumber("/sbin/ping", std::move(field), std::move(value));
}

std::vector<PingSummaryCase> pingSummaryCases() {
    return {
        {fixture("ping/macos-summary.txt"), PingSummary{2.871, 3.043, 3.214, 0.172}},
        {fixture("ping/macos-half-loss.txt"), PingSummary{14.528, 14.528, 14.528, 0.0}},
        {fixture("ping/macos-no-reply.txt"), missingSummary()},
        {fixture("ping/linux-iputils-summary.txt"), PingSummary{0.041, 0.051, 0.062, 0.010}},
        {fixture("ping/linux-iputils-ping6-summary.txt"), PingSummary{0.038, 0.054, 0.070, 0.016}},
        {fixture("systool/captured/ping_-c_2_-W_1000_10.213.0.1.txt"),
         PingSummary{0.044, 0.049, 0.055, 0.005}},
        {fixture("systool/captured/ping_-c_2_-W_300_10.213.0.99.txt"), missingSummary()},
        {inlineOutput("empty output", ""), missingSummary()},
        {inlineOutput("mdev summary", "rtt min/avg/max/mdev = 10.1/12.3/15.0/1.7 ms\n"),
         PingSummary{10.1, 12.3, 15.0, 1.7}},
        {inlineOutput("msec after the figures",
                      "round-trip min/avg/max/stddev = 1.5/2.5/3.5/0.5 msec\n"),
         PingSummary{1.5, 2.5, 3.5, 0.5}},
        {inlineOutput("figures that end or start with a point",
                      "round-trip min/avg/max/stddev = 12./.5/13/0 ms"),
         PingSummary{12.0, 0.5, 13.0, 0.0}},
        {inlineOutput("first unreadable figure is min",
                      "round-trip min/avg/max/stddev = 1.1.1/2.0/3.0/0.5 ms"),
         invalidFigure("min", "1.1.1")},
        {inlineOutput("first unreadable figure is avg; later ones are not examined",
                      "round-trip min/avg/max/stddev = 1.0/./3.0/1..2 ms"),
         invalidFigure("avg", ".")},
        {inlineOutput("unreadable max", "rtt min/avg/max/mdev = 1/2/3.0.0/4 ms"),
         invalidFigure("max", "3.0.0")},
        {inlineOutput("unreadable stddev", "rtt min/avg/max/mdev = 1/2/3/.. ms"),
         invalidFigure("stddev", "..")},
        {inlineOutput(
             "the first of two summaries",
             "rtt min/avg/max/mdev = 1/2/3/4 ms\nround-trip min/avg/max/stddev = 5/6/7/8 ms\n"),
         PingSummary{1, 2, 3, 4}},
        {inlineOutput("Unicode white space around the figures",
                      "round-trip\u00A0min/avg/max/stddev\u3000=\u20021/2/3/4\u00A0ms"),
         PingSummary{1, 2, 3, 4}},
        {inlineOutput(
             "summary on a line after CR LF and U+2028",
             "2 packets transmitted\r\n\u2028round-trip min/avg/max/stddev = 1/2/3/4 ms\r\n"),
         PingSummary{1, 2, 3, 4}},
        {inlineOutput("decimal comma figures are no summary",
                      "round-trip min/avg/max/stddev = 1,5/2,5/3,5/0,5 ms"),
         missingSummary()},
        {inlineOutput("no unit", "round-trip min/avg/max/stddev = 1/2/3/4\n"), missingSummary()},
        {inlineOutput("std-dev is neither keyword",
                      "round-trip min/avg/max/std-dev = 1/2/3/4 ms\n"),
         missingSummary()},
        {inlineOutput("keyword case matters", "RTT min/avg/max/mdev = 1/2/3/4 ms"),
         missingSummary()},
    };
}

void checkPingSummaryCases() {
    for (const PingSummaryCase& c : pingSummaryCases()) {
        SCOPED_TRACE(c.output.description);
        EXPECT_EQ(outcomeOf([&] { return parsePingSummary(c.output.text); }), c.expected);
    }
}

const CaseTableRegistration registration{"parsePingSummary", checkPingSummaryCases};

TEST(PingSummaryParserTest, ReadsSummariesAndReportsWhatIsMissingOrUnreadable) {
    checkPingSummaryCases();
}

TEST(PingSummaryParserTest, RunsConcurrentlyWithoutSharedState) {
    const std::string output = fixture("ping/macos-summary.txt").text;
    const PingSummary expected{2.871, 3.043, 3.214, 0.172};
    std::atomic<int> mismatches = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                if (parsePingSummary(output) != expected) {
                    ++mismatches;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches.load(), 0);
}

} // namespace
} // namespace lumra
