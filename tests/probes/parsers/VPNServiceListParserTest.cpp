#include "probes/parsers/VPNServiceListParser.h"

#include "tests/probes/parsers/ParserCases.h"

#include <gtest/gtest.h>
#include <ostream>

namespace lumra {

void PrintTo(const VPNConnectionServiceStatus& status, std::ostream* out) {
    *out << "{" << status.identifier << ", "
         << (status.name ? "\"" + *status.name + "\"" : "no name") << ", " << status.state << "}";
}

namespace {

using State = VPNConnectionServiceState;
using Services = std::vector<VPNConnectionServiceStatus>;

struct ServiceListCase {
    ToolOutput output;
    Services expected;
};

std::vector<ServiceListCase> serviceListCases() {
    return {
        {fixture("scutil/macos-nc-list.txt"),
         {
             {"6B5B4C5E-1F2A-4D3B-9C8D-7E6F5A4B3C2D", "Home WireGuard", State::disconnected},
             {"A1B2C3D4-E5F6-4789-ABCD-0123456789AB", "Office", State::connected},
             {"11111111-2222-3333-4444-555555555555", "Travel", State::connecting},
         }},
        {fixture("scutil/macos-nc-list-empty.txt"), {}},
        {fixture("scutil/macos-nc-list-odd-lines.txt"),
         {
             {"AAAA0001", "Upper Case", State::connected},
             {"AAAA0002", std::nullopt, State::disconnecting},
             {"AAAA0003", std::nullopt, State::disconnecting},
         }},
        {inlineOutput("empty output", ""), {}},
        {inlineOutput("an empty name between quotes", "* (Connected) X1 \"\" [VPN:a]\r\n"),
         {{"X1", "", State::connected}}},
        {inlineOutput("the name is between the first two quotes",
                      "* (Connected) X2 \"a\" \"b\" [VPN:a]"),
         {{"X2", "a", State::connected}}},
        {inlineOutput("no-break spaces separate the identifier",
                      "(Connected)\u00A0X3\u00A0[VPN:a]"),
         {{"X3", std::nullopt, State::connected}}},
        {inlineOutput("the state is the first parenthesis, even inside the name",
                      "* \"(Connected)\" (Disconnected) X4 [VPN:a]"),
         {{"\"", std::nullopt, State::connected}}},
    };
}

void checkServiceListCases() {
    for (const ServiceListCase& c : serviceListCases()) {
        SCOPED_TRACE(c.output.description);
        EXPECT_EQ(parseVPNServiceList(c.output.text), c.expected);
    }
}

struct StateCase {
    std::string text;
    std::optional<State> expected;
};

void checkStateWords() {
    const std::vector<StateCase> cases{
        {"connected", State::connected},
        {"Connected", State::connected},
        {"cOnNeCtEd", State::connected},
        {" \tDisconnected\n", State::disconnected},
        {"Connecting", State::connecting},
        {"DISCONNECTING", State::disconnecting},
        {"\u00A0connected\u2028", State::connected},
        {"connected.", std::nullopt},
        {"Invalid", std::nullopt},
        {"", std::nullopt},
        {"dis connected", std::nullopt},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE("state '" + c.text + "'");
        EXPECT_EQ(vpnConnectionServiceState(c.text), c.expected);
    }
}

const CaseTableRegistration registration{"parseVPNServiceList", checkServiceListCases};
const CaseTableRegistration states{"vpnConnectionServiceState", checkStateWords};

TEST(VPNServiceListParserTest, ReadsVPNServiceLinesAndSkipsTheRest) {
    checkServiceListCases();
}
TEST(VPNServiceListParserTest, StateWordsMatchInAnyLetterCase) {
    checkStateWords();
}

} // namespace
} // namespace lumra
