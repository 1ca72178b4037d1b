// lumra-systool's dig reads whatever arrives on its socket: any datagram
// decodes or is refused, and a decoded one prints.
#include "systool/DnsMessage.h"
#include "tests/fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (auto message = lumra::dns::decodeMessage(lumra::fuzz::text(data, size)))
        (void)lumra::dns::formatReply(*message);
    return 0;
}
