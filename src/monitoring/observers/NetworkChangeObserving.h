// The capability the monitoring lifecycle listens to for network changes:
// one callback, started and stopped by its owner. Main actor.
#pragma once

#include <functional>

namespace lumra {

class NetworkChangeObserving {
public:
    using Callback = std::function<void()>;

    virtual ~NetworkChangeObserving() = default;

    virtual Callback onNetworkChange() const = 0;
    // Replaces the previous callback; an empty one means none.
    virtual void setOnNetworkChange(Callback callback) = 0;

    virtual void startObserving() = 0;
    virtual void stopObserving() = 0;
};

} // namespace lumra
