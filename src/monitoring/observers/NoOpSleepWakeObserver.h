// A sleep/wake observer that never reports anything: it keeps its callbacks
// and ignores start and stop. For setups that want no platform notifications.
#pragma once

#include "monitoring/observers/SleepWakeObserving.h"

namespace lumra {

class NoOpSleepWakeObserver final : public SleepWakeObserving {
public:
    Callback onWillSleep() const override { return m_onWillSleep; }
    void setOnWillSleep(Callback callback) override { m_onWillSleep = std::move(callback); }
    Callback onDidWake() const override { return m_onDidWake; }
    void setOnDidWake(Callback callback) override { m_onDidWake = std::move(callback); }

    void startObserving() override {}
    void stopObserving() override {}

private:
    Callback m_onWillSleep;
    Callback m_onDidWake;
};

} // namespace lumra
