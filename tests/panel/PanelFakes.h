// Fakes of the location and login-item services the popover's controllers
// take. Without Qt.
#pragma once

#include "platform/login/LoginItemRegistering.h"
#include "shell/location/LocationAuthorizing.h"
#include "shell/location/LocationSettingsOpening.h"

#include <optional>
#include <string>

namespace lumra::test {

class FakeAuthorizer final : public LocationAuthorizing {
public:
    LocationPermissionStatus status = LocationPermissionStatus::notDetermined;
    int requests = 0;

    LocationPermissionStatus authorizationStatus() const override { return status; }
    const StatusChangeCallback& onAuthorizationStatusChange() const override { return m_callback; }
    void setOnAuthorizationStatusChange(StatusChangeCallback callback) override {
        m_callback = std::move(callback);
    }
    void requestWhenInUseAuthorization() override { ++requests; }
    // The platform reports a new status.
    void change(LocationPermissionStatus next) {
        status = next;
        if (m_callback) {
            m_callback(next);
        }
    }

private:
    StatusChangeCallback m_callback;
};

class FakeSettingsOpener final : public LocationSettingsOpening {
public:
    int opened = 0;
    bool openLocationSettings() override {
        ++opened;
        return true;
    }
};

class FakeLoginItem final : public LoginItemRegistering {
public:
    LoginItemStatus current = LoginItemStatus::notRegistered;
    std::optional<std::string> failure;
    int registrations = 0;

    LoginItemStatus status() const override { return current; }
    void registerLoginItem() override {
        ++registrations;
        if (failure) {
            throw LoginItemError(*failure);
        }
        current = LoginItemStatus::enabled;
    }
    void unregisterLoginItem() override {
        if (failure) {
            throw LoginItemError(*failure);
        }
        current = LoginItemStatus::notRegistered;
    }
};

} // namespace lumra::test
