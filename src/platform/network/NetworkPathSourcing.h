// Where network paths come from. A source starts monitors; a monitor calls
// its handler on the queue it was started on, first with the current path
// right after starting and then whenever the path changes, until cancelled.
#pragma once

#include "concurrency/Executor.h"
#include "platform/network/NetworkPath.h"

#include <functional>
#include <memory>

namespace lumra {

class NetworkPathMonitoring {
public:
    virtual ~NetworkPathMonitoring() = default;
    // From any thread. Afterwards the monitor submits nothing more to its
    // queue; a path already submitted may still reach the handler, so the
    // handler's owner must tell late paths apart itself.
    virtual void cancel() = 0;
};

class NetworkPathSourcing {
public:
    using PathHandler = std::function<void(NetworkPath path)>;

    virtual ~NetworkPathSourcing() = default;
    // queue must outlive the monitor's cancellation.
    virtual std::shared_ptr<NetworkPathMonitoring> startMonitor(Executor& queue,
                                                                PathHandler onPath) = 0;
};

} // namespace lumra
