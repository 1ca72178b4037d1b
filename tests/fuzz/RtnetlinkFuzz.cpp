// The rtnetlink dump's reading of one received datagram, whatever the
// kernel (or a bug) puts in it: the message, attribute and next-hop walks
// must stay inside the datagram. Each input is read as a link dump and as a
// route dump.
#include "platform/network/RtnetlinkDump.h"
#include "tests/fuzz/FuzzTarget.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumra;
    if (size > 65536)
        return 0;
    // Exactly as long as the input, so that a read past it is caught, and
    // aligned by new as a receive buffer is.
    const std::vector<std::uint8_t> datagram(data, data + size);
    for (const auto kind : {RoutingDump::links, RoutingDump::routes}) {
        RoutingFacts facts;
        (void)readRoutingDatagram(datagram, 1, kind, facts);
    }
    return 0;
}
