// Every tool-output parser over the same bytes: none may crash, hang or
// read outside the text, whatever a tool or a hostile network prints.
#include "probes/parsers/CommandParsingError.h"
#include "probes/parsers/DefaultRouteGatewayParser.h"
#include "probes/parsers/DigQueryTimeParser.h"
#include "probes/parsers/IPv4AddressOutputParser.h"
#include "probes/parsers/PingSummaryParser.h"
#include "probes/parsers/TCPStateCountsParser.h"
#include "probes/parsers/TunnelInterfacesParser.h"
#include "probes/parsers/VPNRoutesParser.h"
#include "probes/parsers/VPNServiceListParser.h"
#include "tests/fuzz/FuzzTarget.h"

#include <exception>

namespace {

template <class Parse> void tolerant(Parse parse) {
    // A parser may refuse its input with its error; nothing else may escape.
    try {
        parse();
    } catch (const lumra::CommandParsingError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumra;
    const std::string_view output = fuzz::text(data, size);
    tolerant([&] { (void)parsePingSummary(output); });
    tolerant([&] { (void)parseDigQueryTime(output); });
    tolerant([&] { (void)parseTCPStateCounts(output); });
    tolerant([&] { (void)parseTunnelInterfaces(output); });
    tolerant([&] { (void)parseVPNRoutes(output); });
    tolerant([&] { (void)parseVPNServiceList(output); });
    tolerant([&] { (void)parseIPv4AddressOutput(output); });
    tolerant([&] { (void)parseDefaultRouteGateway(output, RouteAddressFamily::ipv4); });
    tolerant([&] { (void)parseDefaultRouteGateway(output, RouteAddressFamily::ipv6, "en0"); });
    return 0;
}
