// A Wi-Fi network interface the kernel knows: its name and index.
#pragma once

#include <cstdint>
#include <string>

namespace lumra {

struct WirelessInterface {
    // Empty when the kernel gives no name.
    std::string name;
    std::uint32_t ifindex;

    bool operator==(const WirelessInterface&) const = default;
};

} // namespace lumra
