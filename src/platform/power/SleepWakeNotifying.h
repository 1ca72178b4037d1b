// The system's announcements that it is about to sleep and that it has woken,
// as a notification centre: observers register a block per notification and
// get a token to remove it with. Registration, removal and every block run on
// the main actor.
#pragma once

#include <cstdint>
#include <functional>

namespace lumra {

enum class SleepWakeNotification { willSleep, didWake };

class SleepWakeNotifying {
public:
    using ObserverToken = std::uint64_t;

    virtual ~SleepWakeNotifying() = default;

    // block runs on the main actor for each notification of that name until
    // the token is removed.
    virtual ObserverToken addObserver(SleepWakeNotification name, std::function<void()> block) = 0;
    // After this returns the token's block never runs again; unknown tokens
    // are ignored.
    virtual void removeObserver(ObserverToken token) = 0;
};

} // namespace lumra
