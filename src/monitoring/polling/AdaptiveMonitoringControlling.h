// The controls the lifecycle drives every polled monitor through.
#pragma once

namespace lumra {

class AdaptiveMonitoringControlling {
public:
    virtual ~AdaptiveMonitoringControlling() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void setPollInterval(double seconds) = 0;
    virtual void refreshNow() = 0;
    virtual void resetTransientState() = 0;
};

} // namespace lumra
