// Sleep and wake from logind: its PrepareForSleep(true) before the system
// sleeps and PrepareForSleep(false) after it wakes, heard on the system bus.
// The bus is joined while someone observes and left when the last observer
// goes; without a bus (or without logind on it) nothing is ever delivered and
// nothing fails. Observers are kept on the main actor, the bus connection on
// the I/O thread; signals hop from there to the main actor.
#pragma once

#include "platform/bus/BusAddress.h"
#include "platform/power/SleepWakeNotifying.h"

#include <map>
#include <memory>

namespace lumra {

class LogindSleepSource final : public SleepWakeNotifying {
public:
    // Tests pass the address of a private bus; the application the system bus.
    explicit LogindSleepSource(BusAddress address = BusAddress::system());
    ~LogindSleepSource() override;
    LogindSleepSource(const LogindSleepSource&) = delete;
    LogindSleepSource& operator=(const LogindSleepSource&) = delete;

    ObserverToken addObserver(SleepWakeNotification name, std::function<void()> block) override;
    void removeObserver(ObserverToken token) override;

private:
    struct Observer {
        SleepWakeNotification name;
        std::function<void()> block;
    };
    struct Observers {
        std::map<ObserverToken, Observer> byToken; // ordered: registration order
        void deliver(SleepWakeNotification name);
    };
    struct BusSide;

    void startListening();
    void stopListening();

    std::shared_ptr<Observers> m_observers;
    std::shared_ptr<BusSide> m_bus;
    ObserverToken m_nextToken = 1;
};

} // namespace lumra
