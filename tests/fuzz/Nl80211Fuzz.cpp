// The nl80211 decoders over any message the kernel (or a driver's bug)
// might hand back: the input is one netlink message whose length field is
// made to fit the bytes, as the socket reader guarantees.
#include "platform/wireless/Nl80211Messages.h"
#include "tests/fuzz/FuzzTarget.h"

#include <cstring>
#include <linux/netlink.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumra;
    if (size < sizeof(nlmsghdr) || size > 65536)
        return 0;
    // Aligned as a receive buffer is.
    std::vector<std::uint32_t> buffer((size + 3) / 4);
    std::memcpy(buffer.data(), data, size);
    auto* header = reinterpret_cast<nlmsghdr*>(buffer.data());
    header->nlmsg_len = static_cast<std::uint32_t>(size);
    (void)decodeFamily(header);
    (void)decodeInterface(header);
    (void)decodeStation(header);
    (void)decodeSurvey(header);
    (void)decodeBss(header);
    (void)decodeScanEvent(header, 3);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer.data());
    (void)ssidFromInformationElements(std::span<const std::uint8_t>(bytes, size));
    return 0;
}
