// The throughput measurement the speed-test monitor runs: a download, then an
// upload, never both at once. Both throw to their caller (SpeedTestRunnerError,
// a transport error, or CancellationError when the calling task is cancelled).
#pragma once

#include "concurrency/Task.h"
#include "probes/speedtest/SpeedTestConfiguration.h"

#include <functional>

namespace lumra {

// Called with the fraction of the phase's chunks completed so far, from
// within the transfer call and in its task, which need not be on the
// caller's executor (a report that touches main-actor state hops there
// first). The call awaits each report, so reports never overlap and arrive
// in order.
using SpeedTestProgress = std::function<Task<void>(double fraction)>;

class SpeedTesting {
public:
    virtual ~SpeedTesting() = default;
    // Megabits per second received.
    virtual Task<double> download(SpeedTestConfiguration configuration,
                                  SpeedTestProgress progress) = 0;
    // Megabits per second sent.
    virtual Task<double> upload(SpeedTestConfiguration configuration,
                                SpeedTestProgress progress) = 0;
};

} // namespace lumra
