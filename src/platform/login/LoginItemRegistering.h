// The platform's login-item service for the running application: whether it
// starts at login, and registering or unregistering it. Synchronous calls on
// the main actor.
#pragma once

#include <stdexcept>
#include <string>

namespace lumra {

enum class LoginItemStatus { notRegistered, enabled, requiresApproval, notFound };

// Why registering or unregistering failed, in a sentence for the user.
class LoginItemError final : public std::runtime_error {
public:
    explicit LoginItemError(const std::string& localizedDescription)
        : std::runtime_error(localizedDescription) {}
    std::string localizedDescription() const { return what(); }
    bool operator==(const LoginItemError& other) const {
        return localizedDescription() == other.localizedDescription();
    }
};

class LoginItemRegistering {
public:
    virtual ~LoginItemRegistering() = default;

    // Reading the status never fails: what cannot be read is not registered.
    virtual LoginItemStatus status() const = 0;
    // Both throw LoginItemError.
    virtual void registerLoginItem() = 0;
    virtual void unregisterLoginItem() = 0;
};

} // namespace lumra
