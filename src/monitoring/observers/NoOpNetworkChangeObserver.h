// A network-change observer that never reports anything: it keeps its
// callback and ignores start and stop. For setups that want no platform
// notifications.
#pragma once

#include "monitoring/observers/NetworkChangeObserving.h"

namespace lumra {

class NoOpNetworkChangeObserver final : public NetworkChangeObserving {
public:
    Callback onNetworkChange() const override { return m_onNetworkChange; }
    void setOnNetworkChange(Callback callback) override { m_onNetworkChange = std::move(callback); }

    void startObserving() override {}
    void stopObserving() override {}

private:
    Callback m_onNetworkChange;
};

} // namespace lumra
