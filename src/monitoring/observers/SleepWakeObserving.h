// The capability the monitoring lifecycle listens to for system sleep and
// wake: two callbacks, started and stopped by its owner. Main actor.
#pragma once

#include <functional>

namespace lumra {

class SleepWakeObserving {
public:
    using Callback = std::function<void()>;

    virtual ~SleepWakeObserving() = default;

    virtual Callback onWillSleep() const = 0;
    virtual void setOnWillSleep(Callback callback) = 0;
    virtual Callback onDidWake() const = 0;
    virtual void setOnDidWake(Callback callback) = 0;

    virtual void startObserving() = 0;
    virtual void stopObserving() = 0;
};

} // namespace lumra
