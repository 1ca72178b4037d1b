// The location authorization over the platform's location manager, whose
// delegate it is. Main actor.
#pragma once

#include "platform/location/LocationManaging.h"
#include "shell/location/LocationAuthorizing.h"

#include <memory>

namespace lumra {

class CoreLocationAuthorizer final : public LocationAuthorizing,
                                     public std::enable_shared_from_this<CoreLocationAuthorizer> {
public:
    // Becomes the manager's delegate; the platform's own manager by default.
    static std::shared_ptr<CoreLocationAuthorizer>
    create(std::shared_ptr<LocationManaging> locationManager = nullptr);
    ~CoreLocationAuthorizer() override;

    LocationPermissionStatus authorizationStatus() const override;
    const StatusChangeCallback& onAuthorizationStatusChange() const override {
        return m_onAuthorizationStatusChange;
    }
    void setOnAuthorizationStatusChange(StatusChangeCallback callback) override {
        m_onAuthorizationStatusChange = std::move(callback);
    }
    void requestWhenInUseAuthorization() override;

    // The manager's delegate call: reports the current status to the callback.
    void locationManagerDidChangeAuthorization();

    const std::shared_ptr<LocationManaging>& locationManager() const { return m_locationManager; }

private:
    explicit CoreLocationAuthorizer(std::shared_ptr<LocationManaging> locationManager);

    std::shared_ptr<LocationManaging> m_locationManager;
    StatusChangeCallback m_onAuthorizationStatusChange;
};

} // namespace lumra
