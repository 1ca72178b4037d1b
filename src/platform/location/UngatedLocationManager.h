// Linux does not hide the Wi-Fi network's name behind a location
// permission, so the application is always authorized: the status never
// changes, a request has nothing to ask and the delegate is never called.
#pragma once

#include "platform/location/LocationManaging.h"

namespace lumra {

class UngatedLocationManager final : public LocationManaging {
public:
    int authorizationStatusRawValue() const override {
        return location_authorization::authorizedAlways;
    }
    void requestWhenInUseAuthorization() override {}
    void setDelegate(std::function<void()> didChangeAuthorization) override {
        m_delegate = std::move(didChangeAuthorization);
    }

private:
    std::function<void()> m_delegate;
};

} // namespace lumra
