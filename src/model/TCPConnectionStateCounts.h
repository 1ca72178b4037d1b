// Numbers of TCP sockets in the states that show connection pressure.
#pragma once

#include <cstdint>

namespace lumra {

struct TCPConnectionStateCounts {
    std::int64_t established;
    std::int64_t timeWait;
    std::int64_t closeWait;

    bool operator==(const TCPConnectionStateCounts&) const = default;
};

} // namespace lumra
