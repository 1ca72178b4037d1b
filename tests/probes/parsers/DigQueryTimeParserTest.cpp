#include "probes/parsers/DigQueryTimeParser.h"

#include "tests/probes/parsers/ParserCases.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

struct DigQueryTimeCase {
    ToolOutput output;
    ParseOutcome<double> expected;
};

CommandParsingError missingQueryTime() {
    return CommandParsingError::missingPattern("/usr/bin/dig", "Query time: <value> msec");
}

std::vector<DigQueryTimeCase> digQueryTimeCases() {
    return {
        {fixture("dig/answer.txt"), 23.0},
        {fixture("dig/cached-answer.txt"), 0.0},
        {fixture("dig/timed-out.txt"), missingQueryTime()},
        {inlineOutput("the line alone", ";; Query time: 17 msec\n"), 17.0},
        {inlineOutput("no blanks around the figure", "Query time:305msec"), 305.0},
        {inlineOutput("leading zeros", ";; Query time: 007 msec"), 7.0},
        {inlineOutput("the first of two lines", ";; Query time: 4 msec\n;; Query time: 9 msec\n"),
         4.0},
        {inlineOutput("empty output", ""), missingQueryTime()},
        {inlineOutput("another unit", ";; Query time: 23 usec"), missingQueryTime()},
        {inlineOutput("a fractional figure", ";; Query time: 2.5 msec"), missingQueryTime()},
        {inlineOutput("a figure beyond any double",
                      ";; Query time: " + std::string(400, '9') + " msec"),
         CommandParsingError::invalidNumber("/usr/bin/dig", "queryTime", std::string(400, '9'))},
    };
}

void checkDigQueryTimeCases() {
    for (const DigQueryTimeCase& c : digQueryTimeCases()) {
        SCOPED_TRACE(c.output.description);
        EXPECT_EQ(outcomeOf([&] { return parseDigQueryTime(c.output.text); }), c.expected);
    }
}

const CaseTableRegistration registration{"parseDigQueryTime", checkDigQueryTimeCases};

TEST(DigQueryTimeParserTest, ReadsTheQueryTimeOrReportsItMissing) {
    checkDigQueryTimeCases();
}

} // namespace
} // namespace lumra
