// The application becoming the active one again, as when the user comes
// back to it from the system's settings. Registration, removal and every
// block run on the main actor.
#pragma once

#include <cstdint>
#include <functional>

namespace lumra {

class ApplicationActivationNotifying {
public:
    using ObserverToken = std::uint64_t;

    virtual ~ApplicationActivationNotifying() = default;

    // block runs on the main actor each time the application becomes active,
    // until the token is removed.
    virtual ObserverToken addDidBecomeActiveObserver(std::function<void()> block) = 0;
    // After this returns the token's block never runs again; unknown tokens
    // are ignored.
    virtual void removeObserver(ObserverToken token) = 0;
};

} // namespace lumra
