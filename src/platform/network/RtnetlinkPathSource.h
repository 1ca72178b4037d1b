// The network path from the kernel's routing state. Each monitor holds an
// rtnetlink socket subscribed to link, address and route changes; the I/O
// thread watches it and drains each burst of events, then the monitor's queue
// dumps the links and routes afresh and computes the path (the dump blocks
// briefly, so it stays off the I/O thread). The path is computed once right
// after start and then after every burst, and delivered when it differs from
// the last one delivered.
#pragma once

#include "platform/network/NetworkPathSourcing.h"

#include <string>

namespace lumra {

class RtnetlinkPathSource final : public NetworkPathSourcing {
public:
    // netRoot: where interfaces are classified from (sysfs of the network
    // namespace the process runs in).
    explicit RtnetlinkPathSource(std::string netRoot = "/sys/class/net");

    std::shared_ptr<NetworkPathMonitoring> startMonitor(Executor& queue,
                                                        PathHandler onPath) override;

private:
    std::string m_netRoot;
};

} // namespace lumra
