#include "probes/parsers/TCPStateCountsParser.h"

#include "tests/probes/parsers/ParserCases.h"

#include <gtest/gtest.h>
#include <ostream>

namespace lumra {

void PrintTo(const TCPConnectionStateCounts& counts, std::ostream* out) {
    *out << "{established " << counts.established << ", timeWait " << counts.timeWait
         << ", closeWait " << counts.closeWait << "}";
}

namespace {

struct TCPStateCountsCase {
    ToolOutput output;
    TCPConnectionStateCounts expected;
};

std::vector<TCPStateCountsCase> tcpStateCountsCases() {
    return {
        {fixture("netstat/macos-tcp.txt"), {2, 2, 1}},
        {fixture("systool/captured/netstat_-n_-p_tcp.txt"), {6, 1, 1}},
        {fixture("netstat/macos-tcp-mixed-case.txt"), {2, 0, 1}},
        {fixture("netstat/macos-tcp-no-sockets.txt"), {0, 0, 0}},
        {inlineOutput("empty output", ""), {0, 0, 0}},
        {inlineOutput("two tcp4 established and one time-wait",
                      "tcp4 0 0 a.1 b.2 ESTABLISHED\ntcp4 0 0 a.3 b.4 ESTABLISHED\ntcp4 0 0 a.5 "
                      "b.6 TIME_WAIT\n"),
         {2, 1, 0}},
        {inlineOutput("lines broken by CR, U+2028 and U+0085; fields by no-break spaces",
                      "tcp4\u00A00 0 a b CLOSE_WAIT\rtcp6 0 0 a b CLOSE_WAIT\u2028tcp4\u30000 a b "
                      "TIME_WAIT\u0085"),
         {0, 1, 2}},
        {inlineOutput("punctuation of any script stripped from the state",
                      "tcp4 0 0 a b \u00ABESTABLISHED\u00BB\ntcp4 0 0 a b 'TIME_WAIT'...\n"),
         {1, 1, 0}},
        {inlineOutput("states upper-cased with full case mapping",
                      "tcp4 0 0 a b establ\u0131shed\n"),
         {1, 0, 0}},
        {inlineOutput("a state followed by another field is no state",
                      "tcp4 0 0 a b ESTABLISHED x\n"),
         {0, 0, 0}},
        {inlineOutput("the protocol must begin the line", "x tcp4 0 0 a b ESTABLISHED\n"),
         {0, 0, 0}},
        {inlineOutput("any field that begins with tcp", "tcpx ESTABLISHED\nTcp ESTABLISHED\n"),
         {2, 0, 0}},
        {inlineOutput("a symbol is not punctuation", "tcp4 0 0 a b $ESTABLISHED\n"), {0, 0, 0}},
    };
}

void checkTCPStateCountsCases() {
    for (const TCPStateCountsCase& c : tcpStateCountsCases()) {
        SCOPED_TRACE(c.output.description);
        EXPECT_EQ(parseTCPStateCounts(c.output.text), c.expected);
    }
}

const CaseTableRegistration registration{"parseTCPStateCounts", checkTCPStateCountsCases};

TEST(TCPStateCountsParserTest, CountsTCPLinesByTheirLastField) {
    checkTCPStateCountsCases();
}

} // namespace
} // namespace lumra
