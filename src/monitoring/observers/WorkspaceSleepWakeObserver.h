// Reports system sleep and wake: two observers on the sleep/wake notification
// centre, registered by start and removed by stop. Main actor throughout; the
// registered blocks hold the observer weakly.
#pragma once

#include "monitoring/observers/SleepWakeObserving.h"
#include "platform/power/SleepWakeNotifying.h"

#include <memory>
#include <vector>

namespace lumra {

class WorkspaceSleepWakeObserver final : public SleepWakeObserving {
public:
    explicit WorkspaceSleepWakeObserver(std::shared_ptr<SleepWakeNotifying> notificationCenter);
    // Removes its registrations, so the centre keeps no dead blocks.
    ~WorkspaceSleepWakeObserver() override;
    WorkspaceSleepWakeObserver(const WorkspaceSleepWakeObserver&) = delete;
    WorkspaceSleepWakeObserver& operator=(const WorkspaceSleepWakeObserver&) = delete;

    Callback onWillSleep() const override;
    void setOnWillSleep(Callback callback) override;
    Callback onDidWake() const override;
    void setOnDidWake(Callback callback) override;

    void startObserving() override;
    void stopObserving() override;

private:
    struct Callbacks {
        Callback onWillSleep;
        Callback onDidWake;
    };

    std::shared_ptr<Callbacks> m_callbacks;
    std::shared_ptr<SleepWakeNotifying> m_notificationCenter;
    std::vector<SleepWakeNotifying::ObserverToken> m_observerTokens; // will-sleep first
};

} // namespace lumra
