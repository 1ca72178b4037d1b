// The failure of registering or unregistering the login item, and the
// result of LaunchAtLoginController::setEnabled, which never throws.
#pragma once

#include "platform/login/LoginItemRegistering.h"

#include <optional>
#include <string>

namespace lumra {

class LaunchAtLoginError {
public:
    enum class Case { registrationFailed };

    static LaunchAtLoginError registrationFailed(LoginItemError underlying) {
        return LaunchAtLoginError(std::move(underlying));
    }

    Case errorCase() const noexcept { return Case::registrationFailed; }
    const LoginItemError& underlyingError() const noexcept { return m_underlying; }
    // "Failed to update login item: " and the platform's sentence.
    std::string localizedDescription() const {
        return "Failed to update login item: " + m_underlying.localizedDescription();
    }

    bool operator==(const LaunchAtLoginError&) const = default;

private:
    explicit LaunchAtLoginError(LoginItemError underlying) : m_underlying(std::move(underlying)) {}

    LoginItemError m_underlying;
};

class LaunchAtLoginResult {
public:
    static LaunchAtLoginResult success() { return LaunchAtLoginResult(std::nullopt); }
    static LaunchAtLoginResult failure(LaunchAtLoginError error) {
        return LaunchAtLoginResult(std::move(error));
    }

    bool isSuccess() const noexcept { return !m_error.has_value(); }
    const std::optional<LaunchAtLoginError>& error() const noexcept { return m_error; }

    bool operator==(const LaunchAtLoginResult&) const = default;

private:
    explicit LaunchAtLoginResult(std::optional<LaunchAtLoginError> error)
        : m_error(std::move(error)) {}

    std::optional<LaunchAtLoginError> m_error;
};

} // namespace lumra
